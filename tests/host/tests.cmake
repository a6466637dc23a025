# Program host: start-up, header, service table, shutdown.
qv_hosted_test(startup_offsets SOURCES tests/host/startup_offsets.c ARGS "  abc def")
