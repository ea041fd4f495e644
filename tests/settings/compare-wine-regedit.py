#!/usr/bin/env python3
"""compare-wine-regedit.py WINE_RUN WINEPREFIX HIVES WORKDIR

Imports every hand-edited hive in HIVES (*.reg) with Wine's own registry
editor, exports what Wine then holds, and compares it with the hive the
program reads from the same file (the .expected file beside it, which the
hive-format tests check against the reader). Keys, value names, types and
data must agree; the order of values within a key does not matter.

Only the throwaway Wine prefix is touched: before each file, the keys it
names are deleted there, so each file is read on its own.
"""

import os
import pathlib
import subprocess
import sys

ROOTS = ("HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT", "HKEY_USERS", "HKEY_CURRENT_CONFIG")


class Hive:
    """Keys and values as a registry holds them: names are matched without
    regard to case and keep the spelling they were made with."""

    def __init__(self):
        self.keys = {}  # folded path -> (path as made, {folded name -> (name as made, type, data)})

    def key(self, path):
        parts = path.split("\\")
        for depth in range(1, len(parts) + 1):
            made = "\\".join(parts[:depth])
            self.keys.setdefault(made.casefold(), (made, {}))
        return self.keys[path.casefold()][1]

    def delete_key(self, path):
        folded = path.casefold()
        for known in [k for k in self.keys if k == folded or k.startswith(folded + "\\")]:
            del self.keys[known]

    def below(self, subtrees):
        """{path: {name: (type, data)}} for the keys at or under any of subtrees."""
        folded = [s.casefold() for s in subtrees]
        return {made: {name: (kind, data) for name, kind, data in values.values()}
                for key, (made, values) in self.keys.items()
                if any(key == s or key.startswith(s + "\\") for s in folded)}


def parse_string(text):
    """A quoted string with \\ and \" escaped; returns (string, rest)."""
    assert text.startswith('"'), text
    out, i = [], 1
    while text[i] != '"':
        if text[i] == "\\":
            i += 1
        out.append(text[i])
        i += 1
    return "".join(out), text[i + 1:]


def parse_data(text):
    if text.startswith('"'):
        value, rest = parse_string(text)
        assert not rest.strip(), text
        return "REG_SZ", value
    if text.startswith("dword:"):
        return "REG_DWORD", int(text[6:], 16)
    kind, _, digits = text.partition(":")
    assert kind == "hex" or kind.startswith("hex("), text
    data = bytes(int(byte, 16) for byte in digits.replace(" ", "").split(",") if byte)
    return ("REG_BINARY" if kind == "hex" else kind), data


def read_hive(text):
    """Applies a registry file as written by a registry editor or the program
    (canonical forms only: hand-edit forms are what the editors are tested on)."""
    lines = text.replace("\r\n", "\n").split("\n")
    assert lines[0] in ("REGEDIT4", "Windows Registry Editor Version 5.00"), lines[0]
    hive, values, i = Hive(), None, 1
    while i < len(lines):
        line = lines[i]
        i += 1
        while line.endswith("\\") and not line.startswith("[") and i < len(lines):
            line = line[:-1] + lines[i].lstrip()
            i += 1
        if not line or line.startswith(";"):
            continue
        if line.startswith("[-"):
            hive.delete_key(line[2:-1])
            values = None
        elif line.startswith("["):
            values = hive.key(line[1:-1].rstrip("\\"))
        else:
            if line.startswith("@="):
                name, rest = "", line[1:]
            else:
                name, rest = parse_string(line)
            assert rest.startswith("="), line
            if rest == "=-":
                values.pop(name.casefold(), None)
            else:
                kind, data = parse_data(rest[1:])
                made = values.get(name.casefold(), (name,))[0]
                values[name.casefold()] = (made, kind, data)
    return hive


def subtrees(text):
    """The keys a file names, each cut to its root and two keys below it
    (deep enough to stay clear of what the registry already holds)."""
    found = {}
    for line in text.replace("\r\n", "\n").split("\n"):
        line = line.strip()
        if line.startswith("[") and "]" in line:
            path = line[1:line.index("]")].lstrip("-").rstrip("\\")
            parts = path.split("\\")
            if parts[0].upper() in ROOTS and len(parts) > 1:
                cut = "\\".join(parts[:3])
                found.setdefault(cut.casefold(), cut)
    return sorted(found.values())


def main():
    wine_run, prefix, hives, work = sys.argv[1:5]
    work = pathlib.Path(work)
    work.mkdir(parents=True, exist_ok=True)
    # The hives are Windows-1252: a locale whose ANSI code page Wine takes as such.
    env = dict(os.environ, LC_ALL="C.UTF-8")

    def regedit(*args):
        subprocess.run(["sh", wine_run, prefix, "regedit", *args], env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def windows(path):
        return "Z:" + str(path.resolve()).replace("/", "\\")  # Wine's drive for the Unix root

    samples = sorted(pathlib.Path(hives).glob("*.reg"))
    failures = 0
    for sample in samples:
        raw = sample.read_bytes().decode("cp1252")
        watched = subtrees(raw)
        clean = work / "clean.reg"
        clean.write_bytes(("REGEDIT4\r\n\r\n" + "".join(f"[-{s}]\r\n" for s in watched)).encode("cp1252"))
        regedit("/S", windows(clean))
        regedit("/S", windows(sample))

        wine = Hive()
        for number, subtree in enumerate(watched):
            export = work / f"{sample.stem}-{number}.reg"
            export.unlink(missing_ok=True)
            regedit("/E", windows(export), subtree)
            if export.exists():  # not made for a key that is not there
                for path, values in read_hive(export.read_bytes().decode("utf-16")).keys.values():
                    wine.key(path).update(values)

        expected = read_hive(sample.with_suffix(".expected").read_bytes().decode("cp1252"))
        theirs, ours = wine.below(watched), expected.below(watched)
        if theirs != ours:
            failures += 1
            print(f"{sample.name}: Wine's registry editor reads it differently", file=sys.stderr)
            for path in sorted(set(theirs) | set(ours)):
                if theirs.get(path) != ours.get(path):
                    print(f"  [{path}]\n    Wine:    {theirs.get(path)}\n    Pelorix: {ours.get(path)}",
                          file=sys.stderr)
        else:
            print(f"{sample.name}: {len(ours)} keys, {sum(map(len, ours.values()))} values read alike")
    if len(samples) < 9:
        print(f"only {len(samples)} hand-edited hives in {hives}", file=sys.stderr)
        failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
