// The processor's first instructions: at 0xFFFFFFF0 in real mode, with CS
// based at 0xFFFF0000. Everything 16-bit sits in the last 256 bytes of the
// address space, so offsets inside it are assembly-time constants; it loads
// a flat GDT kept in flash, enters 32-bit protected mode and calls BootMain
// on a stack in RAM (the emulated board has RAM from reset).

#define RESET16_BASE 0xFFFFFF00
#define RESET16_OFFSET(Label) ((Label) - Reset16Start + (RESET16_BASE & 0xFFFF))
#define CODE_SELECTOR 0x08
#define DATA_SELECTOR 0x10

  .section .reset16, "ax"
  .code16
Reset16Start:
  cli
  cld
  lgdtl %cs:RESET16_OFFSET(GdtPointer)
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
  .long Gdt

  .org 0xF0, 0xFF
  .globl ResetVector
ResetVector:
  jmp Reset16Start
  .org 0xFF, 0xFF

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
