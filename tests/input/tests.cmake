# Input: the event queue, the input messages and the reading services.
set(QV_INPUT_PROBE tests/input/probe.c)
qv_hosted_test(input_queue SOURCES tests/input/queue.c ${QV_INPUT_PROBE})
qv_hosted_test(input_quit_wait SOURCES tests/input/quit.c ${QV_INPUT_PROBE} ARGS wait)
qv_hosted_test(input_quit_peek SOURCES tests/input/quit.c ${QV_INPUT_PROBE} ARGS peek)
qv_hosted_test(input_real SOURCES tests/input/realinput.c ${QV_INPUT_PROBE} SCRIPT tests/input/realinput_test.py TIMEOUT 120)
qv_hosted_test(input_messages SOURCES tests/input/messages.c ${QV_INPUT_PROBE})
# Joined with --code-page 936 on code page 936 every check passes as without
# it (the Unicode window, the hooks through the system's ANSI conversion).
qv_hosted_test(input_messages_cp936 SOURCES tests/input/messages.c ${QV_INPUT_PROBE} CODE_PAGE 936)
foreach(loc en_US ja_JP)
  qv_hosted_test(input_messages_cp936_${loc} SOURCES tests/input/messages.c ${QV_INPUT_PROBE} ARGS wide
                 CODE_PAGE 936 LOCALE ${loc}.UTF-8)
endforeach()
qv_wine_check(input_demo python3 tests/input/demo_test.py)
# The hooks of a program with a text code page as NT 4.0 (Wine's Version
# nt40), which has no message-only windows.
qv_hosted_test(input_messages_cp936_nt40 SOURCES tests/input/messages.c ${QV_INPUT_PROBE} CODE_PAGE 936
               WINDOWS_VERSION nt40)
