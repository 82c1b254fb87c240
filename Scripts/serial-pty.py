#!/usr/bin/env python3
"""Hands what arrives on standard input (a board's serial output) to a reader
of a new pseudo-terminal: prints "boot.sh: serial on /dev/pts/N" on stderr,
keeps everything for the reader until it comes, and after the end of input
waits, up to WAIT seconds (0: no limit), until the reader has taken all of
it: closing the terminal earlier would throw away what is still unread.

Usage: serial-pty.py WAIT
"""

import fcntl
import os
import struct
import sys
import termios
import time
import tty

QUIET_SECONDS = 0.2


def unread(name):
    """Bytes sent to the terminal that no reader has taken yet."""
    probe = os.open(name, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
    try:
        return struct.unpack("i", fcntl.ioctl(probe, termios.FIONREAD, b"\0" * 4))[0]
    finally:
        os.close(probe)


def main():
    wait = float(sys.argv[1]) if len(sys.argv) > 1 else 60.0
    master, slave = os.openpty()
    tty.setraw(slave)  # no echo, no line editing, no CR LF translation
    name = os.ttyname(slave)
    os.close(slave)
    print(f"boot.sh: serial on {name}", file=sys.stderr, flush=True)
    while True:
        chunk = os.read(sys.stdin.fileno(), 4096)
        if not chunk:
            break
        while chunk:
            chunk = chunk[os.write(master, chunk):]
    # The count leaves out what the kernel has not yet passed from the
    # terminal's input buffer to its reader's queue: only a count that stays
    # at 0 for a while means that all of it has been read.
    deadline = time.monotonic() + wait if wait > 0 else float("inf")
    quiet_since = time.monotonic()
    while time.monotonic() < deadline:
        if unread(name) > 0:
            quiet_since = time.monotonic()
        elif time.monotonic() - quiet_since >= QUIET_SECONDS:
            break
        time.sleep(0.02)
    os.close(master)


if __name__ == "__main__":
    main()
