# PE32+ build of the same setup: runs under wine64 natively where 32-bit code
# can only run emulated (see scripts/setup.sh).
set(QUENLO_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
