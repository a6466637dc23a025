# Prints the console's text as a document on the default printer.
qv_hosted_program(print SOURCES examples/print/main.c)
