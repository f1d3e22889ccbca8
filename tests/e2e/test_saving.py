"""No pet ever lost: a save file that another program holds is waited for and never taken for
no file, the pet is saved as it goes (at once after a meal or a switch, about once a minute
otherwise), and a process killed at any moment, inside a save or not, leaves a whole file."""
# lane: b

import os
import random
import signal
import time

from folder_events import FolderEvents
from constants import (ABILITY_BOXES, AUTOSAVE_TIMER_ID, CARE_TITLE, EXTRA_FOOD, FAST_MOVE, FEED, FILE_ERROR_CAPTION,
                       FOOD_MENU, FOOD_TITLE, IDOK, LEVEL, MONEY, NO_MISCHIEF_1, TEA, TICK, UNREADABLE_TEXT,
                       WM_TRAY_NOTIFY)
from savefile import PetRecord, decode_save, explain_ticks, format_save, money_per_tick, record
from scenario import winpath
from traces import expect_timer_messages, unquote

RETRY_SECONDS = 10.0  # how long the program tries a file that it cannot read
MENU_WAIT = 15.0
# A start shows the pet within this time even on a busy machine (a start with a file that can
# be read never waits for it).
START_WAIT = 20.0

# Tea: 150 GOLD, fullness +40, stress -100 (not below 0), no experience: a meal that changes
# no level and, from a calm pet far from the fullness cap, can be undone exactly.
TEA_PRICE, TEA_FULLNESS = 150, 40


def temporary_of(exe):
    return exe.parent / "pomki.dat.tmp"


def whole_file(data: bytes | None) -> PetRecord | None:
    """The record of a file exactly as the program writes it, or None for anything else."""
    pet = decode_save(data or b"")
    return pet if pet is not None and data == format_save(pet) else None


def ticks_then(before: PetRecord, after: PetRecord, undo) -> str | None:
    """None when `after` is `before` after some behaviour ticks and then the action that `undo`
    takes back; else what differs."""
    if after is None:
        return "not a whole save file"
    return explain_ticks(before, undo(after.copy()))


def undo_tea(pet: PetRecord) -> PetRecord:
    pet.fullness -= TEA_FULLNESS
    pet.money += TEA_PRICE
    return pet


def undo_switch(ability):
    def undo(pet: PetRecord) -> PetRecord:
        pet.abilityOn[ability] = 0 if pet.abilityOn[ability] == 1 else 1
        return pet
    return undo


class Hamster:
    """One pet started from a folder of its own, worked through the driver."""

    def __init__(self, s, exe):
        self.s = s
        self.exe = exe
        self.pet = None
        self.fresh_drivers = 0  # starts whose window only a fresh driver process saw

    def start(self):
        """Starts the pet and returns once its window shows. A start that ends at once without a
        window met the single-copy mutex of a copy killed a moment ago, before Wine had let it go:
        it is started again."""
        for attempt in range(5):
            self.pet = self.s.start_pet(self.exe, wait_window=False)
            started = time.monotonic()
            reply = self.s.driver.call("find-window", exe=winpath(self.exe), visible=True,
                                       wait=int(START_WAIT * 1000), poll=20)
            if not reply.ok and self.pet.running():
                # Now and then, after a kill, the long-lived driver process stops seeing the new
                # pet's window while a fresh one sees it at once: ask a fresh driver.
                self.s.driver.close()
                reply = self.s.driver.call("find-window", exe=winpath(self.exe), visible=True,
                                           wait=int(START_WAIT * 1000), poll=20)
                self.s.note(f"a fresh driver found the pet's window: {reply.ok}")
                self.fresh_drivers += reply.ok
            if reply.ok:
                self.pet.window = reply.one
                if time.monotonic() - started > 5:
                    self.s.note(f"the pet took {time.monotonic() - started:.1f} s to show")
                return self.pet
            self.s.expect(not self.pet.running(), f"{self.exe.name} runs but showed no window")
            self.s.note(f"start {attempt + 1} ended without a window; starting again")
        self.s.fail("the pet never started")

    def kill(self):
        """SIGKILL, with no warning; returns once Wine has destroyed the pet's window."""
        hwnd = self.pet.window["hwnd"] if self.pet.window else None
        self.s.kill(self.pet)
        if hwnd:
            self.s.driver.call("wait-gone", hwnd=hwnd, wait=10000)

    def open_menu(self):
        reply = self.s.driver.call("post", hwnd=self.pet.hwnd, msg=WM_TRAY_NOTIFY, lparam="WM_LBUTTONUP")
        self.s.expect(reply.ok, f"could not post to the pet: {reply!r}")
        self.s.release(self.pet)
        return self.find(CARE_TITLE)

    def find(self, title):
        reply = self.s.driver.call("find-window", exe=self.exe.name, title=title, visible=True,
                                   wait=int(MENU_WAIT * 1000), poll=10)
        self.s.expect(reply.ok, f"no window {title!r} appeared within {MENU_WAIT:.0f} s")
        return reply.one["hwnd"]

    def text(self, dialog, control_id) -> str:
        reply = self.s.driver.call("control", hwnd=dialog, id=control_id)
        self.s.expect(reply.ok, f"control {control_id} of window {dialog}: {reply!r}")
        return reply.one.get("text")

    def click(self, dialog, control_id, sync=False):
        self.s.click(dialog, control_id, sync=sync)

    def food_menu_with_tea(self, menu):
        """The food menu open with tea picked: one click on the feed button feeds it."""
        self.click(menu, FOOD_MENU)
        food = self.find(FOOD_TITLE)
        self.click(food, TEA, sync=True)
        return food


def wait_until_written(s, exe, old: bytes, timeout: float, what: str) -> bytes:
    """The save file once the program has written something else over `old`."""
    def written():
        data = s.read_save(exe)
        return data if data != old and whole_file(data) else None
    return s.wait_until(written, timeout, what, step=0.2)


def scenario_file_held_at_start_is_read_once_released(s):
    exe = s.place_exe()
    saved = record(level=12, money=4321, fullness=900, unlocked=range(3), on=[NO_MISCHIEF_1])
    s.write_save(exe, format_save(saved))
    path = s.save_path(exe)
    s.expect(s.driver.call("hold-file", file=winpath(path)).ok, "the driver could not hold the save file")
    pet = s.start_pet(exe, wait_window=False)
    # The program is up and trying the file: its pet window exists, not shown yet.
    s.wait_until(lambda: s.driver.call("find-window", exe=winpath(exe)).ok, 15, "the pet window to be made")
    held_since = time.monotonic()
    while time.monotonic() - held_since < 3.0:
        s.expect(not s.driver.call("find-window", exe=winpath(exe), visible=True).ok,
                 "the pet showed before its file could be read")
        s.expect(not s.driver.call("msgbox", exe=winpath(exe)).ok, "a message box while the file was held 3 s")
        time.sleep(0.2)
    s.expect(s.driver.call("release-file", file=winpath(path)).ok, "the driver could not release the file")
    released = time.monotonic()
    pet.window = s.driver.call("find-window", exe=winpath(exe), visible=True, wait=15000).one
    s.note(f"the pet showed {time.monotonic() - released:.1f} s after the file was released")
    s.expect(pet.window, "the pet did not show once the file was released")

    # The saved pet, not a new one: its level in the care menu, and in the file at the end.
    hamster = Hamster(s, exe)
    hamster.pet = pet
    menu = hamster.open_menu()
    s.expect_equal(hamster.text(menu, LEVEL), "12", "level shown once the held file was read")
    s.click(menu, IDOK, sync=True)
    s.quit(pet)
    problem = explain_ticks(saved, whole_file(s.read_save(exe)) or PetRecord(level=-1))
    s.expect(problem is None, f"the pet saved at exit is not the one in the held file: {problem}")
    s.expect(not temporary_of(exe).exists(), "a temporary file was left beside the save file")


def scenario_file_held_for_long_ends_the_program_and_keeps_it(s):
    exe = s.place_exe()
    original = format_save(record(level=40, money=98765, unlocked=range(9)), b"\n")
    s.write_save(exe, original)
    path = s.save_path(exe)
    before = sorted(p.name for p in exe.parent.iterdir())
    s.expect(s.driver.call("hold-file", file=winpath(path)).ok, "the driver could not hold the save file")
    started = time.monotonic()
    pet = s.start_pet(exe, wait_window=False)
    box = s.wait_msgbox(exe=winpath(exe), timeout=RETRY_SECONDS + 20)
    waited = time.monotonic() - started
    s.note(f"the box came {waited:.1f} s after the start")
    s.expect_equal(box.get("caption"), FILE_ERROR_CAPTION, "caption")
    s.expect_equal(box.get("text"), UNREADABLE_TEXT, "text")
    s.expect_equal([b.get("id") for b in box.get("buttons", []) if b.get("visible")], [IDOK], "buttons (OK only)")
    # It tried for about ten seconds before it gave up (a slow machine only makes this longer).
    s.expect(waited >= RETRY_SECONDS - 1, f"the program gave up on the held file after {waited:.1f} s")
    shown = [w for w in s.windows(exe=winpath(exe), visible=True) if w.get("hwnd") != box.get("hwnd")]
    s.expect_equal(shown, [], "windows of the program shown beside the box (no pet without its file)")
    s.click(box["hwnd"], IDOK)
    s.wait_exit(pet, after=" after OK on the box about the unreadable file")
    # Still held: the program wrote nothing, and nothing beside the file either.
    s.expect_equal(s.read_save(exe), original, "the save file after the program ended")
    s.expect_equal(sorted(p.name for p in exe.parent.iterdir()), before, "files beside the program")
    s.expect(s.driver.call("release-file", file=winpath(path)).ok, "the driver could not release the file")
    s.expect_equal(s.read_save(exe), original, "the save file once released")


def scenario_feed_then_kill_keeps_the_fed_pet(s):
    exe = s.place_exe()
    calm = record(level=30, money=50_000, fullness=600, stress=0, unlocked=range(8), on=[FAST_MOVE])
    s.write_save(exe, format_save(calm))
    hamster = Hamster(s, exe)

    def stopped_by_the_menu(before: PetRecord, menu) -> PetRecord:
        """The pet as its open menu holds it: the file's pet after the ticks it took before the
        menu stopped it (calm and fed, each tick earned a GOLD and took one fullness)."""
        ticks = (int(hamster.text(menu, MONEY)) - before.money) // money_per_tick(before)
        s.expect(ticks >= 0, f"the menu shows less money than the file held: {ticks} ticks")
        return before.copy(money=before.money + ticks * money_per_tick(before), fullness=before.fullness - ticks)

    hamster.start()
    menu = hamster.open_menu()
    fed = stopped_by_the_menu(calm, menu).copy()
    fed.money -= TEA_PRICE
    fed.fullness += TEA_FULLNESS
    food = hamster.food_menu_with_tea(menu)
    hamster.click(food, FEED, sync=True)  # returns once the feed button's click has been handled
    hamster.kill()
    s.expect_equal(whole_file(s.read_save(exe)), fed, "the save file after a meal and a kill")

    # And a switch, the same way.
    hamster.start()
    menu = hamster.open_menu()
    switched = stopped_by_the_menu(fed, menu)
    switched.abilityOn[EXTRA_FOOD] = 1
    hamster.click(menu, ABILITY_BOXES[EXTRA_FOOD], sync=True)
    hamster.kill()
    s.expect_equal(whole_file(s.read_save(exe)), switched, "the save file after a switch and a kill")
    s.expect(not temporary_of(exe).exists(), "a temporary file was left beside the save file")

    # What one save costs under Wine: the program's own encode and atomic replace, timed by the
    # driver in this folder.
    reply = s.driver.call("time-save", file=winpath(exe.parent / "timing.dat"), times=50)
    s.expect(reply.ok, f"timing the save failed: {reply!r}")
    timing = reply.one
    print(f"save under Wine: median {timing['median_us'] / 1000:.2f} ms, 90% {timing['p90_us'] / 1000:.2f} ms, "
          f"max {timing['max_us'] / 1000:.2f} ms over {timing['saves']} saves", flush=True)


def scenario_running_pet_is_saved_by_its_autosave_timer(s):
    """The pet starts its autosave timer at a minute (the trace says so, and the timer's messages
    keep to it); a message of that timer writes the pet as it is then. The message is sent as
    Windows would send it a minute later, so that the scenario need not wait that minute."""
    exe = s.place_exe()
    # FastMove: ten ticks a second, each worth a GOLD; calm and fed, so the ticks change nothing else.
    start = record(level=5, money=1000, fullness=100_000, stress=0, unlocked=range(4), on=[FAST_MOVE])
    original = format_save(start)
    s.write_save(exe, original)
    hamster = Hamster(s, exe)
    pet = hamster.start()
    s.wait_until(lambda: pet.trace.ticks() >= 10, 20, "ten ticks")
    s.expect(s.read_save(exe) == original, "the pet was written before its autosave timer's message")
    s.expect(s.driver.call("post", hwnd=pet.hwnd, msg="WM_TIMER", wparam=AUTOSAVE_TIMER_ID).ok,
             "could not post the autosave timer's message")
    data = wait_until_written(s, exe, original, 10, "the pet to be saved")
    kept = whole_file(data)
    problem = explain_ticks(start, kept) if kept else "not a whole save file"
    s.expect(problem is None, f"the record saved as the pet ran: {problem}")
    s.expect(kept.money > start.money, "the file kept none of the money earned")
    saves = [x for x in pet.trace.lines if x.name == "file.ReplaceAtomically"]
    s.expect_equal(len(saves), 1, "saves in the trace")
    s.expect_equal(decode_save(unquote(saves[0].args[1]).encode("latin-1")), kept, "the pet the trace says was saved")
    expect_timer_messages(s, pet.trace, int(TICK * 1000))
    hamster.kill()
    s.expect(not temporary_of(exe).exists(), "a temporary file was left beside the save file")


# ---------------------------------------------------------------------------------------------
# Killed at random moments
# ---------------------------------------------------------------------------------------------

KILLS = int(os.environ.get("POMKI_CRASH_KILLS", "40"))
CHAIN_START = record(level=30, money=1_000_000, fullness=500, stress=0, unlocked=range(8))
# A save (write a temporary file, flush it, move it over the file) takes a few milliseconds
# under Wine. A kill aimed at it is sent, after the file system reports the first change of the
# save (the temporary file made), either within its first milliseconds (inside the save, most
# often) or later (after it, most often).
INSIDE_AIM = (0.0, 0.003)
AFTER_AIM = (0.003, 0.030)


def kill_inside_the_save(pet, events: FolderEvents, rng) -> float:
    """Kills the pet a moment after the save of the pet's file begins; returns how long after."""
    seen = events.wait({"pomki.dat", "pomki.dat.tmp"}, 15)
    delay = rng.uniform(*rng.choice([INSIDE_AIM, AFTER_AIM]))
    until = time.perf_counter() + delay
    while time.perf_counter() < until:
        pass  # a sleep this short would oversleep
    os.killpg(pet.proc.pid, signal.SIGKILL)
    return delay if seen else -1.0


def scenario_kills_at_random_moments_leave_a_whole_file(s):
    """The pet is started again and again and killed with no warning: inside the save of a meal
    or of a switched ability (aimed at by its trace, which shows the save begun), or at a random
    moment of its start and walk. Every time, the file holds the record from before the save or
    the one after it, written whole, and the next start loads it and removes what the killed save
    left beside it."""
    exe = s.place_exe()
    s.write_save(exe, format_save(CHAIN_START))
    hamster = Hamster(s, exe)
    rng = random.Random(int(os.environ.get("POMKI_CRASH_SEED", str(int(time.time())))))
    counts = {"kills": 0, "with a temporary file": 0, "unchanged": 0, "saved": 0,
              "meal": 0, "switch": 0, "walk": 0}
    started = time.monotonic()
    for cycle in range(KILLS):
        before_bytes = s.read_save(exe)
        before = whole_file(before_bytes)
        s.expect(before is not None, f"cycle {cycle}: the file is not whole before the start")
        if before.fullness > 900 or before.money < 10_000:
            s.write_save(exe, format_save(CHAIN_START))
            before_bytes, before = s.read_save(exe), CHAIN_START.copy()
        hamster.start()
        s.expect(not temporary_of(exe).exists(),
                 f"cycle {cycle}: the temporary file left by a killed save is still there after the start")
        kind = rng.choice(["meal", "meal", "switch", "walk"])
        if kind == "walk":
            undo = None
            delay = rng.uniform(0, 0.5)
            time.sleep(delay)
        else:
            menu = hamster.open_menu()
            s.expect_equal(hamster.text(menu, LEVEL), str(before.level),
                           f"cycle {cycle}: the level shown after the start (a new pet?)")
            if kind == "meal":
                target, control, undo = hamster.food_menu_with_tea(menu), FEED, undo_tea
            else:
                target, control, undo = menu, ABILITY_BOXES[EXTRA_FOOD], undo_switch(EXTRA_FOOD)
            events = FolderEvents(exe.parent)
            try:
                events.drain()
                hamster.click(target, control)
                delay = kill_inside_the_save(hamster.pet, events, rng)
            finally:
                events.close()
            s.expect(delay >= 0, f"cycle {cycle}: the pet did not save within 15 s of the click")
        hamster.kill()
        counts["kills"] += 1
        counts[kind] += 1
        if temporary_of(exe).exists():
            counts["with a temporary file"] += 1
        after_bytes = s.read_save(exe)
        after = whole_file(after_bytes)
        label = f"cycle {cycle} ({kind}, killed {delay * 1000:.1f} ms after the save began)"
        s.expect(after is not None, f"{label}: the file is not whole: {after_bytes!r}")
        if after_bytes == before_bytes:
            counts["unchanged"] += 1
            continue
        s.expect(undo is not None, f"{label}: the file changed though nothing was saved: {after}")
        problem = ticks_then(before, after, undo)
        s.expect(problem is None, f"{label}: the file holds neither the pet before the save nor after it: {problem}")
        counts["saved"] += 1
    seconds = time.monotonic() - started
    hamster.start()
    s.quit(hamster.pet)
    s.expect(whole_file(s.read_save(exe)) is not None, "the file after the last, clean exit")
    s.expect(not temporary_of(exe).exists(), "a temporary file is left after a clean exit")
    summary = (f"{counts['kills']} kills in {seconds:.0f} s ({counts['meal']} during a meal, {counts['switch']} "
               f"during a switch, {counts['walk']} during the start or walk); {counts['with a temporary file']} "
               f"while a temporary file existed (inside a save); file unchanged {counts['unchanged']}, holding the "
               f"saved pet {counts['saved']}, anything else 0; {hamster.fresh_drivers} start(s) seen only by a "
               f"fresh driver")
    s.note(summary)
    print(f"kills: {summary}", flush=True)
    s.expect(counts["saved"] > 0 and counts["unchanged"] > 0,
             "the kills never fell both before and after a save: the scenario tested nothing")
