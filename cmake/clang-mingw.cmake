# Clang for a mingw-w64 target (QUILLANOR_TRIPLE), with the headers and
# libraries of Debian's mingw-w64 GCC: the same C++ runtime, the same win32
# thread model, so that the program starts on Windows 98 and 2000 as the GCC
# build does. Debian's clang does not find that GCC's C++ headers by itself,
# as they lie under a version named "12-win32".
# On i686 the programs build but must not be used: clang and GCC pass empty
# class arguments differently there (docs/development.md).
# It links with lld: GNU ld warns at every type_info that clang and GCC lay
# out in comdats of different sizes (both correct), and lld does not. lld
# marks programs for Windows Vista unless told, so each target's file gives
# the oldest Windows its programs start on (QUILLANOR_WINDOWS_VERSION).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${QUILLANOR_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${QUILLANOR_TRIPLE})
set(CMAKE_RC_COMPILER ${QUILLANOR_TRIPLE}-windres)
file(GLOB _quillanor_gcc LIST_DIRECTORIES true /usr/lib/gcc/${QUILLANOR_TRIPLE}/*-win32)
if(NOT _quillanor_gcc)
  message(FATAL_ERROR "clang for ${QUILLANOR_TRIPLE} needs the win32 model of mingw-w64 GCC (g++-mingw-w64)")
endif()
list(GET _quillanor_gcc 0 _quillanor_gcc)
set(_quillanor_cxx ${_quillanor_gcc}/include/c++)
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${_quillanor_cxx} -isystem ${_quillanor_cxx}/${QUILLANOR_TRIPLE} -isystem ${_quillanor_cxx}/backward")
string(REPLACE "." ";" _quillanor_windows ${QUILLANOR_WINDOWS_VERSION})
list(GET _quillanor_windows 0 _quillanor_major)
list(GET _quillanor_windows 1 _quillanor_minor)
# -B: GCC's crtbegin.o and crtend.o, not mingw-w64's empty ones: on i686 the
# exceptions unwind through DWARF tables that GCC's crtbegin.o registers.
set(_quillanor_link "-fuse-ld=lld -B${_quillanor_gcc} -L${_quillanor_gcc} -Wl,--major-os-version,4 -Wl,--minor-os-version,0")
string(APPEND _quillanor_link " -Wl,--major-subsystem-version,${_quillanor_major}")
string(APPEND _quillanor_link " -Wl,--minor-subsystem-version,${_quillanor_minor}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_quillanor_link}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_quillanor_link}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_quillanor_link}")
set(CMAKE_FIND_ROOT_PATH /usr/${QUILLANOR_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
