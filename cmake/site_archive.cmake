# kx_pack_site(<target> SITE <folder> OUTPUT <zip> [GENERATED <file>...]) packs <folder> (the site's
# top folder, e.g. site/cfadmin) into <zip> with Info-ZIP: entries named "<folder name>/...", '/'
# separators, a folder entry before everything inside it, stored or deflated, no comment, no extra
# fields. GENERATED files (outputs of the build) join the folder's top level. The site is packed
# from a staging copy so that generated and written files meet in one folder.
# Source-control folders and thumbnail caches are bookkeeping, not part of the site.
find_program(KX_ZIP_PROGRAM zip REQUIRED)

function(kx_pack_site target)
  cmake_parse_arguments(KX "" "SITE;OUTPUT" "GENERATED" ${ARGN})
  get_filename_component(parent ${KX_SITE} DIRECTORY)
  get_filename_component(top ${KX_SITE} NAME)
  get_filename_component(output_dir ${KX_OUTPUT} DIRECTORY)
  set(stage ${CMAKE_CURRENT_BINARY_DIR}/${target}_stage)
  file(GLOB_RECURSE found LIST_DIRECTORIES true CONFIGURE_DEPENDS RELATIVE ${parent} ${KX_SITE}/*)
  set(entries ${top})
  set(files "")
  set(copies "")
  foreach(entry IN LISTS found)
    if(entry MATCHES "(^|/)(CVS|\\.git|\\.svn|\\.hg)(/|$)" OR
       entry MATCHES "(^|/)(Thumbs\\.db|ehthumbs\\.db|desktop\\.ini|\\.DS_Store)$")
      continue()
    endif()
    list(APPEND entries ${entry})
    if(IS_DIRECTORY ${parent}/${entry})
      list(APPEND copies COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/${entry})
    else()
      list(APPEND files ${parent}/${entry})
    endif()
  endforeach()
  foreach(file IN LISTS KX_GENERATED)
    get_filename_component(name ${file} NAME)
    list(APPEND entries ${top}/${name})
  endforeach()
  # A name sorts after every prefix of it, so each folder entry precedes its contents.
  list(SORT entries)
  foreach(file IN LISTS files KX_GENERATED)
    file(RELATIVE_PATH relative ${parent} ${file})
    if(relative MATCHES "^\\.\\.")
      get_filename_component(name ${file} NAME)
      set(relative ${top}/${name})
    endif()
    list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy ${file} ${stage}/${relative})
  endforeach()
  add_custom_command(
    OUTPUT ${KX_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/${top} ${output_dir}
    ${copies}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${KX_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E chdir ${stage} ${KX_ZIP_PROGRAM} -X -q -9 ${KX_OUTPUT} ${entries}
    DEPENDS ${files} ${KX_GENERATED}
    COMMENT "Packing ${top} into ${KX_OUTPUT}"
    VERBATIM)
  add_custom_target(${target} DEPENDS ${KX_OUTPUT})
endfunction()
