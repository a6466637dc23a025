# Grades: the worked example of the guide and of a CI check with quorven-run.
# Its source is UTF-8 with Chinese texts, compiled to GBK bytes, and it is
# joined with --code-page 936; its numbers go through the SDK's library
# (sdk/qvlib.h). make test runs it with its input and checks its screen
# against expected.txt and its exit code (the number of scores below 60);
# and once more built the guide's way, by sdk/program.mk.
qv_hosted_program(grades SOURCES examples/grades/main.c sdk/qvlib.c NO_SUPPORT CODE_PAGE 936)
if(CMAKE_CROSSCOMPILING)
  set_source_files_properties(examples/grades/main.c PROPERTIES COMPILE_OPTIONS "-finput-charset=UTF-8;-fexec-charset=GBK")
endif()
set(QV_GRADES_INPUT --input 95 --input 58 --input 73 --keys Return)
qv_wine_check(example_grades ${QV_BIN_DIR}/quorven-run ${QV_GRADES_INPUT}
              --expect ${CMAKE_SOURCE_DIR}/examples/grades/expected.txt --expect-exit 1 ${QV_BIN_DIR}/grades.exe)
string(REPLACE ";" " " QV_GRADES_INPUT_TEXT "${QV_GRADES_INPUT}")
qv_wine_check(guide_program_mk make -s -f sdk/program.mk PROGRAM=grades SOURCES=examples/grades/main.c
              OUT=${CMAKE_BINARY_DIR}/guide-out BIN=${QV_BIN_DIR} "INPUT=${QV_GRADES_INPUT_TEXT}"
              EXPECT=examples/grades/expected.txt EXPECT_EXIT=1 clean check)
