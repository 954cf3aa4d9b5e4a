# Cross-compiles the Windows build on Linux with clang, lld and llvm-rc against the MinGW-w64
# headers and libraries: a second compiler and resource compiler over the same sources.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(mingw_root /usr/${triple})
# The C++ library of the MinGW-w64 GCC with the posix thread model, as the GCC build uses
# (Debian keeps it in a folder such as 12-posix; the newest one is taken).
file(GLOB gcc_versions LIST_DIRECTORIES true /usr/lib/gcc/${triple}/*-posix)
if(NOT gcc_versions)
    message(FATAL_ERROR "No MinGW-w64 GCC with the posix thread model in /usr/lib/gcc/${triple}")
endif()
list(SORT gcc_versions COMPARE NATURAL)
list(GET gcc_versions -1 gcc_libraries)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
# llvm-rc under its windres name (the same program): it writes a COFF object, which the link
# takes from an archive as it takes windres's, where a .res file would not be accepted.
find_program(CMAKE_RC_COMPILER NAMES llvm-windres llvm-windres-14 REQUIRED)
set(CMAKE_SYSROOT ${mingw_root})

# clang does not find the Debian layout of the GCC's C++ headers on its own.
set(CMAKE_CXX_FLAGS_INIT "-isystem ${gcc_libraries}/include/c++ \
-isystem ${gcc_libraries}/include/c++/${triple} -isystem ${gcc_libraries}/include/c++/backward")
# GCC's driver adds the thread library of the posix model itself; clang's does not (lld takes
# archives in any order, so it may come first).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${gcc_libraries} -lpthread")
# The resource compiler preprocesses with clang, which needs to be told where windows.h is.
set(CMAKE_RC_FLAGS_INIT "-I ${mingw_root}/include")

set(CMAKE_FIND_ROOT_PATH ${mingw_root})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
