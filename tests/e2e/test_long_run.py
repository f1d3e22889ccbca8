"""A long walk at the fast interval leaks nothing.

Wine has no GetGuiResources, so the measure is the memory of the pet's own Linux process: its
anonymous resident memory (RssAnon), where Wine keeps GDI objects and window DCs. After a
warm-up it must stay flat while the pet takes some 1500 steps, each of which reshapes the window
with a new region and repaints it through a window DC. A region of the pet's shape is about
0.75 KB, so a leak of one region or one DC per tick adds over a megabyte in that time.
"""

import time

from constants import TICK
from savefile import decode_save, format_save, pet_record

WARM_UP = 20.0  # seconds before the first measure: every code path of a walking tick has run
MEASURED = 150.0  # seconds between the first and the last measure
SAMPLE_EVERY = 10.0
GROWTH_LIMIT_KB = 256


def memory_kb(pid: int) -> dict[str, int]:
    """The pet process's resident memory (VmRSS) and its anonymous part (RssAnon), in KB."""
    found = {}
    with open(f"/proc/{pid}/status", encoding="ascii") as status:
        for line in status:
            key, _, value = line.partition(":")
            if key in ("VmRSS", "RssAnon"):
                found[key] = int(value.split()[0])
    return found


def scenario_long_walk_leaks_no_memory(s):
    exe = s.place_exe()
    # Alone on the screen the pet is the foreground window itself: it walks at random and never
    # goes off to hide behind a window. Fed for far longer than the run, it never gets hungry.
    s.write_save(exe, format_save(pet_record(fullness=100_000)))
    pet = s.start_pet(exe)
    pid = pet.proc.pid
    with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
        s.expect(exe.name.encode() in cmdline.read(), f"process {pid} is not the pet")

    started = time.monotonic()
    readings = []  # (seconds since start, corner, memory)
    next_reading = WARM_UP
    while True:
        now = time.monotonic() - started
        if now >= next_reading:
            rect = s.driver.call("window", hwnd=pet.hwnd).one["rect"]
            readings.append((now, tuple(rect[:2]), memory_kb(pid)))
            s.note(f"{now:6.1f} s: pet at {rect[:2]}, {readings[-1][2]}")
            if now >= WARM_UP + MEASURED:
                break
            next_reading += SAMPLE_EVERY
        time.sleep(0.5)

    corners = [corner for _, corner, _ in readings]
    s.expect(all(a != b for a, b in zip(corners, corners[1:])),
             f"the pet stood still for {SAMPLE_EVERY:.0f} s at some point: {corners}")
    first, last = readings[0][2], readings[-1][2]
    growth = last["RssAnon"] - first["RssAnon"]
    measured = (f"RssAnon {first['RssAnon']} KB -> {last['RssAnon']} KB, VmRSS {first['VmRSS']} KB -> "
                f"{last['VmRSS']} KB over {readings[-1][0] - readings[0][0]:.0f} s of walking")
    s.note(measured)
    print(f"long walk: {measured}", flush=True)
    s.expect(growth <= GROWTH_LIMIT_KB,
             f"the pet's anonymous memory grew by {growth} KB in {MEASURED:.0f} s of walking "
             f"(limit {GROWTH_LIMIT_KB} KB): {[r[2]['RssAnon'] for r in readings]}")

    seconds = time.monotonic() - started
    s.quit(pet, timeout=30)
    saved = decode_save(s.read_save(exe))
    s.expect(saved is not None, "the save file written at the end cannot be read")
    # One GOLD per tick: the pet ticked all along at the fast interval.
    s.expect(saved.money >= 0.6 * seconds / TICK,
             f"only {saved.money} ticks in {seconds:.0f} s: the pet did not keep ticking every 100 ms")
    s.note(f"{saved.money} ticks in {seconds:.0f} s")
