# The TrayApp: hidden window, icon, menu and the fetches behind them.

# Portable: the download list's line rules and its tables, the record
# tables and the menu model built from them (host tests and fuzzing).
add_library(zen_download_list STATIC ${CMAKE_CURRENT_LIST_DIR}/download_list.cpp)
target_include_directories(zen_download_list PUBLIC ${CMAKE_CURRENT_LIST_DIR})
# Which entries open: the shared web link rule.
target_link_libraries(zen_download_list PUBLIC zen_application_record)

add_library(zen_tray_model STATIC
  ${CMAKE_CURRENT_LIST_DIR}/tray_catalog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tray_menu_model.cpp)
target_link_libraries(zen_tray_model PUBLIC zen_download_list zen_application_record)

zen_add_gtest(NAME tray_model_test HOST_ONLY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/download_list_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/tray_menu_model_test.cpp
  LIBS zen_tray_model)

zen_add_fuzzer(NAME fuzz_download_list
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/fuzz_download_list.cpp
  LIBS zen_download_list
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/tests/corpus/download_list)

if(ZEN_WINDOWS)
  add_library(zen_tray_menu STATIC
    ${CMAKE_CURRENT_LIST_DIR}/tray_app.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tray_menu.cpp
    ${CMAKE_CURRENT_LIST_DIR}/record_menus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/download_thread.cpp
    ${CMAKE_CURRENT_LIST_DIR}/update_thread.cpp)
  # The owner-drawn painting and the news threads come from the news side.
  target_link_libraries(zen_tray_menu PUBLIC
    zen_tray_icons zen_tray_news zen_tray_news_core zen_tray_model zen_application_record zen_registry
    zen_game_process zen_webfile zen_update zen_contract zen_platform user32 gdi32 shell32 advapi32 ole32)
endif()

# The tray inside a test process, against the test portal on the built-in
# port, with links recorded and games logged by the fixtures. Like the
# program, it checks updates with this build's portal keys.
set(ZEN_TRAY_RES ${CMAKE_CURRENT_LIST_DIR}/../res)
zen_add_gtest(NAME tray_menu_test WINDOWS_ONLY PORTAL fixed TIMEOUT 300
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/tray_menu_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/tray_harness.cpp
          ${ZEN_TRAY_RES}/tray_icons.rc
          ${ZEN_TRAY_RES}/news_dialog.rc
  LIBS zen_tray_menu zen_tray_news zen_update zen_signing_keys zen_urlrecorder zen_portal_client zen_uiauto
       zen_application_record)

# The real program in tray mode on a Wine desktop with a taskbar.
zen_add_gtest(NAME tray_program_test WINDOWS_ONLY PORTAL fixed TIMEOUT 300
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/tray_program_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/tray_harness.cpp
          ${PROJECT_SOURCE_DIR}/tests/support/dpi_aware.rc
  LIBS zen_tray_menu zen_tray_news zen_update zen_signing_keys zen_urlrecorder zen_portal_client zen_uiauto
       zen_application_record)
# Both run the real program and may start the test game (made with the
# launch tests).
foreach(test tray_menu_test tray_program_test)
  if(TARGET ${test})
    add_dependencies(${test} ZentarisLauncher zen_urlrecorder_exe zen_testgame)
  endif()
endforeach()
# The real program at 150 %: it runs DPI-aware and draws its menu larger.
# The test, DPI-aware as well, sees the screen's own pixels.
zen_add_dpi_run(tray_program_test 144)
if(TARGET tray_program_test)
  target_include_directories(tray_program_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../res)
endif()
