# Imported targets for the cross-built image libraries:
#   deps::jpeg  libjpeg-turbo (libjpeg 6b API)
#   deps::png   libpng 1.6, linking deps::zlib
#   deps::zlib  MinGW's static zlib
# QUENLO_DEPS_DIR is BUILD_DIR/deps/install as filled by scripts/deps.sh. When it
# is not given, deps.sh is run for this build folder (instant once built).

if(TARGET deps::jpeg)
  return()
endif()

set(QUENLO_DEPS_DIR "" CACHE PATH "Install folder of scripts/deps.sh (BUILD_DIR/deps/install)")

if(NOT QUENLO_DEPS_DIR)
  execute_process(
    COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/../scripts/deps.sh" "${CMAKE_BINARY_DIR}" "${CMAKE_SYSTEM_PROCESSOR}"
    RESULT_VARIABLE _quenlo_deps_rc)
  if(NOT _quenlo_deps_rc EQUAL 0)
    message(FATAL_ERROR "scripts/deps.sh ${CMAKE_BINARY_DIR} failed (${_quenlo_deps_rc})")
  endif()
  set(_quenlo_deps "${CMAKE_BINARY_DIR}/deps/install")
else()
  set(_quenlo_deps "${QUENLO_DEPS_DIR}")
endif()

foreach(_f lib/libjpeg.a lib/libpng16.a include/jpeglib.h include/png.h)
  if(NOT EXISTS "${_quenlo_deps}/${_f}")
    message(FATAL_ERROR "${_quenlo_deps}/${_f} missing: run scripts/deps.sh BUILD_DIR")
  endif()
endforeach()

# Name the .a explicitly: the sysroot also has libz.dll.a, which would need zlib1.dll at run time.
find_library(QUENLO_ZLIB_LIBRARY NAMES libz.a REQUIRED)

add_library(deps::zlib STATIC IMPORTED GLOBAL)
set_target_properties(deps::zlib PROPERTIES IMPORTED_LOCATION "${QUENLO_ZLIB_LIBRARY}")

add_library(deps::jpeg STATIC IMPORTED GLOBAL)
set_target_properties(deps::jpeg PROPERTIES
  IMPORTED_LOCATION "${_quenlo_deps}/lib/libjpeg.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_quenlo_deps}/include")

add_library(deps::png STATIC IMPORTED GLOBAL)
set_target_properties(deps::png PROPERTIES
  IMPORTED_LOCATION "${_quenlo_deps}/lib/libpng16.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_quenlo_deps}/include"
  INTERFACE_LINK_LIBRARIES deps::zlib)
