#!/usr/bin/env python3
"""Writes inventory/vendor_table_data.cpp, the built-in company-name table.

Usage: tools/gen_vendor_table.py [PCI_IDS] [OUTPUT]
  PCI_IDS defaults to /usr/share/misc/pci.ids (Debian package pci.ids),
  OUTPUT to inventory/vendor_table_data.cpp beside this script's folder.

The output is checked in; the build never reads pci.ids. Running the script
again on the same pci.ids gives the same file byte for byte.

How the 1909 rows are chosen
 1. FIXED_ROWS below always stand in the table, under exactly their IDs and
    with exactly their texts; for those IDs pci.ids is ignored. They include
    every name that is meant to stand under more than one ID.
 2. Every other vendor line of pci.ids ("hhhh  name" before the device-class
    section) is a candidate unless:
      - its ID is outside 0x001A..0xFFFE,
      - its name says "wrong ID" (any case) or "Illegal",
      - its name is shorter than 3 or longer than 51 characters,
      - its name holds a character outside ASCII or two blanks in a row,
      - its name equals a name of FIXED_ROWS (that would add an ID to a
        shared name, or make a new shared name), or the name of a candidate
        with a lower ID (pci.ids lists some names more than once; the
        lowest ID keeps the name).
 3. The candidates are taken in ascending ID order, lowest first, until
    fixed rows and candidates together make TABLE_ROWS rows. The lower IDs
    are the longest-established vendors, so the rows cut are the most
    recent assignments (and the few above them that are not fixed).
 4. All rows are written in ascending ID order, then the end marker.
Names are written as C++ u"" literals; characters outside ASCII as \\u
escapes, so the source itself stays ASCII.
"""

import os
import re
import sys

TABLE_ROWS = 1909
LOWEST_ID = 0x001A
HIGHEST_ID = 0xFFFE
SHORTEST_NAME = 3
LONGEST_NAME = 51

FIXED_ROWS = {
    0x001A: "Ascend Communications, Inc.",
    0x04B3: "IBM",
    0x051D: "Intel\u00ae Smart Connect Technology",
    0x0A5C: "Broadcom Corporation",
    0x1002: "ATI Technologies Inc.",
    0x1022: "Advanced Micro Devices",
    0x1039: "Silicon Integrated Systems",
    0x108A: "SBS  Operations",
    0x10B9: "Ali Corporation",
    0x10DE: "NVIDIA",
    0x10EC: "Realtek Semiconductor",
    0x1106: "VIA Technologies Inc.",
    0x113A: "FWB  Inc",
    0x1377: "Electronic Equipment Production & Distribution GmbH",
    0x1414: "Microsoft Corporation",
    0x14E4: "Broadcom Corporation",
    0x15AD: "VMware Inc.",
    0x8086: "Intel Corporation",
    0x80EE: "Oracle Corporation - InnoTek Systemberatung GmbH",
    0x9004: "Adaptec Inc",
    0x9005: "Adaptec Inc",
    0xFFFE: "VMWare Inc",
    # Names shared by several IDs.
    0x1057: "Motorola",
    0x11B7: "Motorola",
    0xC0DE: "Motorola",
    0x10F0: "Curtiss-Wright Controls Embedded Computing",
    0x1387: "Curtiss-Wright Controls Embedded Computing",
    0xD4D4: "Curtiss-Wright Controls Embedded Computing",
    0x101B: "Vitesse Semiconductor",
    0x1725: "Vitesse Semiconductor",
    0x1024: "Zenith Data Systems",
    0x112C: "Zenith Data Systems",
    0x103A: "Seiko Epson Corporation",
    0x14EB: "Seiko Epson Corporation",
    0x1052: "Young Micro Systems",
    0x1053: "Young Micro Systems",
    0x106E: "DFI Inc.",
    0x15BD: "DFI Inc.",
    0x1099: "Samsung Electronics Co. Ltd.",
    0x1249: "Samsung Electronics Co. Ltd.",
    0x109F: "Trigem Computer Inc.",
    0x8800: "Trigem Computer Inc.",
    0x10B7: "3Com Corporation",
    0x12B9: "3Com Corporation",
    0x1131: "Philips Semiconductors",
    0x17BE: "Philips Semiconductors",
    0x11B0: "Quicklogic Corp",
    0x11E3: "Quicklogic Corp",
    0x11C0: "Hewlett Packard",
    0xA259: "Hewlett Packard",
    0x11FC: "Silicon Magic",
    0x8888: "Silicon Magic",
    0x133D: "Prisa Networks",
    0x1359: "Prisa Networks",
    0x145E: "Aashima Technology B.V.",
    0xEABB: "Aashima Technology B.V.",
    0x145F: "Baldor Electric Company",
    0x45FB: "Baldor Electric Company",
}

VENDOR_LINE = re.compile(r"^([0-9a-fA-F]{4})  (.*)$")


def read_vendors(path):
    """(id, name) of every vendor line, in file order."""
    vendors = []
    with open(path, encoding="utf-8") as ids:
        for line in ids:
            line = line.rstrip("\r\n")
            if line.startswith("C "):  # the device-class section follows
                break
            match = VENDOR_LINE.match(line)
            if match:
                vendors.append((int(match.group(1), 16), match.group(2)))
    return vendors


def is_eligible(vendor_id, name):
    if not LOWEST_ID <= vendor_id <= HIGHEST_ID:
        return False
    if "wrong id" in name.lower() or "illegal" in name.lower():
        return False
    if not SHORTEST_NAME <= len(name) <= LONGEST_NAME:
        return False
    if not name.isascii() or "  " in name:
        return False
    return True


def choose_rows(vendors):
    taken_names = set(FIXED_ROWS.values())
    candidates = []
    for vendor_id, name in sorted(vendors):
        if vendor_id in FIXED_ROWS or not is_eligible(vendor_id, name):
            continue
        if name in taken_names:
            continue
        taken_names.add(name)
        candidates.append((vendor_id, name))
    wanted = TABLE_ROWS - len(FIXED_ROWS)
    if len(candidates) < wanted:
        sys.exit(f"only {len(candidates)} candidates, {wanted} needed")
    rows = dict(candidates[:wanted])
    rows.update(FIXED_ROWS)
    return sorted(rows.items())


def cpp_literal(name):
    out = []
    previous = ""
    for ch in name:
        if ch in '"\\':
            out.append("\\" + ch)
        elif ch == "?" and previous == "?":
            out.append("\\?")  # never a trigraph
        elif " " <= ch <= "~":
            out.append(ch)
        else:
            out.append(f"\\u{ord(ch):04X}")
        previous = ch
    return 'u"' + "".join(out) + '"'


def render(rows):
    lines = [
        "// Generated by tools/gen_vendor_table.py from the pci.ids vendor list;",
        "// edit the generator, not this file.",
        '#include "inventory/vendor_table.h"',
        "",
        "const VendorRow VendorTable[] = {",
    ]
    lines += [f"    {{0x{vid:04X}, {cpp_literal(name)}}}," for vid, name in rows]
    lines += ["    {0xFFFFFFFFFFFFFFFF, nullptr},", "};", ""]
    return "\n".join(lines)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ids_path = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/misc/pci.ids"
    out_path = (sys.argv[2] if len(sys.argv) > 2 else
                os.path.join(here, "..", "inventory", "vendor_table_data.cpp"))
    rows = choose_rows(read_vendors(ids_path))
    assert len(rows) == TABLE_ROWS
    with open(out_path, "w", encoding="ascii", newline="\n") as out:
        out.write(render(rows))


if __name__ == "__main__":
    main()
