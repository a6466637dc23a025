# Printing: printer choice and set-up, orientation, jobs and settings, on a
# private cupsd with a PDF printer (started once for all printing tests).
if(NOT CMAKE_CROSSCOMPILING)
  # The socket Wine's libcups reaches the private cupsd by (as cups.py names it).
  set(QV_CUPS_SOCKET ${QV_TEST_STATE}/cups/cups.sock)
  string(LENGTH "${QV_CUPS_SOCKET}" socket_length)
  if(socket_length GREATER 100)
    string(SHA1 socket_hash "${QV_TEST_STATE}/cups")
    string(SUBSTRING "${socket_hash}" 0 12 socket_hash)
    set(QV_CUPS_SOCKET /tmp/qv-cups-${socket_hash}.sock)
  endif()
  add_test(NAME print.cups.start COMMAND python3 ${QV_HARNESS}/cups.py start ${QV_TEST_STATE})
  add_test(NAME print.cups.stop COMMAND python3 ${QV_HARNESS}/cups.py stop ${QV_TEST_STATE})
  set_tests_properties(print.cups.start PROPERTIES FIXTURES_SETUP cups TIMEOUT 120)
  set_tests_properties(print.cups.stop PROPERTIES FIXTURES_CLEANUP cups TIMEOUT 60)
endif()

# qv_print_test(NAME ...): a hosted test that prints through the private cupsd.
macro(qv_print_test name)
  qv_hosted_test(${name} ${ARGN})
  if(NOT CMAKE_CROSSCOMPILING)
    set_property(TEST wine.${name} APPEND PROPERTY FIXTURES_REQUIRED cups)
    set_property(TEST wine.${name} APPEND PROPERTY ENVIRONMENT "CUPS_SERVER=${QV_CUPS_SOCKET}")
  endif()
endmacro()

set(QV_PRINT_SUPPORT tests/print/printtest.c)
qv_print_test(print_job SOURCES tests/print/print_job.c ${QV_PRINT_SUPPORT}
              SCRIPT tests/print/print_job_test.py TIMEOUT 150)
qv_print_test(print_orientation SOURCES tests/print/print_orientation.c ${QV_PRINT_SUPPORT}
              SCRIPT tests/print/print_orientation_test.py TIMEOUT 200)
qv_print_test(print_refusal SOURCES tests/print/print_refusal.c ${QV_PRINT_SUPPORT} TIMEOUT 90)
qv_print_test(print_noprinter SOURCES tests/print/print_noprinter.c ${QV_PRINT_SUPPORT}
              SCRIPT tests/print/print_noprinter_test.py TIMEOUT 120)
qv_print_test(print_dialogs SOURCES tests/print/print_dialogs.c ${QV_PRINT_SUPPORT}
              SCRIPT tests/print/print_dialogs_test.py TIMEOUT 240)

# The sample program prints the console's text; the script checks the PDF.
if(NOT CMAKE_CROSSCOMPILING)
  qv_wine_check(print_example python3 tests/print/print_example_test.py ${QV_BIN_DIR}/print.exe)
  set_property(TEST wine.print_example APPEND PROPERTY FIXTURES_REQUIRED cups)
  set_property(TEST wine.print_example APPEND PROPERTY ENVIRONMENT "CUPS_SERVER=${QV_CUPS_SOCKET}")
endif()
