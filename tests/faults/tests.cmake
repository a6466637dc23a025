# Fault capture and recovery. Each hosted test faults on purpose; the driver
# answers the fault boxes with the faultbox helper and checks their text.
if(CMAKE_CROSSCOMPILING)
  # The helper is an ordinary Windows program, not a hosted one.
  add_executable(faultbox tests/faults/faultbox.c)
  set_target_properties(faultbox PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QV_BIN_DIR}/tests)
  target_link_options(faultbox PRIVATE -static-libgcc)
endif()

set(QV_FAULT_DRIVER tests/faults/fault_driver.py)
qv_hosted_test(fault_codes SOURCES tests/faults/fault_codes.c SCRIPT ${QV_FAULT_DRIVER}
               ARGS --answers ok,ok,ok,ok)
# The kernel's own texts on other system code pages: the box reads the same
# on code page 1252 without a program code page, and on 932 with one.
qv_hosted_test(fault_codes_en_US SOURCES tests/faults/fault_codes.c SCRIPT ${QV_FAULT_DRIVER}
               ARGS --answers ok,ok,ok,ok LOCALE en_US.UTF-8)
qv_hosted_test(fault_codes_cp936_ja_JP SOURCES tests/faults/fault_codes.c SCRIPT ${QV_FAULT_DRIVER}
               ARGS --answers ok,ok,ok,ok CODE_PAGE 936 LOCALE ja_JP.UTF-8)
qv_hosted_test(fault_frame SOURCES tests/faults/fault_frame.c SCRIPT ${QV_FAULT_DRIVER}
               ARGS --answers ok,ok,ok,ok,ok,ok)
qv_hosted_test(fault_stack SOURCES tests/faults/fault_stack.c SCRIPT ${QV_FAULT_DRIVER}
               ARGS --answers ok,ok,ok)
qv_hosted_test(fault_console SOURCES tests/faults/fault_console.c SCRIPT ${QV_FAULT_DRIVER}
               ARGS --answers ok,ok,ok,ok,ok,cancel --exit 1 --check-rect
                    --expect-line "shutdown hook ran, console still open")
# An exception under the fault box counts as Cancel: the shutdown runs once.
qv_hosted_test(fault_in_box SOURCES tests/faults/fault_exit.c SCRIPT ${QV_FAULT_DRIVER}
               ARGS --exit 1 --timeout 30 --expect-line "message dispatched under the box: faulting"
                    --expect-line "shutdown hook run 1" --reject-line "shutdown hook run 2" --arg box)
# An exception in the exit after Cancel ends the process without a second
# shutdown. Cancel is typed: Escape.
qv_hosted_test(fault_in_exit SOURCES tests/faults/fault_exit.c SCRIPT ${QV_FAULT_DRIVER}
               ARGS --keys --answers cancel --exit 1 --timeout 30 --expect-line "shutdown hook run 1"
                    --reject-line "shutdown hook run 2" --arg exit)
# 1,000 faults in one process, answered by the program itself; no growth.
qv_hosted_test(fault_cycles SOURCES tests/faults/fault_cycles.c SCRIPT ${QV_FAULT_DRIVER}
               ARGS --unmanaged --timeout 280 TIMEOUT 300)
# The fault example recovers after OK and shows the fault fields.
qv_wine_check(fault_example python3 tests/faults/example_test.py ${QV_BIN_DIR}/faults.exe)
qv_hosted_test(fault_sent SOURCES tests/faults/fault_sent.c SCRIPT ${QV_FAULT_DRIVER} ARGS --answers ok)
qv_hosted_test(fault_float SOURCES tests/faults/fault_float.c SCRIPT ${QV_FAULT_DRIVER} ARGS --answers ok)
qv_hosted_test(fault_modal SOURCES tests/faults/fault_modal.c SCRIPT ${QV_FAULT_DRIVER} ARGS --answers ok,ok,ok
               --timeout 150 TIMEOUT 180)
# A fault in the shutdown hook after the entry returned normally; the box
# found by its caption with xdotool and answered from the keyboard (Return).
# Typed answers wait on the X server's focus, which a busy machine gives
# late: 2.5 s alone, over 60 s once in a full suite on two busy cores.
qv_hosted_test(fault_after_return SOURCES tests/faults/fault_after_return.c SCRIPT ${QV_FAULT_DRIVER}
               ARGS --keys --answers ok --exit 7 --expect-line "hook faulting" --timeout 100 TIMEOUT 120)
