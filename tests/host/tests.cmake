# Program host: start-up, header, service table, shutdown, resources.
qv_hosted_test(startup_fields SOURCES tests/host/startup_fields.c ARGS one two)
qv_hosted_test(startup_cmdline SOURCES tests/host/startup_cmdline.c SCRIPT tests/host/cmdline_test.py)
foreach(loc en_US ja_JP)
  qv_hosted_test(startup_cmdline_cp936_${loc} SOURCES tests/host/startup_cmdline.c SCRIPT tests/host/cmdline_test.py
                 CODE_PAGE 936 LOCALE ${loc}.UTF-8)
endforeach()
qv_hosted_test(callconv SOURCES tests/host/callconv.c tests/host/callconv.S)
qv_hosted_test(exit_hook SOURCES tests/host/exit_hook.c SCRIPT tests/host/exit_test.py)
# A hook that calls ExitProgram ends the process with its code, once, with no
# fault box; a hook that faulted is called again by the next ExitProgram.
qv_hosted_test(exit_hook_reenter SOURCES tests/host/exit_hook.c SCRIPT tests/faults/fault_driver.py
               ARGS --exit 23 --timeout 30 --arg reenter --expect-line "hook run 1" --reject-line "hook run 2")
qv_hosted_test(exit_hook_fault SOURCES tests/host/exit_hook.c SCRIPT tests/faults/fault_driver.py
               ARGS --answers ok --exit 24 --timeout 30 --arg fault --expect-line "hook run 2"
                    --reject-line "hook run 3")
qv_hosted_program(entry_return SOURCES tests/host/entry_return.c OUTDIR ${QV_BIN_DIR}/tests)
qv_hosted_test(reserve SOURCES tests/host/reserve.c RESERVE 0x10000)
# The resources, the manifest among them, which Wine parses without complaint.
qv_hosted_test(resources SOURCES tests/host/resources.c SCRIPT tests/host/resources_test.py)

if(CMAKE_CROSSCOMPILING)
  add_executable(qvlaunch tests/tools/launch.c)
  add_executable(qvpost tests/tools/post.c)
  set_target_properties(qvlaunch qvpost PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QV_BIN_DIR}/tests)
  target_link_options(qvlaunch PRIVATE -static-libgcc)
  target_link_options(qvpost PRIVATE -static-libgcc)
endif()
# Needs the console window.
qv_hosted_test(exit_registry SOURCES tests/host/exit_registry.c SCRIPT tests/host/exit_registry_test.py)
# As Windows 98 reports itself (Wine's Version value), with and without a
# code page of the program's own, on code pages 936, 1252 and 932: no call of
# a function that 9x only stubs, and the same results. Once as NT for the
# program's own expectations there.
set(QV_SYSTEMS SOURCES tests/host/systems.c SCRIPT tests/host/systems_test.py)
qv_hosted_test(systems_win98 ${QV_SYSTEMS} WINDOWS_VERSION win98)
qv_hosted_test(systems_cp936_win98 ${QV_SYSTEMS} CODE_PAGE 936 WINDOWS_VERSION win98)
foreach(loc en_US ja_JP)
  qv_hosted_test(systems_cp936_win98_${loc} ${QV_SYSTEMS} CODE_PAGE 936 LOCALE ${loc}.UTF-8 WINDOWS_VERSION win98)
endforeach()
qv_hosted_test(systems_cp936_en_US ${QV_SYSTEMS} CODE_PAGE 936 LOCALE en_US.UTF-8)
