# lorvane_on_demand_dlls: an interface library that links the given system DLLs so that each is
# loaded when the program first calls into it, not when the process starts (mapping the dialog
# and shell DLLs at every start costs a viewer tens of milliseconds).
#
#   lorvane_link_on_demand(comdlg32 shell32 ...)
#
# MSVC marks the imports as delayed itself. The MinGW-w64 import libraries are in a form that
# neither GNU ld nor lld can delay, so each DLL gets a library made from its list of functions:
# with GNU ld a delay-import library from dlltool, whose thunks call __delayLoadHelper2 of the
# MinGW-w64 runtime; with lld a short import library from llvm-dlltool, which lld delays itself.
function(lorvane_link_on_demand)
    add_library(lorvane_on_demand_dlls INTERFACE)
    if(MSVC)
        foreach(dll IN LISTS ARGN)
            target_link_options(lorvane_on_demand_dlls INTERFACE /DELAYLOAD:${dll}.dll)
        endforeach()
        target_link_libraries(lorvane_on_demand_dlls INTERFACE ${ARGN} delayimp)
        return()
    endif()
    foreach(dll IN LISTS ARGN)
        lorvane_export_list(${dll} def)
        set(library ${CMAKE_BINARY_DIR}/delay_import/lib${dll}_on_demand.a)
        if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")  # linking with lld, whose dlltool is LLVM's
            set(make_library ${CMAKE_DLLTOOL} -m i386:x86-64 -d ${def} -D ${dll}.dll -l ${library})
            target_link_options(lorvane_on_demand_dlls INTERFACE -Wl,--delayload=${dll}.dll)
        else()
            set(make_library ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll}.dll
                             --output-delaylib ${library})
        endif()
        add_custom_command(OUTPUT ${library} COMMAND ${make_library} DEPENDS ${def} VERBATIM)
        add_custom_target(on_demand_${dll} DEPENDS ${library})
        add_dependencies(lorvane_on_demand_dlls on_demand_${dll})
        target_link_libraries(lorvane_on_demand_dlls INTERFACE ${library})
    endforeach()
endfunction()

# Writes the module-definition file of DLL, listing the functions that its MinGW-w64 import
# library names, and gives its path in OUT.
function(lorvane_export_list dll out)
    find_library(import_library_${dll} NAMES lib${dll}.a REQUIRED)
    execute_process(COMMAND ${CMAKE_NM} ${import_library_${dll}}
                    OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    # A function has both its code thunk (T name) and its address slot (I __imp_name).
    string(REGEX MATCHALL "[0-9a-f]+ T [A-Za-z0-9_@]+" thunks "${symbols}")
    set(exports "")
    foreach(thunk IN LISTS thunks)
        string(REGEX REPLACE "^[0-9a-f]+ T " "" name "${thunk}")
        if(symbols MATCHES " I __imp_${name}\n")
            string(APPEND exports "    ${name}\n")
        endif()
    endforeach()
    set(def ${CMAKE_BINARY_DIR}/delay_import/${dll}.def)
    file(WRITE ${def} "LIBRARY ${dll}.dll\nEXPORTS\n${exports}")
    set(${out} ${def} PARENT_SCOPE)
endfunction()
