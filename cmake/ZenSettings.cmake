# Build settings that reach the code, and the flags of each kind of build.

# The portal addresses are build settings: the defaults point at the sample
# portal on loopback, so test and demo builds never leave the machine.
set(PortalBaseUrl "http://127.0.0.1:8780/" CACHE STRING
    "Base URL of the portal web server (scheme, host, closing /)")
set(InstallCheckImageUrl "http://127.0.0.1:8780/images/space.gif" CACHE STRING
    "Full URL of the install-check image")
if(NOT PortalBaseUrl MATCHES "^https?://[^/]+(/.*)?/$")
  message(FATAL_ERROR "PortalBaseUrl must be scheme://host/ ending in '/': ${PortalBaseUrl}")
endif()
if(NOT InstallCheckImageUrl MATCHES "^https?://[^/]+/images/space\\.gif$")
  message(FATAL_ERROR "InstallCheckImageUrl must be scheme://host/images/space.gif: ${InstallCheckImageUrl}")
endif()

# Launch links signed by the portal: the Base64 Ed25519 public keys the
# launcher accepts (a list, so a portal can rotate its key while links made
# with the old one are still about). "generate" makes a throw-away key pair
# in the build tree for the demo and the tests; empty builds a launcher that
# takes unsigned links.
set(LaunchSigningKeys "generate" CACHE STRING
    "Portal public keys (Base64, ';'-separated) for signed launch links; 'generate' or empty")
# One pair for the three builds of a tree (the Makefile points them at one
# folder), so that the sample portal's links open in either Windows build.
set(ZEN_SIGNING_DIR ${CMAKE_BINARY_DIR}/signing CACHE PATH "Folder of the generated demo signing key pair")

# A key is Base64 of exactly 32 bytes in one of the alphabets the launcher
# reads (standard or URL-safe, one "=" or none): 42 characters, then one
# that holds the key's last four bits and two zero bits. What the launcher
# would skip as undecodable never builds, and the entry that fails is
# named, so a stray space or separator is found at configure time and not
# by a launcher that refuses every link.
function(zen_check_signing_keys keys)
  if(keys STREQUAL "generate")
    return()
  endif()
  list(LENGTH keys count)
  set(index 0)
  foreach(key IN LISTS keys)
    math(EXPR index "${index} + 1")
    set(entry "LaunchSigningKeys entry ${index} of ${count}")
    if(key STREQUAL "")
      message(FATAL_ERROR "${entry} is empty (a \";;\", or a \";\" at the start or end): \"${keys}\"")
    elseif(key STREQUAL "generate")
      message(FATAL_ERROR "${entry} is \"generate\", which cannot be listed with keys: \"${keys}\"\n"
        "Give either generate (a demo key pair) or the portal's public keys.")
    elseif(NOT key MATCHES "^[A-Za-z0-9+/]+=*$" AND NOT key MATCHES "^[A-Za-z0-9_-]+=*$")
      # Said in words: a message shows neither a space nor a line break.
      if(key MATCHES "([^A-Za-z0-9+/_=-])")
        set(bad "${CMAKE_MATCH_1}")
        string(FIND "${key}" "${bad}" at)
        math(EXPR at "${at} + 1")
        if(bad STREQUAL " ")
          set(bad "a space")
        elseif(bad STREQUAL "\t")
          set(bad "a tab")
        elseif(bad STREQUAL "\n" OR bad STREQUAL "\r")
          set(bad "a line break")
        else()
          set(bad "\"${bad}\"")
        endif()
        set(why "character ${at} is ${bad}")
      elseif(key MATCHES "=[^=]")
        set(why "it has \"=\" before its end")
      else()
        set(why "it mixes the standard (\"+/\") and URL-safe (\"-_\") alphabets")
      endif()
      message(FATAL_ERROR "${entry}, \"${key}\", is not Base64: ${why}.")
    endif()
    # (CMake's expressions have no counted repeats: the length is taken.)
    string(LENGTH "${key}" length)
    string(REGEX REPLACE "=$" "" digits "${key}")
    string(LENGTH "${digits}" digit_count)
    if(NOT digit_count EQUAL 43 OR NOT digits MATCHES "[AEIMQUYcgkosw048]$")
      message(FATAL_ERROR "${entry}, \"${key}\" (${length} characters), is not the Base64 of an "
        "Ed25519 public key, which is exactly 32 bytes: 43 characters and an optional \"=\".")
    endif()
  endforeach()
endfunction()
zen_check_signing_keys("${LaunchSigningKeys}")

# What a build's keys mean for whoever ships it. A demo key's seed lies in
# the build tree, so anybody with the tree could sign links; what such a
# build makes says so in its version texts and its installer's name.
set(ZEN_DEMO_KEY OFF)
if(LaunchSigningKeys STREQUAL "generate")
  set(ZEN_DEMO_KEY ON)
  message(WARNING "LaunchSigningKeys=generate: this build trusts a throw-away demo key, made in "
    "${ZEN_SIGNING_DIR} with its secret seed beside it. Its launcher and installer are marked "
    "\"demo key\" and must not be shipped. A release names the portal's own public key "
    "(python3 portal/link_signing.py keygen DIR makes a pair on the portal's side): "
    "make build BUILD=build-release CMAKE_FLAGS='-DLaunchSigningKeys=<public key> "
    "-DPortalBaseUrl=https://... -DInstallCheckImageUrl=https://...'")
elseif(LaunchSigningKeys STREQUAL "")
  message(WARNING "LaunchSigningKeys is empty: this launcher takes unsigned launch links, which any web "
    "page can write. It then trusts the portal's approval of the link's id, starts only games whose "
    "installkey is a vendor's key under HKLM\\SOFTWARE or HKCU\\SOFTWARE, and refuses installation "
    "folders that a page could have filled in. Name the portal's public key to take only links it "
    "signed: -DLaunchSigningKeys=<public key>.")
else()
  list(LENGTH LaunchSigningKeys _zen_key_count)
  message(STATUS "LaunchSigningKeys: ${_zen_key_count} portal key(s); the launcher takes only links "
    "signed with one of them")
endif()

set(ApprovalTimeoutSeconds 20 CACHE STRING
    "Longest wait for the portal's launch approval; silence counts as a refusal")
if(NOT ApprovalTimeoutSeconds MATCHES "^[1-9][0-9]*$")
  message(FATAL_ERROR "ApprovalTimeoutSeconds must be a positive number of seconds: ${ApprovalTimeoutSeconds}")
endif()

# Plain http is for a portal on this machine only: elsewhere anyone on the
# way could answer the approvals, the download list and the image. The host
# must be loopback in a form every client reads alike (no user part, nothing
# but an optional port after it); anything else needs https or the explicit
# setting below.
option(AllowPlainHttpPortal "Accept plain http portal addresses for hosts other than loopback" OFF)
function(zen_check_portal_scheme setting)
  set(url "${${setting}}")
  if(NOT url MATCHES "^http://([^/]*)")
    return()
  endif()
  string(TOLOWER "${CMAKE_MATCH_1}" authority)
  if(authority MATCHES "^(localhost|\\[::1\\])(:[0-9]+)?$")
    return()
  endif()
  if(authority MATCHES "^127\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)(:[0-9]+)?$"
     AND CMAKE_MATCH_1 LESS 256 AND CMAKE_MATCH_2 LESS 256 AND CMAKE_MATCH_3 LESS 256)
    return()
  endif()
  if(AllowPlainHttpPortal)
    message(WARNING "${setting} uses plain http for ${authority} (allowed by AllowPlainHttpPortal): ${url}")
    return()
  endif()
  message(FATAL_ERROR "${setting} uses plain http for a host other than loopback: ${url}\n"
    "Anyone between the users and ${authority} could change what the portal answers. "
    "Use an https address, or configure with -DAllowPlainHttpPortal=ON to accept plain http.")
endfunction()
zen_check_portal_scheme(PortalBaseUrl)
zen_check_portal_scheme(InstallCheckImageUrl)

# A compiler cache outside the checkout, like the cross-built libraries: a
# fresh clone on a machine that has built these sources before compiles
# from it. Paths are taken relative to the tree, so any checkout folder hits.
# scripts/setup.sh fills the cache there; ZEN_CACHE moves it as it does there.
if(DEFINED ENV{ZEN_CACHE})
  set(_zen_cache "$ENV{ZEN_CACHE}")
else()
  set(_zen_cache "$ENV{HOME}/.cache/zentaris")
endif()
find_program(ZEN_CCACHE ccache)
if(ZEN_CCACHE)
  set(_zen_launcher ${CMAKE_COMMAND} -E env CCACHE_DIR=${_zen_cache}/ccache
      CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=1 CCACHE_MAXSIZE=5G ${ZEN_CCACHE})
  set(CMAKE_C_COMPILER_LAUNCHER ${_zen_launcher})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${_zen_launcher})
endif()

if(WIN32)
  set(ZEN_WINDOWS ON)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ZEN_ARCH x86_64)
  else()
    set(ZEN_ARCH i686)
    # The release installer carries the 64-bit handler of the x86_64 build
    # beside this one (make build builds that one first).
    set(ZEN_WIN64_BIN "${CMAKE_BINARY_DIR}/../win64/bin" CACHE PATH
        "bin folder of the x86_64 build whose zenproto.dll the 32-bit installer carries")
    get_filename_component(ZEN_WIN64_BIN "${ZEN_WIN64_BIN}" ABSOLUTE)
  endif()
  # Every program and DLL lands in one folder, so tests find the deliverables
  # beside themselves.
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  # Link the runtime in, so that import tables name only system DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # What ships carries no symbols.
  add_link_options($<$<CONFIG:Release>:-s>)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  add_compile_options(-Wall -Wextra)

  # zen_cross_built(TARGET NAME HEADER DEFINE LIBS...): a static library that
  # scripts/setup.sh cross-built into the cache as NAME-<arch>-<stamp>, as one
  # interface target. The stamp is that of scripts/build-NAME.options, the
  # options the library is built with, so a checkout never links a library
  # built with other options (scripts/build-NAME.sh names the folder alike).
  function(zen_cross_built target name header define)
    set(options "${PROJECT_SOURCE_DIR}/scripts/build-${name}.options")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${options}")
    file(SHA256 "${options}" stamp)
    string(SUBSTRING "${stamp}" 0 12 stamp)
    set(prefix "${_zen_cache}/${name}-${ZEN_ARCH}-${stamp}")
    if(NOT EXISTS "${prefix}/include/${header}")
      message(FATAL_ERROR "No cross-built ${name} with build-${name}.options ${stamp} in ${prefix}: "
                          "run scripts/setup.sh (it builds it, once)")
    endif()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${prefix}/include)
    target_compile_definitions(${target} INTERFACE ${define})
    target_link_libraries(${target} INTERFACE ${prefix}/lib/lib${name}.a ${ARGN})
  endfunction()
  zen_cross_built(zen_curl curl curl/curl.h CURL_STATICLIB
    ws2_32 crypt32 bcrypt secur32 wldap32 normaliz advapi32)
  # advapi32: libsodium's random source for key generation; signature checks
  # never use it.
  zen_cross_built(zen_sodium sodium sodium.h SODIUM_STATIC advapi32)

  # The DLLs a launch never calls into: the tray's window, drawing, shell and
  # COM, the update check's version resource, and Schannel's certificates
  # and random numbers (https only). Wine
  # starts the display side for user32 and what imports it, which a launch
  # would pay at every start. A program given zen_delay_load() binds them at
  # its first call instead: the same names from a delay-import library of its
  # own, found before the system's on the library path (so every "-luser32"
  # of its link, its libraries' and the compiler's own, takes it).
  # 32-bit: the delay-import libraries dlltool makes link, but the first
  # call through one jumps to address 0 (under Wine 8, binutils 2.40), so
  # the 32-bit launcher keeps ordinary imports.
  set(ZEN_DELAY_LOADED)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ZEN_DELAY_LOADED user32 gdi32 msimg32 shell32 ole32 version crypt32 bcrypt)
  endif()
  set(_zen_delay_dir ${CMAKE_BINARY_DIR}/delay-import)
  set(_zen_delay_libs)
  foreach(dll IN LISTS ZEN_DELAY_LOADED)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${dll}.a
                    OUTPUT_VARIABLE implib OUTPUT_STRIP_TRAILING_WHITESPACE)
    add_custom_command(OUTPUT ${_zen_delay_dir}/lib${dll}.a
      COMMAND ${CMAKE_COMMAND} -E make_directory ${_zen_delay_dir}
      COMMAND ${CMAKE_SOURCE_DIR}/scripts/delay-import-lib.sh ${CMAKE_NM} ${CMAKE_DLLTOOL} ${implib}
              ${dll}.dll ${_zen_delay_dir}/lib${dll}.a ${CMAKE_SIZEOF_VOID_P}
      DEPENDS ${CMAKE_SOURCE_DIR}/scripts/delay-import-lib.sh ${implib}
      VERBATIM)
    list(APPEND _zen_delay_libs ${_zen_delay_dir}/lib${dll}.a)
  endforeach()
  add_custom_target(zen_delay_import_libs DEPENDS ${_zen_delay_libs})
  function(zen_delay_load target)
    if(NOT ZEN_DELAY_LOADED)
      return()
    endif()
    add_dependencies(${target} zen_delay_import_libs)
    target_link_options(${target} PRIVATE -L${_zen_delay_dir})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${_zen_delay_libs})
  endfunction()
else()
  set(ZEN_WINDOWS OFF)
  add_compile_options(-Wall -Wextra)
  if(ZEN_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  endif()
  find_package(CURL REQUIRED)
  add_library(zen_curl INTERFACE)
  target_link_libraries(zen_curl INTERFACE CURL::libcurl)
  find_path(ZEN_SODIUM_INCLUDE sodium.h REQUIRED)
  find_library(ZEN_SODIUM_LIBRARY sodium REQUIRED)
  add_library(zen_sodium INTERFACE)
  target_include_directories(zen_sodium INTERFACE ${ZEN_SODIUM_INCLUDE})
  target_link_libraries(zen_sodium INTERFACE ${ZEN_SODIUM_LIBRARY})
  if(ZEN_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(STATUS "Fuzz targets need clang; not building them")
    set(ZEN_FUZZ OFF)
  endif()
  if(ZEN_FUZZ)
    # Coverage feedback from the libraries under test, not only from the
    # fuzz targets' own files.
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
endif()

# Deliverables are signed as they are linked when the environment names a
# certificate (scripts/sign.sh); otherwise the step does nothing.
function(zen_sign_after_build target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/sign.sh $<TARGET_FILE:${target}> VERBATIM)
endfunction()
