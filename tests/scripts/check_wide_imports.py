#!/usr/bin/env python3
"""Fails when a Windows program imports a function of the system in its
ANSI form: a name ending in "A" whose "W" twin the same DLL exports. Such a
call turns every name outside the system's code page into "?".

Usage: check_wide_imports.py PROGRAM.EXE
The imports are read with mingw-w64's objdump, the twins from mingw-w64's
import libraries (the same ones the program was linked against)."""
import os
import re
import subprocess
import sys

TOOL_PREFIX = "x86_64-w64-mingw32-"
IMPORT_LIBRARIES = "/usr/x86_64-w64-mingw32/lib"

# ANSI imports that stay, each with its reason: they come from the
# toolchain's runtime, not from the program, and no name passes through them.
ALLOWED = {
    "CreateEventA": "winpthreads (the thread runtime) makes unnamed events",
    "CreateSemaphoreA": "winpthreads makes unnamed semaphores",
    "OutputDebugStringA": "winpthreads' own fixed debugging texts",
    "FormatMessageA": "libstdc++'s system_category().message(), which the program never asks",
}


def imports(program):
    """{dll: [function, ...]} as the program's import table lists them."""
    dump = subprocess.run([TOOL_PREFIX + "objdump", "-p", program], check=True,
                          capture_output=True, text=True).stdout
    table, dll = {}, None
    for line in dump.splitlines():
        named = re.match(r"\s*DLL Name: (\S+)", line)
        if named:
            dll = named.group(1).lower()
            table[dll] = []
            continue
        entry = re.match(r"\s+[0-9a-f]+\s+<none>\s+[0-9a-f]+\s+(\w+)$", line) or \
            re.match(r"\s+[0-9a-f]+\s+[0-9a-f]+\s+(\w+)$", line)
        if dll and entry:
            table[dll].append(entry.group(1))
    return table


def exported(dll):
    """Every function the DLL's import library offers."""
    library = os.path.join(IMPORT_LIBRARIES, "lib" + dll.removesuffix(".dll") + ".a")
    if not os.path.exists(library):
        return set()
    symbols = subprocess.run([TOOL_PREFIX + "nm", library], capture_output=True,
                             text=True).stdout
    return {m.group(1) for m in re.finditer(r" I __imp_(\w+)", symbols)}


def main():
    program = sys.argv[1]
    table = imports(program)
    if not table:
        print(f"no imports read from {program}")
        return 1
    offending = []
    for dll, functions in sorted(table.items()):
        twins = exported(dll)
        for function in functions:
            if function.endswith("A") and function[:-1] + "W" in twins \
                    and function not in ALLOWED:
                offending.append(f"{dll}: {function}")
    for line in offending:
        print("ANSI import " + line)
    count = sum(len(f) for f in table.values())
    print(f"{count} imports from {len(table)} DLLs, {len(offending)} in ANSI form")
    return 1 if offending else 0


if __name__ == "__main__":
    sys.exit(main())
