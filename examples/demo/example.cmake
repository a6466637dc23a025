# The console demo: make demo builds and runs it.
qv_hosted_program(demo SOURCES examples/demo/main.c)
