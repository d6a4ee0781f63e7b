# orbo_link: the command channel (TCP and USB HID), the HID scan and the file
# transfer. The device backends (hidapi, the simulator's report socket) are
# in orbo_platform_linux; page scripts come from the bridge when it is built.
orbo_library(orbo_link
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tcp_transport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/usb_transport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/hid_scan.cpp
    ${CMAKE_CURRENT_LIST_DIR}/box_link.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transfer_header.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_transfer.cpp
  DEPS orbo_platform orbo_base
       $<TARGET_NAME_IF_EXISTS:orbo_platform_linux>
       $<TARGET_NAME_IF_EXISTS:orbo_crypto>
       $<TARGET_NAME_IF_EXISTS:orbo_bridge>)
