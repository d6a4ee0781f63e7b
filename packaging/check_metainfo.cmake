# Checks that an AppStream file holds what software centres need before it
# ships: one message naming each missing part, then a fatal error.
#   include(check_metainfo.cmake) and orbo_check_metainfo(FILE DESKTOP_ID)
#   cmake -DMETAINFO=FILE -DDESKTOP_ID=ID.desktop -P check_metainfo.cmake
function(orbo_check_metainfo file desktop_id)
  file(READ ${file} text)
  get_filename_component(name ${file} NAME)
  set(missing "")
  # element name, and what the element must hold (a regular expression)
  foreach(check
      "id|[a-z0-9_.]+" "metadata_license|[^<]+" "project_license|[^<]+" "name|[^<]+"
      "summary|[^<]+" "description|.*<p>.*" "launchable type=\"desktop-id\"|[^<]+"
      "screenshots|.*<image>https?://[^<]+</image>.*" "categories|.*<category>[^<]+</category>.*"
      "provides|.*<modalias>usb:v[0-9A-F]+p[0-9A-F]+\\*</modalias>.*"
      "releases|.*<release version=\"[^\"]+\" date=\"[0-9-]+\".*")
    string(REPLACE "|" ";" parts "${check}")
    list(GET parts 0 element)
    list(GET parts 1 content)
    string(REGEX REPLACE " .*" "" tag "${element}")
    if(NOT text MATCHES "<${element}>(${content})</${tag}>")
      string(APPEND missing "\n  ${name}: <${element}> is missing or empty")
    endif()
  endforeach()
  if(missing)
    message(FATAL_ERROR "AppStream metadata lacks what software centres need:${missing}")
  endif()
  string(REGEX MATCH "<id>([^<]+)</id>" _ "${text}")
  set(id ${CMAKE_MATCH_1})
  string(REGEX MATCH "<launchable type=\"desktop-id\">([^<]+)</launchable>" _ "${text}")
  if(NOT CMAKE_MATCH_1 STREQUAL "${id}.desktop" OR NOT desktop_id STREQUAL "${id}.desktop")
    message(FATAL_ERROR "${name}: the id ${id} must name the menu entry: launchable "
                        "\"${CMAKE_MATCH_1}\", menu entry \"${desktop_id}\", both ${id}.desktop")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND METAINFO)
  cmake_minimum_required(VERSION 3.22)
  orbo_check_metainfo(${METAINFO} "${DESKTOP_ID}")
endif()
