# Files, file-name dialogs, libraries, memory and text case.
qv_hosted_test(services_files SOURCES tests/services/files.c tests/services/fileaccess.c
               SCRIPT tests/services/in_tempdir.py)
