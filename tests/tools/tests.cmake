# The command-line tools.
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME tools.join_cli COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/join_cli_test.py ${QV_BIN_DIR})
endif()
