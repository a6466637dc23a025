# Files, file-name dialogs, libraries, memory and text case.
qv_hosted_test(services_files SOURCES tests/services/files.c tests/services/fileaccess.c
               SCRIPT tests/services/in_tempdir.py)
foreach(loc en_US ja_JP)
  qv_hosted_test(services_files_cp936_${loc} SOURCES tests/services/files.c tests/services/fileaccess.c
                 SCRIPT tests/services/in_tempdir.py CODE_PAGE 936 LOCALE ${loc}.UTF-8)
endforeach()
qv_hosted_test(services_library SOURCES tests/services/library.c)
foreach(loc en_US ja_JP)
  qv_hosted_test(services_library_cp936_${loc} SOURCES tests/services/library.c ARGS cp936 CODE_PAGE 936
                 LOCALE ${loc}.UTF-8)
endforeach()

if(CMAKE_CROSSCOMPILING)
  # The library whose exports the procedure lookups are tested against: long
  # names of 254 and 255 bytes, and a name that exists with and without "A".
  string(REPEAT "p" 254 P254)
  string(REPEAT "p" 255 P255)
  string(REPEAT "q" 254 Q254)
  string(REPEAT "q" 255 Q255)
  configure_file(${CMAKE_SOURCE_DIR}/tests/services/testlib.def.in ${CMAKE_BINARY_DIR}/qvtestlib.def @ONLY)
  add_library(qvtestlib SHARED tests/services/testlib.c ${CMAKE_BINARY_DIR}/qvtestlib.def)
  target_compile_options(qvtestlib PRIVATE -O2 -Wall)
  target_link_options(qvtestlib PRIVATE -static-libgcc -s)
  set_target_properties(qvtestlib PROPERTIES PREFIX "" OUTPUT_NAME qvtestlib
                        RUNTIME_OUTPUT_DIRECTORY ${QV_BIN_DIR}/tests)
  add_dependencies(services_library qvtestlib)
  add_dependencies(services_library_cp936_en_US qvtestlib)
endif()
qv_hosted_test(services_dialogs SOURCES tests/services/dialogs.c SCRIPT tests/services/dialogs_test.py TIMEOUT 120)
qv_hosted_test(services_flush SOURCES tests/services/flush.c tests/services/fileaccess.c
               SCRIPT tests/services/flush_test.py TIMEOUT 180)
# The viewer example, run as a user would run it.
qv_wine_check(services_viewer python3 tests/services/viewer_test.py ${QV_BIN_DIR}/viewer.exe)
# Every service called with the arguments of a careless or hostile program,
# its buffers against inaccessible pages; the faults that the program's own
# addresses and lengths cause are answered with OK. With and without a code
# page of the program's own, and as Windows 98 (no print dialog there).
set(QV_HOSTILE SOURCES tests/services/hostile.c SCRIPT tests/faults/fault_driver.py
    ARGS --answers ok,ok,ok,ok,ok,ok --tempdir --timeout 150 TIMEOUT 180)
qv_hosted_test(services_hostile ${QV_HOSTILE})
qv_hosted_test(services_hostile_cp936 ${QV_HOSTILE} CODE_PAGE 936)
qv_hosted_test(services_hostile_win98 ${QV_HOSTILE} WINDOWS_VERSION win98)
