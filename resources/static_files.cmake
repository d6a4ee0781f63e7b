# Static shipped files: the html tree and the installed settings file.

file(GLOB_RECURSE ORBO_HTML_FILES CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
     ${CMAKE_CURRENT_SOURCE_DIR}/html/*)
foreach(file ${ORBO_HTML_FILES})
  orbo_app_copy(SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/${file} DEST ${file})
endforeach()

# The running tool changes SoftLang.ini in place. The build copies the
# shipped one only when the app directory has none or an older one than the
# source, so a changed settings file survives rebuilds until the shipped
# default itself changes.
orbo_app_copy(SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/SoftLang.ini DEST SoftLang.ini)
