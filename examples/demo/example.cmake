# The console demo: make demo builds and runs it.
# Its texts are GBK: joined with --code-page 936, it reads right on any
# system code page.
qv_hosted_program(demo SOURCES examples/demo/main.c CODE_PAGE 936)
