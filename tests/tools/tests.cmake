# The command-line tools.
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME tools.join_cli COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/join_cli_test.py ${QV_BIN_DIR})
  # The import check's rules (tools/compat/check_imports.py) on a small table.
  add_test(NAME tools.check_imports COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/check_imports_test.py)
  # The console font the build makes: metrics, coverage, every glyph drawn
  # against its source bitmap, the same bytes from a second run.
  # quorven-run's pure parts, with no Wine: screen text, script, key names,
  # fault reports, the file checks, the outcome's status.
  add_test(NAME tools.run_units COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/run_units_test.py)
  add_test(NAME tools.console_font
           COMMAND ${QV_FONT_PYTHON} ${CMAKE_SOURCE_DIR}/tests/tools/console_font_test.py ${QV_CONSOLE_FONT})
  # It took 257 s and 363 s while another full suite ran beside it on two
  # processors, over half of make test's 600 s: it gets its own allowance.
  set_tests_properties(tools.console_font PROPERTIES TIMEOUT 1500)
endif()
# The Windows build of the joiner, the same checks under Wine.
qv_wine_check(join_cli_windows python3 tests/tools/join_cli_test.py ${QV_BIN_DIR} --wine)
# quorven-run: bad use, two runs at once (the sum example with Chinese and
# ASCII input, checked against an expected screen), the script used up, the
# time-out, a faulting program (its linker output gives the symbols), a
# console never shown.
qv_hosted_test(run_tool SOURCES tests/tools/runprobe.c SCRIPT tests/tools/run_tool_test.py TIMEOUT 900
               ARGS ${CMAKE_BINARY_DIR}/windows/hosted/run_tool.pe)
# Reproducible builds: the kernel and a joined program built again from a
# copy of the sources in other folders (scripts/rebuild-kernel.sh, under a
# minute of processor time) are the same bytes as this build's. ctest -L repro runs it alone.
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME tools.reproducible
           COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/reproducible_test.py ${CMAKE_SOURCE_DIR} ${QV_BIN_DIR})
  set_tests_properties(tools.reproducible PROPERTIES LABELS repro TIMEOUT 600 RUN_SERIAL TRUE)
endif()
