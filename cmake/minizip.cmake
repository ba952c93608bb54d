# kx_minizip: minizip's ZIP reader and writer on top of zlib. Native builds use Debian's
# libminizip-dev; the Windows builds compile zlib's contrib/minizip, from Debian's zlib source package
# (scripts/fetch-minizip-source puts it in third_party/zlib), against the MinGW zlib.
if(TARGET kx_minizip)
  return()
endif()

if(NOT CMAKE_CROSSCOMPILING)
  find_path(KX_MINIZIP_INCLUDE_DIR unzip.h PATH_SUFFIXES minizip REQUIRED)
  find_library(KX_MINIZIP_LIBRARY minizip REQUIRED)
  find_package(ZLIB REQUIRED)
  add_library(kx_minizip INTERFACE)
  target_include_directories(kx_minizip INTERFACE ${KX_MINIZIP_INCLUDE_DIR})
  target_link_libraries(kx_minizip INTERFACE ${KX_MINIZIP_LIBRARY} ZLIB::ZLIB)
  return()
endif()

set(KX_MINIZIP_SOURCE_DIR ${PROJECT_SOURCE_DIR}/third_party/zlib/contrib/minizip
    CACHE PATH "zlib's contrib/minizip sources for the Windows builds")
if(NOT EXISTS ${KX_MINIZIP_SOURCE_DIR}/unzip.c)
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/fetch-minizip-source
                  RESULT_VARIABLE fetch_result)
endif()
if(NOT EXISTS ${KX_MINIZIP_SOURCE_DIR}/unzip.c)
  message(FATAL_ERROR "minizip sources missing: run scripts/fetch-minizip-source")
endif()

find_library(KX_MINGW_ZLIB NAMES libz.a z REQUIRED)
find_path(KX_MINGW_ZLIB_INCLUDE_DIR zlib.h REQUIRED)
add_library(kx_minizip STATIC ${KX_MINIZIP_SOURCE_DIR}/ioapi.c ${KX_MINIZIP_SOURCE_DIR}/unzip.c
                              ${KX_MINIZIP_SOURCE_DIR}/zip.c)
# Third-party code: built as its authors wrote it, without our warnings-as-errors.
target_compile_options(kx_minizip PRIVATE -w)
target_include_directories(kx_minizip SYSTEM PUBLIC ${KX_MINIZIP_SOURCE_DIR} ${KX_MINGW_ZLIB_INCLUDE_DIR})
target_link_libraries(kx_minizip PUBLIC ${KX_MINGW_ZLIB})
