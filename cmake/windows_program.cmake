# The Windows program: the code that talks to the platform, the exe, and the tests that run on
# Windows (or under Wine).

if(MSVC)
    set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
endif()

# Everything but the entry, so that the in-process tests can link it.
add_library(lorvane_core STATIC
    app/about_dialog.cpp
    app/commands.cpp
    app/message_box.cpp
    app/viewer_window.cpp
    app/window_placement.cpp
    search/find.cpp
    search/web_search.cpp
    settings/choose_font.cpp
    settings/font_spec.cpp
    settings/registry_store.cpp
    view/document_files.cpp
    view/stream_callbacks.cpp
    view/text_control.cpp
)
target_compile_definitions(lorvane_core PUBLIC UNICODE _UNICODE _WIN32_WINNT=0x0601)
target_link_libraries(lorvane_core PUBLIC lorvane_rules
    user32 gdi32 comdlg32 comctl32 shell32 shlwapi advapi32 kernel32)

add_executable(Lorvane WIN32 app/main.cpp res/Lorvane.rc)
target_link_libraries(Lorvane PRIVATE lorvane_core)
if(MINGW)
    # wWinMain as the entry, and no runtime DLLs of the compiler: system DLLs only.
    target_link_options(Lorvane PRIVATE -municode -mwindows -static -static-libgcc -static-libstdc++)
endif()

option(LORVANE_TESTS "Build the tests that run on Windows or under Wine" ON)
if(LORVANE_TESTS)
    set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    add_subdirectory(tests/win)
    add_subdirectory(tests/e2e)
endif()
