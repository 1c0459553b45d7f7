#!/usr/bin/env python3
"""Checks of the fixture converter: what the stand-in driver will answer."""
import os
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_fixture  # noqa: E402


def records(blob):
    """{address: bytes} and the record size of a fixture file."""
    assert blob[:8] == make_fixture.MAGIC
    count, size = struct.unpack_from("<II", blob, 8)
    assert len(blob) == 16 + count * (4 + size)
    found = {}
    for i in range(count):
        at = 16 + i * (4 + size)
        found[struct.unpack_from("<I", blob, at)[0]] = blob[at + 4:at + 4 + size]
    return found, size


class DumpConversion(unittest.TestCase):
    def test_functions_addresses_and_bytes(self):
        dump = ("00:00.0 Host bridge: Intel\n"
                "00: 86 80 78 25 00 00 00 00 02 00 00 06 00 00 00 00\n"
                "\n"
                "ff:1f.7 Other\n"
                "30: 00 00 00 00 00 00 00 00 00 00 00 00 0b 01 00 00\n")
        found, size = records(make_fixture.fixture_bytes(make_fixture.parse_dump(dump)))
        self.assertEqual(size, 256)
        self.assertEqual(sorted(found), [0x0000, 0xFF << 8 | 31 << 3 | 7])
        self.assertEqual(found[0][:4], bytes([0x86, 0x80, 0x78, 0x25]))
        # Bytes the dump does not give read as 0, not as absent.
        self.assertEqual(found[0][0x10:], bytes(256 - 0x10))
        self.assertEqual(found[0xFFFF][0:0x30], bytes(0x30))
        self.assertEqual(found[0xFFFF][0x3C], 0x0B)

    def test_only_domain_zero_is_kept(self):
        dump = ("0000:00:01.0 A\n00: 01 02\n"
                "0001:00:01.0 B\n00: 03 04\n"
                "0000:02:00.0 C\n00: 05 06\n")
        found, _ = records(make_fixture.fixture_bytes(make_fixture.parse_dump(dump)))
        self.assertEqual(sorted(found), [1 << 3, 2 << 8])
        self.assertEqual(found[1 << 3][:2], b"\x01\x02")

    def test_extended_space_makes_4096_byte_records(self):
        dump = "00:00.0 X\n00: aa\nff0: " + " ".join(["00"] * 15 + ["5a"]) + "\n"
        found, size = records(make_fixture.fixture_bytes(make_fixture.parse_dump(dump)))
        self.assertEqual(size, 4096)
        self.assertEqual((found[0][0], found[0][0xFFF]), (0xAA, 0x5A))

    def test_texts_that_are_not_dumps(self):
        cases = [
            ("empty", ""),
            ("no function line", "00: 86 80\n"),
            ("a function twice", "00:00.0 A\n00: 00\n00:00.0 A\n00: 00\n"),
            ("device above 31", "00:20.0 A\n00: 00\n"),
            ("bytes past 4096", "00:00.0 A\n1000: 00\n"),
        ]
        for name, text in cases:
            with self.subTest(name), self.assertRaises(make_fixture.FixtureError):
                make_fixture.parse_dump(text)


class SysfsConversion(unittest.TestCase):
    def test_reads_config_files_of_domain_zero(self):
        with tempfile.TemporaryDirectory() as root:
            for name, content in (("0000:00:02.0", b"\xf4\x1a\x42\x10"),
                                  ("0001:00:02.0", b"\x11\x11\x11\x11"),
                                  ("not-a-function", b"")):
                os.mkdir(os.path.join(root, name))
                with open(os.path.join(root, name, "config"), "wb") as config:
                    config.write(content)
            found, _ = records(make_fixture.fixture_bytes(make_fixture.read_sysfs(root)))
            self.assertEqual(list(found), [2 << 3])
            self.assertEqual(found[2 << 3][:4], b"\xf4\x1a\x42\x10")


if __name__ == "__main__":
    unittest.main()
