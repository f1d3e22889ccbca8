#!/usr/bin/env python3
"""Checks what a user (and a virus scanner) sees of pomki_pet.exe before running it.

  - its size stays under 1 MiB;
  - its import table holds no thread-context or process-opening function that the
    program's sources (src/) do not call: such imports come from libraries linked in by
    accident and are what heuristic scanners flag in a program that also moves other
    programs' windows;
  - its version resource is there, in Japanese with Unicode strings, and carries the
    build's version number, the product name and the original file name.

It prints the version details and the import list. With --fixture, it first makes sure
that the import check does flag a small exe that imports such functions.

Reads the PE file itself; only the Python standard library is used.
"""

import argparse
import os
import re
import struct
import sys

MAX_SIZE = 1024 * 1024
PRODUCT = "デスクトップぽてぽて"
ORIGINAL_FILENAME = "pomki_pet.exe"
JAPANESE, UNICODE = 0x0411, 1200

# Functions that read or change another thread's state or open another process.
SUSPECT_IMPORTS = {
    "SuspendThread", "ResumeThread", "GetThreadContext", "SetThreadContext",
    "Wow64GetThreadContext", "Wow64SetThreadContext", "Wow64SuspendThread",
    "OpenThread", "OpenProcess", "CreateRemoteThread", "CreateRemoteThreadEx",
    "VirtualAllocEx", "VirtualProtectEx", "ReadProcessMemory", "WriteProcessMemory",
    "DebugActiveProcess", "NtSuspendThread", "NtGetContextThread", "NtSetContextThread",
    "NtOpenProcess", "NtOpenThread",
}


class PeError(Exception):
    pass


class Pe:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("not an MZ executable")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        machine, nsections, _, _, _, opt_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        magic = self.u16(opt)
        if magic == 0x20B:
            dirs = opt + 112
        elif magic == 0x10B:
            dirs = opt + 96
        else:
            raise PeError(f"unknown optional header magic {magic:#x}")
        self.is64 = magic == 0x20B
        ndirs = self.u32(dirs - 4)
        self.dirs = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(min(ndirs, 16))]
        self.sections = []
        for i in range(nsections):
            at = opt + opt_size + 40 * i
            vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((va, max(vsize, rawsize), rawptr, rawsize))

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def offset(self, rva):
        for va, size, rawptr, rawsize in self.sections:
            if va <= rva < va + size:
                if rva - va >= rawsize:
                    raise PeError(f"address {rva:#x} has no bytes in the file")
                return rawptr + rva - va
        raise PeError(f"address {rva:#x} is in no section")

    def cstring(self, rva):
        at = self.offset(rva)
        end = self.data.index(b"\0", at)
        return self.data[at:end].decode("ascii", "replace")

    def imports(self):
        """[(dll, [function name or '#ordinal', ...]), ...] in the file's order."""
        rva, size = self.dirs[1] if len(self.dirs) > 1 else (0, 0)
        if not rva:
            return []
        out = []
        at = self.offset(rva)
        while True:
            lookup, _, _, name_rva, thunks = struct.unpack_from("<IIIII", self.data, at)
            if not (lookup or name_rva or thunks):
                break
            names = []
            entry = self.offset(lookup or thunks)
            width, flag = (8, 1 << 63) if self.is64 else (4, 1 << 31)
            while True:
                value = int.from_bytes(self.data[entry:entry + width], "little")
                if not value:
                    break
                names.append(f"#{value & 0xFFFF}" if value & flag else self.cstring((value & 0x7FFFFFFF) + 2))
                entry += width
            out.append((self.cstring(name_rva), names))
            at += 20
        return out

    def resource(self, type_id, name_id):
        """{language: bytes} of one resource."""
        rva, _ = self.dirs[2] if len(self.dirs) > 2 else (0, 0)
        if not rva:
            return {}
        base = self.offset(rva)

        def entries(table):
            named, ids = struct.unpack_from("<HH", self.data, base + table + 12)
            for i in range(named + ids):
                ident, target = struct.unpack_from("<II", self.data, base + table + 16 + 8 * i)
                yield ident, target

        def find(table, wanted):
            for ident, target in entries(table):
                if not ident & 0x80000000 and ident == wanted:
                    return target
            return None

        by_type = find(0, type_id)
        if by_type is None or not by_type & 0x80000000:
            return {}
        by_name = find(by_type & 0x7FFFFFFF, name_id)
        if by_name is None or not by_name & 0x80000000:
            return {}
        out = {}
        for lang, leaf in entries(by_name & 0x7FFFFFFF):
            data_rva, data_size = struct.unpack_from("<II", self.data, base + leaf)
            at = self.offset(data_rva)
            out[lang] = self.data[at:at + data_size]
        return out


# --------------------------------------------------------------------------
# The version resource: nested blocks of (length, value length, type, key, value, children).

def _block(data, at):
    length, value_length, kind = struct.unpack_from("<HHH", data, at)
    if length < 6 or at + length > len(data):
        raise PeError("a version block runs past its end")
    key_at = at + 6
    end = key_at
    while data[end:end + 2] != b"\0\0":
        end += 2
    key = data[key_at:end].decode("utf-16-le")
    value_at = (end + 2 + 3) & ~3
    value_bytes = value_length * 2 if kind == 1 else value_length
    value = data[value_at:value_at + value_bytes]
    children = []
    child = (value_at + value_bytes + 3) & ~3
    while child < at + length:
        sub, size = _block(data, child)
        children.append(sub)
        child = (child + size + 3) & ~3
    return {"key": key, "kind": kind, "value": value, "children": children}, length


def read_version(data):
    root, _ = _block(data, 0)
    if root["key"] != "VS_VERSION_INFO":
        raise PeError(f"the version resource starts with {root['key']!r}")
    fixed = root["value"]
    if len(fixed) < 52 or struct.unpack_from("<I", fixed, 0)[0] != 0xFEEF04BD:
        raise PeError("the version resource has no fixed file information")
    ms, ls, pms, pls = struct.unpack_from("<IIII", fixed, 8)
    info = {
        "file_version": (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF),
        "product_version": (pms >> 16, pms & 0xFFFF, pls >> 16, pls & 0xFFFF),
        "tables": {},
        "translations": [],
    }
    for child in root["children"]:
        if child["key"] == "StringFileInfo":
            for table in child["children"]:
                strings = {}
                for s in table["children"]:
                    if s["kind"] != 1:
                        raise PeError(f"the version string {s['key']} is not text")
                    strings[s["key"]] = s["value"].decode("utf-16-le").rstrip("\0")
                info["tables"][table["key"]] = strings
        elif child["key"] == "VarFileInfo":
            for var in child["children"]:
                if var["key"] == "Translation":
                    v = var["value"]
                    info["translations"] += [struct.unpack_from("<HH", v, i) for i in range(0, len(v) - 3, 4)]
    return info


# --------------------------------------------------------------------------
# Checks

def called_in_sources(names, sources):
    """The NAMES that some C or C++ file under SOURCES calls."""
    pattern = re.compile(r"\b(" + "|".join(sorted(names)) + r")[AW]?\s*\(")
    called = set()
    for folder, _, files in os.walk(sources):
        for f in files:
            if f.endswith((".cpp", ".h", ".c", ".hpp")):
                with open(os.path.join(folder, f), encoding="utf-8", errors="replace") as src:
                    called |= set(pattern.findall(src.read()))
    return called


def unwanted_imports(imports, sources):
    imported = {re.sub(r"[AW]$", "", name) for _, names in imports for name in names}
    suspect = imported & SUSPECT_IMPORTS
    return sorted(suspect - called_in_sources(suspect, sources)) if suspect else []


def version_problems(pe, version):
    found = pe.resource(16, 1)  # RT_VERSION, VS_VERSION_INFO
    if not found:
        return ["there is no version resource"], None
    problems = []
    if JAPANESE not in found:
        problems.append(f"the version resource is in language(s) {sorted(found)}, not Japanese")
    info = read_version(found.get(JAPANESE) or next(iter(found.values())))
    table_key = f"{JAPANESE:04X}{UNICODE:04X}"
    strings = info["tables"].get(table_key)
    if strings is None:
        problems.append(f"no Japanese Unicode string table ({table_key}); found {sorted(info['tables'])}")
        strings = {}
    if (JAPANESE, UNICODE) not in info["translations"]:
        problems.append(f"the translation list {info['translations']} lacks Japanese, Unicode")
    expected = {"FileDescription": PRODUCT, "ProductName": PRODUCT, "OriginalFilename": ORIGINAL_FILENAME,
                "FileVersion": version, "ProductVersion": version}
    for key, value in expected.items():
        if strings.get(key) != value:
            problems.append(f"{key} is {strings.get(key)!r}, expected {value!r}")
    if not strings.get("LegalCopyright", "").strip():
        problems.append("LegalCopyright is empty")
    numbers = tuple(int(p) for p in version.split(".")) + (0,) * (4 - len(version.split(".")))
    for key in ("file_version", "product_version"):
        if info[key] != numbers:
            problems.append(f"the fixed {key} is {info[key]}, expected {numbers}")
    return problems, (info, strings)


def self_test(fixture, sources):
    """The fixture imports OpenProcess and GetThreadContext, which src/ does not call; it has
    no version resource. Both checks must say so."""
    pe = Pe(open(fixture, "rb").read())
    flagged = unwanted_imports(pe.imports(), sources)
    problems, _ = version_problems(pe, "1.0.0")
    failures = []
    if not {"OpenProcess", "GetThreadContext"} <= set(flagged):
        failures.append(f"the import check passed {fixture} (flagged only {flagged})")
    if problems != ["there is no version resource"]:
        failures.append(f"the version check said {problems} of an exe without a version resource")
    return failures


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--exe", required=True)
    ap.add_argument("--version-file", required=True, help="the build's version number, one line")
    ap.add_argument("--sources", required=True, help="the program's source folder")
    ap.add_argument("--fixture", help="an exe that imports functions the sources do not call")
    args = ap.parse_args(argv[1:])

    failures = self_test(args.fixture, args.sources) if args.fixture else []
    with open(args.version_file, encoding="utf-8") as f:
        version = f.read().strip()
    data = open(args.exe, "rb").read()
    pe = Pe(data)

    print(f"{args.exe}: {len(data)} bytes")
    if len(data) >= MAX_SIZE:
        failures.append(f"the exe is {len(data)} bytes, not under 1 MiB")

    problems, found = version_problems(pe, version)
    failures += problems
    if found:
        info, strings = found
        print("version resource (Japanese, Unicode):")
        print("  fixed file version    " + ".".join(map(str, info["file_version"])))
        print("  fixed product version " + ".".join(map(str, info["product_version"])))
        for key, value in strings.items():
            print(f"  {key:<17} {value}")
        print("  Translation       " + ", ".join(f"{l:#06x} {c}" for l, c in info["translations"]))

    imports = pe.imports()
    print("imports:")
    for dll, names in imports:
        print(f"  {dll}: {' '.join(names)}")
    unwanted = unwanted_imports(imports, args.sources)
    if unwanted:
        failures.append("imports of thread-context or process functions that the program does not call: "
                        + ", ".join(unwanted))

    for f in failures:
        print(f"check_exe: {f}", file=sys.stderr)
    if not failures:
        print("check_exe: size, version resource and imports are as they should be")
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except (PeError, OSError, struct.error, ValueError) as e:
        print(f"check_exe: {e}", file=sys.stderr)
        sys.exit(1)
