# cmake -DIN=<Up.ibl.in> -DPLAIN_DIR=<dir> -DOUT=<file> -P update_catalogue.cmake
# Writes the update catalogue: every "@MD5:<name>@" in IN becomes the MD5 of
# the plain image PLAIN_DIR/<name>.
if(NOT DEFINED IN OR NOT DEFINED PLAIN_DIR OR NOT DEFINED OUT)
  message(FATAL_ERROR "usage: cmake -DIN=<file> -DPLAIN_DIR=<dir> -DOUT=<file> -P update_catalogue.cmake")
endif()
file(READ "${IN}" text)
string(REGEX MATCHALL "@MD5:[A-Za-z0-9_.-]+@" placeholders "${text}")
list(REMOVE_DUPLICATES placeholders)
foreach(placeholder ${placeholders})
  string(REGEX REPLACE "^@MD5:(.*)@$" "\\1" name "${placeholder}")
  if(NOT EXISTS "${PLAIN_DIR}/${name}")
    message(FATAL_ERROR "update catalogue: no plain image ${PLAIN_DIR}/${name}")
  endif()
  file(MD5 "${PLAIN_DIR}/${name}" digest)
  string(REPLACE "${placeholder}" "${digest}" text "${text}")
endforeach()
file(WRITE "${OUT}" "${text}")
