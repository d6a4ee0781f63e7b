# The one-way order of the top-level folders of src/, leftmost on top:
#   cli -> app -> ops, vcom, hmi, desktop -> bridge -> link -> formats
#       -> settings -> platform -> base
# A file may include its own folder and folders to its right; peers of one
# group ("ops|vcom|hmi|desktop") do not include each other.
#
# orbo_check_folder_order(SRC_DIR) reads every #include "X/..." of
# SRC_DIR/**/*.h and *.cpp and stops with FATAL_ERROR listing each include
# that goes against the order, with its file, line and the two folders. The
# top CMakeLists.txt runs it at configure time; a test runs it as a script:
#   cmake -DORBO_SRC_DIR=DIR -P cmake/FolderOrder.cmake
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_policy(VERSION 3.22)
endif()
set(ORBO_FOLDER_ORDER cli app "ops|vcom|hmi|desktop" bridge link formats settings platform base)

function(orbo_check_folder_order src_dir)
  set(rank 0)
  foreach(group IN LISTS ORBO_FOLDER_ORDER)
    string(REPLACE "|" ";" members "${group}")
    foreach(folder IN LISTS members)
      set(rank_${folder} ${rank})
    endforeach()
    math(EXPR rank "${rank} + 1")
  endforeach()
  string(REPLACE ";" " -> " order_text "${ORBO_FOLDER_ORDER}")
  string(REPLACE "|" ", " order_text "${order_text}")

  file(GLOB_RECURSE files RELATIVE "${src_dir}" "${src_dir}/*.h" "${src_dir}/*.cpp")
  list(SORT files)
  set(problems "")
  foreach(file IN LISTS files)
    string(REGEX MATCH "^[^/]+" from "${file}")
    if(file STREQUAL from)
      continue()  # a file directly in src/ belongs to no folder
    endif()
    if(NOT DEFINED rank_${from})
      string(APPEND problems "\n  src/${file}: folder ${from} has no place in the order")
      continue()
    endif()
    # Only the include lines first; the line numbers are looked up for the
    # rare file that breaks the order.
    file(STRINGS "${src_dir}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"/]+)/([^\"]*)\".*" "\\1;\\2" parts
                           "${line}")
      list(GET parts 0 to)
      if(to STREQUAL from OR NOT DEFINED rank_${to} OR rank_${to} GREATER rank_${from})
        continue()
      endif()
      list(GET parts 1 rest)
      if(rank_${to} EQUAL rank_${from})
        set(why "${from} and ${to} are peers")
      else()
        set(why "${to} sits left of ${from}")
      endif()
      file(READ "${src_dir}/${file}" text)
      string(FIND "\n${text}" "\n${line}" at)
      string(SUBSTRING "\n${text}" 0 ${at} before)
      string(REGEX MATCHALL "\n" breaks "${before}")
      list(LENGTH breaks number)
      math(EXPR number "${number} + 1")
      string(APPEND problems "\n  src/${file}:${number}: ${from} includes ${to}/${rest}, but ${why}")
    endforeach()
  endforeach()
  if(problems)
    message(FATAL_ERROR "Includes against the folder order (${order_text}); a folder may "
                        "include only folders to its right:${problems}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED ORBO_SRC_DIR)
  orbo_check_folder_order("${ORBO_SRC_DIR}")
endif()
