/* Link script for hosted programs: one section at 0x448000 (the kernel's
 * load address 0x400000 plus its image size 0x48000), the program header
 * first. objcopy -O binary of .qvprog gives the flat image the joiner takes. */
SECTIONS
{
  .qvprog 0x448000 : {
    KEEP(*(.qvheader))
    *(.text .text.*)
    *(.rdata .rdata.* .rdata$* .rodata .rodata.*)
    *(.data .data.* .data$*)
    *(.bss .bss.* COMMON)
    _qvImageEnd = .;
  }
  /DISCARD/ : { *(.eh_frame) *(.comment) *(.note*) *(.debug*) *(.drectve) }
}
