# Owner-drawn menu items and the news popup.
#   zen_tray_news_core  portable: popup placement, news image check
#                       (host tests and fuzzing)
#   zen_tray_news       Windows: WM_MEASUREITEM/WM_DRAWITEM painting, the
#                       news fetch and popup threads, NewsDlgProc
set(ZEN_NEWS_DIR ${CMAKE_CURRENT_LIST_DIR})

add_library(zen_tray_news_core STATIC
  ${ZEN_NEWS_DIR}/news_placement.cpp
  ${ZEN_NEWS_DIR}/news_image_check.cpp)
target_include_directories(zen_tray_news_core PUBLIC ${ZEN_NEWS_DIR})
target_link_libraries(zen_tray_news_core PUBLIC zen_platform)

if(ZEN_WINDOWS)
  add_library(zen_tray_news STATIC
    ${ZEN_NEWS_DIR}/owner_draw.cpp
    ${ZEN_NEWS_DIR}/news_dialog.cpp
    ${ZEN_NEWS_DIR}/news_thread.cpp)
  target_link_libraries(zen_tray_news PUBLIC
    zen_tray_news_core zen_tray_icons zen_webfile zen_contract zen_platform
    user32 gdi32 msimg32 shell32 ole32)
endif()

# Tests. The Windows ones carry the dialog template themselves, since the
# popup is created from the running program's own resources.
set(ZEN_NEWS_TESTS ${ZEN_NEWS_DIR}/tests)

zen_add_gtest(NAME news_host_test HOST_ONLY
  SOURCES ${ZEN_NEWS_TESTS}/news_placement_test.cpp
          ${ZEN_NEWS_TESTS}/news_image_check_test.cpp
  LIBS zen_tray_news_core)

set(ZEN_DPI_AWARE_RC ${PROJECT_SOURCE_DIR}/tests/support/dpi_aware.rc)
set(ZEN_MANIFEST_DIR ${ZEN_NEWS_DIR}/../res)

zen_add_gtest(NAME owner_draw_test WINDOWS_ONLY
  SOURCES ${ZEN_NEWS_TESTS}/owner_draw_test.cpp ${ZEN_DPI_AWARE_RC}
  LIBS zen_tray_news)

# urlrecorder.exe, set as the http handler, records what "open" hands on.
zen_add_gtest(NAME news_popup_test WINDOWS_ONLY PORTAL fixed TIMEOUT 240
  SOURCES ${ZEN_NEWS_TESTS}/news_popup_test.cpp
          ${ZEN_NEWS_TESTS}/news_screen.cpp
          ${ZEN_NEWS_DIR}/../res/news_dialog.rc ${ZEN_DPI_AWARE_RC}
  LIBS zen_tray_news zen_portal_client zen_urlrecorder zen_uiauto)

# The real program on a Wine virtual desktop; takes the README's screenshots.
zen_add_gtest(NAME news_tray_test WINDOWS_ONLY PORTAL fixed TIMEOUT 180
  SOURCES ${ZEN_NEWS_TESTS}/news_tray_test.cpp
          ${ZEN_NEWS_TESTS}/news_screen.cpp
  LIBS zen_portal_client zen_uiauto zen_contract)

# The same pictures at 150 %.
zen_add_dpi_run(owner_draw_test 144)
zen_add_dpi_run(news_popup_test 144)
foreach(test owner_draw_test news_popup_test)
  if(TARGET ${test})
    target_include_directories(${test} PRIVATE ${ZEN_MANIFEST_DIR})
  endif()
endforeach()

if(TARGET news_popup_test)
  add_dependencies(news_popup_test zen_urlrecorder_exe)
  add_dependencies(news_tray_test ZentarisLauncher)
endif()

# The checked sources are compiled into the target itself so that they carry
# the fuzzer's coverage instrumentation (the library's copies carry none).
zen_add_fuzzer(NAME fuzz_news_image
  SOURCES ${ZEN_NEWS_TESTS}/fuzz_news_image.cpp
          ${ZEN_NEWS_DIR}/news_image_check.cpp
          ${ZEN_NEWS_DIR}/news_placement.cpp
  LIBS zen_tray_news_core
  CORPUS ${ZEN_NEWS_TESTS}/corpus/news_image)
