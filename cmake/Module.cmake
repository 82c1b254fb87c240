# The module as both builds see it: its sources, listed once, and the flash
# address it is linked at.

# Inside region 13 of the module's own flash map; the image runs in place there.
set(TOLVERN_IMAGE_BASE 0xFFF944A0)

set(TOLVERN_DIR ${CMAKE_CURRENT_LIST_DIR}/..)

# The libraries every PEIM of the platform links (port access, base library,
# format engine, debug messages, the serial console). The image implements
# port access and the breakpoint with processor instructions; the host build
# links its own port space and breakpoint hook in their place.
#
# The format engine and the base library pieces it stands on come first: the
# fuzzer builds them on their own.
set(TOLVERN_FORMAT_ENGINE_SOURCES
    ${TOLVERN_DIR}/MdePkg/Library/BaseLib/DivU64x32Remainder.cpp
    ${TOLVERN_DIR}/MdePkg/Library/BaseLib/String.cpp
    ${TOLVERN_DIR}/MdePkg/Library/BaseLib/Unaligned.cpp
    ${TOLVERN_DIR}/MdePkg/Library/BasePrintLib/ConvertGuid.cpp
    ${TOLVERN_DIR}/MdePkg/Library/BasePrintLib/ConvertInteger.cpp
    ${TOLVERN_DIR}/MdePkg/Library/BasePrintLib/ConvertStatus.cpp
    ${TOLVERN_DIR}/MdePkg/Library/BasePrintLib/ConvertTime.cpp
    ${TOLVERN_DIR}/MdePkg/Library/BasePrintLib/FormatToBuffer.cpp
    ${TOLVERN_DIR}/MdePkg/Library/BasePrintLib/PrintLibInternal.cpp
    ${TOLVERN_DIR}/MdePkg/Library/BasePrintLib/StatusNameTable.cpp
    ${TOLVERN_DIR}/MdePkg/Library/BasePrintLib/ValueToDigits.cpp)
set(TOLVERN_LIBRARY_SOURCES
    ${TOLVERN_FORMAT_ENGINE_SOURCES}
    ${TOLVERN_DIR}/MdePkg/Library/BaseIoLibIntrinsic/IoLibMsc.cpp
    ${TOLVERN_DIR}/MdePkg/Library/BaseIoLibIntrinsic/PciConfig.cpp
    ${TOLVERN_DIR}/MdePkg/Library/BaseDebugLibSerialPort/DebugLib.cpp
    ${TOLVERN_DIR}/Platform/PlatformSerialLib/SerialPlatformPreInit.cpp
    ${TOLVERN_DIR}/Platform/PlatformSerialLib/UartInit.cpp
    ${TOLVERN_DIR}/Platform/PlatformSerialLib/UartWrite.cpp)
set(TOLVERN_LIBRARY_FIRMWARE_SOURCES
    ${TOLVERN_DIR}/MdePkg/Library/BaseIoLibIntrinsic/IoInstructions.cpp
    ${TOLVERN_DIR}/MdePkg/Library/BaseLib/CpuBreakpoint.cpp)

# The module proper: entry point, start-up order, the published flash map.
# The constructor list stands apart so that a test image can swap it.
set(TOLVERN_FEATURE_SOURCES
    ${TOLVERN_DIR}/Feature/Tolvern/FlashMap.cpp
    ${TOLVERN_DIR}/Feature/Tolvern/PeimEntry.cpp
    ${TOLVERN_DIR}/Feature/Tolvern/PublishFlashMap.cpp
    ${TOLVERN_DIR}/Feature/Tolvern/StartModule.cpp)
set(TOLVERN_CONSTRUCTOR_LIST ${TOLVERN_DIR}/Feature/Tolvern/ConstructorList.cpp)

# The module as a firmware file (Tolvern.ffs): its name, a GUID of this
# project's own, its user-interface name and its dependency expression, which
# lets a PEI Foundation call it at once.
set(TOLVERN_FILE_GUID 21E62483-0745-43B0-AFAC-CA83CCD23D58)
set(TOLVERN_FILE_NAME Tolvern)
set(TOLVERN_FILE_DEPEX "TRUE END")
