# kx_embed_resources(<target> FUNCTION <function> RESOURCES <type> <name> <file> ... [DEPENDS <targets>])
# makes the static library <target> from a generated source that holds the files' bytes and defines
#   std::span<const EmbeddedResource> <function>();
# (declare it where it is used; workspace/embedded_resources.h has the type). Types and names are
# matched without regard to case; give numeric ids as "#135", the way FindResourceA takes them.
# The generator script sits beside this file.

function(kx_embed_resources target)
  cmake_parse_arguments(KX "" "FUNCTION" "RESOURCES;DEPENDS" ${ARGN})
  list(LENGTH KX_RESOURCES count)
  math(EXPR remainder "${count} % 3")
  if(NOT remainder EQUAL 0 OR count EQUAL 0)
    message(FATAL_ERROR "kx_embed_resources(${target}): RESOURCES takes type, name, file triples")
  endif()
  set(generator ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/embed_resources_generate.cmake)
  set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}.cpp)
  set(lines "")
  set(files "")
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last} 3)
    math(EXPR j "${i} + 1")
    math(EXPR k "${i} + 2")
    list(GET KX_RESOURCES ${i} type)
    list(GET KX_RESOURCES ${j} name)
    list(GET KX_RESOURCES ${k} file)
    string(APPEND lines "${type}|${name}|${file}\n")
    list(APPEND files ${file})
  endforeach()
  file(WRITE ${manifest}.new "${lines}")
  file(COPY_FILE ${manifest}.new ${manifest} ONLY_IF_DIFFERENT)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${manifest} -DOUTPUT=${output} -DFUNCTION=${KX_FUNCTION}
            -P ${generator}
    DEPENDS ${manifest} ${files} ${generator}
    COMMENT "Embedding resources into ${target}"
    VERBATIM)
  add_library(${target} STATIC ${output})
  target_link_libraries(${target} PUBLIC kx_workspace)
  if(KX_DEPENDS)
    add_dependencies(${target} ${KX_DEPENDS})
  endif()
endfunction()
