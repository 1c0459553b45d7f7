#!/usr/bin/env python3
"""The whole run of pcilist-sim on a 64-function dump, with the shipped
pcinames.txt beside the program and without a name file, side by side.

Usage: whole_run_bench.py PCILIST_SIM [ROUNDS]
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DUMP = os.path.join(ROOT, "tests", "fixtures", "sixty-four.dump")
NAMES = os.path.join(ROOT, "tools", "pcinames.txt")


def run_once(sim, folder):
    start = time.perf_counter()
    subprocess.run([sim, "--dump", DUMP, "--folder", folder], check=True,
                   stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    sim = sys.argv[1]
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 9
    with tempfile.TemporaryDirectory() as plain, tempfile.TemporaryDirectory() as named:
        for folder in (plain, named):
            open(os.path.join(folder, "WinRing0x64.sys"), "w").close()
        shutil.copy(NAMES, os.path.join(named, "pcinames.txt"))
        best_plain = best_named = float("inf")
        for _ in range(rounds):
            best_plain = min(best_plain, run_once(sim, plain))
            best_named = min(best_named, run_once(sim, named))
        shown = subprocess.run([sim, "--dump", DUMP, "--folder", named], check=True,
                               capture_output=True, text=True).stdout
    named_rows = sum(1 for line in shown.splitlines()
                     if line.startswith("ROW 2\tDevice Code") and "Not available  (" not in line)
    print(f"functions: 64, named from the file: {named_rows}")
    print(f"without name file: {best_plain * 1e3:.1f} ms")
    print(f"with pcinames.txt: {best_named * 1e3:.1f} ms")
    print(f"name file adds:    {(best_named - best_plain) * 1e3:.1f} ms "
          f"(ratio {best_named / best_plain:.2f})")


if __name__ == "__main__":
    main()
