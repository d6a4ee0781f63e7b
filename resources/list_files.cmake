# The list and catalogue files beside the executable: server profiles, the
# Wi-Fi list, the box model file (Base64 of its XML source) and the update
# catalogue.

file(GLOB ORBO_SERVER_PROFILES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/Servers/*.xml)
foreach(profile ${ORBO_SERVER_PROFILES})
  get_filename_component(name ${profile} NAME)
  orbo_app_copy(SOURCE ${profile} DEST Servers/${name})
endforeach()

# The tool edits the Wi-Fi list in place; the copy is refreshed only when
# the shipped one is newer.
orbo_app_copy(SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/WifiList.xml DEST WifiList.xml)

orbo_app_generate(DEST BOXType.hmi
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/BOXType.xml
          ${CMAKE_CURRENT_SOURCE_DIR}/cmake/base64_encode.cmake
  COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_CURRENT_SOURCE_DIR}/catalogue/BOXType.xml -DOUT=@OUT@
          -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/base64_encode.cmake)

file(GLOB ORBO_PLAIN_IMAGES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/update/plain/*)
orbo_app_generate(DEST Up.ibl
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/Up.ibl.in
          ${CMAKE_CURRENT_SOURCE_DIR}/cmake/update_catalogue.cmake ${ORBO_PLAIN_IMAGES}
  COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_CURRENT_SOURCE_DIR}/catalogue/Up.ibl.in
          -DPLAIN_DIR=${CMAKE_CURRENT_SOURCE_DIR}/update/plain -DOUT=@OUT@
          -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/update_catalogue.cmake)
