# Native build: the PE tools, the unit tests of the pure logic, and the
# registration of every Wine test. Runs the Windows build as a sub-build.
include(ExternalProject)
enable_testing()

add_compile_options(-Wall -Wextra)

add_library(qvpe STATIC tools/pe/pe_image.cpp tools/pe/file_io.cpp)
target_include_directories(qvpe PUBLIC tools/pe)

add_executable(quorven-join tools/join/main.cpp common/codepage_rules.cpp)
target_link_libraries(quorven-join qvpe)
add_executable(quorven-padkernel tools/padkernel/main.cpp)
target_link_libraries(quorven-padkernel qvpe)
set_target_properties(quorven-join quorven-padkernel PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QV_BIN_DIR})

# The pure logic of the kernel, built natively for the unit tests.
# These files include no Windows header; list each new one here.
add_library(qvpure STATIC
  platform/cmdline.cpp
  common/codepage_rules.cpp
  host/faultwords.cpp
  platform/namestring.cpp
  platform/settings_text.cpp
  console/layout.cpp
  console/cellscale.cpp
  console/screen.cpp
  console/selection.cpp
  input/event_queue.cpp
  input/event_codes.cpp
  input/paste_text.cpp
  services/service_text.cpp
  print/record.cpp
)
target_include_directories(qvpure PUBLIC ${CMAKE_SOURCE_DIR})

add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
file(GLOB QV_UNIT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
# The hosted programs' library (sdk/qvlib.h), its memory functions renamed
# so as not to replace the C library's.
add_library(qvsdk STATIC sdk/qvlib.c sdk/qvmem.c)
target_compile_definitions(qvsdk PUBLIC QVL_NATIVE_TEST)
target_compile_options(qvsdk PRIVATE -fno-tree-loop-distribute-patterns)
add_executable(unit-tests ${QV_UNIT_SOURCES})
target_link_libraries(unit-tests qvpure qvpe qvsdk GTest::gtest_main)
target_compile_definitions(unit-tests PRIVATE QV_SOURCE_DIR="${CMAKE_SOURCE_DIR}" QV_BIN_DIR="${QV_BIN_DIR}")
include(GoogleTest)
gtest_discover_tests(unit-tests DISCOVERY_MODE PRE_TEST PROPERTIES LABELS unit)

# The PE fuzzer: libFuzzer with the address and undefined-behaviour
# sanitizers, built with clang (the native build's own compiler may be g++).
# `make fuzz` runs it for FUZZ_TIME seconds; the test suite runs a short fixed-seed
# smoke run on seeds made from the built kernel and programs.
find_program(QV_CLANGXX NAMES clang++ clang++-14)
set(QV_FUZZER ${CMAKE_BINARY_DIR}/fuzz/pe-fuzz)
set(QV_FUZZ_RUN python3 ${CMAKE_SOURCE_DIR}/tests/fuzz/run_fuzz.py ${QV_FUZZER} ${QV_BIN_DIR}
    ${CMAKE_BINARY_DIR}/windows ${CMAKE_BINARY_DIR}/fuzz)
if(QV_CLANGXX)
  add_custom_command(OUTPUT ${QV_FUZZER}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/fuzz
    COMMAND ${QV_CLANGXX} -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined,unsigned-integer-overflow
            -fno-sanitize-recover=all -I${CMAKE_SOURCE_DIR}
            ${CMAKE_SOURCE_DIR}/tests/fuzz/pe_fuzz.cpp ${CMAKE_SOURCE_DIR}/tools/pe/pe_image.cpp -o ${QV_FUZZER}
    DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/pe_fuzz.cpp ${CMAKE_SOURCE_DIR}/tools/pe/pe_image.cpp
            ${CMAKE_SOURCE_DIR}/tools/pe/pe_image.h
    COMMENT "Building the PE fuzzer")
  add_custom_target(pe-fuzz ALL DEPENDS ${QV_FUZZER})
  # Tens of seconds; the same inputs every run.
  add_test(NAME fuzz.pe_smoke COMMAND ${QV_FUZZ_RUN} --runs 400000)
  set_tests_properties(fuzz.pe_smoke PROPERTIES TIMEOUT 600 LABELS fuzz)
else()
  message(WARNING "clang++ not found (scripts/setup.sh installs it): the PE fuzzer is not built")
  # Fails, so that a machine without the fuzzer does not pass quietly.
  add_test(NAME fuzz.pe_smoke COMMAND ${CMAKE_COMMAND} -E false)
endif()

# The Windows build: kernel, hosted test programs, examples, benchmarks.
ExternalProject_Add(windows
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/windows
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake
             -DCMAKE_BUILD_TYPE=Release
             -DQV_BIN_DIR=${QV_BIN_DIR}
             -DQV_JOIN=$<TARGET_FILE:quorven-join>
             -DQV_PADKERNEL=$<TARGET_FILE:quorven-padkernel>
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  DEPENDS quorven-join quorven-padkernel)

# Where the Linux kernel runs no 32-bit code, scripts/setup.sh registers the
# i386 user-mode emulator for 32-bit programs, Wine included. There a Wine
# program starts in about a second but runs slower, and some processor
# exceptions carry other codes, so every time-out is stretched and the tests
# that cannot pass there are left out, each with its reason, which the
# configuration prints (QV_ALL_WINE_TESTS=ON runs them anyway). Where 32-bit
# code runs natively every test runs.
set(QV_TIME_SCALE 1)
set(QV_EMULATED_32BIT OFF)
if(EXISTS /proc/sys/fs/binfmt_misc/qemu-i386)
  file(READ /proc/sys/fs/binfmt_misc/qemu-i386 qv_binfmt)
  if(qv_binfmt MATCHES "^enabled")
    set(QV_EMULATED_32BIT ON)
    set(QV_TIME_SCALE 10)
  endif()
endif()
set(QV_EMULATOR_LEFT_OUT_fault_float "the i386 emulator raises no x87 floating-point exception")
set(QV_EMULATOR_LEFT_OUT_fault_stack "the i386 emulator raises no stack overflow")
set(QV_EMULATOR_LEFT_OUT_fault_cycles "among its faults are stack overflows, which the i386 emulator does not raise")
option(QV_ALL_WINE_TESTS "run every Wine test even where 32-bit code is emulated" OFF)
if(QV_EMULATED_32BIT)
  message(STATUS "32-bit code runs under the i386 emulator: time-outs x${QV_TIME_SCALE}")
endif()

# Wine tests share one private X server and one Wine prefix for the run.
set(QV_HARNESS ${CMAKE_SOURCE_DIR}/tests/harness)
set(QV_TEST_STATE ${CMAKE_BINARY_DIR}/test-state)
set(QV_WINE_ENV "QV_TEST_STATE=${QV_TEST_STATE};QV_BIN_DIR=${QV_BIN_DIR};QV_SOURCE_DIR=${CMAKE_SOURCE_DIR};QV_TIME_SCALE=${QV_TIME_SCALE}")
# The emulator (version 10.0) gives some processor faults other codes; the
# fault tests expect those there (tests/faults/faulttest.h).
if(QV_EMULATED_32BIT)
  list(APPEND QV_WINE_ENV QV_EMULATED_32BIT=1 QV_FAULT_CODE_C0000005=C000001D QV_FAULT_CODE_C0000094=C0000090
       QV_FAULT_CODE_80000001=C000001D)
endif()
add_test(NAME wine.start COMMAND ${QV_HARNESS}/session.py start ${QV_TEST_STATE})
add_test(NAME wine.stop COMMAND ${QV_HARNESS}/session.py stop ${QV_TEST_STATE})
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${QV_WINE_ENV}" TIMEOUT 3600)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT "${QV_WINE_ENV}")

# Sessions at other DPIs: each its own prefix (LogPixels holds for a whole
# prefix), state folder and X server, a screen large enough for the scaled
# windows. A test joins one with qv_hosted_test(... DPI n).
set(QV_TEST_DPIS 144 192)
foreach(dpi ${QV_TEST_DPIS})
  set(QV_WINE_ENV_DPI${dpi} ${QV_WINE_ENV})
  list(FILTER QV_WINE_ENV_DPI${dpi} EXCLUDE REGEX "^QV_TEST_STATE=")
  list(APPEND QV_WINE_ENV_DPI${dpi} QV_TEST_STATE=${QV_TEST_STATE}-dpi${dpi} QV_DPI=${dpi}
       QV_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-dpi${dpi} QV_XVFB_SCREEN=2560x2048x24)
  add_test(NAME wine.start_dpi${dpi} COMMAND ${QV_HARNESS}/session.py start ${QV_TEST_STATE}-dpi${dpi})
  add_test(NAME wine.stop_dpi${dpi} COMMAND ${QV_HARNESS}/session.py stop ${QV_TEST_STATE}-dpi${dpi})
  set_tests_properties(wine.start_dpi${dpi} PROPERTIES FIXTURES_SETUP wine_dpi${dpi}
                       ENVIRONMENT "${QV_WINE_ENV_DPI${dpi}}" TIMEOUT 3600)
  set_tests_properties(wine.stop_dpi${dpi} PROPERTIES FIXTURES_CLEANUP wine_dpi${dpi}
                       ENVIRONMENT "${QV_WINE_ENV_DPI${dpi}}")
endforeach()

# Time-out and selection of one Wine test (see QV_EMULATED_32BIT above).
function(qv_wine_test_properties name timeout)
  math(EXPR t "${timeout} * ${QV_TIME_SCALE}")
  set_tests_properties(wine.${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${t}
                       ENVIRONMENT "${QV_WINE_ENV}" RESOURCE_LOCK wine)
  if(QV_EMULATED_32BIT AND DEFINED QV_EMULATOR_LEFT_OUT_${name} AND NOT QV_ALL_WINE_TESTS)
    set_tests_properties(wine.${name} PROPERTIES DISABLED TRUE)
    message(STATUS "wine.${name} left out under the i386 emulator: ${QV_EMULATOR_LEFT_OUT_${name}}")
  endif()
endfunction()

# qv_hosted_test(NAME SOURCES ... [MODE n] [SCRIPT driver.py] [ARGS ...] [TIMEOUT s]
#                [CODE_PAGE n] [LOCALE name] [WINDOWS_VERSION v] [DPI n])
# registers a Wine test: the driver script (default: run and expect exit 0
# with no FAIL line) gets the joined executable (joined with --code-page n),
# run under the locale named (default zh_CN.UTF-8, code page 936), with Wine
# reporting Windows v (win98, nt40: its Version value for that executable),
# in the session whose screen has n DPI (one of QV_TEST_DPIS; default 96).
function(qv_hosted_test name)
  cmake_parse_arguments(T "" "MODE;SCRIPT;TIMEOUT;RESERVE;CODE_PAGE;LOCALE;WINDOWS_VERSION;DPI" "SOURCES;ARGS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  if(T_SCRIPT)
    set(script ${T_SCRIPT})
  else()
    set(script ${QV_HARNESS}/expect_pass.py)
  endif()
  add_test(NAME wine.${name}
           COMMAND python3 ${script} ${QV_BIN_DIR}/tests/${name}.exe ${T_ARGS}
           WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
  set_tests_properties(wine.${name} PROPERTIES LABELS "wine;${T_LABELS}")
  qv_wine_test_properties(${name} ${T_TIMEOUT})
  set(env ${QV_WINE_ENV})
  if(T_DPI)
    set(env ${QV_WINE_ENV_DPI${T_DPI}})
    set_tests_properties(wine.${name} PROPERTIES FIXTURES_REQUIRED wine_dpi${T_DPI})
  endif()
  if(T_LOCALE)
    list(APPEND env QV_LOCALE=${T_LOCALE})
  endif()
  if(T_WINDOWS_VERSION)
    list(APPEND env QV_WINDOWS_VERSION=${T_WINDOWS_VERSION})
  endif()
  set_tests_properties(wine.${name} PROPERTIES ENVIRONMENT "${env}")
endfunction()

# qv_wine_check(NAME COMMAND...): any other check that needs the session.
function(qv_wine_check name)
  add_test(NAME wine.${name} COMMAND ${ARGN} WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
  set_tests_properties(wine.${name} PROPERTIES LABELS wine)
  qv_wine_test_properties(${name} 300)
endfunction()

function(qv_hosted_program)
endfunction()

# The console font for the Wine prefixes (tools/font): made from Debian's
# bitmap fonts by FreeType and fontTools, which are Debian's packages for the
# system's own Python (another python3 earlier on the PATH may lack them).
find_program(QV_FONT_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT QV_FONT_PYTHON)
  find_program(QV_FONT_PYTHON python3 REQUIRED)
endif()
set(QV_CONSOLE_FONT ${QV_BIN_DIR}/quorven-console.ttf)
add_custom_command(OUTPUT ${QV_CONSOLE_FONT} ${QV_BIN_DIR}/quorven-console.reg
  COMMAND ${QV_FONT_PYTHON} ${CMAKE_SOURCE_DIR}/tools/font/make_console_font.py ${QV_CONSOLE_FONT}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/font/make_console_font.py
  COMMENT "Making the console font")
add_custom_target(console-font ALL DEPENDS ${QV_CONSOLE_FONT})

foreach(list ${QV_TEST_LISTS} ${QV_EXAMPLE_LISTS})
  include(${list})
endforeach()

# quorven-run: a launcher in the bin folder for the tool in tools/run, run by
# Debian's python3 (found above): a python3 earlier on the PATH, such as a
# version manager's shim, may take a quarter of a second just to start.
set(QV_RUN_PYTHON ${QV_FONT_PYTHON})
configure_file(tools/run/quorven-run.in ${QV_BIN_DIR}/quorven-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# make dist: the archive for program authors (cmake/dist.cmake).
add_custom_target(dist
  COMMAND ${CMAKE_COMMAND} -DSRC=${CMAKE_SOURCE_DIR} -DBIN=${QV_BIN_DIR} -DOUT=${CMAKE_BINARY_DIR}/quorven-dist.zip
          -P ${CMAKE_SOURCE_DIR}/cmake/dist.cmake
  DEPENDS windows quorven-join console-font
  COMMENT "Writing build/quorven-dist.zip")
