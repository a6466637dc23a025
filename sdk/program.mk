# Compiles, links, images, joins, runs and checks a hosted program of your
# own with the Quorven kernel. Use it as it is:
#
#   make -f sdk/program.mk PROGRAM=hello SOURCES=hello.c
#
# or from a Makefile of your own:
#
#   QUORVEN := /path/to/quorven   # the source tree after `make`, or the unpacked archive
#   PROGRAM := hello
#   SOURCES := hello.c
#   include $(QUORVEN)/sdk/program.mk
#
# Targets: the joined program (the default), run (in a window on $DISPLAY,
# under Wine), screen (headless, the console's text at the end), check
# (headless, the screen compared with EXPECT and the exit code with
# EXPECT_EXIT), clean. Sources are UTF-8; their texts become GBK bytes.
# Every setting below can be given on the command line.

QUORVEN ?= $(abspath $(dir $(lastword $(MAKEFILE_LIST)))..)
PROGRAM ?= program
SOURCES ?= $(PROGRAM).c
OUT ?= out

# The text code page of the program's texts (GBK): recorded in the
# executable, so that they read right on any system. Empty for none.
CODE_PAGE ?= 936
# The encoding the sources are written in, and the one their texts take.
SOURCE_CHARSET ?= UTF-8
TEXT_CHARSET ?= GBK
# Bytes of zeroed memory behind the program's image.
RESERVE ?= 0

# quorven-run's script of input (--input, --input-file, --keys ...), the
# expected screen (UTF-8) and exit code for `check`.
INPUT ?=
EXPECT ?=
EXPECT_EXIT ?=

CROSS ?= i686-w64-mingw32-
CC := $(CROSS)gcc
LD := $(CROSS)ld
OBJCOPY := $(CROSS)objcopy
AR := $(CROSS)ar
CFLAGS ?= -O2
# -ffreestanding and the rest: no C library, no unwind tables, no calls to
# memset/memcpy the program does not define. -Werror=implicit-function-declaration
# stops at a misspelt service name (qvWriteTxt) instead of at the link.
HOSTED_CFLAGS := -ffreestanding -fno-pic -fno-asynchronous-unwind-tables -fno-unwind-tables \
    -fno-stack-protector -fno-tree-loop-distribute-patterns \
    -Wall -Wextra -Werror=implicit-function-declaration \
    -finput-charset=$(SOURCE_CHARSET) -fexec-charset=$(TEXT_CHARSET) -I $(QUORVEN)/sdk

# The source tree keeps the built kernel and tools in build/bin; the archive
# in bin.
BIN ?= $(if $(wildcard $(QUORVEN)/build/bin/quorven.exe),$(QUORVEN)/build/bin,$(QUORVEN)/bin)
KERNEL ?= $(BIN)/quorven.exe
JOIN ?= $(BIN)/quorven-join
RUN ?= $(BIN)/quorven-run
WINE ?= wine

EXE := $(OUT)/$(PROGRAM).exe
OBJECTS := $(patsubst %.c,$(OUT)/%.o,$(notdir $(SOURCES)))
# The SDK's library (sdk/qvlib.h; memset and the like in qvmem.c), as an
# archive: the linker takes from it only what the program uses, and a
# program that defines its own memset keeps it.
QVLIB := $(OUT)/qvlib/qvlib.a
QVLIB_OBJECTS := $(OUT)/qvlib/qvlib.o $(OUT)/qvlib/qvmem.o
vpath %.c $(sort $(dir $(SOURCES)))

.PHONY: all run screen check clean
all: $(EXE)

$(OUT)/%.o: %.c $(QUORVEN)/sdk/quorven.h $(QUORVEN)/sdk/qvlib.h | $(OUT)
	$(CC) -c $(CFLAGS) $(HOSTED_CFLAGS) $< -o $@

$(OUT)/qvlib/%.o: $(QUORVEN)/sdk/%.c $(QUORVEN)/sdk/qvlib.h | $(OUT)/qvlib
	$(CC) -c $(CFLAGS) $(HOSTED_CFLAGS) $< -o $@

$(QVLIB): $(QVLIB_OBJECTS)
	rm -f $@
	$(AR) rcs $@ $(QVLIB_OBJECTS)

# Linked to run at 0x448000, right behind the kernel's image; the flat
# image is the .qvprog section, header first.
$(OUT)/$(PROGRAM).pe: $(OBJECTS) $(QVLIB) $(QUORVEN)/sdk/hosted.ld
	$(LD) --disable-reloc-section -T $(QUORVEN)/sdk/hosted.ld -o $@ $(OBJECTS) $(QVLIB) $$($(CC) -print-libgcc-file-name)

$(OUT)/$(PROGRAM).bin: $(OUT)/$(PROGRAM).pe
	$(OBJCOPY) -O binary -j .qvprog $< $@

$(EXE): $(OUT)/$(PROGRAM).bin $(KERNEL)
	$(JOIN) $(KERNEL) $< $@ --reserve $(RESERVE) $(if $(CODE_PAGE),--code-page $(CODE_PAGE))

$(OUT) $(OUT)/qvlib:
	mkdir -p $@

# Under Wine a window needs an X display: without one Wine would wait for
# ever, so the target refuses at once and names the headless ones.
run: $(EXE)
	$(if $(WINE),$(if $(DISPLAY),,$(error run: no X display ($$DISPLAY is empty); run headless with the screen or check target)))
	$(WINE) $(EXE)

screen: $(EXE)
	$(RUN) $(INPUT) --screen - $(EXE)

check: $(EXE)
	$(if $(EXPECT)$(EXPECT_EXIT),,$(error check: give EXPECT=FILE and/or EXPECT_EXIT=N))
	$(RUN) $(INPUT) $(if $(EXPECT),--expect $(EXPECT)) $(if $(EXPECT_EXIT),--expect-exit $(EXPECT_EXIT)) \
	    --symbols $(OUT)/$(PROGRAM).pe $(EXE)

clean:
	rm -f $(OBJECTS) $(QVLIB_OBJECTS) $(QVLIB) $(OUT)/$(PROGRAM).pe $(OUT)/$(PROGRAM).bin $(EXE)
