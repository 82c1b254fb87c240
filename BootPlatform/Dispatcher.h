// The boot platform as a PEI Foundation's dispatcher: it checks the boot
// firmware volume and every file in it, then calls its PEIMs in passes, each
// one whose dependency expression the PPIs installed so far satisfy, until a
// pass calls none. Every step is a "[pei]" line of the boot log.
#pragma once

#include "BootState.h"
#include "PeiCore.h"

// The most PEIMs one volume may hold.
#define BOOT_MAX_PEIMS 16

// TRUE when the volume at VolumeBase is sound and every PEIM in it was
// called and returned EFI_SUCCESS. A damaged volume or file is refused before
// anything in it runs.
BOOLEAN DispatchBootVolume(BOOT_STATE *State, PEI_CORE_INSTANCE *Core, UINT32 VolumeBase);
