# Grades: the worked example of a CI check with quorven-run. make test runs
# it with its input and checks its screen against expected.txt and its exit
# code (the number of scores below 60).
qv_hosted_program(grades SOURCES examples/grades/main.c NO_SUPPORT)
qv_wine_check(example_grades ${QV_BIN_DIR}/quorven-run --input 95 --input 58 --input 73 --keys Return
              --expect ${CMAKE_SOURCE_DIR}/examples/grades/expected.txt --expect-exit 1 ${QV_BIN_DIR}/grades.exe)
