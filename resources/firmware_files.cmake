# The "update" folder: sample component images encrypted from the plain
# ones in update/plain (shipped as <name>.img) and the package templates
# built from update/templates/<template>/ (one zip each), both by orbo-resgen.

file(GLOB ORBO_PLAIN_IMAGES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/update/plain/*)
foreach(plain ${ORBO_PLAIN_IMAGES})
  get_filename_component(name ${plain} NAME)
  orbo_app_generate(DEST update/${name}.img
    DEPENDS ${plain} orbo-resgen
    COMMAND orbo-resgen crypt ${plain} @OUT@)
endforeach()

file(GLOB ORBO_PACKAGE_TEMPLATES CONFIGURE_DEPENDS LIST_DIRECTORIES true
     ${CMAKE_CURRENT_SOURCE_DIR}/update/templates/*)
foreach(dir ${ORBO_PACKAGE_TEMPLATES})
  if(NOT IS_DIRECTORY ${dir})
    continue()
  endif()
  get_filename_component(template ${dir} NAME)
  file(GLOB entries CONFIGURE_DEPENDS RELATIVE ${dir} ${dir}/*)
  list(SORT entries)
  set(entry_args "")
  set(entry_files "")
  foreach(entry ${entries})
    list(APPEND entry_args "${entry}=${dir}/${entry}")
    list(APPEND entry_files ${dir}/${entry})
  endforeach()
  orbo_app_generate(DEST update/${template}
    DEPENDS ${entry_files} orbo-resgen
    COMMAND orbo-resgen zip @OUT@ ${entry_args})
endforeach()
