#!/usr/bin/env python3
"""Compares the device rows the program shows with what Debian's lspci reads
from the same configuration space.

    lspci_crosscheck.py --rows FILE [--dump DUMP]

FILE holds the program's output lines (the `ROW 1\t...` lines of the device
list, as pcilist-sim prints them and the Wine inspector reads them from the
real window). Without --dump lspci reads this machine's live bus; with it,
`lspci -F DUMP`. For every function the check compares bus, device and
function numbers, vendor, device, revision, class code, subsystem IDs and
interrupt line, and the set of functions found. lspci only tells what is
there; which functions the program should find follows its probing rules:
vendor IDs 0000 and FFFF are not recorded, and functions 1 to 7 are probed
only when function 0 is absent or has bit 7 of its header type set.

Prints one line per difference with both readings, then
`N passed, N failed` over the functions compared; exits 1 on any difference.
"""
import argparse
import subprocess
import sys


def lspci(args):
    return subprocess.run(["lspci"] + args, check=True, capture_output=True,
                          text=True).stdout


def parse_vmm(text):
    functions = []
    for block in text.strip().split("\n\n"):
        fields = {}
        for line in block.splitlines():
            key, _, value = line.partition(":\t")
            fields[key] = value.strip()
        if "Slot" in fields:
            functions.append(fields)
    return functions


def parse_hex_dump(text):
    spaces = {}
    current = None
    for line in text.splitlines():
        if not line.strip():
            continue
        head, _, rest = line.partition(": ")
        if len(head) <= 3 and all(c in "0123456789abcdef" for c in head):
            offset = int(head, 16)
            for i, byte in enumerate(rest.split()):
                current[offset + i] = int(byte, 16)
        else:
            current = spaces.setdefault(line.split()[0], {})
    return spaces


def slot_key(slot):
    """'[dddd:]bb:dd.f' -> (bus, device, function), None outside domain 0."""
    parts = slot.split(":")
    if len(parts) == 3:
        if int(parts[0], 16) != 0:
            return None
        parts = parts[1:]
    device, function = parts[1].split(".")
    return int(parts[0], 16), int(device, 16), int(function, 16)


def expected_rows(lspci_args):
    vmm = parse_vmm(lspci(lspci_args + ["-n", "-vmm"]))
    spaces = {}
    for slot, space in parse_hex_dump(lspci(lspci_args + ["-xxx"])).items():
        key = slot_key(slot)
        if key is not None:
            spaces[key] = space
    listed = {}
    for fields in vmm:
        key = slot_key(fields["Slot"])
        if key is not None:
            listed[key] = fields
    rows = {}
    for key, fields in listed.items():
        bus, device, function = key
        vendor = int(fields["Vendor"], 16)
        if vendor in (0x0000, 0xFFFF):
            continue
        if function != 0:
            zero = spaces.get((bus, device, 0))
            header = zero.get(0x0E, 0) if zero is not None else 0xFF
            if not header & 0x80:
                continue
        space = spaces.get(key, {})
        byte = lambda offset: space.get(offset, 0)
        if "SVendor" in fields and byte(0x0E) & 0x7F == 0:
            subsystem = fields["SVendor"] + fields["SDevice"]
        else:  # lspci leaves it out (zero) or reads it elsewhere: the register itself
            subsystem = "%02x%02x%02x%02x" % (byte(0x2D), byte(0x2C), byte(0x2F), byte(0x2E))
        rows[key] = {
            "vendor": fields["Vendor"].upper(),
            "device": fields["Device"].upper(),
            "revision": fields.get("Rev", "00").upper(),
            "class": (fields["Class"] + fields.get("ProgIf", "00")).upper(),
            "subsystem": subsystem.upper(),
            "irq": str(byte(0x3C)),
        }
    return rows


def shown_rows(path):
    rows = {}
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            cells = line.rstrip("\n").split("\t")
            if cells[0] != "ROW 1":
                continue
            key = (int(cells[1]), int(cells[2]), int(cells[3]))
            rows[key] = {
                "vendor": cells[4].rstrip("h"),
                "device": cells[5].rstrip("h"),
                "revision": cells[6].rstrip("h"),
                "subsystem": cells[7].rstrip("h"),
                "class": cells[8].rstrip("h"),
                "irq": cells[9],
            }
    return rows


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rows", required=True)
    parser.add_argument("--dump")
    options = parser.parse_args()
    lspci_args = ["-F", options.dump] if options.dump else []
    expected = expected_rows(lspci_args)
    shown = shown_rows(options.rows)
    passed = failed = 0
    for key in sorted(set(expected) | set(shown)):
        name = "%02x:%02x.%d" % key
        if key not in shown:
            print(f"DIFF {name}: lspci reads {expected[key]}, the program shows no row")
        elif key not in expected:
            print(f"DIFF {name}: the program shows {shown[key]}, lspci reads no such function")
        elif shown[key] != expected[key]:
            for field in expected[key]:
                if shown[key][field] != expected[key][field]:
                    print(f"DIFF {name} {field}: program {shown[key][field]}, "
                          f"lspci {expected[key][field]}")
        else:
            passed += 1
            continue
        failed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed or not expected else 0


if __name__ == "__main__":
    sys.exit(main())
