# The gdb side of debugging the firmware on the emulated board, sourced by the
# generated build/main/firmware/Tolvern.gdb: the unwinder for the PE images'
# frames and the commands flashmap, ppis and uart (TolvernSession.py connects
# and loads the symbols).
#
# The boot platform keeps its PEI services and PPI database in BootMain's
# frame (it has no writable globals), so the commands find them by walking
# the stack to that frame.
import re

import gdb
import gdb.unwinder

# What the boot platform logs the record with; flashmap prints the same lines.
FLASH_MAP_PREFIX = "[flash-map] "
FLASH_MAP_HEADER_FIELDS = ("BlockSize", "FlashSize", "FlashBase", "FirmwareAreaSize",
                           "FirmwareAreaBase")
UART_CLOCK = 115200  # baud at divisor 1


# clang emits no call frame information for 32-bit Windows targets, so a PE
# image's frames carry none and gdb's prologue analysis stops at the first
# frame without a frame pointer. The optimised code keeps ESP's offset from the
# frame fixed outside call sequences, so walking the function's instructions
# up to the PC, counting what each one pushes or pops, finds the return
# address and the callee-saved registers the prologue pushed.
STACK_CHANGES = (
    (re.compile(r"^push[lw]? "), 4),
    (re.compile(r"^pushfl?$"), 4),
    (re.compile(r"^pop[lw]? "), -4),
    (re.compile(r"^popfl?$"), -4),
)
ESP_ADJUSTS = (
    (re.compile(r"^sub +\$(0x[0-9a-f]+|\d+),%esp$"), 1),
    (re.compile(r"^add +\$(0x[0-9a-f]+|\d+),%esp$"), -1),
    (re.compile(r"^lea +(-?0x[0-9a-f]+|-?\d+)\(%esp\),%esp$"), -1),
)
CALLEE_SAVED = ("ebx", "esi", "edi", "ebp")
SAVED_PUSH = re.compile(r"^push %(ebx|esi|edi|ebp)$")
ENDS_BLOCK = re.compile(r"^(ret|jmp)")


def stack_depth(instructions, pc):
    """Bytes the function has pushed below its return address when it reaches pc,
    and where its prologue saved callee-saved registers; None for code this
    walk does not understand."""
    depth = 0
    body_depth = None
    saved = {}
    for instruction in instructions:
        if instruction["addr"] >= pc:
            break
        text = " ".join(instruction["asm"].split())
        change = next((size for pattern, size in STACK_CHANGES if pattern.match(text)), None)
        if change is not None:
            depth += change
            register = SAVED_PUSH.match(text)
            if body_depth is None and register and register.group(1) not in saved:
                saved[register.group(1)] = depth
            continue
        adjusted = False
        for pattern, sign in ESP_ADJUSTS:
            match = pattern.match(text)
            if match:
                depth += sign * int(match.group(1), 0)
                adjusted = True
        if adjusted:
            continue
        if text.endswith(",%esp") or text.startswith("leave"):
            return None  # ESP set some other way
        if body_depth is None:
            body_depth = depth
        if ENDS_BLOCK.match(text):
            depth = body_depth
    if depth < 0:
        return None
    return depth, saved


def function_start(pc):
    try:
        block = gdb.block_for_pc(pc)
    except RuntimeError:
        return None
    while block is not None and block.superblock is not None and not block.superblock.is_static:
        block = block.superblock
    return None if block is None or block.function is None else block.start


class FrameId:
    """A frame's identity for gdb: its CFA and its function's start, as gdb values."""

    def __init__(self, sp, pc):
        self.sp = sp
        self.pc = pc


class PeImageUnwinder(gdb.unwinder.Unwinder):
    """Unwinds frames whose code lies in a PE image, from its instructions."""

    def __init__(self, ranges):
        super().__init__("tolvern-pe-images")
        self.ranges = ranges

    def __call__(self, pending_frame):
        pc = int(pending_frame.read_register("eip"))
        if not any(start <= pc < end for start, end in self.ranges):
            return None
        start = function_start(pc)
        if start is None:
            return None
        architecture = pending_frame.architecture()
        walked = stack_depth(architecture.disassemble(start, pc), pc)
        if walked is None:
            return None
        depth, saved = walked
        word = gdb.lookup_type("unsigned int")
        esp = int(pending_frame.read_register("esp"))
        cfa = esp + depth + 4

        def stack_word(address):
            return gdb.Value(address).cast(word.pointer()).dereference()

        unwind = pending_frame.create_unwind_info(
            FrameId(gdb.Value(cfa).cast(word), gdb.Value(start).cast(word)))
        unwind.add_saved_register("eip", stack_word(cfa - 4))
        unwind.add_saved_register("esp", gdb.Value(cfa).cast(word))
        # A callee-saved register the prologue did not push still holds the
        # caller's value.
        for register in CALLEE_SAVED:
            if register in saved:
                unwind.add_saved_register(register, stack_word(cfa - 4 - saved[register]))
            else:
                unwind.add_saved_register(register, pending_frame.read_register(register))
        return unwind


def boot_main_frame():
    frame = gdb.newest_frame()
    while frame is not None:
        if frame.name() == "BootMain":
            return frame
        frame = frame.older()
    raise gdb.GdbError("tolvern: BootMain is not on the stack: stop in the boot platform "
                       "or in a module it called")


def guid_text(guid):
    """An EFI_GUID value in the 8-4-4-4-12 form the boot log uses."""
    data4 = "".join("%02X" % int(guid["Data4"][index]) for index in range(8))
    return "%08X-%04X-%04X-%s-%s" % (int(guid["Data1"]), int(guid["Data2"]), int(guid["Data3"]),
                                     data4[:4], data4[4:])


def installed_ppis():
    """The PPI database of the boot platform's PEI core: (descriptor, install calls)."""
    core = boot_main_frame().read_var("Core")
    count = int(core["PpiCount"])
    return [core["Ppis"][index] for index in range(count)], int(core["InstallCalls"])


class Ppis(gdb.Command):
    """List the PPIs installed so far, from the boot platform's PPI database."""

    def __init__(self):
        super().__init__("ppis", gdb.COMMAND_DATA)

    def invoke(self, argument, from_tty):
        descriptors, calls = installed_ppis()
        print("%d PPI%s installed, InstallPpi calls: %d" %
              (len(descriptors), "" if len(descriptors) == 1 else "s", calls))
        for index, descriptor in enumerate(descriptors):
            print("  %d: {%s} descriptor 0x%08X flags 0x%08X ppi 0x%08X" %
                  (index, guid_text(descriptor["Guid"].dereference()), int(descriptor),
                   int(descriptor["Flags"]), int(descriptor["Ppi"])))


class FlashMap(gdb.Command):
    """Print the flash map record through the installed flash-map PPI's descriptor,
in the boot log's words."""

    def __init__(self):
        super().__init__("flashmap", gdb.COMMAND_DATA)

    def invoke(self, argument, from_tty):
        wanted = guid_text(gdb.parse_and_eval("FlashMapPpiGuid"))
        descriptors, calls = installed_ppis()
        found = [each for each in descriptors if guid_text(each["Guid"].dereference()) == wanted]
        if not found:
            print("the flash-map PPI {%s} is not installed (InstallPpi calls: %d)" %
                  (wanted, calls))
            return
        descriptor = found[0]
        ppi = descriptor["Ppi"].cast(gdb.lookup_type("FLASH_MAP_PPI").pointer())
        record = ppi["Record"]
        print("%sppi {%s}: descriptor flags 0x%08X, ppi at 0x%08X, record at 0x%08X" %
              (FLASH_MAP_PREFIX, wanted, int(descriptor["Flags"]), int(ppi), int(record)))
        record = record.dereference()
        for field in FLASH_MAP_HEADER_FIELDS:
            print("%s%s 0x%08X" % (FLASH_MAP_PREFIX, field, int(record[field])))
        regions = record["Regions"]
        for index in range(regions.type.range()[1] + 1):
            region = regions[index]
            print("%sRegion %d: Base 0x%08X Size 0x%08X FirstBlock %d LastBlock %d" %
                  (FLASH_MAP_PREFIX, index, int(region["Base"]), int(region["Size"]),
                   int(region["FirstBlock"]), int(region["LastBlock"])))
        sub_ranges = record["SubRanges"]
        for index in range(sub_ranges.type.range()[1] + 1):
            sub_range = sub_ranges[index]
            print("%sSubRange %d: Base 0x%08X Size 0x%08X" %
                  (FLASH_MAP_PREFIX, index, int(sub_range["Base"]), int(sub_range["Size"])))
        print("%sTrailer 0x%08X" % (FLASH_MAP_PREFIX, int(record["Trailer"])))


def local_value(frame, name):
    """A local as a number, or None when the optimised code no longer holds it."""
    try:
        value = frame.read_var(name)
    except ValueError:
        return None
    if value.is_optimized_out:
        return None
    return int(value)


def baud_text(divisor):
    return " (%d baud)" % (UART_CLOCK // divisor) if divisor else ""


def optional_hex(value, digits):
    return "?" if value is None else "0x%0*X" % (digits, value)


class Uart(gdb.Command):
    """Show the UART settings the module chose: UartInit's locals while it runs,
the boot platform's read-back of the UART once it has read it."""

    def __init__(self):
        super().__init__("uart", gdb.COMMAND_DATA)

    def invoke(self, argument, from_tty):
        frame = gdb.newest_frame()
        while frame is not None and frame.name() not in ("UartInit", "BootMain"):
            frame = frame.older()
        if frame is not None and frame.name() == "UartInit":
            divisor = local_value(frame, "Divisor")
            if divisor is None:
                print("uart: UartInit has not chosen the divisor here (the CMOS read is "
                      "ahead, or its register holds something else by now)")
            else:
                print("uart: UartInit chose divisor %d%s" % (divisor, baud_text(divisor)))
            print("uart: found IIR %s, LCR %s, divisor %s" %
                  (optional_hex(local_value(frame, "Iir"), 2),
                   optional_hex(local_value(frame, "Lcr"), 2),
                   optional_hex(local_value(frame, "Current"), 4)))
            return
        boot_main = boot_main_frame()
        uart = boot_main.read_var("Uart")
        # The read-back is made on the line after Uart's declaration; before that
        # line has run, Uart holds whatever the stack held.
        declared = gdb.lookup_symbol("Uart", boot_main.block())[0].line
        if boot_main.find_sal().line <= declared + 1:
            print("uart: the boot platform has not read the UART back yet, and UartInit "
                  "is not running: break in UartInit, or go on past ReadUartSettings")
            return
        divisor = int(uart["Divisor"])
        print("uart: read back by the boot platform: LCR 0x%02X, divisor 0x%04X%s, IIR 0x%02X, "
              "MCR 0x%02X" % (int(uart["LineControl"]), divisor, baud_text(divisor),
                             int(uart["InterruptId"]), int(uart["ModemControl"])))


Ppis()
FlashMap()
Uart()
