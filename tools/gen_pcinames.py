#!/usr/bin/env python3
"""Writes pcinames.txt, the device name file that pcilist reads, from pci.ids.

One line per device entry of pci.ids (subsystem and class entries are left
out), in ascending key order, CR LF line ends, encoded in Windows-1252:

    VVVVDDDD<blank><chip><TAB><name>

The key is the vendor ID followed by the device ID in upper case. A pci.ids
name of the form "CHIP [NAME]" (text, one blank, a bracketed part that ends
the name, no other brackets) gives that chip and that name; any other name is
taken whole, with the chip "Not available".

pcilist splits a line at the first TAB after the key and its blank, so a TAB
in the chip would move the split. pci.ids names are turned into blanks-only
text before the split: each TAB becomes one blank. Other control characters
(CR, LF and NUL would end a line early) are refused.

Characters that Windows-1252 lacks are written as their closest ASCII form:
an explicit table first, then the compatibility decomposition (NFKD) without
its combining marks. A character with neither stops the run with an error;
nothing is ever replaced by "?".

A key that pci.ids lists twice keeps its first entry; each later one is
reported on stderr.

Usage: gen_pcinames.py [--pci-ids PATH] [--output PATH]
"""

import argparse
import os
import re
import sys
import unicodedata

DEFAULT_PCI_IDS = "/usr/share/misc/pci.ids"
DEFAULT_OUTPUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pcinames.txt")

CODE_PAGE = "cp1252"
NOT_AVAILABLE = "Not available"

# Characters outside Windows-1252 whose decomposition gives no ASCII form,
# or a worse one. Checked before the decomposition.
TRANSLITERATIONS = {
    "\u2010": "-",     # hyphen
    "\u2011": "-",     # non-breaking hyphen
    "\u2012": "-",     # figure dash
    "\u2015": "-",     # horizontal bar
    "\u2043": "-",     # hyphen bullet
    "\u2212": "-",     # minus sign
    "\u2044": "/",     # fraction slash (also what 1/3 and friends decompose to)
    "\u2215": "/",     # division slash
    "\u201b": "'",     # single high-reversed-9 quotation mark
    "\u201f": '"',     # double high-reversed-9 quotation mark
    "\u2032": "'",     # prime
    "\u2033": '"',     # double prime
    "\u02b9": "'",     # modifier letter prime
    "\u02bc": "'",     # modifier letter apostrophe
    "\u2120": "(SM)",  # service mark
    "\u2264": "<=",
    "\u2265": ">=",
    "\u2192": "->",
    "\u2190": "<-",
    "\u0110": "D",     # D with stroke
    "\u0111": "d",
    "\u0131": "i",     # dotless i
    "\u0141": "L",     # L with stroke
    "\u0142": "l",
    "\u03bc": "\u00b5",  # Greek mu: the micro sign of Windows-1252
    "\u03a9": "Ohm",     # Greek capital omega (the ohm sign decomposes to it)
    "\u200b": "",      # zero width space
    "\ufeff": "",      # zero width no-break space
}

VERSION_LINE = re.compile(r"^#\s*Version:\s*\S")
VENDOR_LINE = re.compile(r"^([0-9A-Fa-f]{4})  (.*)$")
DEVICE_LINE = re.compile(r"^\t([0-9A-Fa-f]{4})  (.*)$")
SUBSYSTEM_LINE = re.compile(r"^\t\t[0-9A-Fa-f]{4} [0-9A-Fa-f]{4}  ")
CLASS_LINE = re.compile(r"^C [0-9A-Fa-f]{2}  ")
# "CHIP [NAME]": the chip holds no bracket and does not end in a blank, so
# exactly one blank stands before the bracket; the name holds no bracket.
CHIP_AND_NAME = re.compile(r"^([^\[\]]*[^\[\] ]) \[([^\[\]]+)\]$")


class GenerationError(Exception):
    pass


def transliterate(text, where):
    """Gives text with every character Windows-1252 lacks replaced."""
    out = []
    for ch in text:
        if _encodable(ch):
            out.append(ch)
            continue
        replacement = _replacement(ch)
        if replacement is None:
            raise GenerationError(
                "%s: no Windows-1252 or ASCII form for U+%04X %s in %r"
                % (where, ord(ch), unicodedata.name(ch, "(unnamed)"), text))
        out.append(replacement)
    return "".join(out)


def _encodable(ch):
    try:
        ch.encode(CODE_PAGE)
        return True
    except UnicodeEncodeError:
        return False


def _replacement(ch):
    if ch in TRANSLITERATIONS:
        return TRANSLITERATIONS[ch]
    decomposed = unicodedata.normalize("NFKD", ch)
    if decomposed == ch:
        return None
    parts = []
    for part in decomposed:
        if unicodedata.combining(part):
            continue
        if part.isascii():
            parts.append(part)
        elif part in TRANSLITERATIONS:
            parts.append(TRANSLITERATIONS[part])
        else:
            return None
    if not parts:
        return None
    return "".join(parts)


def clean_name(text, where):
    """Gives the pci.ids name as one line of Windows-1252 text without TABs."""
    text = text.replace("\t", " ")
    for ch in text:
        if unicodedata.category(ch) == "Cc":
            raise GenerationError("%s: control character U+%04X in %r" % (where, ord(ch), text))
    return transliterate(text, where)


def split_chip_and_name(text):
    match = CHIP_AND_NAME.match(text)
    if match:
        return match.group(1), match.group(2)
    return NOT_AVAILABLE, text


def read_devices(lines):
    """Gives (version line, {key: text}) from the lines of pci.ids.

    Duplicate keys keep their first entry and are reported on stderr.
    """
    version = None
    devices = {}
    vendor = None
    for number, line in enumerate(lines, start=1):
        where = "pci.ids line %d" % number
        if line.startswith("#"):
            if version is None and VERSION_LINE.match(line):
                version = line.strip()
            continue
        if line.strip() == "":
            continue
        if CLASS_LINE.match(line):
            vendor = None  # device classes follow: no more device entries
            continue
        match = VENDOR_LINE.match(line)
        if match:
            vendor = match.group(1).upper()
            continue
        if vendor is None:
            continue  # class section: subclasses and programming interfaces
        match = DEVICE_LINE.match(line)
        if match:
            key = vendor + match.group(1).upper()
            if key in devices:
                print("gen_pcinames: %s: duplicate key %s, keeping the first entry" % (where, key),
                      file=sys.stderr)
                continue
            devices[key] = clean_name(match.group(2), where)
            continue
        if SUBSYSTEM_LINE.match(line):
            continue
        raise GenerationError("%s: not a vendor, device or subsystem entry: %r" % (where, line))
    if version is None:
        raise GenerationError("pci.ids has no version line")
    return version, devices


def header(version):
    return [
        "# pcinames.txt: device and chip names for pcilist, one line per PCI device.",
        "# Line layout: vendor ID and device ID (8 hex digits), a blank, the chip, a TAB, the name.",
        "# Generated by tools/gen_pcinames.py from pci.ids, the PCI ID Repository",
        "# (https://pci-ids.ucw.cz/), as shipped in Debian's package pci.ids, whose",
        "# version line reads:",
        version,
        "# pci.ids can be distributed under either the GNU General Public License",
        "# (version 2 or higher) or the 3-clause BSD License",
        "# (GPL-2.0-or-later OR BSD-3-Clause); the copyright covers the aggregation",
        "# and formatting and is held by Martin Mares and Albert Pool.",
    ]


def generate(pci_ids_bytes):
    """Gives the bytes of pcinames.txt for the bytes of pci.ids."""
    try:
        text = pci_ids_bytes.decode("utf-8")
    except UnicodeDecodeError as error:
        raise GenerationError("pci.ids is not UTF-8: %s" % error)
    lines = [line[:-1] if line.endswith("\r") else line for line in text.split("\n")]
    version, devices = read_devices(lines)
    out = header(version)
    for key in sorted(devices):
        chip, name = split_chip_and_name(devices[key])
        out.append("%s %s\t%s" % (key, chip, name))
    return "".join(line + "\r\n" for line in out).encode(CODE_PAGE)


def main(argv):
    parser = argparse.ArgumentParser(description="Write pcinames.txt from pci.ids.")
    parser.add_argument("--pci-ids", default=DEFAULT_PCI_IDS)
    parser.add_argument("--output", default=DEFAULT_OUTPUT)
    args = parser.parse_args(argv)
    try:
        with open(args.pci_ids, "rb") as source:
            data = generate(source.read())
    except (OSError, GenerationError) as error:
        print("gen_pcinames: %s" % error, file=sys.stderr)
        return 1
    temporary = args.output + ".tmp"
    with open(temporary, "wb") as target:
        target.write(data)
    os.replace(temporary, args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
