# Console output benchmark: the kernel's services against the raw drawing
# calls and against a plain Win32 console program. Run with scripts/bench.sh.
qv_hosted_program(console_bench SOURCES bench/console/kernel.c tests/console/cwin.c OUTDIR ${QV_BIN_DIR}/bench)
if(CMAKE_CROSSCOMPILING)
  add_executable(bench_raw_textout WIN32 bench/console/raw_textout.c)
  target_compile_options(bench_raw_textout PRIVATE -O2)
  target_link_libraries(bench_raw_textout PRIVATE user32 gdi32)
  add_executable(bench_winconsole bench/console/winconsole.c)
  target_compile_options(bench_winconsole PRIVATE -O2)
  set_target_properties(bench_raw_textout bench_winconsole PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QV_BIN_DIR}/bench)
endif()
