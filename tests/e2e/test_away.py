"""When nobody is there the hamster rests: while the session is locked or switched away, the
display is off or the machine asleep, the pet takes no tick (no sound, no trick, no change to the
pet) and costs next to nothing; it is written at once when the machine goes to sleep or the
session is locked; and when the user is back it walks on as it stood.

Wine sends none of these notifications: the driver sends them to the pet window as Windows
would (tests/e2e/driver/driver_away.cpp), a display change with its setting written into the
pet's own memory.
"""
# lane: a

import time

from constants import TICK
from savefile import decode_save, format_save, pet_record
from traces import expect_screen_agrees, expect_timer_messages, unquote
from watch import PetWatch, watch_until

INTERVAL_MS = int(TICK * 1000)
# No message of the stopped behaviour timer may come for this many of its intervals.
RESTING_FOR = 5
AWAY_CPU_SECONDS = 5.0


def cpu_seconds(pid: int) -> float:
    """The CPU time the process has used (user and system), in seconds."""
    with open(f"/proc/{pid}/stat", encoding="ascii") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / 100.0  # utime, stime in clock ticks of 1/100 s


def presence_event(pet, name: str):
    """The line of the trace where the pet was told this, if it was."""
    found = [x for x in pet.trace.lines if x.kind == "event" and x.call == f"pet.Presence {name}"]
    return found[-1] if found else None


def tell(s, pet, command: str, name: str, last: str, **options) -> None:
    """Sends the pet one of the system's notifications and waits until it has handled it: the
    trace has the event and, after it, the last call the event makes."""
    before = len([x for x in pet.trace.lines if x.call == f"pet.Presence {name}"])
    reply = s.driver.call(command, hwnd=pet.hwnd, **options)
    s.expect(reply.ok, f"could not tell the pet {name}: {reply!r}")

    def handled():
        lines = pet.trace.lines
        told = [x for x in lines if x.call == f"pet.Presence {name}"]
        return len(told) > before and any(x.call == last for x in lines if x.number > told[-1].number)

    s.wait_until(handled, 10, f"the pet told {name} to have handled it")


GONE, BACK = "win.StopTimer Autosave", "win.StartTimer Autosave 60000"


def expect_resting(s, pet, since) -> None:
    """After the line `since` the behaviour timer was stopped, and no tick comes for a while."""
    lines = [x for x in pet.trace.lines if x.number > since.number]
    s.expect(any(x.call == "win.StopTimer Behaviour" for x in lines[:3]),
             f"the pet did not stop its timer when told {since.call}")
    ticks = pet.trace.ticks()
    time.sleep(RESTING_FOR * TICK)
    s.expect_equal(pet.trace.ticks(), ticks, f"ticks while away ({since.call}), within {RESTING_FOR} intervals")


def saved_at(pet, since) -> bytes | None:
    """The bytes the pet wrote right when told this, if it wrote."""
    lines = pet.trace.lines
    after = [x for x in lines if x.number > since.number]
    first = after[0] if after else None
    if first is None or first.name != "file.ReplaceAtomically":
        return None
    return unquote(first.args[1]).encode("latin-1")


def scenario_a_locked_pet_rests_and_comes_back_as_it_was(s):
    """Locked, the pet is written at once and rests, its process next to idle; unlocked, it walks
    on from where it stood, and what it saved at the lock is what it went on from."""
    exe = s.place_exe()
    s.write_save(exe, format_save(pet_record(fullness=100_000)))
    pet = s.start_pet(exe)
    watch = PetWatch(s, pet)
    watch_until(s, watch, 20, lambda: pet.trace.ticks() >= 10)

    tell(s, pet, "session", "SessionLocked", GONE, event="lock")
    locked = presence_event(pet, "SessionLocked")
    data = saved_at(pet, locked)
    s.expect(data is not None, "the pet was not written when the session was locked")
    at_lock = decode_save(data)
    s.expect(at_lock is not None and s.read_save(exe) == data, "the file does not hold what the pet wrote at the lock")
    expect_resting(s, pet, locked)
    busy = cpu_seconds(pet.proc.pid)
    started = time.monotonic()
    time.sleep(AWAY_CPU_SECONDS)
    away_cpu = cpu_seconds(pet.proc.pid) - busy
    seconds = time.monotonic() - started
    ticks_away = pet.trace.ticks()
    figure = f"the pet's process used {away_cpu:.2f} s of CPU in {seconds:.1f} s while the session was locked"
    s.note(figure)
    print(f"away: {figure}", flush=True)
    s.expect(away_cpu <= 0.05 * seconds, f"the pet is not at rest while away: {figure}")
    s.expect_equal(s.read_save(exe), data, "the save file while away")

    tell(s, pet, "session", "SessionUnlocked", BACK, event="unlock")
    unlocked = presence_event(pet, "SessionUnlocked")
    watch_until(s, watch, 20, lambda: pet.trace.ticks() >= ticks_away + 10)
    back = [x for x in pet.trace.lines if x.number > unlocked.number]
    s.expect_equal(back[0].call, f"win.StartTimer Behaviour {INTERVAL_MS}",
                   "the first thing the pet does when the user is back: its timer, at the interval it had")
    expect_screen_agrees(s, pet.trace, watch.samples)
    expect_timer_messages(s, pet.trace, INTERVAL_MS)

    s.quit(pet)
    final = decode_save(s.read_save(exe))
    ticks_after = pet.trace.ticks() - ticks_away
    s.expect_equal(final.money, at_lock.money + ticks_after,
                   f"the money at the end: as at the lock ({at_lock.money}) and a GOLD for each of the {ticks_after} "
                   f"ticks after the user was back")


def scenario_the_pet_rests_through_sleep_a_switched_session_and_the_display_off(s):
    """Each way the user may leave: the pet rests while away, and walks on when the user is back.
    Going to sleep writes the pet at once; switching away and the display going off do not need to."""
    exe = s.place_exe()
    s.write_save(exe, format_save(pet_record(fullness=100_000)))
    pet = s.start_pet(exe)
    ways = [
        ("power", "Suspending", {"event": "suspend"}, "Resumed", {"event": "resume"}, True),
        ("session", "SessionDisconnected", {"event": "console-disconnect"}, "SessionConnected",
         {"event": "console-connect"}, False),
        ("power", "DisplayOff", {"display": 0}, "DisplayOn", {"display": 1}, False),
        ("power", "DisplayOff", {"display": 0}, "DisplayOn", {"display": 2}, False),  # dimmed: back
    ]
    for command, leave, leave_options, back, back_options, saves in ways:
        ticks = pet.trace.ticks()
        s.wait_until(lambda: pet.trace.ticks() >= ticks + 5, 20, "five ticks")
        tell(s, pet, command, leave, GONE, **leave_options)
        left = presence_event(pet, leave)
        if saves:
            s.expect(saved_at(pet, left) is not None, f"the pet was not written when told {leave}")
        expect_resting(s, pet, left)
        ticks = pet.trace.ticks()
        tell(s, pet, command, back, BACK, **back_options)
        s.wait_until(lambda: pet.trace.ticks() >= ticks + 5, 20, f"the pet walking on after {back}")
    expect_timer_messages(s, pet.trace, INTERVAL_MS)
    s.kill(pet)
