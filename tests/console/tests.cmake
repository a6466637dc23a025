# The console: window, geometry and scrolling, output and painting.
set(QV_CWIN tests/console/cwin.c)
qv_hosted_test(console_show SOURCES tests/console/probe.c ${QV_CWIN} SCRIPT tests/console/probe_test.py TIMEOUT 200)
qv_hosted_test(console_window SOURCES tests/console/window.c ${QV_CWIN} SCRIPT tests/console/window_test.py TIMEOUT 300)
qv_hosted_test(console_geometry SOURCES tests/console/geometry.c ${QV_CWIN} TIMEOUT 120)
qv_hosted_test(console_output SOURCES tests/console/output.c ${QV_CWIN} TIMEOUT 120)
qv_hosted_test(console_pixels SOURCES tests/console/pixels.c ${QV_CWIN} TIMEOUT 120)
# A GBK program joined with --code-page 936 draws the same on code pages
# 1252 and 932 (the console's font then has GB2312_CHARSET).
foreach(loc en_US ja_JP)
  qv_hosted_test(console_pixels_cp936_${loc} SOURCES tests/console/pixels.c ${QV_CWIN} TIMEOUT 120
                 CODE_PAGE 936 LOCALE ${loc}.UTF-8)
endforeach()
