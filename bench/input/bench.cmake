# Input: event round trips and the delay from a real key press to WaitEvent.
qv_hosted_program(input_bench SOURCES bench/input/bench.c)
