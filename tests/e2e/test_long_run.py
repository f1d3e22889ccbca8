"""A long walk at the fast interval leaks nothing.

Wine has no GetGuiResources, so the measure is the memory of the pet's own Linux process: its
anonymous resident memory (RssAnon), where Wine keeps GDI objects and window DCs. After a
warm-up it must stay flat while the pet takes some 400 steps, each of which reshapes the window
with a new region and repaints it through a window DC. A region of the pet's shape is about
0.75 KB, so a leak of one region or one DC per tick adds some 300 KB in that time, well above
the limit (the memory measured grows in pages of 4 KB, and did not grow at all over 600 ticks). The pet's trace says that it ticked all along, and at the fast interval.
"""
# lane: b

import time

from constants import TICK
from savefile import format_save, pet_record
from traces import expect_timer_messages

WARM_UP_TICKS = 100   # every code path of a walking tick has run
MEASURED_TICKS = 400
READINGS = 5
GROWTH_LIMIT_KB = 128


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

    readings = []  # (ticks, memory)
    for k in range(READINGS):
        ticks = WARM_UP_TICKS + k * MEASURED_TICKS // (READINGS - 1)
        s.wait_until(lambda: pet.trace.ticks() >= ticks, 3 * ticks * TICK + 30, f"{ticks} ticks")
        readings.append((pet.trace.ticks(), memory_kb(pid)))
        s.note(f"{readings[-1][0]} ticks: {readings[-1][1]}")
    first, last = readings[0][1], readings[-1][1]
    growth = last["RssAnon"] - first["RssAnon"]
    measured = (f"RssAnon {first['RssAnon']} KB -> {last['RssAnon']} KB, VmRSS {first['VmRSS']} KB -> "
                f"{last['VmRSS']} KB over {readings[-1][0] - readings[0][0]} ticks of walking")
    s.note(measured)
    print(f"long walk: {measured}", flush=True)
    s.expect(growth <= GROWTH_LIMIT_KB,
             f"the pet's anonymous memory grew by {growth} KB in {MEASURED_TICKS} ticks "
             f"(limit {GROWTH_LIMIT_KB} KB): {[r[1]['RssAnon'] for r in readings]}")
    figures = expect_timer_messages(s, pet.trace, int(TICK * 1000))
    s.note(f"timer: {figures}")
    s.quit(pet, timeout=30)
