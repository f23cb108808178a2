if(ZEN_WINDOWS)
  add_library(zen_tray_menu STATIC ${CMAKE_CURRENT_LIST_DIR}/tray_app.cpp)
  target_link_libraries(zen_tray_menu PUBLIC zen_tray_state)
endif()
