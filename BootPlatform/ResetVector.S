// The processor's first instructions: at 0xFFFFFFF0 in real mode, with CS
// based at 0xFFFF0000. Everything 16-bit sits in the last 256 bytes of the
// address space and is linked at its offsets in that segment (0xFF00 up to
// 0x10000), which is what IP holds while it runs; the linker script loads it
// at its flash address. It loads a flat GDT kept in flash, enters 32-bit
// protected mode and calls BootMain on a stack in RAM (the emulated board
// has RAM from reset).

#define RESET_SEGMENT_BASE 0xFFFF0000
#define CODE_SELECTOR 0x08
#define DATA_SELECTOR 0x10

  .section .reset16, "ax"
  .code16
Reset16Start:
  cli
  cld
  lgdtl %cs:GdtPointer
  movl %cr0, %eax
  orl $1, %eax // PE
  movl %eax, %cr0
  ljmpl $CODE_SELECTOR, $Start32

  .balign 8, 0xFF
Gdt:
  .quad 0
  // Flat 4 GiB code and data, 32-bit, accessed bits preset so that loading a
  // selector never writes to the table in flash.
  .quad 0x00CF9B000000FFFF
  .quad 0x00CF93000000FFFF
GdtEnd:
GdtPointer:
  .word GdtEnd - Gdt - 1
  .long RESET_SEGMENT_BASE + Gdt // the table's linear address

  .org 0xF0, 0xFF
  .globl ResetVector
ResetVector:
  jmp Reset16Start
  // Up to the last byte of the address space: the volume top file ends there.
  .org 0x100, 0xFF

  .text
  .code32
Start32:
  movw $DATA_SELECTOR, %ax
  movw %ax, %ds
  movw %ax, %es
  movw %ax, %ss
  movw %ax, %fs
  movw %ax, %gs
  movl $BOOT_STACK_TOP, %esp
  xorl %ebp, %ebp
  call BootMain
1:
  cli
  hlt
  jmp 1b
