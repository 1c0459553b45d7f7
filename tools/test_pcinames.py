#!/usr/bin/env python3
"""Checks the checked-in pcinames.txt and the generator that writes it.

Run as: python3 tools/test_pcinames.py
Ends with the line "N passed, N failed" and exits non-zero on a failure.
"""

import contextlib
import importlib.util
import io
import os
import re
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
NAMES_FILE = os.path.join(HERE, "pcinames.txt")
PCI_IDS = "/usr/share/misc/pci.ids"

_spec = importlib.util.spec_from_file_location("gen_pcinames", os.path.join(HERE, "gen_pcinames.py"))
gen = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(gen)

# Bytes that Windows-1252 leaves undefined.
UNDEFINED_BYTES = b"\x81\x8d\x8f\x90\x9d"
# The key, a blank, a chip that is never empty (an empty chip would make the
# reader take the name for the chip too) and holds no TAB, the TAB, the name.
KEY_LINE = re.compile(r"^([0-9A-F]{8}) ([^\t]+)\t([^\t]*)$")
VERSION = re.compile(r"^#\s*Version:\s*(\S+)", re.MULTILINE)


def version_of(text):
    match = VERSION.search(text)
    return match.group(1) if match else None


class CheckedInFileTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(NAMES_FILE, "rb") as source:
            cls.data = source.read()
        cls.text = cls.data.decode("cp1252", errors="replace")
        cls.lines = cls.text.split("\r\n")
        if cls.lines and cls.lines[-1] == "":
            cls.lines.pop()
        cls.entries = {}
        for line in cls.lines:
            match = KEY_LINE.match(line)
            if match:
                cls.entries[match.group(1)] = (match.group(2), match.group(3))

    def test_every_line_ends_with_cr_lf(self):
        self.assertTrue(self.data.endswith(b"\r\n"))
        crlf = self.data.count(b"\r\n")
        self.assertEqual(self.data.count(b"\r"), crlf, "lone CR")
        self.assertEqual(self.data.count(b"\n"), crlf, "lone LF")

    def test_bytes_are_defined_windows_1252(self):
        for byte in UNDEFINED_BYTES:
            self.assertNotIn(byte, self.data, "undefined byte 0x%02X" % byte)
        self.data.decode("cp1252")  # strict: raises on any undefined byte
        self.assertNotIn(b"\x00", self.data)
        self.assertFalse(self.data.startswith(b"\xef\xbb\xbf"), "byte-order mark")

    def test_header_comments_then_key_lines_only(self):
        in_header = True
        for number, line in enumerate(self.lines, start=1):
            if in_header and line.startswith("#"):
                continue
            in_header = False
            self.assertRegex(line, KEY_LINE, "line %d" % number)
            self.assertFalse(any(ord(ch) < 0x20 and ch != "\t" for ch in line),
                             "control character, line %d" % number)
        self.assertFalse(in_header, "no key lines at all")

    def test_header_names_source_version_and_licence(self):
        header = "\n".join(line for line in self.lines if line.startswith("#"))
        self.assertIn("pci.ids", header)
        self.assertIsNotNone(version_of(header))
        self.assertIn("GPL-2.0-or-later", header)
        self.assertIn("BSD-3-Clause", header)

    def test_keys_unique_and_strictly_ascending(self):
        keys = [line[:8] for line in self.lines if not line.startswith("#")]
        self.assertGreater(len(keys), 10000)
        for before, after in zip(keys, keys[1:]):
            self.assertLess(before, after)

    def test_known_lines(self):
        cases = [
            # key, chip, name
            ("1AF41041", "Not available", "Virtio 1.0 network device"),
            ("10DE0A65", "GT218", "GeForce 210"),
            ("10DE2330", "Not available", "GH100[H100 SXM5 80GB]"),  # no blank before "["
            ("10390180", "Not available", "RAID bus controller 180 SATA/PATA  [SiS]"),  # two blanks
            ("53338A01", "Not available", "86c375 [ViRGE/DX] or 86c385 [ViRGE/GX]"),  # two groups
            ("10221100", "Not available", "K8 [Athlon64/Opteron] HyperTransport Technology Configuration"),
            ("1033001A", "Not available", "[Nile II]"),  # nothing before the bracket
            ("80861237", "440FX - 82441FX PMC", "Natoma"),
        ]
        for key, chip, name in cases:
            with self.subTest(key=key):
                self.assertEqual(self.entries.get(key), (chip, name))

    def test_no_subsystem_entries(self):
        # pci.ids lists subsystem 1787:201C (an HD 7970) under device 1002:6798 only.
        self.assertIn("10026798", self.entries)
        self.assertNotIn("1787201C", self.entries)

    def test_equals_generator_output_from_installed_pci_ids(self):
        if not os.path.exists(PCI_IDS):
            self.skipTest("%s is not installed" % PCI_IDS)
        with open(PCI_IDS, "rb") as source:
            pci_ids = source.read()
        installed = version_of(pci_ids.decode("utf-8", errors="replace"))
        if installed != version_of(self.text):
            self.skipTest("installed pci.ids is version %s" % installed)
        self.assertTrue(gen.generate(pci_ids) == self.data,
                        "pcinames.txt is stale: run python3 tools/gen_pcinames.py")


def fixture(*entries):
    return ("#\tVersion: 2099.01.01\n" + "".join(entries)).encode("utf-8")


def generated_entries(data):
    """Gives {key: (chip, name)} and the header lines of generated bytes."""
    lines = data.decode("cp1252").split("\r\n")
    entries, header = {}, []
    for line in lines[:-1]:
        if line.startswith("#"):
            header.append(line)
            continue
        match = KEY_LINE.match(line)
        assert match, line
        entries[match.group(1)] = (match.group(2), match.group(3))
    return entries, header


class GeneratorTest(unittest.TestCase):
    def test_chip_and_name_split(self):
        cases = [
            # pci.ids name, chip, name
            ("GT218 [GeForce 210]", "GT218", "GeForce 210"),
            ("RV380 GL [FireMV 2400]", "RV380 GL", "FireMV 2400"),
            ("Virtio 1.0 network device", "Not available", "Virtio 1.0 network device"),
            ("GH100[H100]", "Not available", "GH100[H100]"),
            ("PM8000  [SPC]", "Not available", "PM8000  [SPC]"),
            ("[Nile II]", "Not available", "[Nile II]"),
            ("R300 [Radeon 9500 PRO] (Secondary)", "Not available", "R300 [Radeon 9500 PRO] (Secondary)"),
            ("A [B] or C [D]", "Not available", "A [B] or C [D]"),
            ("A [B [C]]", "Not available", "A [B [C]]"),
            ("A []", "Not available", "A []"),
            ("A [B]]", "Not available", "A [B]]"),
            ("A\t[B]", "A", "B"),  # a TAB counts as a blank
            ("A\tB [C\tD]", "A B", "C D"),
            ("A\tB", "Not available", "A B"),
        ]
        for text, chip, name in cases:
            with self.subTest(text=text):
                entries, _ = generated_entries(gen.generate(fixture("1234  V\n", "\tabcd  %s\n" % text)))
                self.assertEqual(entries, {"1234ABCD": (chip, name)})

    def test_only_device_entries_sorted_by_key(self):
        data = gen.generate(fixture(
            "# comment\n",
            "ffff  Last vendor\n",
            "\t0001  Z device\n",
            "\n",
            "10de  First vendor\n",
            "\t0a65  GT218 [GeForce 210]\n",
            "\t\t1043 8334  A subsystem\n",
            "\t0065  Another\n",
            "C 02  Network controller\n",
            "\t00  Ethernet controller\n",
            "\t\t00  Some interface\n",
        ))
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""))
        entries, header = generated_entries(data)
        self.assertEqual(list(entries), ["10DE0065", "10DE0A65", "FFFF0001"])
        self.assertIn("#\tVersion: 2099.01.01", header)

    def test_duplicate_key_keeps_first_and_says_so(self):
        stderr = io.StringIO()
        with contextlib.redirect_stderr(stderr):
            data = gen.generate(fixture("1234  V\n", "\tabcd  First\n", "1234  V again\n", "\tABCD  Second\n"))
        entries, _ = generated_entries(data)
        self.assertEqual(entries, {"1234ABCD": ("Not available", "First")})
        self.assertIn("duplicate key 1234ABCD", stderr.getvalue())

    def test_characters_outside_windows_1252(self):
        cases = [
            # pci.ids name, bytes of the name in pcinames.txt
            ("Gesellschaft f\u00fcr X\u00b2", b"Gesellschaft f\xfcr X\xb2"),  # kept: in the code page
            ("Caf\u00e9\u2122 \u201cA\u201d \u2013 \u2014", b"Caf\xe9\x99 \x93A\x94 \x96 \x97"),
            ("\u0100cme \u0141\u00f3d\u017a", b"Acme L\xf3dz"),  # NFKD; the L with stroke from the table
            ("PCI\u2010e \u22121 5\u2032 \u2033", b"PCI-e -1 5' \""),
            ("\ufb01ne 2\u00a0\u2153 \u3392", b"fine 2\xa01/3 MHz"),
            ("\u03bcP 10\u2126", b"\xb5P 10Ohm"),
        ]
        for text, expected in cases:
            with self.subTest(text=text):
                data = gen.generate(fixture("1234  V\n", "\tabcd  %s\n" % text))
                self.assertTrue(data.endswith(b"1234ABCD Not available\t" + expected + b"\r\n"), data[-80:])

    def test_refuses_what_it_cannot_write(self):
        cases = [
            ("\tabcd  Chinese \u4e2d\n", "U+4E2D"),
            ("\tabcd  A\x00B\n", "control character"),
            ("\tabcd  A\x0bB\n", "control character"),
            ("\tab  not a device\n", "not a vendor, device or subsystem entry"),
        ]
        for entry, message in cases:
            with self.subTest(entry=entry):
                with self.assertRaises(gen.GenerationError) as caught:
                    gen.generate(fixture("1234  V\n", entry))
                self.assertIn(message, str(caught.exception))
        with self.assertRaises(gen.GenerationError):
            gen.generate(b"1234  V\n\tabcd  No version line\n")
        with self.assertRaises(gen.GenerationError):
            gen.generate(b"#\tVersion: 1\n1234  V\xff\n")


def main():
    suite = unittest.defaultTestLoader.loadTestsFromModule(sys.modules[__name__])
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    failed_tests = set()
    for test, _ in result.failures + result.errors:
        failed_tests.add(getattr(test, "test_case", test).id())
    skipped = len(result.skipped)
    passed = result.testsRun - len(failed_tests) - skipped
    summary = "%d passed, %d failed" % (passed, len(failed_tests))
    if skipped:
        summary += ", %d skipped" % skipped
    print(summary)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
