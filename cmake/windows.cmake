# The Windows build: cross-compiled with cmake/mingw-w64-x86_64.cmake and
# tested under Wine (scripts/test-windows). It builds what compiles for
# Windows so far:
#
#   vkt_text    src/text (code pages through the system's converters, letter
#               case, SHA-256 through the system's CNG, text measurement, word
#               wrapping) and the desktop services text measurement calls
#               (src/services)
#   text_tests  tests/text, run under Wine through CTest
#
# Not yet: the platform layer's Win32 implementation, and with it the rest
# of the core, the command line and Sha256File (src/text/sha256_file.cpp
# and its test). No ICU, nettle, Qt or PAM here: *_icu.cpp, *_nettle.cpp,
# *_posix.cpp and their tests stay out.

file(GLOB VKT_TEXT_SOURCES CONFIGURE_DEPENDS src/text/*.cpp)
list(FILTER VKT_TEXT_SOURCES EXCLUDE REGEX "_(icu|nettle|posix)\\.cpp$")
list(REMOVE_ITEM VKT_TEXT_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/src/text/sha256_file.cpp)
add_library(vkt_text STATIC ${VKT_TEXT_SOURCES} src/services/desktop.cpp)
target_include_directories(vkt_text PUBLIC src)
# CNG, for SHA-256 (src/text/sha256_win32.cpp).
target_link_libraries(vkt_text PRIVATE bcrypt)
# Wide-character Windows functions by default, and no min/max macros.
target_compile_definitions(vkt_text PUBLIC UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)

include(CTest)
if(BUILD_TESTING)
  # googletest from Debian's sources, built with the cross compiler.
  set(VKT_GOOGLETEST_SOURCE_DIR /usr/src/googletest
      CACHE PATH "googletest's sources (Debian package googletest)")
  set(BUILD_GMOCK OFF CACHE BOOL "")
  set(INSTALL_GTEST OFF CACHE BOOL "")
  add_subdirectory(${VKT_GOOGLETEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL SYSTEM)
  include(GoogleTest)

  file(GLOB text_tests CONFIGURE_DEPENDS tests/text/*_test.cpp)
  list(FILTER text_tests EXCLUDE REGEX "_(icu|posix)_test\\.cpp$")
  list(REMOVE_ITEM text_tests ${CMAKE_CURRENT_SOURCE_DIR}/tests/text/sha256_file_test.cpp)
  add_executable(text_tests ${text_tests})
  target_include_directories(text_tests PRIVATE tests)
  target_link_libraries(text_tests PRIVATE vkt_text GTest::gtest_main)
  # Listed when CTest runs, under Wine, so that building needs no Wine.
  gtest_discover_tests(text_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
endif()
