# The catalogue files beside the executable: the box model file (Base64 of
# its XML source) and the update catalogue with the digests of the sample
# images. The server profiles and the Wi-Fi list are copied as static files.

orbo_app_generate(DEST BOXType.hmi
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/BOXType.xml orbo-resgen
  COMMAND orbo-resgen base64 ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/BOXType.xml @OUT@)

file(GLOB ORBO_PLAIN_IMAGES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/update/plain/*)
orbo_app_generate(DEST Up.ibl
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/Up.ibl.in
          ${CMAKE_CURRENT_SOURCE_DIR}/cmake/update_catalogue.cmake ${ORBO_PLAIN_IMAGES}
  COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_CURRENT_SOURCE_DIR}/catalogue/Up.ibl.in
          -DPLAIN_DIR=${CMAKE_CURRENT_SOURCE_DIR}/update/plain -DOUT=@OUT@
          -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/update_catalogue.cmake)
