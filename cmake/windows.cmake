# The Windows build: cross-compiled with cmake/mingw-w64-x86_64.cmake and
# tested under Wine (scripts/test-windows). The same libraries as on Linux,
# with the *_win32.cpp piece of each platform pair:
#
#   vkt_text    src/text (code pages through the system's converters, letter
#               case, SHA-256 through the system's CNG, text measurement, word
#               wrapping), the desktop services' interfaces and defaults and
#               the build's facts (src/services)
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

# GCC 12 warns of overlapping copies inside libstdc++'s string
# concatenation when it inlines it at -O2 (GCC bug 105651, a regression of
# 12): warnings about the library, not about this code.
if(CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-restrict)
endif()

file(GLOB VKT_TEXT_SOURCES CONFIGURE_DEPENDS src/text/*.cpp)
list(FILTER VKT_TEXT_SOURCES EXCLUDE REGEX "_(icu|nettle|posix)\\.cpp$")
configure_file(src/services/build_facts.h.in ${CMAKE_CURRENT_BINARY_DIR}/generated/services/build_facts.h
               @ONLY)
add_library(vkt_text STATIC ${VKT_TEXT_SOURCES} src/services/desktop.cpp)
target_include_directories(vkt_text PUBLIC src ${CMAKE_CURRENT_BINARY_DIR}/generated)
# CNG, for SHA-256 (src/text/sha256_win32.cpp).
target_link_libraries(vkt_text PRIVATE bcrypt)
# Wide-character Windows functions by default, and no min/max macros.
target_compile_definitions(vkt_text PUBLIC UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)

file(GLOB VKT_FS_SOURCES CONFIGURE_DEPENDS src/fs/*.cpp src/fs/platform/*.cpp)
list(FILTER VKT_FS_SOURCES EXCLUDE REGEX "_posix\\.cpp$")
add_library(vkt_fs STATIC ${VKT_FS_SOURCES})
# CommandLineToArgvW (src/fs/platform/console_win32.cpp); SHGetKnownFolderPath
# (the Documents folder); NtCreateFile, to open a listed file relative to its
# folder (src/fs/platform/files_win32.cpp).
target_link_libraries(vkt_fs PUBLIC vkt_text PRIVATE shell32 ole32 uuid ntdll)

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
# The programs that ship (zip, installer) carry no debugging symbols outside
# Debug builds: a few MB instead of some tens. (The default Release build
# makes none; a Debug build's test programs keep theirs.)
set(VKT_SHIPPED_LINK_OPTIONS $<$<NOT:$<CONFIG:Debug>>:-s>)
target_link_options(vktgera PRIVATE ${VKT_SHIPPED_LINK_OPTIONS})

include(CTest)
if(BUILD_TESTING)
  # googletest from Debian's sources, built with the cross compiler.
  set(VKT_GOOGLETEST_SOURCE_DIR /usr/src/googletest
      CACHE PATH "googletest's sources (Debian package googletest)")
  set(BUILD_GMOCK OFF CACHE BOOL "")
  set(INSTALL_GTEST OFF CACHE BOOL "")
  add_subdirectory(${VKT_GOOGLETEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL SYSTEM)

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
    # The manual and the bash completion (documentation_test.cpp), and the
    # source tree's include order (layering_test.cpp), are the Linux build's.
    list(REMOVE_ITEM area_tests ${CMAKE_CURRENT_SOURCE_DIR}/tests/cli/cases_test.cpp
         ${CMAKE_CURRENT_SOURCE_DIR}/tests/cli/documentation_test.cpp
         ${CMAKE_CURRENT_SOURCE_DIR}/tests/app/layering_test.cpp)
    add_executable(${area}_tests ${area_tests})
    target_link_libraries(${area}_tests PRIVATE vkt_test_support vkt_cli GTest::gtest_main)
    target_compile_definitions(${area}_tests PRIVATE
      VKT_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
      VKT_BINARY_DIR="${CMAKE_CURRENT_BINARY_DIR}"
      VKTGERA_EXE="$<TARGET_FILE:vktgera>")
    # One CTest test per program, run by the build's emulator (Wine): a
    # Wine process costs about a second to start, which one test per case
    # paid some 150 times over. googletest names each failing case.
    add_test(NAME ${area}_tests COMMAND ${area}_tests --gtest_brief=1)
    set_tests_properties(${area}_tests PROPERTIES TIMEOUT 900)
  endforeach()
endif()

# ---- the window: VKTGeraInstallBD.exe -------------------------------------
#
#   vkt_win              src/win: the Win32 front end over the same core and
#                        desktop services as the Qt window
#   VKTGeraInstallBD.exe its main and resources (icon, manifest for common
#                        controls 6 and per-monitor DPI, version information
#                        from the project's version), a GUI program
#   win_tests            tests/win, run under Wine inside a virtual X server
#                        (scripts/run-in-wine-x)
file(GLOB VKT_WIN_SOURCES CONFIGURE_DEPENDS src/win/*.cpp)
list(FILTER VKT_WIN_SOURCES EXCLUDE REGEX "/main\\.cpp$")
add_library(vkt_win STATIC ${VKT_WIN_SOURCES})
target_link_libraries(vkt_win PUBLIC vkt_core comctl32 comdlg32 shell32 ole32 uuid gdi32 user32
                                     advapi32)
# Windows 10's functions (GetDpiForWindow, AdjustWindowRectExForDpi).
target_compile_definitions(vkt_win PUBLIC _WIN32_WINNT=0x0A00 WINVER=0x0A00)

set(VKT_SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
configure_file(src/win/VKTGeraInstallBD.rc.in ${CMAKE_CURRENT_BINARY_DIR}/generated/VKTGeraInstallBD.rc
               @ONLY)
enable_language(RC)
add_executable(VKTGeraInstallBD WIN32 src/win/main.cpp
                                      ${CMAKE_CURRENT_BINARY_DIR}/generated/VKTGeraInstallBD.rc)
# wWinMain.
target_link_options(VKTGeraInstallBD PRIVATE -municode ${VKT_SHIPPED_LINK_OPTIONS})
target_link_libraries(VKTGeraInstallBD PRIVATE vkt_win)
set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/generated/VKTGeraInstallBD.rc APPEND PROPERTY
             OBJECT_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/data/windows/VKTGeraInstallBD.ico
                            ${CMAKE_CURRENT_SOURCE_DIR}/src/win/VKTGeraInstallBD.manifest)

if(BUILD_TESTING)
  file(GLOB win_tests CONFIGURE_DEPENDS tests/win/*_test.cpp)
  add_executable(win_tests ${win_tests})
  target_link_libraries(win_tests PRIVATE vkt_win vkt_test_support GTest::gtest_main)
  target_include_directories(win_tests PRIVATE tests)
  # The window needs a display: one virtual X server and one Wine session
  # (a prefix of its own, BUILD/wine-x) for the whole program.
  find_program(VKT_XVFB_RUN xvfb-run)
  if(VKT_XVFB_RUN AND VKT_WINE64)
    add_test(NAME win_tests
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/run-in-wine-x
                     ${CMAKE_CURRENT_BINARY_DIR}/wine-x $<TARGET_FILE:win_tests>)
    set_tests_properties(win_tests PROPERTIES RESOURCE_LOCK wine-x TIMEOUT 600)
  else()
    message(WARNING "xvfb-run or wine64 missing: the window's tests are not run "
                    "(scripts/setup-deps --windows)")
  endif()
endif()

# The bundled example beside the programs, as an unpacked copy carries it
# (the window names it when no configuration is found; the tests copy it).
file(COPY examples/pedidos DESTINATION ${CMAKE_CURRENT_BINARY_DIR}/examples)

# ---- the installer: vktgera-VERSION-setup.exe (NSIS) ----------------------
# Target "installer" (part of the default build where Debian's nsis is
# installed); data/windows/VKTGeraInstallBD.nsi says what it installs.
find_program(VKT_MAKENSIS makensis)
if(VKT_MAKENSIS)
  # The docs the installer puts beside the machine's configuration, and takes
  # away again, one line per file: NSIS cannot list a folder for its
  # uninstaller.
  file(GLOB_RECURSE installer_docs RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}/examples/pedidos
       CONFIGURE_DEPENDS examples/pedidos/docs/*)
  set(install_lines "")
  set(remove_lines "")
  set(folders "")
  foreach(doc IN LISTS installer_docs)
    get_filename_component(folder ${doc} DIRECTORY)
    string(REPLACE "/" "\\" windows_folder ${folder})
    string(REPLACE "/" "\\" windows_doc ${doc})
    string(APPEND install_lines "  SetOutPath \"\${_DIR}\\${windows_folder}\"\n"
           "  File \"${CMAKE_CURRENT_SOURCE_DIR}/examples/pedidos/${doc}\"\n")
    string(APPEND remove_lines "  Delete \"\${_DIR}\\${windows_doc}\"\n")
    list(APPEND folders ${windows_folder})
  endforeach()
  list(REMOVE_DUPLICATES folders)
  foreach(folder IN LISTS folders)
    string(APPEND remove_lines "  RMDir \"\${_DIR}\\${folder}\"\n")
  endforeach()
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/installer/docs-files.nsh
       "; Written by cmake/windows.cmake from examples/pedidos/docs.\n"
       "!macro InstallDocs _DIR\n${install_lines}!macroend\n"
       "!macro RemoveDocs _DIR\n${remove_lines}  RMDir \"\${_DIR}\\docs\"\n!macroend\n")
  # The README installed beside the programs, with CR LF line ends as the
  # zip has it (scripts/build-windows).
  configure_file(data/windows/README-Windows.txt
                 ${CMAKE_CURRENT_BINARY_DIR}/installer/README-Windows.txt @ONLY NEWLINE_STYLE CRLF)
  set(VKT_SETUP ${CMAKE_CURRENT_BINARY_DIR}/vktgera-${PROJECT_VERSION}-setup.exe)
  file(GLOB_RECURSE installer_example CONFIGURE_DEPENDS examples/pedidos/*)
  add_custom_command(
    OUTPUT ${VKT_SETUP}
    COMMAND ${VKT_MAKENSIS} -V2 -INPUTCHARSET UTF8 -DVERSION=${PROJECT_VERSION} -DBUILD=${CMAKE_CURRENT_BINARY_DIR}
            -DSOURCE=${CMAKE_CURRENT_SOURCE_DIR} -DOUTFILE=${VKT_SETUP}
            -DDOCS=${CMAKE_CURRENT_BINARY_DIR}/installer/docs-files.nsh
            ${CMAKE_CURRENT_SOURCE_DIR}/data/windows/VKTGeraInstallBD.nsi
    DEPENDS VKTGeraInstallBD vktgera data/windows/VKTGeraInstallBD.nsi
            data/windows/VKTGeraInstallBD.ico ${CMAKE_CURRENT_BINARY_DIR}/installer/README-Windows.txt
            ${installer_example}
    COMMENT "Making vktgera-${PROJECT_VERSION}-setup.exe"
    VERBATIM)
  add_custom_target(installer ALL DEPENDS ${VKT_SETUP})
  if(BUILD_TESTING AND VKT_WINE64)
    # Silent install into a fresh Wine prefix, a run of the installed
    # example, silent uninstall (scripts/test-installer).
    add_test(NAME installer
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/test-installer ${VKT_SETUP}
                     ${CMAKE_CURRENT_BINARY_DIR}/wine-installer)
    set_tests_properties(installer PROPERTIES RESOURCE_LOCK wine-installer TIMEOUT 900)
  endif()
else()
  message(STATUS "makensis not found: no installer (scripts/setup-deps --windows)")
endif()
