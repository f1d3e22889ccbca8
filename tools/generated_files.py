"""Writing the generators' outputs into the repository, or checking that they are up to date."""

import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def write_or_check(files, tool, check):
    """Writes each repository-relative path of `files` with its bytes; with `check`, writes
    nothing and names every file whose bytes differ. Returns the process exit code."""
    stale = []
    for rel, data in files.items():
        path = os.path.join(ROOT, rel)
        if check:
            try:
                with open(path, "rb") as f:
                    if f.read() != data:
                        stale.append(rel)
            except FileNotFoundError:
                stale.append(rel)
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        print(f"wrote {rel} ({len(data)} bytes)")
    if stale:
        print(f"{tool}: out of date: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0
