// Shared helpers of the format engine tests.
#pragma once

#include <Library/PrintLib.h>

#include <gtest/gtest.h>

#include <string>

constexpr UINTN PRINT_TEST_BUFFER_SIZE = 256;

// Checks one FormatToBuffer result in a buffer of BufferSize characters that
// is followed by guard bytes: the NUL after the Count characters, and nothing
// touched after it. Returns the Count characters written.
std::string CheckWritten(const CHAR8 *Buffer, UINTN BufferSize, UINTN Count, UINTN GuardSize);

// Fills Buffer with the pattern CheckWritten expects in the untouched part.
VOID FillWithPattern(CHAR8 *Buffer, UINTN Size);

// Formats into a 256-character buffer and returns the text written.
template <typename... ARGUMENTS> std::string Print(const char *Format, ARGUMENTS... Arguments) {
  CHAR8 Buffer[PRINT_TEST_BUFFER_SIZE + 16];
  FillWithPattern(Buffer, sizeof(Buffer));
  UINTN Count = FormatToBuffer(Buffer, PRINT_TEST_BUFFER_SIZE, Format, Arguments...);
  return CheckWritten(Buffer, PRINT_TEST_BUFFER_SIZE, Count, 16);
}

// The same into a buffer of BufferSize characters.
template <typename... ARGUMENTS>
std::string PrintSized(UINTN BufferSize, const char *Format, ARGUMENTS... Arguments) {
  CHAR8 Buffer[PRINT_TEST_BUFFER_SIZE + 16];
  FillWithPattern(Buffer, sizeof(Buffer));
  UINTN Count = FormatToBuffer(Buffer, BufferSize, Format, Arguments...);
  return CheckWritten(Buffer, BufferSize, Count, sizeof(Buffer) - BufferSize);
}
