# The session side of debugging on the emulated board, sourced by the
# generated build/main/firmware/Tolvern.gdb after TolvernGdb.py: connecting to
# QEMU's stub (or saying in one line that no board is there), loading the
# symbol files whose bytes are the ones in flash, built here or given
# (TOLVERN_IMAGE and TOLVERN_SYMBOLS, or the command tolvern-symbols), and
# letting the board end with its verdict rather than losing the connection.
import os
import subprocess

import gdb
import gdb.unwinder

# How long gdb waits for the stub: long enough for a board started at the same
# moment, short enough to tell soon that none was.
BOARD_WAIT_SECONDS = 5
GIVEN_USAGE = "tolvern-symbols IMAGE SYMBOLS [ADDRESS]"

# What is loaded: the symbol file at each address, and the PE images' ranges
# for the unwinder, which has no call frame information to go by.
loaded_symbols = {}
pe_image_ranges = []


def failure(text, status=1):
    """Ends gdb with one line: a session without its board has nothing to do."""
    gdb.write("tolvern: %s\n" % text, gdb.STDERR)
    gdb.execute("quit %d" % status)


def connect():
    port = os.environ.get("TOLVERN_GDB_PORT", "1234")
    if not port.isdigit() or not 1 <= int(port) <= 65535:
        failure("TOLVERN_GDB_PORT '%s' is not a port (1..65535)" % port, 2)
    board = "127.0.0.1:%d" % int(port)
    gdb.execute("set tcp connect-timeout %d" % BOARD_WAIT_SECONDS)
    try:
        gdb.execute("target remote %s" % board)
    except gdb.error as error:
        if "Connection timed out" not in str(error):
            failure(str(error))
        # gdb retries a refused connection until the wait is over.
        failure("no board at %s (none answered within %d s): start it with "
                "bash Scripts/boot.sh --gdb %d" % (board, BOARD_WAIT_SECONDS, int(port)))


def quoted(path):
    return '"%s"' % path.replace("\\", "\\\\").replace('"', '\\"')


def response_file_base(path):
    """The address in a "/base:0x..." response file the build wrote for a linker."""
    with open(path) as response:
        return int(response.read().strip().split(":", 1)[1], 16)


def load_symbols(candidates):
    """Loads, for each address, the symbol file of the first candidate whose
    flash bytes are there now: a module variant's symbols are wrong for another
    variant. Candidates are (address, flash file, symbol file)."""
    inferior = gdb.selected_inferior()
    by_address = {}
    for address, flash_file, symbol_file in candidates:
        by_address.setdefault(address, []).append((flash_file, symbol_file))
    for address, files in sorted(by_address.items()):
        matched = None
        for flash_file, symbol_file in files:
            with open(flash_file, "rb") as stream:
                built = stream.read()
            if bytes(inferior.read_memory(address, len(built))) == built:
                matched = (flash_file, symbol_file)
                break
        if matched is None:
            names = ", ".join(os.path.basename(flash) for flash, _ in files)
            print("tolvern: 0x%08X holds none of %s: no symbols there (boot what is built, "
                  "or name the image in flash: %s)" % (address, names, GIVEN_USAGE))
            continue
        if address in loaded_symbols:
            gdb.execute("remove-symbol-file %s" % quoted(loaded_symbols.pop(address)),
                        to_string=True)
        symbol_file = os.path.abspath(matched[1])
        gdb.execute("add-symbol-file %s" % quoted(symbol_file), to_string=True)
        loaded_symbols[address] = symbol_file
        if built.startswith(b"MZ"):
            pe_image_ranges.append((address, address + len(built)))
        print("tolvern: 0x%08X %s: symbols from %s" %
              (address, os.path.basename(matched[0]), os.path.basename(matched[1])))
    gdb.unwinder.register_unwinder(None, PeImageUnwinder(pe_image_ranges), replace=True)


def image_base(image):
    """Where a PE image runs in place: its ImageBase, as binutils reads it."""
    try:
        headers = subprocess.run(["objdump", "-p", image], stdout=subprocess.PIPE,
                                 stderr=subprocess.DEVNULL, text=True).stdout
    except OSError as error:
        raise gdb.GdbError("tolvern: objdump does not run (%s): give the address: %s" %
                           (error.strerror, GIVEN_USAGE))
    for line in headers.splitlines():
        words = line.split()
        if words[:1] == ["ImageBase"] and len(words) == 2:
            return int(words[1], 16)
    raise gdb.GdbError("tolvern: %s is not a PE image: give its address: %s" %
                       (image, GIVEN_USAGE))


def given_image(image, symbols, address_text=None):
    """A candidate for load_symbols from files not built here."""
    for path in (image, symbols):
        if not os.path.isfile(path):
            raise gdb.GdbError("tolvern: %s: no such file" % path)
    if address_text is None:
        return image_base(image), image, symbols
    try:
        return int(address_text, 0), image, symbols
    except ValueError:
        raise gdb.GdbError("tolvern: address '%s' is not a number (0x... or decimal)" %
                           address_text)


def given_images():
    """The image and symbol file named by TOLVERN_IMAGE and TOLVERN_SYMBOLS (and
    TOLVERN_IMAGE_ADDRESS), as candidates ahead of the built ones."""
    image = os.environ.get("TOLVERN_IMAGE")
    symbols = os.environ.get("TOLVERN_SYMBOLS")
    if image is None and symbols is None:
        return []
    if image is None or symbols is None:
        print("tolvern: TOLVERN_IMAGE and TOLVERN_SYMBOLS go together: only %s is set" %
              ("TOLVERN_IMAGE" if symbols is None else "TOLVERN_SYMBOLS"))
        return []
    try:
        return [given_image(image, symbols, os.environ.get("TOLVERN_IMAGE_ADDRESS"))]
    except gdb.GdbError as error:
        print(error)
        return []


class TolvernSymbols(gdb.Command):
    """Load the symbols of an image in flash that was not built here.
Usage: tolvern-symbols IMAGE SYMBOLS [ADDRESS]
IMAGE is the file as it lies in the board's flash, SYMBOLS its symbol file (an
ELF file whose DWARF has the image's addresses), ADDRESS where the image lies
(by default its ImageBase). The symbols load only if the flash holds IMAGE's
bytes there; they replace what was loaded for that address."""

    def __init__(self):
        super().__init__("tolvern-symbols", gdb.COMMAND_FILES, gdb.COMPLETE_FILENAME)

    def invoke(self, argument, from_tty):
        words = gdb.string_to_argv(argument)
        if len(words) not in (2, 3):
            raise gdb.GdbError("tolvern: usage: %s" % GIVEN_USAGE)
        load_symbols([given_image(*words)])


class BoardEnd(gdb.Breakpoint):
    """Where the boot platform ends the emulator. Its exit would close the
    connection under a running command, which then fails (and a batch session
    with it); stopped here, the command ends well, and gdb's quit detaches and
    lets the board end with its verdict."""

    def __init__(self):
        super().__init__("EmulatorExit", internal=True)
        self.silent = True

    def stop(self):
        try:
            success = int(gdb.parse_and_eval("Success"))
            verdict = " with the verdict %s" % ("success" if success else "failure")
        except (gdb.error, ValueError):
            verdict = ""
        print("tolvern: stopped where the board ends%s: detach or quit lets it end" % verdict)
        return True


def stop_where_the_board_ends():
    # Only the boot platform built here is known to end this way.
    if gdb.lookup_global_symbol("EmulatorExit") is not None:
        BoardEnd()


TolvernSymbols()
