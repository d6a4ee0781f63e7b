cmake_minimum_required(VERSION 3.22)
# Runs cmake/FolderOrder.cmake on the real src/ (it must pass) and on
# scratch trees, each planted with one include from the table, checking the
# verdict and that the message names the file, the line and both folders.
#   cmake -DSOURCE_DIR=... -DSCRATCH=... -P folder_order_test.cmake
set(cases
  # planted file | its include | the expected message ("" = passes)
  "settings/app_settings.cpp|formats/lists/server_list.h|src/settings/app_settings.cpp:3: settings includes formats/lists/server_list.h, but formats sits left of settings"
  "ops/detect_box.h|vcom/port_paths.h|src/ops/detect_box.h:3: ops includes vcom/port_paths.h, but ops and vcom are peers"
  "base/utf.cpp|platform/sleeper.h|src/base/utf.cpp:3: base includes platform/sleeper.h, but platform sits left of base"
  "extras/tool.cpp|base/utf.h|src/extras/tool.cpp: folder extras has no place in the order"
  "app/window/main_window.cpp|ops/detect_box.h|")

function(check_tree src expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -DORBO_SRC_DIR=${src}
                          -P ${SOURCE_DIR}/cmake/FolderOrder.cmake
                  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  if(expected STREQUAL "")
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "${src}: expected to pass, got:\n${err}")
    endif()
  elseif(rc EQUAL 0)
    message(FATAL_ERROR "${src}: expected a failure naming \"${expected}\", but it passed")
  else()
    string(FIND "${err}" "${expected}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${src}: the message lacks \"${expected}\":\n${err}")
    endif()
  endif()
endfunction()

check_tree(${SOURCE_DIR}/src "")
set(n 0)
foreach(row IN LISTS cases)
  string(REPLACE "|" ";" row "${row}")
  list(GET row 0 file)
  list(GET row 1 include)
  list(GET row 2 expected)
  set(tree ${SCRATCH}/case${n})
  file(REMOVE_RECURSE ${tree})
  # Every tree also holds includes the order allows: own folder, a subfolder
  # of one's own, folders to the right. The planted include is on line 3,
  # after a line holding a ";" (which a CMake list would split).
  file(WRITE ${tree}/app/web/extension.cpp "#include \"app/window/web_view_page.h\"\n#include \"ops/detect_box.h\"\n")
  file(WRITE ${tree}/link/box_link.h "#include \"formats/xml/xml_doc.h\"\n#include \"base/utf.h\"\n")
  file(WRITE ${tree}/${file} "// One; two.\n#include \"base/logger.h\"\n#include \"${include}\"\n")
  check_tree(${tree} "${expected}")
  math(EXPR n "${n} + 1")
endforeach()
