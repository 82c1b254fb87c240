#!/usr/bin/env python3
"""Edits, in place and without moving a byte, the DWARF of a PE image's symbol
file (converted to ELF) where clang 14's output for 32-bit Windows targets
misleads gdb:

- Linkage names are Microsoft-mangled, which gdb cannot demangle, so it would
  name functions inlined into others by them (?StartModule@@YAI...). Their
  attribute becomes DW_AT_description, which gdb ignores: it then names every
  function from the source, as for C.
- A value kept in the high byte of a register (AH, BH, CH, DH) and described
  as a computed value comes out as "register >> 8, then the piece at bit 8 of
  that", which is always 0: gdb would print 0 for it. The piece's offset
  becomes 0, which is what the shift already took care of.

Usage: GdbReadableDwarf.py <ELF32 file>
"""
import struct
import sys

DW_AT_location = 0x02
DW_AT_linkage_name = 0x6E
DW_AT_description = 0x5A
DW_FORM_exprloc = 0x18
DW_OP_shr = 0x25
DW_OP_constu = 0x10
DW_OP_stack_value = 0x9F
DW_OP_bit_piece = 0x9D


class Unsupported(Exception):
    pass


def uleb(data, at):
    value = shift = 0
    while True:
        byte = data[at]
        at += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            return value, at


def skip_sleb(data, at):
    while data[at] & 0x80:
        at += 1
    return at + 1


def sections(elf):
    if elf[:5] != b"\x7fELF\x01":
        raise Unsupported("not a 32-bit ELF file")
    table, = struct.unpack_from("<I", elf, 0x20)
    entry_size, count, names = struct.unpack_from("<HHH", elf, 0x2E)
    headers = [struct.unpack_from("<IIIIII", elf, table + index * entry_size) for index in range(count)]
    names_at = headers[names][4]
    found = {}
    for name, _, _, _, offset, size in headers:
        end = elf.index(b"\0", names_at + name)
        found[elf[names_at + name:end].decode()] = (offset, offset + size)
    return found


def read_abbreviations(elf, at, end):
    """The table from at: code -> list of (attribute, form, offset of the
    attribute's code), and where the next table starts."""
    table = {}
    while at < end:
        code, at = uleb(elf, at)
        if code == 0:
            break
        _, at = uleb(elf, at)  # tag
        at += 1  # children
        attributes = []
        while True:
            attribute_at = at
            attribute, at = uleb(elf, at)
            form, at = uleb(elf, at)
            if attribute == 0 and form == 0:
                break
            attributes.append((attribute, form, attribute_at))
        table[code] = attributes
    return table, at


def demote_linkage_names(elf, abbrev):
    at, end = abbrev
    count = 0
    while at < end:
        table, at = read_abbreviations(elf, at, end)
        for attributes in table.values():
            for attribute, _, attribute_at in attributes:
                if attribute == DW_AT_linkage_name:
                    elf[attribute_at] = DW_AT_description
                    count += 1
    return count


# Operand layouts of the expression operators clang emits for locations.
def skip_operands(expression, opcode, at):
    if 0x30 <= opcode <= 0x6F or opcode in (0x06, 0x12, 0x13, 0x14, 0x16, 0x17, 0x19, 0x1A, 0x1B,
                                            0x1C, 0x1D, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x24, 0x25,
                                            0x26, 0x27, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x96,
                                            0x9C, 0x9F):
        return at
    if opcode in (0x08, 0x09, 0x15, 0x94):
        return at + 1
    if opcode in (0x0A, 0x0B, 0x28, 0x2F):
        return at + 2
    if opcode in (0x03, 0x0C, 0x0D):  # DW_OP_addr with 4-byte addresses
        return at + 4
    if opcode in (0x0E, 0x0F):
        return at + 8
    if opcode in (0x10, 0x23, 0x90, 0x93):
        return uleb(expression, at)[1]
    if opcode == 0x11 or 0x70 <= opcode <= 0x8F or opcode == 0x91:
        return skip_sleb(expression, at)
    if opcode == 0x92:
        return skip_sleb(expression, uleb(expression, at)[1])
    if opcode == DW_OP_bit_piece:
        return uleb(expression, uleb(expression, at)[1])[1]
    if opcode in (0x9E, 0xA3, 0xF3):  # implicit value, entry values: a sized block
        size, at = uleb(expression, at)
        return at + size
    raise Unsupported("expression operator 0x%02X" % opcode)


HIGH_BYTE_SHIFT = 8
HIGH_BYTE_REGISTERS = range(0x70, 0x74)  # DW_OP_breg0..3: EAX, ECX, EDX, EBX


def fix_high_byte_piece(elf, start, end):
    """breg<EAX..EBX> 0; lit8 or constu 8; shr; ...; stack_value; bit_piece <n> 8:
    sets the piece's offset to 0. Returns 1 when it changed the expression."""
    operators = []
    at = start
    while at < end:
        opcode = elf[at]
        next_at = skip_operands(elf, opcode, at + 1)
        operators.append((opcode, at, next_at))
        at = next_at
    if len(operators) < 5 or operators[0][0] not in HIGH_BYTE_REGISTERS:
        return 0
    if elf[operators[0][1] + 1] != 0:  # the register itself, no offset
        return 0
    shift_op, shift_at, _ = operators[1]
    if 0x30 <= shift_op <= 0x4F:
        shift = shift_op - 0x30
    elif shift_op == DW_OP_constu:
        shift = uleb(elf, shift_at + 1)[0]
    else:
        return 0
    if operators[2][0] != DW_OP_shr or operators[-2][0] != DW_OP_stack_value:
        return 0
    piece_op, piece_at, piece_end = operators[-1]
    if piece_op != DW_OP_bit_piece:
        return 0
    _, offset_at = uleb(elf, piece_at + 1)
    offset, _ = uleb(elf, offset_at)
    if shift != HIGH_BYTE_SHIFT or offset != shift or offset_at + 1 != piece_end:
        return 0
    elf[offset_at] = 0
    return 1


def fix_location_lists(elf, loc):
    at, end = loc
    count = 0
    while at + 8 <= end:
        begin, finish = struct.unpack_from("<II", elf, at)
        at += 8
        if begin == 0 and finish == 0 or begin == 0xFFFFFFFF:
            continue  # end of a list, or a base address
        size, = struct.unpack_from("<H", elf, at)
        at += 2
        count += fix_high_byte_piece(elf, at, at + size)
        at += size
    return count


FIXED_SIZES = {0x01: 4, 0x05: 2, 0x06: 4, 0x07: 8, 0x0B: 1, 0x0C: 1, 0x0E: 4, 0x10: 4, 0x11: 1,
               0x12: 2, 0x13: 4, 0x14: 8, 0x17: 4, 0x19: 0, 0x20: 8}


def fix_location_attributes(elf, info, abbrev):
    at, end = info
    count = 0
    while at < end:
        length, version, abbreviations, address_size = struct.unpack_from("<IHIB", elf, at)
        unit_end = at + 4 + length
        if version != 4 or address_size != 4:
            raise Unsupported("DWARF %d unit with %d-byte addresses" % (version, address_size))
        table, _ = read_abbreviations(elf, abbrev[0] + abbreviations, abbrev[1])
        at += 11
        while at < unit_end:
            code, at = uleb(elf, at)
            if code == 0:
                continue
            for attribute, form, _ in table[code]:
                if form in FIXED_SIZES:
                    at += FIXED_SIZES[form]
                elif form in (0x0D, 0x0F, 0x15):  # sdata, udata, ref_udata
                    at = uleb(elf, at)[1]
                elif form == 0x08:  # string
                    at = elf.index(b"\0", at) + 1
                elif form in (DW_FORM_exprloc, 0x09):  # exprloc, block
                    size, at = uleb(elf, at)
                    if form == DW_FORM_exprloc and attribute == DW_AT_location:
                        count += fix_high_byte_piece(elf, at, at + size)
                    at += size
                elif form == 0x0A:  # block1
                    at += 1 + elf[at]
                else:
                    raise Unsupported("attribute form 0x%02X" % form)
        at = unit_end
    return count


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: GdbReadableDwarf.py <ELF32 file>")
    path = sys.argv[1]
    with open(path, "rb") as stream:
        elf = bytearray(stream.read())
    try:
        found = sections(elf)
        if ".debug_info" not in found or ".debug_abbrev" not in found:
            raise Unsupported("no DWARF")
        pieces = fix_location_attributes(elf, found[".debug_info"], found[".debug_abbrev"])
        if ".debug_loc" in found:
            pieces += fix_location_lists(elf, found[".debug_loc"])
        names = demote_linkage_names(elf, found[".debug_abbrev"])
    except (Unsupported, IndexError, KeyError, struct.error) as problem:
        sys.exit("GdbReadableDwarf.py: %s: %s" % (path, problem))
    with open(path, "wb") as stream:
        stream.write(elf)
    print("%s: linkage names demoted in %d abbreviations, %d high-byte register pieces fixed" %
          (path, names, pieces))


if __name__ == "__main__":
    main()
