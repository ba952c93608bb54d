# kx_pack_site(<target> SITE <folder> OUTPUT <zip>) packs <folder> (the site's top folder, e.g.
# site/cfadmin) into <zip> with Info-ZIP: entries named "<folder name>/...", '/' separators, a
# folder entry before everything inside it, stored or deflated, no comment, no extra fields.
# Source-control folders and thumbnail caches are bookkeeping, not part of the site.
find_program(KX_ZIP_PROGRAM zip REQUIRED)

function(kx_pack_site target)
  cmake_parse_arguments(KX "" "SITE;OUTPUT" "" ${ARGN})
  get_filename_component(parent ${KX_SITE} DIRECTORY)
  get_filename_component(top ${KX_SITE} NAME)
  get_filename_component(output_dir ${KX_OUTPUT} DIRECTORY)
  file(GLOB_RECURSE found LIST_DIRECTORIES true CONFIGURE_DEPENDS RELATIVE ${parent} ${KX_SITE}/*)
  set(entries ${top})
  set(files "")
  foreach(entry IN LISTS found)
    if(entry MATCHES "(^|/)(CVS|\\.git|\\.svn|\\.hg)(/|$)" OR
       entry MATCHES "(^|/)(Thumbs\\.db|ehthumbs\\.db|desktop\\.ini|\\.DS_Store)$")
      continue()
    endif()
    list(APPEND entries ${entry})
    if(NOT IS_DIRECTORY ${parent}/${entry})
      list(APPEND files ${parent}/${entry})
    endif()
  endforeach()
  # A name sorts after every prefix of it, so each folder entry precedes its contents.
  list(SORT entries)
  add_custom_command(
    OUTPUT ${KX_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${KX_OUTPUT}
    COMMAND ${KX_ZIP_PROGRAM} -X -q -9 ${KX_OUTPUT} ${entries}
    WORKING_DIRECTORY ${parent}
    DEPENDS ${files}
    COMMENT "Packing ${top} into ${KX_OUTPUT}"
    VERBATIM)
  add_custom_target(${target} DEPENDS ${KX_OUTPUT})
endfunction()
