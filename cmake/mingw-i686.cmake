set(CMAKE_SYSTEM_NAME Windows)

# mingw-x86_64.cmake reuses this file with QUENLO_MINGW_ARCH set to x86_64.
if(NOT QUENLO_MINGW_ARCH)
  set(QUENLO_MINGW_ARCH i686)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${QUENLO_MINGW_ARCH})

set(_quenlo_triple ${QUENLO_MINGW_ARCH}-w64-mingw32)
# The -posix thread model is needed for std::mutex/std::thread (GoogleTest).
set(CMAKE_C_COMPILER ${_quenlo_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_quenlo_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_quenlo_triple}-windres)
# The "-posix" suffix hides the triple prefix from CMake, so binutils are named here.
set(CMAKE_AR ${_quenlo_triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${_quenlo_triple}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${_quenlo_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Fully static exes: nothing from the MinGW runtime has to be copied next to them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

get_filename_component(_quenlo_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_quenlo_root}/scripts/wine-run.sh")
