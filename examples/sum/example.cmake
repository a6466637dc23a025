# Adds two numbers read with ReadLine: the example of quorven-run in the README.
qv_hosted_program(sum SOURCES examples/sum/main.c NO_SUPPORT)
