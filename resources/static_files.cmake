# Static shipped files: the html tree, the server profiles, the skin images
# and the installed settings files.

foreach(folder html Servers Skins)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
       ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*)
  foreach(file ${files})
    orbo_app_copy(SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/${file} DEST ${file})
  endforeach()
endforeach()

# The running tool changes these files in place. The build copies a shipped
# one only when the app directory has none or an older one than the source,
# so a changed file survives rebuilds until the shipped default changes.
foreach(file SoftLang.ini WifiList.xml)
  orbo_app_copy(SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/${file} DEST ${file})
endforeach()
