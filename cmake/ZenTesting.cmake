# Test registration shared by the three builds.
#
#   zen_add_gtest(NAME <name> SOURCES <files...> [LIBS <libs...>]
#                 [PORTAL free|fixed|sample] [TIMEOUT <s>] [WINDOWS_ONLY | HOST_ONLY])
#
# Builds one GoogleTest program and registers it as one CTest test. Every test
# runs through scripts/run-test.sh, which starts what the test asks for: the
# portal test server (PORTAL free: on a free port, handed over in
# ZEN_PORTAL_URL; PORTAL fixed: on the port of PortalBaseUrl, serialised
# through a resource lock), or the sample portal there (PORTAL sample, with
# the arguments of ZEN_SAMPLE_PORTAL_ARGS, given with ENV), and, for Windows
# programs, a Wine prefix cloned from the build's template and an Xvfb
# display of its own.

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  if(ZEN_ARCH STREQUAL "x86_64")
    set(ZEN_TEST_PREFIX "win64.")
  else()
    set(ZEN_TEST_PREFIX "win32.")
  endif()
else()
  set(ZEN_TEST_PREFIX "host.")
endif()

set(ZEN_RUN_TEST ${CMAKE_SOURCE_DIR}/scripts/run-test.sh)

# Tests of code with built-in portal addresses run the portal test server on
# the port of PortalBaseUrl (a build with its own port can run beside
# another build's tests).
string(REGEX MATCH "^https?://[^/:]+:([0-9]+)/" _zen_port_match "${PortalBaseUrl}")
if(CMAKE_MATCH_1)
  set(ZEN_PORTAL_FIXED_PORT ${CMAKE_MATCH_1})
else()
  set(ZEN_PORTAL_FIXED_PORT 80)
endif()
string(FIND "${InstallCheckImageUrl}" ":${ZEN_PORTAL_FIXED_PORT}/" _zen_image_port)
if(_zen_image_port EQUAL -1)
  message(WARNING "InstallCheckImageUrl is not on PortalBaseUrl's port; tests that fetch the image will not reach the test portal")
endif()
set(ZEN_WINE_TEMPLATE ${CMAKE_BINARY_DIR}/wine-template)

# Both Windows builds run their tests under Wine: the 32-bit one in a WoW64
# prefix, as the shipped programs run on 64-bit Windows. Where Wine cannot
# run 32-bit programs, its tests report themselves skipped (exit 77).
set(ZEN_RUN_WINDOWS_TESTS ${ZEN_WINDOWS})
set(ZEN_SKIP_CODE 77)
if(ZEN_ARCH STREQUAL "i686")
  set(ZEN_TEMPLATE_ARGS --wow64)
else()
  set(ZEN_TEMPLATE_ARGS "")
endif()

if(ZEN_TESTS)
  enable_testing()
  if(ZEN_WINDOWS)
    # Debian ships GoogleTest as sources; compile them with the cross compiler.
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  else()
    find_package(GTest REQUIRED)
  endif()

  if(ZEN_RUN_WINDOWS_TESTS)
    # One template prefix per build, made once and cloned by every test.
    add_test(NAME ${ZEN_TEST_PREFIX}wine-template
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-template.sh ${ZEN_WINE_TEMPLATE} ${ZEN_TEMPLATE_ARGS})
    set_tests_properties(${ZEN_TEST_PREFIX}wine-template PROPERTIES
      FIXTURES_SETUP zen_wine_template TIMEOUT 300 SKIP_RETURN_CODE ${ZEN_SKIP_CODE})
  endif()
endif()

function(zen_register_test name)
  cmake_parse_arguments(T "" "PORTAL;TIMEOUT;COMMAND_TARGET;DPI" "ARGS;ENV" ${ARGN})
  set(runner ${ZEN_RUN_TEST})
  set(env "")
  if(ZEN_WINDOWS)
    list(APPEND runner --wine ${ZEN_WINE_TEMPLATE})
  endif()
  if(T_PORTAL)
    list(APPEND env "ZEN_PORTAL=${T_PORTAL}")
  endif()
  if(T_DPI)
    list(APPEND env "ZEN_WINE_DPI=${T_DPI}")
  endif()
  list(APPEND env ${T_ENV})
  add_test(NAME ${ZEN_TEST_PREFIX}${name}
           COMMAND ${runner} $<TARGET_FILE:${T_COMMAND_TARGET}> ${T_ARGS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  if(ZEN_DEMO_KEY)
    # Tests sign launch links with the demo key's seed, read from its file
    # as they run (tests/support/signed_link.h).
    list(APPEND env "ZEN_SIGNING_SEED=${ZEN_SIGNING_DIR}/portal-signing.seed")
  endif()
  set_tests_properties(${ZEN_TEST_PREFIX}${name} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "${env};ZEN_PORTAL_FIXED_PORT=${ZEN_PORTAL_FIXED_PORT};ZEN_SOURCE_DIR=${CMAKE_SOURCE_DIR};ZEN_BINARY_DIR=${CMAKE_BINARY_DIR}")
  if(T_PORTAL STREQUAL "fixed" OR T_PORTAL STREQUAL "sample")
    set_property(TEST ${ZEN_TEST_PREFIX}${name} APPEND PROPERTY RESOURCE_LOCK zen_portal_fixed)
  endif()
  if(ZEN_WINDOWS)
    set_property(TEST ${ZEN_TEST_PREFIX}${name} APPEND PROPERTY FIXTURES_REQUIRED zen_wine_template)
    set_property(TEST ${ZEN_TEST_PREFIX}${name} PROPERTY SKIP_RETURN_CODE ${ZEN_SKIP_CODE})
    set_property(TEST ${ZEN_TEST_PREFIX}${name} APPEND PROPERTY LABELS wine)
  else()
    set_property(TEST ${ZEN_TEST_PREFIX}${name} APPEND PROPERTY LABELS host)
  endif()
endfunction()

function(zen_add_gtest)
  cmake_parse_arguments(T "WINDOWS_ONLY;HOST_ONLY" "NAME;PORTAL;TIMEOUT" "SOURCES;LIBS;ARGS;ENV" ${ARGN})
  if(NOT ZEN_TESTS)
    return()
  endif()
  if(T_WINDOWS_ONLY AND NOT ZEN_WINDOWS)
    return()
  endif()
  if(T_HOST_ONLY AND ZEN_WINDOWS)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  # The shared test helpers (tests/support) are there for every test.
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} zen_test_support GTest::gtest_main)
  zen_register_test(${T_NAME} COMMAND_TARGET ${T_NAME} PORTAL "${T_PORTAL}" TIMEOUT "${T_TIMEOUT}" ARGS ${T_ARGS}
                    ENV ${T_ENV})
endfunction()

# A libFuzzer target of the host build, also run for a short bounded time by
# the test pass with its corpus folder as seeds.
function(zen_add_fuzzer)
  cmake_parse_arguments(F "" "NAME;CORPUS" "SOURCES;LIBS" ${ARGN})
  if(ZEN_WINDOWS OR NOT ZEN_FUZZ)
    return()
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY ZEN_FUZZERS ${F_NAME})
  if(ZEN_TESTS)
    add_test(NAME ${ZEN_TEST_PREFIX}fuzz.${F_NAME}
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/fuzz.sh $<TARGET_FILE:${F_NAME}> ${F_CORPUS} 20)
    set_tests_properties(${ZEN_TEST_PREFIX}fuzz.${F_NAME} PROPERTIES TIMEOUT 120 LABELS fuzz)
  endif()
endfunction()

# A Windows test once more with its prefix at another display scale (DPI;
# 144 is 150 %), as NAME_dpiDPI.
function(zen_add_dpi_run name dpi)
  if(TARGET ${name} AND ZEN_WINDOWS)
    get_test_property(${ZEN_TEST_PREFIX}${name} RESOURCE_LOCK lock)
    get_test_property(${ZEN_TEST_PREFIX}${name} TIMEOUT timeout)
    set(portal "")
    if(lock)
      set(portal fixed)
    endif()
    zen_register_test(${name}_dpi${dpi} COMMAND_TARGET ${name} PORTAL "${portal}" TIMEOUT ${timeout} DPI ${dpi})
  endif()
endfunction()
