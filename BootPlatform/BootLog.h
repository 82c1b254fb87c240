// The dispatcher's log. Until the first PEIM has returned, its lines are held
// in RAM rather than sent: the UART belongs to the module, which must find it
// as the board left it at reset (its "already configured" check reads the
// line settings, the divisor and the FIFO state), and an unconfigured UART
// would carry no readable text anyway. After that the lines go straight out,
// in the order things happen.
#pragma once

#include "BootState.h"

VOID BootLogHold(BOOT_STATE *State);

// Formats a line with the platform's format engine and holds or sends it.
VOID BootLog(BOOT_STATE *State, const CHAR8 *Format, ...);

// Sends what was held, noting anything that did not fit, and holds no more.
VOID BootLogRelease(BOOT_STATE *State);
