// The opcodes of a PEIM's dependency expression: a postfix program over
// booleans, ended by END with exactly one value left.
#pragma once

#define EFI_DEP_BEFORE 0x00
#define EFI_DEP_AFTER 0x01
#define EFI_DEP_PUSH 0x02 // followed by the 16-byte GUID of a PPI: is it installed?
#define EFI_DEP_AND 0x03
#define EFI_DEP_OR 0x04
#define EFI_DEP_NOT 0x05
#define EFI_DEP_TRUE 0x06
#define EFI_DEP_FALSE 0x07
#define EFI_DEP_END 0x08
#define EFI_DEP_SOR 0x09
