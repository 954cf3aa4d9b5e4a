/* Command, control and resource identifiers, shared by Lorvane.rc and the code. */
#ifndef LORVANE_RESOURCE_IDS_H
#define LORVANE_RESOURCE_IDS_H

/* File menu */
#define IDM_OPEN 100
#define IDM_SAVE 101
#define IDM_SAVE_AS 102
#define IDM_EXIT 103
#define IDM_ABOUT 104

/* Edit menu */
#define IDM_COPY 110
#define IDM_PASTE 111
#define IDM_FIND 112
#define IDM_FIND_ON_WEB 113
#define IDM_OPEN_URL 114

/* Options menu */
#define IDM_WRAP 120
#define IDM_EDIT 121
#define IDM_FONT 122
#define IDM_FORMAT_PLAIN 123
#define IDM_FORMAT_RTF 124
#define IDM_FORMAT_UNICODE 125
#define IDM_FORMAT_UTF8 126

/* Context menu of the text control */
#define IDM_CONTEXT_COPY 130
#define IDM_CONTEXT_SEARCH 131
#define IDM_CONTEXT_OPEN_URL 132

/* The text control's child identifier; not a command */
#define IDC_TEXT 200

/* Icons: the program's own (window class, About box) and the About box's second one */
#define IDI_LORVANE 400
#define IDI_LORVANE_DOC 401

#endif
