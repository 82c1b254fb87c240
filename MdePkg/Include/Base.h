// Fundamental types shared by the module, its libraries and the host tooling.
// Built freestanding: nothing here may pull in a C or C++ runtime header.
#pragma once

typedef unsigned char UINT8;
typedef signed char INT8;
typedef unsigned short UINT16;
typedef short INT16;
typedef unsigned int UINT32;
typedef int INT32;
typedef unsigned long long UINT64;
typedef long long INT64;
typedef __UINTPTR_TYPE__ UINTN;
typedef __INTPTR_TYPE__ INTN;
typedef char CHAR8;
typedef char16_t CHAR16;
typedef unsigned char BOOLEAN;
typedef void VOID;

#define TRUE ((BOOLEAN)1)
#define FALSE ((BOOLEAN)0)

// One call frame's variable arguments. On IA32 these are the caller's cdecl
// 32-bit stack slots, read in order; the compiler builtins need no runtime.
typedef __builtin_va_list VA_LIST;
#define VA_START(Marker, Parameter) __builtin_va_start(Marker, Parameter)
#define VA_ARG(Marker, TYPE) __builtin_va_arg(Marker, TYPE)
#define VA_END(Marker) __builtin_va_end(Marker)
#define VA_COPY(Dest, Start) __builtin_va_copy(Dest, Start)

#define OFFSET_OF(TYPE, Field) __builtin_offsetof(TYPE, Field)

static_assert(sizeof(UINT8) == 1 && sizeof(UINT16) == 2 && sizeof(UINT32) == 4 &&
                  sizeof(UINT64) == 8 && sizeof(CHAR16) == 2,
              "fixed-width types have the wrong size");
static_assert(sizeof(UINTN) == sizeof(VOID *), "UINTN must be pointer-sized");
