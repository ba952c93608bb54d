# The preference catalogue's one data file and the outputs the build generates from it:
#   kx_generate_catalogue(JS <file>)   the page's catalogue script
#   kx_generate_catalogue(CPP <file>)  the program's C++ table (config/catalogue.h)
# Each call adds a custom command for its output in the calling directory.
set(KX_CATALOGUE_DATA ${PROJECT_SOURCE_DIR}/site/catalogue/catalogue.json)
set(KX_CATALOGUE_GENERATOR ${PROJECT_SOURCE_DIR}/cmake/catalogue_generate.cmake)
set(KX_CATALOGUE_JS_TEMPLATE ${PROJECT_SOURCE_DIR}/site/catalogue/catalogue.js.in)

function(kx_generate_catalogue)
  cmake_parse_arguments(KX "" "JS;CPP" "" ${ARGN})
  set(args -D DATA=${KX_CATALOGUE_DATA})
  set(deps ${KX_CATALOGUE_DATA} ${KX_CATALOGUE_GENERATOR})
  if(KX_JS)
    list(APPEND args -D JS_TEMPLATE=${KX_CATALOGUE_JS_TEMPLATE} -D JS_OUT=${KX_JS})
    list(APPEND deps ${KX_CATALOGUE_JS_TEMPLATE})
    set(output ${KX_JS})
  else()
    list(APPEND args -D CPP_OUT=${KX_CPP})
    set(output ${KX_CPP})
  endif()
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} ${args} -P ${KX_CATALOGUE_GENERATOR}
    DEPENDS ${deps}
    COMMENT "Generating ${output} from the catalogue"
    VERBATIM)
endfunction()
