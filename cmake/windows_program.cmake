# The Windows program: the code that talks to the platform, the exe, and the tests that run on
# Windows (or under Wine).

# Everything but the entry, so that the in-process tests can link it.
add_library(lorvane_core STATIC
    app/about_dialog.cpp
    app/commands.cpp
    app/display_scale.cpp
    app/message_box.cpp
    app/modal_scope.cpp
    app/viewer_window.cpp
    app/window_placement.cpp
    search/find.cpp
    search/text_search.cpp
    search/web_search.cpp
    settings/choose_font.cpp
    settings/font_spec.cpp
    settings/registry_store.cpp
    view/document_files.cpp
    view/file_replacement.cpp
    view/save_checks.cpp
    view/file_follow.cpp
    view/file_load.cpp
    view/load_progress.cpp
    view/shown_file.cpp
    view/reading_place.cpp
    view/retired_control.cpp
    view/stream_callbacks.cpp
    view/text_control.cpp
)
target_compile_definitions(lorvane_core PUBLIC UNICODE _UNICODE _WIN32_WINNT=0x0601)
include(cmake/delay_load.cmake)
# The dialogs, the shell and COM (for the taskbar's progress) are loaded when first used: a
# viewer that only shows a small file never maps them.
lorvane_link_on_demand(comdlg32 comctl32 shell32 shlwapi ole32)
target_link_libraries(lorvane_core PUBLIC lorvane_rules lorvane_on_demand_dlls
    user32 gdi32 advapi32 kernel32 uuid)

# The files that Lorvane.rc embeds: a change to one of them compiles the resources again.
set(lorvane_resource_files
    ${PROJECT_SOURCE_DIR}/res/Lorvane.manifest
    ${PROJECT_SOURCE_DIR}/res/icons/lorvane.ico
    ${PROJECT_SOURCE_DIR}/res/icons/lorvane_doc.ico
)
set_source_files_properties(res/Lorvane.rc PROPERTIES OBJECT_DEPENDS "${lorvane_resource_files}")

add_executable(Lorvane WIN32 app/main.cpp res/Lorvane.rc)
target_link_libraries(Lorvane PRIVATE lorvane_core)
# The resource compiler finds the manifest and the icons that Lorvane.rc names through res/.
target_include_directories(Lorvane PRIVATE ${PROJECT_SOURCE_DIR}/res)
if(MSVC)
    # The manifest comes from Lorvane.rc; a second one from the linker would clash with it.
    target_link_options(Lorvane PRIVATE /MANIFEST:NO)
endif()
if(MINGW)
    # wWinMain as the entry, and no runtime DLLs of the compiler: system DLLs only.
    target_link_options(Lorvane PRIVATE -municode -mwindows -static -static-libgcc -static-libstdc++)
endif()

option(LORVANE_TESTS "Build the tests that run on Windows or under Wine" ON)
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(LORVANE_TESTS AND NOT EXISTS ${GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
    # On Windows there is no such folder by default: the program is still built.
    message(WARNING "No GoogleTest sources in ${GOOGLETEST_SOURCE_DIR}: the tests are not built. "
                    "Give their folder with -DGOOGLETEST_SOURCE_DIR=...")
    set(LORVANE_TESTS OFF)
endif()
if(LORVANE_TESTS)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    add_subdirectory(tests/win)
    add_subdirectory(tests/e2e)
endif()

# run.sh's screenshot helper: starts the program and says where its window is once it is shown.
add_executable(shown_window scripts/shown_window.cpp)
target_compile_definitions(shown_window PRIVATE UNICODE _UNICODE)
target_link_libraries(shown_window PRIVATE user32)
if(MINGW)
    target_link_options(shown_window PRIVATE -municode -static -static-libgcc -static-libstdc++)
endif()
