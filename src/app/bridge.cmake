# orbo_bridge: the portable command bridge (RunScript, the page-call
# dispatcher, navigation, the box worker). orbo_tool: the composition root
# that gives both front ends their services.
orbo_library(orbo_bridge
  SOURCES page.cpp page_call_text.cpp main_frame.cpp page_call_dispatch.cpp box_worker.cpp
  DEPS orbo_settings orbo_platform orbo_base)
orbo_library(orbo_tool
  SOURCES tool_services.cpp unavailable_services.cpp
  DEPS orbo_ops orbo_ops_transfer orbo_lists orbo_platform_linux orbo_bridge orbo_settings
       orbo_platform orbo_base)
