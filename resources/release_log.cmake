# ReleaseLog.log carries the tool's version for the pages and the About box;
# it is filled in from the project version at configure time.
string(TIMESTAMP ORBO_BUILD_DATE "%Y-%m-%d" UTC)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/ReleaseLog.log.in
               ${CMAKE_CURRENT_BINARY_DIR}/ReleaseLog.log @ONLY)
orbo_app_copy(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/ReleaseLog.log DEST ReleaseLog.log)
