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
# Copy and paste through the system menu: with and without --code-page 936,
# on code pages 936 and 1252 (without a code page, 1252 lacks Chinese).
set(QV_CLIPBOARD_SOURCES tests/console/clipboard.c ${QV_CWIN} tests/input/probe.c)
qv_hosted_test(console_clipboard SOURCES ${QV_CLIPBOARD_SOURCES} TIMEOUT 120)
qv_hosted_test(console_clipboard_cp936 SOURCES ${QV_CLIPBOARD_SOURCES} TIMEOUT 120 CODE_PAGE 936)
qv_hosted_test(console_clipboard_cp936_en_US SOURCES ${QV_CLIPBOARD_SOURCES} TIMEOUT 120 CODE_PAGE 936
               LOCALE en_US.UTF-8)
qv_hosted_test(console_clipboard_en_US SOURCES ${QV_CLIPBOARD_SOURCES} ARGS lossy TIMEOUT 120 LOCALE en_US.UTF-8)
# The same with Wine reporting Windows 98: the menu items and the caption
# through the ANSI calls, the paste read as CF_TEXT.
qv_hosted_test(console_clipboard_win98 SOURCES ${QV_CLIPBOARD_SOURCES} TIMEOUT 120 WINDOWS_VERSION win98)
# At 144 and 192 DPI, each in a Wine prefix of its own: the cells scaled,
# the glyphs filling them (in two colours at 192), the window fitting the
# view, the default and the saved rectangles; the geometry as at 96.
foreach(dpi 144 192)
  qv_hosted_test(console_pixels_dpi${dpi} SOURCES tests/console/pixels.c ${QV_CWIN} SCRIPT tests/console/dpi_test.py
                 ARGS ${QV_BIN_DIR}/tests/console_window.exe TIMEOUT 200 DPI ${dpi})
  qv_hosted_test(console_geometry_dpi${dpi} SOURCES tests/console/geometry.c ${QV_CWIN} TIMEOUT 120 DPI ${dpi})
endforeach()
