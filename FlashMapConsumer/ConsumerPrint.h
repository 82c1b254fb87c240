// The consumer's one output path: a line formatted by the platform's format
// engine (a newline goes out as CR LF) and sent with UartWrite, as every
// PEIM of the platform prints. A line is cut at 255 characters.
#pragma once

#include <Base.h>

VOID ConsumerPrint(const CHAR8 *Format, ...);
