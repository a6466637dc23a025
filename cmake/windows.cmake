# Windows build: the kernel, the hosted test programs, examples, benchmarks.
find_program(QV_LD i686-w64-mingw32-ld REQUIRED)
find_program(QV_OBJCOPY i686-w64-mingw32-objcopy REQUIRED)
find_program(QV_WINDRES i686-w64-mingw32-windres REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
enable_language(ASM)

set(QV_KERNEL ${QV_BIN_DIR}/quorven.exe)

# ---- Resources: drawn at build time, then compiled -----------------------
set(QV_ART ${CMAKE_BINARY_DIR}/art)
set(QV_ART_FILES console.ico program.ico arrow.cur cross.cur beam.cur hand.cur glass.cur splash.bmp)
list(TRANSFORM QV_ART_FILES PREPEND ${QV_ART}/ OUTPUT_VARIABLE QV_ART_PATHS)
add_custom_command(OUTPUT ${QV_ART_PATHS}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/resources/make_art.py ${QV_ART}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/make_art.py
  COMMENT "Drawing the kernel's icons, cursors and bitmap")
# The application manifest, checked against the schema of the elements it
# uses before it goes into the kernel: Windows XP and later refuse to start
# a program whose manifest they cannot parse.
find_program(QV_XMLLINT xmllint REQUIRED)
set(QV_MANIFEST ${CMAKE_SOURCE_DIR}/resources/kernel.manifest)
file(GLOB QV_MANIFEST_SCHEMA CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/manifest/*.xsd)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/manifest.checked
  COMMAND ${QV_XMLLINT} --noout --schema ${CMAKE_SOURCE_DIR}/resources/manifest/assembly.xsd ${QV_MANIFEST}
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/manifest.checked
  DEPENDS ${QV_MANIFEST} ${QV_MANIFEST_SCHEMA}
  COMMENT "Checking the kernel's manifest against resources/manifest/assembly.xsd")
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/kernel_res.o
  COMMAND ${QV_WINDRES} -I ${QV_ART} -I ${CMAKE_SOURCE_DIR}/resources -i ${CMAKE_SOURCE_DIR}/resources/kernel.rc
          -o ${CMAKE_BINARY_DIR}/kernel_res.o
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/kernel.rc ${QV_ART_PATHS} ${QV_MANIFEST} ${CMAKE_BINARY_DIR}/manifest.checked)

# ---- The kernel -----------------------------------------------------------
file(GLOB QV_KERNEL_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/platform/*.cpp ${CMAKE_SOURCE_DIR}/host/*.cpp ${CMAKE_SOURCE_DIR}/console/*.cpp ${CMAKE_SOURCE_DIR}/input/*.cpp
  ${CMAKE_SOURCE_DIR}/print/*.cpp ${CMAKE_SOURCE_DIR}/services/*.cpp ${CMAKE_SOURCE_DIR}/common/*.cpp)
add_executable(quorven-linked WIN32 ${QV_KERNEL_SOURCES} ${CMAKE_BINARY_DIR}/kernel_res.o)
# The same bytes from every clean build of a commit, wherever it is built:
# source and build folders are mapped away from any path the compiler would
# record, and the linker writes no time stamp (0 in the PE header), so that
# a compiler shipping the kernel can rebuild it and compare.
set(QV_REPRODUCIBLE_FLAGS -ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
target_compile_options(quorven-linked PRIVATE
  -Os -Wall -Wextra -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-unwind-tables
  -fno-threadsafe-statics -ffunction-sections -fdata-sections ${QV_REPRODUCIBLE_FLAGS})
# The platform's own C run-time (msvcrt) for formatting, scanning and streams,
# not the C library's replacements. The headers as the oldest system the
# kernel runs on knows them (Windows 95 and NT 4.0): constants, records and
# calls of later systems stay hidden, and one the kernel needs is named in
# its own code, with its own check of the system or a fall-back.
target_compile_definitions(quorven-linked PRIVATE __USE_MINGW_ANSI_STDIO=0 _WIN32_WINNT=0x0400 WINVER=0x0400)
# An image as Windows 9x, NT and 2000 know it: fixed at 0x400000 without
# relocations, DllCharacteristics 0 (hosted programs run code they place in
# memory blocks, so no NX compatibility).
target_link_options(quorven-linked PRIVATE
  -s -static-libgcc -Wl,--gc-sections -Wl,--no-insert-timestamp
  -Wl,--disable-dynamicbase,--disable-nxcompat,--disable-tsaware,--disable-reloc-section,--image-base,0x400000
  -Wl,--subsystem,windows:4.0 -Wl,--major-os-version,4 -Wl,--minor-os-version,0)
# comdlg32.dll and winspool.drv are not linked: the dialogs and the printer
# services look them up by name on first use (host/system.h, systemProc).
target_link_libraries(quorven-linked PRIVATE user32 gdi32 advapi32)
set_target_properties(quorven-linked PROPERTIES OUTPUT_NAME quorven-linked)
# Pad to exactly 0x48000 bytes; fails the build when the kernel is larger.
add_custom_command(TARGET quorven-linked POST_BUILD
  COMMAND ${QV_PADKERNEL} $<TARGET_FILE:quorven-linked> ${QV_KERNEL}
  COMMENT "Padding the kernel's image to 0x48000 bytes")
# Every import must be there on Windows 98, NT 4.0 and 2000, and one that 9x
# only stubs must be called on NT only: checked against docs/imports.md
# after every link and every change of the table; fails the build if not.
set(QV_IMPORTS_CHECKED ${CMAKE_BINARY_DIR}/imports.checked)
add_custom_command(OUTPUT ${QV_IMPORTS_CHECKED}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/compat/check_imports.py $<TARGET_FILE:quorven-linked>
          ${CMAKE_SOURCE_DIR}/docs/imports.md
  COMMAND ${CMAKE_COMMAND} -E touch ${QV_IMPORTS_CHECKED}
  DEPENDS quorven-linked ${CMAKE_SOURCE_DIR}/docs/imports.md ${CMAKE_SOURCE_DIR}/tools/compat/check_imports.py
  COMMENT "Checking the kernel's imports against docs/imports.md")
add_custom_target(kernel-imports ALL DEPENDS ${QV_IMPORTS_CHECKED})

# ---- Hosted programs ------------------------------------------------------
set(QV_HOSTED_FLAGS -O2 -ffreestanding -fno-pic -fno-asynchronous-unwind-tables -fno-unwind-tables
    -fno-exceptions -fno-stack-protector -fno-tree-loop-distribute-patterns -Wall -Wextra)
execute_process(COMMAND ${CMAKE_C_COMPILER} -print-libgcc-file-name OUTPUT_VARIABLE QV_LIBGCC OUTPUT_STRIP_TRAILING_WHITESPACE)

# Support code linked into every hosted test program, with the SDK's
# memset, memcpy, memmove and memcmp.
file(GLOB QV_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.c)
list(APPEND QV_TEST_SUPPORT ${CMAKE_SOURCE_DIR}/sdk/qvmem.c)

# qv_hosted_program(NAME SOURCES ... [OUTDIR dir] [RESERVE n] [CODE_PAGE n] [NO_SUPPORT])
# compiles a hosted program, links it to run at 0x448000, takes its flat
# image and joins it to the kernel as OUTDIR/NAME.exe (with CODE_PAGE, as a
# program whose texts are in that code page).
function(qv_hosted_program name)
  cmake_parse_arguments(P "NO_SUPPORT" "OUTDIR;RESERVE;CODE_PAGE" "SOURCES" ${ARGN})
  set(code_page)
  if(P_CODE_PAGE)
    set(code_page --code-page ${P_CODE_PAGE})
  endif()
  if(NOT P_OUTDIR)
    set(P_OUTDIR ${QV_BIN_DIR})
  endif()
  if(NOT P_RESERVE)
    set(P_RESERVE 0)
  endif()
  set(srcs ${P_SOURCES})
  if(NOT P_NO_SUPPORT)
    list(APPEND srcs ${QV_TEST_SUPPORT})
  endif()
  add_library(${name}-obj OBJECT ${srcs})
  target_compile_options(${name}-obj PRIVATE ${QV_HOSTED_FLAGS})
  target_include_directories(${name}-obj PRIVATE ${CMAKE_SOURCE_DIR}/sdk ${CMAKE_SOURCE_DIR}/tests/support)
  set(pe ${CMAKE_CURRENT_BINARY_DIR}/hosted/${name}.pe)
  set(bin ${CMAKE_CURRENT_BINARY_DIR}/hosted/${name}.bin)
  add_custom_command(OUTPUT ${P_OUTDIR}/${name}.exe
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/hosted ${P_OUTDIR}
    COMMAND ${QV_LD} --disable-reloc-section -T ${CMAKE_SOURCE_DIR}/sdk/hosted.ld -o ${pe}
            $<TARGET_OBJECTS:${name}-obj> ${QV_LIBGCC}
    COMMAND ${QV_OBJCOPY} -O binary -j .qvprog ${pe} ${bin}
    COMMAND ${QV_JOIN} ${QV_KERNEL} ${bin} ${P_OUTDIR}/${name}.exe --reserve ${P_RESERVE} ${code_page}
    DEPENDS ${name}-obj $<TARGET_OBJECTS:${name}-obj> ${CMAKE_SOURCE_DIR}/sdk/hosted.ld quorven-linked ${QV_JOIN}
    COMMAND_EXPAND_LISTS
    COMMENT "Joining ${name}.exe")
  add_custom_target(${name} ALL DEPENDS ${P_OUTDIR}/${name}.exe)
endfunction()

function(qv_hosted_test name)
  cmake_parse_arguments(T "" "MODE;SCRIPT;TIMEOUT;RESERVE;CODE_PAGE;LOCALE;WINDOWS_VERSION;DPI" "SOURCES;ARGS;LABELS" ${ARGN})
  if(NOT T_RESERVE)
    set(T_RESERVE 0)
  endif()
  qv_hosted_program(${name} SOURCES ${T_SOURCES} OUTDIR ${QV_BIN_DIR}/tests RESERVE ${T_RESERVE}
                    CODE_PAGE ${T_CODE_PAGE})
endfunction()

function(qv_wine_check name)
endfunction()

foreach(list ${QV_TEST_LISTS} ${QV_EXAMPLE_LISTS})
  include(${list})
endforeach()

# ---- Windows tools --------------------------------------------------------
# The joiner for Windows users: the same sources as the native quorven-join,
# with tools/wincompat/posix.h standing in for the POSIX calls they use.
# quorven-join-fallback (a test build) replaces its output the way it does
# on Windows 9x, which lacks MoveFileEx.
set(QV_JOIN_WIN_SOURCES tools/join/main.cpp tools/pe/pe_image.cpp tools/pe/file_io.cpp common/codepage_rules.cpp)
add_executable(quorven-join-win ${QV_JOIN_WIN_SOURCES})
add_executable(quorven-join-fallback ${QV_JOIN_WIN_SOURCES})
target_compile_definitions(quorven-join-fallback PRIVATE QV_TEST_RENAME_FALLBACK)
foreach(joiner quorven-join-win quorven-join-fallback)
  target_compile_options(${joiner} PRIVATE -include ${CMAKE_SOURCE_DIR}/tools/wincompat/posix.h -Wall -Wextra)
  target_include_directories(${joiner} PRIVATE tools/pe)
  target_link_options(${joiner} PRIVATE -static)
endforeach()
set_target_properties(quorven-join-win PROPERTIES OUTPUT_NAME quorven-join RUNTIME_OUTPUT_DIRECTORY ${QV_BIN_DIR})
set_target_properties(quorven-join-fallback PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QV_BIN_DIR}/tests)
# Its imports, against the Windows it is for (docs/imports-join.md), after
# every link; fails the build as the kernel's check does.
set(QV_JOIN_IMPORTS_CHECKED ${CMAKE_BINARY_DIR}/join-imports.checked)
add_custom_command(OUTPUT ${QV_JOIN_IMPORTS_CHECKED}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/compat/check_imports.py $<TARGET_FILE:quorven-join-win>
          ${CMAKE_SOURCE_DIR}/docs/imports-join.md
  COMMAND ${CMAKE_COMMAND} -E touch ${QV_JOIN_IMPORTS_CHECKED}
  DEPENDS quorven-join-win ${CMAKE_SOURCE_DIR}/docs/imports-join.md ${CMAKE_SOURCE_DIR}/tools/compat/check_imports.py
  COMMENT "Checking quorven-join.exe's imports against docs/imports-join.md")
add_custom_target(join-imports ALL DEPENDS ${QV_JOIN_IMPORTS_CHECKED})
# quorven-run's Windows side: starts the program and watches it.
add_executable(quorven-runhelper tools/runhelper/main.c)
target_link_options(quorven-runhelper PRIVATE -static-libgcc)
target_link_libraries(quorven-runhelper PRIVATE user32 advapi32)
set_target_properties(quorven-runhelper PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QV_BIN_DIR})
