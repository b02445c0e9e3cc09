#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The Linux and Windows figures of one scripts/bench.sh --windows run side by side, read from
the lines the benchmarks printed (the file given). A figure a run did not print shows as "-"."""
import re
import sys

NUMBER = r"(-?[0-9]+(?:\.[0-9]+)?)"


def find(pattern, text, group=1):
    match = re.search(pattern, text, re.M)
    return match.group(group) if match else None


def section(text, header):
    """The lines from the first line starting with `header` to the next '==' header."""
    start = text.find(header)
    if start < 0:
        return ""
    end = text.find("\n==", start + len(header))
    return text[start:] if end < 0 else text[start:end]


def ms(value):
    return f"{value} ms" if value is not None else "-"


def mb(name, text):
    return find(r"^size of " + re.escape(name) + r"\s+" + NUMBER + " MB", text)


def main():
    text = open(sys.argv[1], encoding="utf-8").read()
    wire = section(text, "== Select NAS-Many-Wire")
    linux_select = find(r"^SlotWait, live\s+" + NUMBER, wire)
    windows_select = find(r"^Win32, live \(wine\)\s+" + NUMBER, text)

    found = r"worst found ([0-9]+/[0-9]+)"
    linux_disc = re.search(r"^SlotWait: median total .*?beyond the window " + NUMBER + r" ms, "
                           + found, text, re.M)
    windows_disc = re.search(r"^Win32 window: median beyond the window " + NUMBER + r" ms .*?"
                             + found, text, re.M)

    first = find(r"^  run 0: listed [0-9]+, found ([0-9]+/[0-9]+), total .*?beyond the window "
                 + NUMBER + " ms", text, 0)
    first_beyond = (f"{find(r'beyond the window ' + NUMBER, first)} ms, found "
                    f"{find(r'found ([0-9]+/[0-9]+)', first)}" if first else "-")

    def discovery(match):
        return f"{match.group(1)} ms, found {match.group(2)}" if match else "-"

    def show(program):
        return find(r"^" + re.escape(program) + r" show \S+, beyond its discovery\s+median\s+"
                    + NUMBER, text)

    program_set = re.search(r"^working set of halvo\.exe, ([0-9]+) devices listed\s+" + NUMBER
                            + r" MB \(peak " + NUMBER + " MB\\)", text, re.M)
    bench_set = re.search(r"^working set of this bench, ([0-9]+) devices listed\s+" + NUMBER
                          + r" MB \(peak " + NUMBER + " MB\\)", text, re.M)
    started = find(r"^start to its window shown with ([0-9]+ of [0-9]+) devices listed: "
                   + NUMBER + " ms", text, 0)

    def size(name):
        value = mb(name, text)
        return f"{name} {value} MB" if value else "-"

    rows = [
        ("selection to device buttons, median (<= 5 ms)", ms(linux_select), ms(windows_select)),
        ("discovery, median beyond the window (<= 20 ms; shown)", discovery(linux_disc),
         discovery(windows_disc)),
        ("  the window's first discovery (hidden), beyond", "-", first_beyond),
        ("halvoctl show, median beyond its discovery (<= 30 ms)", ms(show("halvoctl")),
         ms(show("halvoctl.exe (wine)"))),
        ("working set, halvo.exe with its list full", "-",
         f"{program_set.group(2)} MB (peak {program_set.group(3)} MB), "
         f"{program_set.group(1)} listed" if program_set else "-"),
        ("working set, the window's bench with its list full", "-",
         f"{bench_set.group(2)} MB (peak {bench_set.group(3)} MB), {bench_set.group(1)} listed"
         if bench_set else "-"),
        ("halvo.exe start to its window shown", "-",
         started.replace("start to its window shown with ", "") if started else "-"),
        ("the window's program", size("halvo"), size("halvo.exe")),
        ("the command-line program", size("halvoctl"), size("halvoctl.exe")),
        ("installer", "-", size(find(r"^size of (\S+\.msi)", text) or "installer.msi")),
        ("portable archive", "-", size(find(r"^size of (\S+\.zip)", text) or "archive.zip")),
    ]
    width = max(len(r[0]) for r in rows)
    left = max(len(r[1]) for r in rows + [("", "Linux", "")])
    print("== Linux and Windows (wine) side by side")
    print(f"{'':{width}}  {'Linux':{left}}  Windows (wine)")
    for label, linux, windows in rows:
        print(f"{label:{width}}  {linux:{left}}  {windows}")


if __name__ == "__main__":
    main()
