# The Windows build's libraries: zlib from MinGW-w64's static library, FreeType built once from
# Debian's source package into the build tree, GoogleTest compiled from its packaged source.
# The targets carry the names the Linux build gets from pkg-config and find_package, so the
# layers link the same way on both systems.

enable_language(RC)

set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)

set(ORVANTA_FREETYPE_DIR ${CMAKE_BINARY_DIR}/freetype)
if(NOT EXISTS ${ORVANTA_FREETYPE_DIR}/install/lib/libfreetype.a)
  message(STATUS "Building FreeType for Windows from Debian's source package")
  execute_process(COMMAND sh ${CMAKE_SOURCE_DIR}/tools/setup/freetype-mingw.sh ${ORVANTA_FREETYPE_DIR}
                  RESULT_VARIABLE freetype_result)
  if(NOT freetype_result EQUAL 0)
    message(FATAL_ERROR "FreeType for Windows could not be built (tools/setup/freetype-mingw.sh)")
  endif()
endif()
add_library(PkgConfig::FREETYPE STATIC IMPORTED)
set_target_properties(PkgConfig::FREETYPE PROPERTIES
  IMPORTED_LOCATION ${ORVANTA_FREETYPE_DIR}/install/lib/libfreetype.a
  INTERFACE_INCLUDE_DIRECTORIES ${ORVANTA_FREETYPE_DIR}/install/include/freetype2
  INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)

if(EXISTS /usr/src/googletest/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

# Programs built here run under Wine in a prefix of the build tree, made on first use. The
# driver also gets a command of its own, for the tests that start it from a script or a pipe.
find_program(ORVANTA_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(ORVANTA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR sh ${CMAKE_SOURCE_DIR}/tests/windows/wine-run.sh ${CMAKE_BINARY_DIR}/wine)
  set(ORVANTA_SCRIPT_DRIVER ${CMAKE_BINARY_DIR}/orvanta-script-wine.sh)
  file(WRITE ${ORVANTA_SCRIPT_DRIVER}
       "#!/bin/sh\nexec sh ${CMAKE_SOURCE_DIR}/tests/windows/wine-run.sh ${CMAKE_BINARY_DIR}/wine ${CMAKE_BINARY_DIR}/bin/orvanta-script.exe \"$@\"\n")
  file(CHMOD ${ORVANTA_SCRIPT_DRIVER} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()

