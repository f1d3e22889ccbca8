#!/usr/bin/env python3
"""Checks what a user (and a virus scanner) sees of pomki_pet.exe before running it.

  - its size stays under 1 MiB;
  - its import table holds no thread-context or process-opening function that the
    program's sources (src/) do not call: such imports come from libraries linked in by
    accident and are what heuristic scanners flag in a program that also moves other
    programs' windows;
  - its version resource is there, in Japanese with Unicode strings, and carries the
    build's version number, the product name and the original file name;
  - it imports only from libraries that Windows never looks for beside the program: the
    known DLLs (mapped from System32 whatever the program's folder holds), and comctl32 only
    while the manifest names Common Controls 6 (side-by-side, found before any folder is
    searched). Any other library (winmm, dwmapi, shcore, ...) must be looked up at run time;
  - the sources (src/) load no library by its bare name: no LoadLibrary, and every
    LoadLibraryEx names System32 (LOAD_LIBRARY_SEARCH_SYSTEM32) or a full path
    (LOAD_WITH_ALTERED_SEARCH_PATH, which takes nothing else); and the program's entry
    restricts the search for libraries to System32 before it does anything else.

It prints the version details and the import list. With --fixture (and --fixture-sources),
it first makes sure that the checks do flag a small exe that imports such functions and
libraries, and sources that load libraries by their bare names.

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


# The known DLLs that Windows 7 SP1 and Windows 10/11 (x64) both list under
# HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs, and ntdll, which every
# process has before anything is searched. Lower case.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "comdlg32.dll", "difxapi.dll", "gdi32.dll", "imagehlp.dll",
    "imm32.dll", "kernel32.dll", "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll",
    "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll", "ntdll.dll",
}
# Not a known DLL: the manifest's dependency on Common Controls 6 redirects it to the system's
# side-by-side store, which Windows consults before any folder.
SIDE_BY_SIDE = {"comctl32.dll": "Microsoft.Windows.Common-Controls"}

ENTRY_FILE = os.path.join("win", "app", "main.cpp")
ENTRY_FIRST_CALL = "RestrictLibrarySearch"


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


def manifest_assemblies(pe) -> set[str]:
    """The names of the assemblies that the exe's manifest (RT_MANIFEST 1) depends on."""
    found = pe.resource(24, 1)
    if not found:
        return set()
    text = next(iter(found.values())).decode("utf-8", "replace")
    names = set()
    for dependency in re.findall(r"<dependentAssembly>(.*?)</dependentAssembly>", text, re.S):
        m = re.search(r'name="([^"]+)"', dependency)
        if m and re.search(r'version="6\.', dependency):
            names.add(m.group(1))
    return names


def unknown_libraries(pe) -> list[str]:
    """The imported libraries that Windows may look for beside the program."""
    assemblies = manifest_assemblies(pe)
    out = []
    for dll, _ in pe.imports():
        name = dll.lower()
        if name in KNOWN_DLLS:
            continue
        if name in SIDE_BY_SIDE and SIDE_BY_SIDE[name] in assemblies:
            continue
        out.append(dll)
    return out


def starts_char_literal(code: str, i: int) -> bool:
    """Whether the quote at i opens a character literal ('x', L'x'), not a digit separator (10'000)."""
    before = code[i - 1] if i > 0 else " "
    if before in "LuU" and (i < 2 or not (code[i - 2].isalnum() or code[i - 2] == "_")):
        return True
    return not (before.isalnum() or before == "_")


def strip_comments(code: str) -> str:
    """The code without its comments. String and character literals are kept whole, so that a
    quote or a slash inside one is not taken for code."""
    out, i, n = [], 0, len(code)
    while i < n:
        if code.startswith("//", i):
            i = code.find("\n", i)
            i = n if i < 0 else i
        elif code.startswith("/*", i):
            end = code.find("*/", i + 2)
            i = n if end < 0 else end + 2
        elif code[i] == '"':
            j = i + 1
            while j < n and code[j] != '"':
                j += 2 if code[j] == "\\" else 1
            out.append(code[i:j + 1])
            i = j + 1
        elif code[i] == "'" and starts_char_literal(code, i):
            j = i + 1
            while j < n and code[j] != "'":
                j += 2 if code[j] == "\\" else 1
            out.append(code[i:j + 1])
            i = j + 1
        else:
            out.append(code[i])
            i += 1
    return "".join(out)


def mask_literals(code: str) -> str:
    """The code (comments stripped) with the insides of its string and character literals
    blanked, offsets unchanged: a call is looked for in code, not in a text."""
    out, i, n = list(code), 0, len(code)
    while i < n:
        quote = code[i]
        if quote == '"' or (quote == "'" and starts_char_literal(code, i)):
            j = i + 1
            while j < n and code[j] != quote:
                j += 2 if code[j] == "\\" else 1
            for k in range(i + 1, min(j, n)):
                if out[k] != "\n":
                    out[k] = " "
            i = j + 1
        else:
            i += 1
    return "".join(out)


def call_arguments(code: str, open_paren: int) -> list[str]:
    """The top-level arguments of the call whose "(" is at open_paren."""
    depth, args, current, i = 0, [], [], open_paren
    while i < len(code):
        c = code[i]
        if c in "([{":
            depth += 1
            if depth > 1:
                current.append(c)
        elif c in ")]}":
            depth -= 1
            if depth == 0:
                args.append("".join(current).strip())
                return args
            current.append(c)
        elif c == "," and depth == 1:
            args.append("".join(current).strip())
            current = []
        elif c == '"':
            j = i + 1
            while j < len(code) and code[j] != '"':
                j += 2 if code[j] == "\\" else 1
            current.append(code[i:j + 1])
            i = j
        else:
            current.append(c)
        i += 1
    return args


def bare_loads(sources) -> list[str]:
    """Every call in SOURCES that may load a library by its bare name, as "file:line: call"."""
    found = []
    call = re.compile(r"\b(LoadLibrary(?:Ex)?[AW]?)\s*\(")
    for folder, _, files in os.walk(sources):
        for f in sorted(files):
            if not f.endswith((".cpp", ".h", ".c", ".hpp")):
                continue
            path = os.path.join(folder, f)
            with open(path, encoding="utf-8", errors="replace") as src:
                code = strip_comments(src.read())
            for m in call.finditer(mask_literals(code)):
                line = code.count("\n", 0, m.start()) + 1
                where = f"{os.path.relpath(path, sources)}:{line}: {m.group(1)}"
                if "Ex" not in m.group(1):
                    found.append(f"{where} searches the program's folder first")
                    continue
                args = call_arguments(code, m.end() - 1)
                flags = args[2] if len(args) > 2 else ""
                name = args[0] if args else ""
                if "LOAD_LIBRARY_SEARCH_SYSTEM32" in flags:
                    continue
                literal = re.fullmatch(r'L?"(.*)"', name)
                full_path = literal is None or re.match(r"([A-Za-z]:|\\\\)\\\\", literal.group(1))
                if "LOAD_WITH_ALTERED_SEARCH_PATH" in flags and full_path:
                    continue
                found.append(f"{where} names neither System32 nor a full path ({', '.join(args)})")
    return found


def entry_problems(sources) -> list[str]:
    """The entry must restrict the search for libraries before anything else."""
    path = os.path.join(sources, ENTRY_FILE)
    if not os.path.isfile(path):
        return [f"{ENTRY_FILE} is missing"]
    with open(path, encoding="utf-8", errors="replace") as src:
        code = strip_comments(src.read())
    m = re.search(r"\bwWinMain\s*\([^)]*\)\s*\{", code)
    if not m:
        return [f"{ENTRY_FILE} defines no wWinMain"]
    first = code[m.end():].split(";", 1)[0].strip()
    if not re.fullmatch(r"(?:[\w]+::)*" + ENTRY_FIRST_CALL + r"\s*\(\s*\)", first):
        return [f"wWinMain begins with {first!r}, not {ENTRY_FIRST_CALL}()"]
    return []


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


def self_test(fixture, sources, fixture_sources=None):
    """The fixture imports OpenProcess and GetThreadContext, which src/ does not call, and
    imports winmm and comctl32 with no manifest; it has no version resource. Every check must
    say so. The fixture sources (each file says in its name whether it must be flagged) load
    libraries in every way the source check tells apart."""
    pe = Pe(open(fixture, "rb").read())
    flagged = unwanted_imports(pe.imports(), sources)
    problems, _ = version_problems(pe, "1.0.0")
    failures = []
    if not {"OpenProcess", "GetThreadContext"} <= set(flagged):
        failures.append(f"the import check passed {fixture} (flagged only {flagged})")
    unknown = {d.lower() for d in unknown_libraries(pe)}
    if unknown != {"winmm.dll", "comctl32.dll"}:
        failures.append(f"the library check flagged {sorted(unknown)} of {fixture}, which imports winmm and, "
                        f"with no manifest, comctl32")
    if problems != ["there is no version resource"]:
        failures.append(f"the version check said {problems} of an exe without a version resource")
    if fixture_sources:
        flagged_files = {line.split(":", 1)[0] for line in bare_loads(fixture_sources)}
        expected = {f for f in os.listdir(fixture_sources) if f.startswith("bare_")}
        if flagged_files != expected:
            failures.append(f"the source check flagged {sorted(flagged_files)} in {fixture_sources}, "
                            f"not {sorted(expected)}")
        wrong_entry = entry_problems(os.path.join(fixture_sources, "late_entry"))
        if not wrong_entry:
            failures.append("the entry check passed a wWinMain that does something before restricting the search")
    return failures


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--exe", required=True)
    ap.add_argument("--version-file", required=True, help="the build's version number, one line")
    ap.add_argument("--sources", required=True, help="the program's source folder")
    ap.add_argument("--fixture", help="an exe that imports functions the sources do not call")
    ap.add_argument("--fixture-sources", help="sources that load libraries in every way the source check tells apart")
    args = ap.parse_args(argv[1:])

    failures = self_test(args.fixture, args.sources, args.fixture_sources) if args.fixture else []
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
    unknown = unknown_libraries(pe)
    if unknown:
        failures.append("imports from libraries that Windows may look for beside the program (load them at run "
                        "time from System32): " + ", ".join(unknown))
    for load in bare_loads(args.sources):
        failures.append(f"a library loaded by its bare name: {load}")
    failures += entry_problems(args.sources)

    for f in failures:
        print(f"check_exe: {f}", file=sys.stderr)
    if not failures:
        print("check_exe: size, version resource, imports and library loads are as they should be")
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except (PeError, OSError, struct.error, ValueError) as e:
        print(f"check_exe: {e}", file=sys.stderr)
        sys.exit(1)
