# The Windows build: cross-compiled with cmake/mingw-w64-x86_64.cmake and
# tested under Wine (scripts/test-windows). The same libraries as on Linux,
# with the *_win32.cpp piece of each platform pair:
#
#   vkt_text    src/text (code pages through the system's converters, letter
#               case, SHA-256 through the system's CNG, text measurement, word
#               wrapping) and the desktop services text measurement calls
#               (src/services)
#   vkt_fs      src/fs: the FileSystemObject class and the platform layer,
#               its *_win32.cpp files beside the ones both platforms share
#   vkt_core    src/config, src/generate, src/app on top of both
#   vktgera.exe src/cli, statically linked (no DLL beside it)
#   *_tests     tests/<area>, run under Wine through CTest; the
#               *_win32_test.cpp files are Windows' own, the *_posix_test.cpp
#               ones stay out
#
# No ICU, nettle, Qt or PAM here: *_icu.cpp, *_nettle.cpp, *_posix.cpp and
# their tests stay out. nlohmann-json is header only: Debian's header.

file(GLOB VKT_TEXT_SOURCES CONFIGURE_DEPENDS src/text/*.cpp)
list(FILTER VKT_TEXT_SOURCES EXCLUDE REGEX "_(icu|nettle|posix)\\.cpp$")
# Sha256File reads through the platform layer: it goes with vkt_fs.
list(REMOVE_ITEM VKT_TEXT_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/src/text/sha256_file.cpp)
add_library(vkt_text STATIC ${VKT_TEXT_SOURCES} src/services/desktop.cpp)
target_include_directories(vkt_text PUBLIC src)
# CNG, for SHA-256 (src/text/sha256_win32.cpp).
target_link_libraries(vkt_text PRIVATE bcrypt)
# Wide-character Windows functions by default, and no min/max macros.
target_compile_definitions(vkt_text PUBLIC UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)

configure_file(src/app/version.h.in ${CMAKE_CURRENT_BINARY_DIR}/generated/app/version.h @ONLY)
file(GLOB VKT_FS_SOURCES CONFIGURE_DEPENDS src/fs/*.cpp src/fs/platform/*.cpp)
list(FILTER VKT_FS_SOURCES EXCLUDE REGEX "_posix\\.cpp$")
add_library(vkt_fs STATIC ${VKT_FS_SOURCES} src/text/sha256_file.cpp)
target_include_directories(vkt_fs PUBLIC ${CMAKE_CURRENT_BINARY_DIR}/generated)
# CommandLineToArgvW (src/fs/platform/console_win32.cpp).
target_link_libraries(vkt_fs PUBLIC vkt_text PRIVATE shell32)

# Debian's nlohmann-json (nlohmann-json3-dev), header only, seen through a
# folder of its own so that the host's other headers stay out of reach.
set(VKT_NLOHMANN_JSON_DIR /usr/include/nlohmann
    CACHE PATH "nlohmann-json's headers (Debian package nlohmann-json3-dev)")
if(NOT EXISTS ${VKT_NLOHMANN_JSON_DIR}/json.hpp)
  message(FATAL_ERROR "nlohmann/json.hpp not found in ${VKT_NLOHMANN_JSON_DIR} "
                      "(scripts/setup-deps --windows)")
endif()
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/json-include)
file(CREATE_LINK ${VKT_NLOHMANN_JSON_DIR} ${CMAKE_CURRENT_BINARY_DIR}/json-include/nlohmann
     SYMBOLIC)
add_library(vkt_json INTERFACE)
target_include_directories(vkt_json SYSTEM INTERFACE ${CMAKE_CURRENT_BINARY_DIR}/json-include)

file(GLOB VKT_CORE_SOURCES CONFIGURE_DEPENDS src/app/*.cpp src/config/*.cpp src/generate/*.cpp)
list(FILTER VKT_CORE_SOURCES EXCLUDE REGEX "_posix\\.cpp$")
add_library(vkt_core STATIC ${VKT_CORE_SOURCES})
target_link_libraries(vkt_core PUBLIC vkt_fs vkt_json)

file(GLOB VKT_CLI_SOURCES CONFIGURE_DEPENDS src/cli/*.cpp)
list(FILTER VKT_CLI_SOURCES EXCLUDE REGEX "(/main|_posix)\\.cpp$")
add_library(vkt_cli STATIC ${VKT_CLI_SOURCES})
target_link_libraries(vkt_cli PUBLIC vkt_core)
add_executable(vktgera src/cli/main.cpp)
target_link_libraries(vktgera PRIVATE vkt_cli)

include(CTest)
if(BUILD_TESTING)
  # googletest from Debian's sources, built with the cross compiler.
  set(VKT_GOOGLETEST_SOURCE_DIR /usr/src/googletest
      CACHE PATH "googletest's sources (Debian package googletest)")
  set(BUILD_GMOCK OFF CACHE BOOL "")
  set(INSTALL_GTEST OFF CACHE BOOL "")
  add_subdirectory(${VKT_GOOGLETEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL SYSTEM)
  include(GoogleTest)

  file(GLOB VKT_TEST_SUPPORT CONFIGURE_DEPENDS tests/support/*.cpp)
  add_library(vkt_test_support STATIC ${VKT_TEST_SUPPORT})
  target_include_directories(vkt_test_support PUBLIC tests)
  target_link_libraries(vkt_test_support PUBLIC vkt_core GTest::gtest)

  # One test program per source folder, as on Linux, without what only
  # POSIX has (*_posix_test.cpp) and what reads ICU (*_icu_test.cpp). The
  # end-to-end cases (tests/cli/cases_test.cpp) stay a Linux program: it runs
  # vktgera.exe under Wine through a wrapper (scripts/test-windows).
  foreach(area app config generate fs text cli)
    file(GLOB area_tests CONFIGURE_DEPENDS tests/${area}/*_test.cpp)
    list(FILTER area_tests EXCLUDE REGEX "_(icu|posix)_test\\.cpp$")
    # The manual and the bash completion (documentation_test.cpp) are the
    # Linux build's.
    list(REMOVE_ITEM area_tests ${CMAKE_CURRENT_SOURCE_DIR}/tests/cli/cases_test.cpp
         ${CMAKE_CURRENT_SOURCE_DIR}/tests/cli/documentation_test.cpp)
    add_executable(${area}_tests ${area_tests})
    target_link_libraries(${area}_tests PRIVATE vkt_test_support vkt_cli GTest::gtest_main)
    target_compile_definitions(${area}_tests PRIVATE
      VKT_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
      VKT_BINARY_DIR="${CMAKE_CURRENT_BINARY_DIR}"
      VKTGERA_EXE="$<TARGET_FILE:vktgera>")
    # Listed when CTest runs, under Wine, so that building needs no Wine.
    gtest_discover_tests(${area}_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
  endforeach()
endif()
