# The fault box and the recovery: the first run divides by zero; after OK the
# program shows the description of the fault the kernel recorded.
qv_hosted_program(faults SOURCES examples/faults/main.c)
if(CMAKE_CROSSCOMPILING)
  target_compile_options(faults-obj PRIVATE -fno-omit-frame-pointer)
endif()
