// One entry stub per exception vector. Each pushes a dummy error code where
// the processor pushes none, then its vector, so that every frame has the
// same shape, and all share one path to ExceptionDispatch and back.
  .text
  .code32

.macro STUB vector, error_code
  .balign 16
ExceptionStub\vector:
  .if \error_code == 0
  pushl $0
  .endif
  pushl $\vector
  jmp ExceptionCommon
.endm

  STUB 0, 0
  STUB 1, 0
  STUB 2, 0
  STUB 3, 0
  STUB 4, 0
  STUB 5, 0
  STUB 6, 0
  STUB 7, 0
  STUB 8, 1
  STUB 9, 0
  STUB 10, 1
  STUB 11, 1
  STUB 12, 1
  STUB 13, 1
  STUB 14, 1
  STUB 15, 0
  STUB 16, 0
  STUB 17, 1
  STUB 18, 0
  STUB 19, 0
  STUB 20, 0
  STUB 21, 1
  STUB 22, 0
  STUB 23, 0
  STUB 24, 0
  STUB 25, 0
  STUB 26, 0
  STUB 27, 0
  STUB 28, 0
  STUB 29, 1
  STUB 30, 1
  STUB 31, 0

ExceptionCommon:
  pushal
  cld
  pushl %esp
  call ExceptionDispatch
  addl $4, %esp
  popal
  addl $8, %esp
  iret

  .section .rodata
  .balign 4
  .globl ExceptionStubTable
ExceptionStubTable:
  .irp vector, 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31
  .long ExceptionStub\vector
  .endr
