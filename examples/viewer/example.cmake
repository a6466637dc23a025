# A text-file viewer: pick a file with the open dialog, read it line by line
# and show it in the console.
qv_hosted_program(viewer SOURCES examples/viewer/main.c NO_SUPPORT)
