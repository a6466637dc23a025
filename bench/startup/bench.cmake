# Start-up: a joined program that opens its console, writes a line and ends,
# against a plain Win32 window program that does the same. Run with
# scripts/bench.sh (bench/startup/run.sh).
qv_hosted_program(startup_hello SOURCES bench/startup/hello.c OUTDIR ${QV_BIN_DIR}/bench NO_SUPPORT)
if(CMAKE_CROSSCOMPILING)
  add_executable(startup_plain WIN32 bench/startup/plain.c)
  target_compile_options(startup_plain PRIVATE -O2)
  target_link_options(startup_plain PRIVATE -static-libgcc)
  target_link_libraries(startup_plain PRIVATE user32 gdi32)
  set_target_properties(startup_plain PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QV_BIN_DIR}/bench)
endif()
