# The test harness itself. qvpeek: what the session's windows show, for the
# report of a test that timed out (qvharness.report_wait).
if(CMAKE_CROSSCOMPILING)
  add_executable(qvpeek tests/harness/peek.c)
  set_target_properties(qvpeek PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QV_BIN_DIR}/tests)
  target_link_options(qvpeek PRIVATE -static-libgcc)
  target_link_libraries(qvpeek PRIVATE user32)
endif()
# The report of a run that timed out, on the grades example left waiting
# for the line that ends its scores.
qv_wine_check(harness_timeout_report python3 tests/harness/timeout_report_test.py ${QV_BIN_DIR}/grades.exe)
