# The default skin (caption background, caption button strips) and the
# program icon, drawn by orbo-skingen: the desktop tool's images are the
# project's own. Built only with the desktop tool, which alone uses them.

if(ORBO_BUILD_GUI)
  add_executable(orbo-skingen ${CMAKE_CURRENT_SOURCE_DIR}/tools/skingen.cpp)
  set_target_properties(orbo-skingen PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
  target_link_libraries(orbo-skingen PRIVATE PkgConfig::GTK3 m)
  foreach(image monitor.png set.png config.png about.png dialog/DialogBkg.png
                dialog/dlg_minimize_button.bmp dialog/dlg_maxmize_button.bmp
                dialog/dlg_close_btn.bmp)
    orbo_app_generate(DEST Skins/Default/${image} DEPENDS orbo-skingen
      COMMAND $<TARGET_FILE:orbo-skingen> ${image} @OUT@)
  endforeach()
  orbo_app_generate(DEST orbo.png DEPENDS orbo-skingen
    COMMAND $<TARGET_FILE:orbo-skingen> orbo.png @OUT@)
endif()
