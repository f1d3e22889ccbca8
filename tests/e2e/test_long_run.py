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
from walk import PetWatch

WARM_UP = 20.0  # seconds before the first measure: every code path of a walking tick has run
MEASURED = 150.0  # seconds between the first and the last measure
SAMPLE_EVERY = 10.0
# Every tick shows the other frame of the pet's walking pair, even while it treads on the spot
# in a corner: a pet whose window does not change for this long has stopped ticking.
TICKING_WITHIN = 3.0
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


def ticking_corner(s, watch: PetWatch) -> tuple[int, int]:
    """Where the pet stands, once its window has changed: it still ticks."""
    first = watch.sample()
    deadline = time.monotonic() + TICKING_WITHIN
    while time.monotonic() < deadline:
        changed = [p for p in watch.track(0.2) if (p.x, p.y, p.frames) != (first.x, first.y, first.frames)]
        if changed:
            return changed[0].x, changed[0].y
    s.fail(f"the pet window did not change for {TICKING_WITHIN:.0f} s: it stopped ticking "
           f"at ({first.x},{first.y}) in the shape of {sorted(first.frames)}")


def scenario_long_walk_leaks_no_memory(s):
    exe = s.place_exe()
    # Alone on the screen the pet is the foreground window itself: it walks at random and never
    # goes off to hide behind a window. Fed for far longer than the run, it never gets hungry.
    s.write_save(exe, format_save(pet_record(fullness=100_000)))
    pet = s.start_pet(exe)
    pid = pet.proc.pid
    with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
        s.expect(exe.name.encode() in cmdline.read(), f"process {pid} is not the pet")

    watch = PetWatch(s, pet)
    started = time.monotonic()
    readings = []  # (seconds since start, corner, memory)
    next_reading = WARM_UP
    while True:
        now = time.monotonic() - started
        if now >= next_reading:
            corner = ticking_corner(s, watch)
            readings.append((now, corner, memory_kb(pid)))
            s.note(f"{now:6.1f} s: pet at {corner}, {readings[-1][2]}")
            if now >= WARM_UP + MEASURED:
                break
            next_reading += SAMPLE_EVERY
        time.sleep(0.5)

    # Ticking at every reading; and walking, not treading on one spot all along. (It may be at
    # one corner at two readings: a pet that walked into a corner of the screen treads there until
    # a turn takes it away, and it comes back to the corners often.)
    corners = [corner for _, corner, _ in readings]
    s.expect(len(set(corners)) > 1, f"the pet never left {corners[0]} in {MEASURED:.0f} s")
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
