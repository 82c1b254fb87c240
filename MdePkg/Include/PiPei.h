// Everything a PEI module includes first.
#pragma once

#include <Base.h>
#include <Uefi/UefiBaseType.h>
#include <Pi/PiPeiCis.h>
