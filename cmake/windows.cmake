# The Windows build, included by CMakeLists.txt when cross-building with cmake/mingw-*.cmake:
# the core, the Windows window (src/ui_win32), keydesk.exe (a window program) and
# keydesk-console.exe (the same as a console program), the simulated encoder as drevan.dll
# beside them, the installer keydesk-setup.exe (32-bit build), and the tests, which CTest runs
# under Wine (CMAKE_CROSSCOMPILING_EMULATOR).

# The programs need nothing but Windows: the compiler's run-time libraries (libgcc,
# libstdc++, winpthread) are linked in.
add_link_options(-static -static-libgcc -static-libstdc++)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE _WIN32_WINNT=0x0601)

# SQLite from the amalgamation that scripts/sqlite-amalgamation makes of Debian's source
# package, so that Windows runs the SQLite that the Linux build links.
set(KEYDESK_SQLITE_DIR "${CMAKE_BINARY_DIR}/../sqlite" CACHE PATH "Folder of sqlite3.c")
if(NOT EXISTS "${KEYDESK_SQLITE_DIR}/sqlite3.c")
  message(FATAL_ERROR "No ${KEYDESK_SQLITE_DIR}/sqlite3.c: run scripts/sqlite-amalgamation")
endif()
add_library(sqlite3 STATIC ${KEYDESK_SQLITE_DIR}/sqlite3.c)
target_include_directories(sqlite3 SYSTEM PUBLIC ${KEYDESK_SQLITE_DIR})
target_compile_definitions(sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION)
target_compile_options(sqlite3 PRIVATE -w)

# The platform layer: each facility's interface with its _windows.cpp in place of _posix.cpp.
include(cmake/layers.cmake)
keydesk_layer_sources(KEYDESK_PLATFORM_SOURCES windows platform)
add_library(keydesk_platform STATIC ${KEYDESK_PLATFORM_SOURCES})
target_include_directories(keydesk_platform PUBLIC src)
target_link_libraries(keydesk_platform PUBLIC sqlite3 ws2_32 shell32 advapi32)

# The rest of the core, the same layers as on Linux.
set(KEYDESK_LAYERS_ABOVE_PLATFORM ${KEYDESK_CORE_LAYERS})
list(REMOVE_ITEM KEYDESK_LAYERS_ABOVE_PLATFORM platform)
keydesk_layer_sources(KEYDESK_CORE_SOURCES windows ${KEYDESK_LAYERS_ABOVE_PLATFORM})
# The PostgreSQL store where scripts/libpq-mingw has made libpq (cmake/libpq-mingw.cmake);
# without it the store's entry points say that this build has none.
include(${CMAKE_CURRENT_LIST_DIR}/libpq-mingw.cmake)
if(TARGET PostgreSQL::PostgreSQL)
  list(FILTER KEYDESK_CORE_SOURCES EXCLUDE REGEX ".*/postgres_unavailable\\.cpp$")
else()
  list(FILTER KEYDESK_CORE_SOURCES EXCLUDE REGEX ".*/store/postgres/.*")
endif()
add_library(keydesk_core STATIC ${KEYDESK_CORE_SOURCES})
target_link_libraries(keydesk_core PUBLIC keydesk_platform
  $<TARGET_NAME_IF_EXISTS:PostgreSQL::PostgreSQL>)

# The window (src/ui_win32): the forms over the core, their templates, pictures and version
# in keydesk.rc, compiled by windres from UTF-8.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
keydesk_layer_sources(KEYDESK_UI_WIN32_SOURCES windows ui_win32)
add_library(keydesk_ui_win32 STATIC ${KEYDESK_UI_WIN32_SOURCES})
target_link_libraries(keydesk_ui_win32 PUBLIC keydesk_core comctl32 comdlg32 gdi32)
set(KEYDESK_WIN32_RESOURCES src/ui_win32/keydesk.rc)
set_source_files_properties(${KEYDESK_WIN32_RESOURCES} PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/src/ui_win32/resource_ids.h;${CMAKE_SOURCE_DIR}/src/ui_win32/keydesk.manifest;${CMAKE_SOURCE_DIR}/src/ui_win32/res/keydesk.ico;${CMAKE_SOURCE_DIR}/src/ui_win32/res/about.bmp;${CMAKE_SOURCE_DIR}/src/ui_win32/res/toolbar.bmp")

# keydesk.exe, a window program (-mwindows), with drevan.dll beside it in the build folder, as
# it is installed; --headless writes to the console it was started from. keydesk-console.exe
# is the same program as a console program, for running headless in a console or under a
# service wrapper: the console waits for it and hands it Ctrl+C, Ctrl+Break and its closing.
foreach(program IN ITEMS keydesk keydesk-console)
  add_executable(${program} src/main.cpp src/front_end_win32.cpp ${KEYDESK_WIN32_RESOURCES})
  target_include_directories(${program} PRIVATE src/ui_win32)
  target_link_libraries(${program} PRIVATE keydesk_ui_win32)
  add_dependencies(${program} drevan)
endforeach()
target_link_options(keydesk PRIVATE -mwindows)

# The simulated encoder as drevan.dll: the eight functions of the vendor's library, stdcall,
# exported by their undecorated names (sim/drevan.def, whose names stand for the decorated stdcall ones).
file(GLOB KEYDESK_SIM_SOURCES CONFIGURE_DEPENDS sim/*.cpp)
list(FILTER KEYDESK_SIM_SOURCES EXCLUDE REGEX ".*(_posix|file_watch)\\.cpp$")
add_library(drevan SHARED ${KEYDESK_SIM_SOURCES} sim/drevan.def)
target_include_directories(drevan PRIVATE src)
set_target_properties(drevan PROPERTIES PREFIX "" OUTPUT_NAME drevan)
target_link_options(drevan PRIVATE -Wl,--kill-at,--enable-stdcall-fixup)

# Two more builds of it, each drevan.dll in a folder of its own, stand for the other ways a
# vendor's library may come: decorated/ exports the stdcall functions under the names a C
# compiler gives them without a .def file (_Name@N); c-convention/ is built with the C calling
# convention under the plain names. keydesk must issue and read cards with each.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(KEYDESK_DECORATED_DEF sim/drevan_decorated_x86.def)
else()
  set(KEYDESK_DECORATED_DEF sim/drevan_decorated_x64.def)
endif()
add_library(drevan_decorated SHARED ${KEYDESK_SIM_SOURCES} ${KEYDESK_DECORATED_DEF})
target_link_options(drevan_decorated PRIVATE -Wl,--enable-stdcall-fixup)
add_library(drevan_c_convention SHARED ${KEYDESK_SIM_SOURCES} sim/drevan.def)
target_compile_definitions(drevan_c_convention PRIVATE DREVAN_CALL=__cdecl)
foreach(variant IN ITEMS decorated c_convention)
  string(REPLACE "_" "-" folder ${variant})
  target_include_directories(drevan_${variant} PRIVATE src)
  set_target_properties(drevan_${variant} PROPERTIES PREFIX "" OUTPUT_NAME drevan
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/${folder}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/${folder})
  add_dependencies(drevan drevan_${variant})
endforeach()

# keydesk-client.exe: a PMS's side from the command prompt, as keydesk-client on Linux.
keydesk_layer_sources(KEYDESK_CLIENT_SOURCES windows client)
list(FILTER KEYDESK_CLIENT_SOURCES EXCLUDE REGEX ".*/main\\.cpp$")
add_library(keydesk_client STATIC ${KEYDESK_CLIENT_SOURCES})
target_link_libraries(keydesk_client PUBLIC keydesk_core)
add_executable(keydesk-client src/client/main.cpp)
target_link_libraries(keydesk-client PRIVATE keydesk_client)

# GoogleTest built from Debian's googletest sources with this compiler.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

enable_testing()

# The platform tests: the unit tests of the platform layer shared with Linux, and the
# Windows ones. One program, so that Wine starts once. tests/windows/posix_shims.h gives the
# shared tests the few POSIX calls they use (setenv, mkdtemp, dlopen). Wine's drive Z: is the
# Linux root, where the build folder lies.
set(KEYDESK_SHARED_PLATFORM_TESTS
  profile_file code_page date_time conversions field_file drevan_sim new_file paths stop_request
  thread)
list(TRANSFORM KEYDESK_SHARED_PLATFORM_TESTS PREPEND tests/)
list(TRANSFORM KEYDESK_SHARED_PLATFORM_TESTS APPEND _test.cpp)
file(GLOB KEYDESK_WINDOWS_TESTS CONFIGURE_DEPENDS tests/windows/*_test.cpp)
add_executable(keydesk_platform_tests ${KEYDESK_SHARED_PLATFORM_TESTS} ${KEYDESK_WINDOWS_TESTS})
target_include_directories(keydesk_platform_tests PRIVATE tests)
target_compile_options(keydesk_platform_tests PRIVATE
  -include ${CMAKE_SOURCE_DIR}/tests/windows/posix_shims.h)
target_link_libraries(keydesk_platform_tests PRIVATE keydesk_platform gtest_main gmock)
target_compile_definitions(keydesk_platform_tests PRIVATE KEYDESK_BUILD_DIR="Z:${CMAKE_BINARY_DIR}")
add_dependencies(keydesk_platform_tests drevan)
add_test(NAME PlatformTests COMMAND keydesk_platform_tests --gtest_brief=1)

# The differential code page test compares with a table that the Linux build's code page
# layer (iconv) makes, built and run here on Linux first.
add_test(NAME Cp936Reference
  COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/make_cp936_reference ${CMAKE_SOURCE_DIR}
    ${CMAKE_BINARY_DIR}/cp936-reference.txt)
set_tests_properties(Cp936Reference PROPERTIES FIXTURES_SETUP cp936)
set_tests_properties(PlatformTests PROPERTIES FIXTURES_REQUIRED cp936
  ENVIRONMENT "KEYDESK_CP936_REFERENCE=Z:${CMAKE_BINARY_DIR}/cp936-reference.txt")

# The export and import tables, read on Linux: drevan.dll exports exactly the eight names,
# and no program needs a DLL that Windows does not have.
add_test(NAME PeTables
  COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/check_pe_tables ${CMAKE_OBJDUMP}
    $<TARGET_FILE:drevan> $<TARGET_FILE:keydesk> $<TARGET_FILE:keydesk-console>
    $<TARGET_FILE:keydesk_platform_tests>)

# The core's unit tests, as on Linux, in one program so that Wine starts once. Built where
# KEYDESK_CORE_TESTS is on: scripts/build-windows leaves it off for the 64-bit build, whose
# sources and tests are the 32-bit build's.
option(KEYDESK_CORE_TESTS "Build and run the core's unit tests" ON)
if(KEYDESK_CORE_TESTS)
  file(GLOB KEYDESK_WINDOWS_CORE_TESTS CONFIGURE_DEPENDS tests/*_test.cpp)
  list(TRANSFORM KEYDESK_SHARED_PLATFORM_TESTS PREPEND ${CMAKE_SOURCE_DIR}/
    OUTPUT_VARIABLE KEYDESK_SHARED_PLATFORM_TEST_PATHS)
  list(REMOVE_ITEM KEYDESK_WINDOWS_CORE_TESTS ${KEYDESK_SHARED_PLATFORM_TEST_PATHS})
  add_executable(keydesk_tests ${KEYDESK_WINDOWS_CORE_TESTS})
  target_include_directories(keydesk_tests PRIVATE tests)
  target_compile_options(keydesk_tests PRIVATE
    -include ${CMAKE_SOURCE_DIR}/tests/windows/posix_shims.h)
  target_link_libraries(keydesk_tests PRIVATE keydesk_client keydesk_core gtest_main gmock)
  target_compile_definitions(keydesk_tests PRIVATE KEYDESK_BUILD_DIR="Z:${CMAKE_BINARY_DIR}")
  add_dependencies(keydesk_tests drevan)
  add_test(NAME CoreTests COMMAND keydesk_tests --gtest_brief=1)
endif()

# The window's forms (tests/ui_win32/), driven through window messages under Wine with a
# display (scripts/test-windows runs CTest under Xvfb), over the real core and the simulated
# drevan.dll. The templates come from keydesk.rc, linked into the test program as into
# keydesk.exe. One size suffices: the 32-bit build, the release build.
if(KEYDESK_CORE_TESTS)
  file(GLOB KEYDESK_UI_WIN32_TESTS CONFIGURE_DEPENDS tests/ui_win32/*_test.cpp)
  add_executable(keydesk_window_tests ${KEYDESK_UI_WIN32_TESTS} ${KEYDESK_WIN32_RESOURCES})
  target_include_directories(keydesk_window_tests PRIVATE tests tests/ui_win32 src/ui_win32)
  target_compile_options(keydesk_window_tests PRIVATE
    -include ${CMAKE_SOURCE_DIR}/tests/windows/posix_shims.h)
  target_link_libraries(keydesk_window_tests PRIVATE keydesk_ui_win32 gtest_main gmock)
  target_compile_definitions(keydesk_window_tests PRIVATE KEYDESK_BUILD_DIR="Z:${CMAKE_BINARY_DIR}")
  add_dependencies(keydesk_window_tests drevan)
  add_test(NAME WindowTests COMMAND keydesk_window_tests --gtest_brief=1)
endif()

# The installer of the release build, keydesk-setup.exe (packaging/windows/keydesk.nsi), made
# with NSIS from copies of the programs and the simulator without their debugging data.
# keydesk-client.exe goes in too where this build makes it (the target keydesk-client).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  find_program(KEYDESK_MAKENSIS makensis REQUIRED)
  # What the installer runs and NSIS cannot do: the folders' access lists and the check of the
  # PMS hosts typed in. Only the installer carries it.
  add_executable(keydesk-setup-helper packaging/windows/setup_helper.cpp)
  target_link_options(keydesk-setup-helper PRIVATE -municode)
  set(KEYDESK_INSTALLER_STAGE ${CMAKE_BINARY_DIR}/installer)
  set(KEYDESK_INSTALLER ${CMAKE_BINARY_DIR}/keydesk-setup.exe)
  set(KEYDESK_CLIENT_EXISTS $<TARGET_EXISTS:keydesk-client>)
  add_custom_command(OUTPUT ${KEYDESK_INSTALLER}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KEYDESK_INSTALLER_STAGE}
    COMMAND ${CMAKE_STRIP} --strip-debug -o ${KEYDESK_INSTALLER_STAGE}/keydesk.exe
      $<TARGET_FILE:keydesk>
    COMMAND ${CMAKE_STRIP} --strip-debug -o ${KEYDESK_INSTALLER_STAGE}/keydesk-console.exe
      $<TARGET_FILE:keydesk-console>
    COMMAND ${CMAKE_STRIP} --strip-debug -o ${KEYDESK_INSTALLER_STAGE}/drevan.dll
      $<TARGET_FILE:drevan>
    COMMAND ${CMAKE_STRIP} --strip-all -o ${KEYDESK_INSTALLER_STAGE}/keydesk-setup-helper.exe
      $<TARGET_FILE:keydesk-setup-helper>
    COMMAND "$<${KEYDESK_CLIENT_EXISTS}:${CMAKE_STRIP};--strip-debug;-o;${KEYDESK_INSTALLER_STAGE}/keydesk-client.exe;$<TARGET_FILE:keydesk-client>>"
    COMMAND "$<$<NOT:${KEYDESK_CLIENT_EXISTS}>:${CMAKE_COMMAND};-E;rm;-f;${KEYDESK_INSTALLER_STAGE}/keydesk-client.exe>"
    COMMAND ${KEYDESK_MAKENSIS} -V2 -DKEYDESK_BUILD_DIR=${KEYDESK_INSTALLER_STAGE}
      -DKEYDESK_SOURCE_DIR=${CMAKE_SOURCE_DIR} -DKEYDESK_OUTFILE=${KEYDESK_INSTALLER}
      ${CMAKE_SOURCE_DIR}/packaging/windows/keydesk.nsi
    DEPENDS keydesk keydesk-console drevan keydesk-setup-helper
      "$<${KEYDESK_CLIENT_EXISTS}:keydesk-client>"
      ${CMAKE_SOURCE_DIR}/packaging/windows/keydesk.nsi
      ${CMAKE_SOURCE_DIR}/src/ui_win32/res/keydesk.ico
    COMMAND_EXPAND_LISTS
    COMMENT "Making keydesk-setup.exe")
  add_custom_target(installer ALL DEPENDS ${KEYDESK_INSTALLER})

  # Takes the README's pictures of the window: scripts/win32-screenshots docs
  add_executable(win32_screenshots tools/win32_screenshots.cpp ${KEYDESK_WIN32_RESOURCES})
  target_include_directories(win32_screenshots PRIVATE src/ui_win32)
  target_link_libraries(win32_screenshots PRIVATE keydesk_ui_win32)
  target_compile_definitions(win32_screenshots PRIVATE KEYDESK_BUILD_DIR="Z:${CMAKE_BINARY_DIR}")
  add_dependencies(win32_screenshots drevan)
  # Installs silently into a Wine prefix of its own, with each of the installer's choices, asks
  # the installed keydesk.exe --headless over 127.0.0.1, and uninstalls.
  add_test(NAME Installer COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/installer_test ${KEYDESK_INSTALLER})
endif()

# keydesk.exe end to end: tests/wine/, a Linux program of the Linux build beside this one,
# starts it under Wine next to the Linux keydesk and compares what both do. console_event.exe
# delivers the console's events to it as Windows does.
add_executable(console_event tests/windows/console_event.cpp)
target_link_libraries(console_event PRIVATE ws2_32)
target_link_options(console_event PRIVATE -municode)  # wmain: the arguments as UTF-16
# window_driver.exe closes keydesk.exe's window from outside, giving the password.
add_executable(window_driver tests/windows/window_driver.cpp)
target_link_libraries(window_driver PRIVATE ws2_32)
target_link_options(window_driver PRIVATE -municode)
cmake_path(GET CMAKE_BINARY_DIR PARENT_PATH KEYDESK_DEFAULT_LINUX_BUILD)
set(KEYDESK_LINUX_BUILD "${KEYDESK_DEFAULT_LINUX_BUILD}" CACHE PATH
  "The Linux build whose keydesk keydesk.exe is compared with")
add_test(NAME KeydeskExe
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run --linux ${KEYDESK_LINUX_BUILD}/keydesk_wine_tests
    --gtest_brief=1)
# Wine's loader that runs the program in the process it is started as, so that the test's
# signals reach it: the wine command starts a 64-bit program in a process of its own.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  find_program(KEYDESK_WINE_LOADER NAMES wine64 PATHS /usr/lib/wine REQUIRED)
else()
  find_program(KEYDESK_WINE_LOADER NAMES wine REQUIRED)
endif()
set_tests_properties(KeydeskExe PROPERTIES
  ENVIRONMENT "KEYDESK_WINDOWS_BUILD=${CMAKE_BINARY_DIR};KEYDESK_WINE=${KEYDESK_WINE_LOADER}")

# The PostgreSQL store's program-level tests (tests/postgres/: a Linux program of the Linux
# build that starts its own server on 127.0.0.1, with TLS) against this build's
# keydesk-console.exe, where this build has libpq; of two desks sharing the server, one stays
# the Linux program.
if(TARGET PostgreSQL::PostgreSQL)
  add_test(NAME PostgresStoreUnderWine
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run --linux ${KEYDESK_LINUX_BUILD}/keydesk_postgres_tests
      --gtest_brief=1 --gtest_filter=SeveralDesksTest.*:StoreMigrationTest.*)
  set_tests_properties(PostgresStoreUnderWine PROPERTIES
    ENVIRONMENT "KEYDESK_WINDOWS_BUILD=${CMAKE_BINARY_DIR};KEYDESK_WINE=${KEYDESK_WINE_LOADER}")
endif()

# A Windows test that hangs under Wine fails after this long instead of holding up the run.
get_property(KEYDESK_WINDOWS_TEST_NAMES DIRECTORY PROPERTY TESTS)
set_tests_properties(${KEYDESK_WINDOWS_TEST_NAMES} PROPERTIES TIMEOUT 600)
