# The console: window, geometry and scrolling, output and painting.
set(QV_CWIN tests/console/cwin.c)
qv_hosted_test(console_show SOURCES tests/console/probe.c ${QV_CWIN} SCRIPT tests/console/probe_test.py TIMEOUT 200)
qv_hosted_test(console_window SOURCES tests/console/window.c ${QV_CWIN} SCRIPT tests/console/window_test.py TIMEOUT 300)
qv_hosted_test(console_geometry SOURCES tests/console/geometry.c ${QV_CWIN} TIMEOUT 120)
qv_hosted_test(console_output SOURCES tests/console/output.c ${QV_CWIN} TIMEOUT 120)
qv_hosted_test(console_pixels SOURCES tests/console/pixels.c ${QV_CWIN} TIMEOUT 120)
