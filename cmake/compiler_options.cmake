# Options every target of ours gets: warnings are errors in every build.
add_library(kx_options INTERFACE)
target_compile_options(kx_options INTERFACE -Wall -Wextra -Werror)
target_include_directories(kx_options INTERFACE ${PROJECT_SOURCE_DIR})

if(KX_SANITIZE)
  target_compile_options(kx_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                              -fno-sanitize-recover=undefined)
  target_link_options(kx_options INTERFACE -fsanitize=address,undefined)
endif()

if(KX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "The fuzz targets need clang's libFuzzer: configure with the fuzz preset")
  endif()
  # Every library is instrumented for coverage; only the fuzz targets link libFuzzer's main.
  target_compile_options(kx_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                                              -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(kx_options INTERFACE -fsanitize=address,undefined)
endif()

if(WIN32)
  # Windows programs ship as single files: no MinGW runtime DLLs beside them.
  target_link_options(kx_options INTERFACE -static -static-libgcc -static-libstdc++)
  target_compile_definitions(kx_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

# kx_layer(name) makes the static library kx_<name> from the layer's own sources and, on each
# platform, the sources of its backend folder; DEPENDS lists the lower layers it builds on.
function(kx_layer name)
  cmake_parse_arguments(KX "" "" "DEPENDS;BACKEND_DIRS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(dir IN LISTS KX_BACKEND_DIRS)
    file(GLOB more CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND srcs ${more})
  endforeach()
  add_library(kx_${name} STATIC ${srcs})
  target_link_libraries(kx_${name} PUBLIC kx_options ${KX_DEPENDS})
endfunction()

if(WIN32)
  set(KX_BACKEND win32)
else()
  set(KX_BACKEND posix)
endif()
