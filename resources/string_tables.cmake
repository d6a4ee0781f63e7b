# The string tables: plain UTF-8 sources in i18n/, shipped Base64-encoded as
# html/i18n/strings_<lang>.properties (so resources/html/i18n holds no tables).

file(GLOB ORBO_STRING_TABLES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/i18n/strings_*.properties)
foreach(source ${ORBO_STRING_TABLES})
  get_filename_component(name ${source} NAME)
  orbo_app_generate(DEST html/i18n/${name}
    DEPENDS ${source} orbo-resgen
    COMMAND orbo-resgen base64 ${source} @OUT@)
endforeach()
