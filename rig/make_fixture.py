#!/usr/bin/env python3
"""Writes the configuration-space fixture that the stand-in driver answers from.

Sources: a pciutils hex dump (what `lspci -xxx` prints: a line
`[DDDD:]BB:DD.F description` per function, then lines `OFF: xx xx ...`), or
this machine's live /sys/bus/pci/devices/*/config. Only domain 0 is kept.
Bytes that the source does not give read as 0; functions it does not name
are absent. The file layout is described in standin_driver/fixture_format.h.

    make_fixture.py --dump FILE -o config.bin
    make_fixture.py --sysfs [ROOT] -o config.bin
"""
import argparse
import os
import re
import struct
import sys

MAGIC = b"PCIRIG01"
MAX_RECORD_SIZE = 4096

FUNCTION_LINE = re.compile(
    r"^(?:(?P<domain>[0-9a-fA-F]{4,8}):)?(?P<bus>[0-9a-fA-F]{2}):(?P<device>[0-9a-fA-F]{2})"
    r"\.(?P<function>[0-7])(?:\s|$)")
BYTES_LINE = re.compile(r"^(?P<offset>[0-9a-fA-F]{1,4}):(?P<bytes>(?: [0-9a-fA-F]{2})+)\s*$")
SYSFS_NAME = re.compile(
    r"^(?P<domain>[0-9a-fA-F]{4,8}):(?P<bus>[0-9a-fA-F]{2}):(?P<device>[0-9a-fA-F]{2})"
    r"\.(?P<function>[0-7])$")


class FixtureError(Exception):
    pass


def config_address(match):
    device = int(match.group("device"), 16)
    if device > 31:
        raise FixtureError("device number %d is above 31" % device)
    return int(match.group("bus"), 16) << 8 | device << 3 | int(match.group("function"))


def parse_dump(text):
    """{ConfigAddress: bytearray} of the domain-0 functions in a pciutils dump."""
    functions = {}
    current = None  # the bytes of the function being read, None outside one or outside domain 0
    in_function = False
    for number, line in enumerate(text.splitlines(), 1):
        header = FUNCTION_LINE.match(line)
        if header:
            in_function = True
            domain = int(header.group("domain") or "0", 16)
            if domain != 0:
                current = None
                continue
            address = config_address(header)
            if address in functions:
                raise FixtureError("line %d: function %s appears twice" % (number, line.split()[0]))
            current = functions[address] = bytearray()
            continue
        data = BYTES_LINE.match(line)
        if data:
            if not in_function:
                raise FixtureError("line %d: configuration bytes before any function" % number)
            if current is None:
                continue
            offset = int(data.group("offset"), 16)
            values = bytes(int(v, 16) for v in data.group("bytes").split())
            if offset + len(values) > MAX_RECORD_SIZE:
                raise FixtureError("line %d: bytes beyond offset 0xFFF" % number)
            if len(current) < offset + len(values):
                current.extend(bytes(offset + len(values) - len(current)))
            current[offset:offset + len(values)] = values
    if not in_function:
        raise FixtureError("no function found: not a pciutils hex dump")
    return functions


def read_sysfs(root):
    functions = {}
    for name in sorted(os.listdir(root)):
        match = SYSFS_NAME.match(name)
        if not match or int(match.group("domain"), 16) != 0:
            continue
        with open(os.path.join(root, name, "config"), "rb") as config:
            functions[config_address(match)] = bytearray(config.read(MAX_RECORD_SIZE))
    if not functions:
        raise FixtureError("no PCI function of domain 0 under " + root)
    return functions


def fixture_bytes(functions):
    longest = max((len(space) for space in functions.values()), default=0)
    record_size = 256 if longest <= 256 else MAX_RECORD_SIZE
    out = bytearray(MAGIC + struct.pack("<II", len(functions), record_size))
    for address in sorted(functions):
        space = functions[address]
        out += struct.pack("<I", address) + space + bytes(record_size - len(space))
    return bytes(out)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    source = parser.add_mutually_exclusive_group(required=True)
    source.add_argument("--dump", metavar="FILE", help="a pciutils hex dump")
    source.add_argument("--sysfs", metavar="ROOT", nargs="?", const="/sys/bus/pci/devices",
                        help="live configuration space (default /sys/bus/pci/devices)")
    parser.add_argument("-o", "--output", required=True, metavar="FILE")
    args = parser.parse_args(argv)
    try:
        if args.dump:
            with open(args.dump, encoding="latin-1") as dump:
                functions = parse_dump(dump.read())
        else:
            functions = read_sysfs(args.sysfs)
    except (OSError, FixtureError) as error:
        print("make_fixture: %s" % error, file=sys.stderr)
        return 1
    with open(args.output, "wb") as out:
        out.write(fixture_bytes(functions))
    print("make_fixture: %d functions -> %s" % (len(functions), args.output))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
