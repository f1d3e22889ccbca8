#!/usr/bin/env python3
"""What walking costs under Wine (`make walk-cost`): the CPU that a walking pet takes, its own
process and the window servers (wineserver and the X server) together, beside the floor: a bare
60 x 60 window moved 4 pixels every 100 ms. Both are measured in one run, one after the other on
the same display, and so are the parts of a pet's step one at a time on top of the floor (the new
shape, the paint of the frame, the repaint of what was below, the place in the z-order), to show
where the pet's cost goes.

    tools/walk_cost.py --exe dist/pomki_pet.exe --driver build/win/e2e_driver.exe [--seconds 15] [--rounds 3] [--floor-and-pet]
"""

from __future__ import annotations

import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))

from savefile import format_save, pet_record  # noqa: E402
from wine_env import Environment, wine_prefix  # noqa: E402



def cpu_seconds(pid: int) -> float:
    """The CPU time all threads of the process have run, to the nanosecond (schedstat)."""
    total = 0
    try:
        for task in Path(f"/proc/{pid}/task").iterdir():
            with open(task / "schedstat", encoding="ascii") as stat:
                total += int(stat.read().split()[0])
    except OSError:
        pass
    return total / 1e9


def processes_named(name: str, prefix: Path) -> list[int]:
    """The processes of this name that run in the prefix (their WINEPREFIX); a name ending in "*"
    is a beginning (the wine server runs as wineserver or wineserver64)."""
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            comm = (entry / "comm").read_text().strip()
            if not (comm.startswith(name[:-1]) if name.endswith("*") else comm == name):
                continue
            environ = (entry / "environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if f"WINEPREFIX={prefix}".encode() in environ:
            found.append(int(entry.name))
    return found


def measure(env: Environment, args: list[str], cwd: Path, seconds: float, settle: float = 3.0) -> dict:
    """Starts the program, lets it settle, and returns the CPU seconds per second that it and the
    servers used over `seconds`."""
    proc = subprocess.Popen(args, env=env.env, cwd=str(cwd), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        time.sleep(settle)
        program = [p for p in processes_named(Path(args[1]).name[:15], env.prefix)] or [proc.pid]
        servers = processes_named("wineserver*", env.prefix) + ([env._xvfb.pid] if env._xvfb else [])
        before = {p: cpu_seconds(p) for p in program + servers}
        started = time.monotonic()
        time.sleep(seconds)
        elapsed = time.monotonic() - started
        used = {p: cpu_seconds(p) - before[p] for p in before}
    finally:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
    return {"program": sum(used[p] for p in program) / elapsed, "servers": sum(used[p] for p in servers) / elapsed}


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", type=Path, default=REPO / "dist" / "pomki_pet.exe")
    parser.add_argument("--driver", type=Path, default=REPO / "build" / "win" / "e2e_driver.exe")
    parser.add_argument("--seconds", type=float, default=15.0)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--floor-and-pet", action="store_true",
                        help="measure only the bare window and the pet (longer runs for the same time)")
    args = parser.parse_args()
    # The runs start in the pet's folder: the paths must hold from there.
    args.exe, args.driver = args.exe.resolve(), args.driver.resolve()
    work = REPO / "build" / "walk-cost"
    env = Environment(work, args.exe, args.driver, args.exe)  # no trace is replayed here
    env.start()
    try:
        folder = work / "pet"
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        exe = folder / "pomki_pet.exe"
        shutil.copyfile(args.exe, exe)
        # FastMove, fed for longer than the run, alone on the screen: it walks at random.
        (folder / "pomki.dat").write_bytes(format_save(pet_record(fullness=100_000)))
        walker = ["wine", str(args.driver), "walker", "--seconds", str(int(args.seconds + 10)),
                  "--frames", wine_prefix.winpath(exe)]
        runs = [
            ("a bare window, moved (the floor)", ["wine", str(args.driver), "walker", "--seconds",
                                                  str(int(args.seconds + 10))]),
            ("+ the new shape at each step", walker + ["--region"]),
            ("+ the paint of the frame", walker + ["--region", "--paint"]),
            ("+ the repaint of what was below", walker + ["--region", "--paint", "--below"]),
            ("+ the place in the z-order", walker + ["--region", "--paint", "--below", "--zorder"]),
            ("every part, by the program's own code", walker + ["--pet"]),
            ("the pet, walking", ["wine", str(exe)]),
        ]
        if args.floor_and_pet:
            runs = [runs[0], runs[-1]]
        # Round after round, each configuration in turn: what the machine does meanwhile falls on
        # all of them alike, and the median of the rounds is taken.
        samples: dict[str, list[dict]] = {name: [] for name, _ in runs}
        for round_number in range(1, args.rounds + 1):
            for name, command in runs:
                figures = measure(env, command, folder, args.seconds)
                samples[name].append(figures)
                print(f"  round {round_number}, {name}: program {figures['program'] * 100:.2f} %, "
                      f"servers {figures['servers'] * 100:.2f} %", flush=True)
        results = [(name, {part: statistics.median(f[part] for f in samples[name]) for part in ("program", "servers")})
                   for name, _ in runs]
    finally:
        env.stop()
    floor = results[0][1]["program"] + results[0][1]["servers"]
    pet = results[-1][1]["program"] + results[-1][1]["servers"]
    print()
    print(f"{'':40}  program  servers    total  × floor")
    for name, f in results:
        total = f["program"] + f["servers"]
        print(f"{name:40}  {f['program'] * 100:6.2f}%  {f['servers'] * 100:6.2f}%  {total * 100:6.2f}%  "
              f"{total / floor:6.2f}")
    print(f"\nwalking costs {pet / floor:.2f} times the floor (CPU of one core, the program and the servers together)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
