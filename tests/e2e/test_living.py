"""The living hamster: its walk, the tricks a stressed pet plays on the user's window and on the
screen, and its walk after the pointer.

Every pet here is prepared through its save file with FastMove on, so that it ticks every 100 ms.
What the pet decides is its core's, which the unit tests pin down and the harness replays over
the exe's trace; what is judged here is that the exe does what the trace says with the facts the
desktop really gave it, and that the screen shows exactly that: the pet window's every sampled
state is one the trace set, in the trace's order (traces.expect_screen_agrees); the timer keeps
its interval (traces.expect_timer_messages); a title the pet gives is the title the window
gets; a shot mark is on the screen where the trace drew it; a box is the box the trace opened.
The driver's own window (`own-window`) stands in for the program the user is working in. Waits
are for states of the trace, bounded by the ticks in which the awaited act had its chance.
"""
# lane: a

import os
import signal
import time

from constants import CURSOR_LEAD, IDOK, MISCHIEF_GUARD, NO_MISCHIEF_1, PET_SIZE, TEARFUL, TICK
from savefile import format_save, pet_record, stressed_record
from scenario import OwnWindow, winpath
from traces import (expect_screen_agrees, expect_timer_messages, parse_point, parse_rect, pet_rects_since,
                    shot_marks, ticks_of, unquote, window_ref, window_states)
from watch import MarkPicture, PetWatch, inside, judge_last_mark, watch_until

INTERVAL_MS = int(TICK * 1000)

# A trick that answers to one mischief roll of 50 has a chance every tick; not seeing it after
# this many ticks is a fault, not bad luck: (49/50) ** 700 < 1e-6.
ONE_IN_50_OVERDUE = 700
# The last bound in seconds, for a pet that neither ticks nor stops (a hung exe).
OVERDUE_SECONDS = 200
# After the timer is stopped no message may come: watched for this many intervals.
STOPPED_FOR = 4

# ---------------------------------------------------------------------------------------------
# The user's window, and the message boxes of the pet
# ---------------------------------------------------------------------------------------------


def user_window(s, x: int, y: int, width: int = 300, height: int = 200) -> OwnWindow:
    """The driver's own window in the foreground, standing in for the user's program."""
    own = s.start_own_window("e2e own window", seconds=240, x=x, y=y, width=width, height=height)
    s.expect(own.events()[0].get("foreground"), f"the driver's own window did not become the foreground window")
    return own


class BoxCloser:
    """Closes each message box the trace says the pet opened, once the box is on the screen: it
    must be the box the trace names (text, caption, OK alone), owned by the pet and topmost."""

    def __init__(self, s, pet, own: OwnWindow | None = None):
        self.s = s
        self.pet = pet
        self.own = own
        self.closed: list[dict] = []
        self.closed_rects: list[tuple] = []  # where boxes stood: the desktop was repainted there

    def poll(self) -> bool:
        """True when a box was closed."""
        lines = self.pet.trace.lines
        opened = [x for x in lines if x.name == "desk.ShowMessageBox" and x.kind == "begin"]
        ended = [x for x in lines if x.name == "desk.ShowMessageBox" and x.kind == "end"]
        if len(opened) <= len(ended):
            return False
        line = opened[-1]  # the pet opens no box while one is open
        text, caption = (unquote(w) for w in line.args)
        box = self.s.wait_msgbox(exe=winpath(self.pet.exe), title=caption, timeout=10)
        self.s.expect_equal((box.get("text"), box.get("caption")), (text, caption),
                            f"the message box of trace line {line.number}")
        self.s.expect_equal(box.get("owner"), self.pet.hwnd, "owner of the grumbling message box")
        self.s.expect_equal([b.get("id") for b in box.get("buttons", []) if b.get("visible")], [IDOK],
                            f"buttons of the message box {caption!r}")
        window = self.s.driver.call("window", hwnd=box["hwnd"]).one
        self.s.expect(window.get("topmost"), f"the message box {caption!r} is not topmost")
        self.s.click(box["hwnd"], IDOK)
        self.s.driver.call("wait-gone", hwnd=box["hwnd"], wait=10000)
        self.closed.append(box)
        self.closed_rects.append(tuple(window["rect"]))
        if self.own:
            # Closing a box activates its owner, the pet; the user goes back to their window once
            # that has happened (else the owner's activation, come late, would take it away again).
            self.s.wait_until(lambda: self.s.driver.call("foreground").one.get("hwnd") == self.pet.hwnd, 3,
                              "", must=False)
            self.own.bring_back()
        return True


def expect_facts(s, pet, own: OwnWindow | None, since_line: int = 0) -> None:
    """The desktop's answers in the trace are the desktop's: the work areas are the monitors' and,
    once the user's window is up, it is the window in front and its rectangle is its own."""
    lines = pet.trace.lines
    monitors = [tuple(m["work"]) for m in s.driver.call("monitors").objects if "work" in m]
    for answer in pet.trace.answers("desk.WorkAreas", lines):
        s.expect_equal(sorted(parse_rect(w) for w in answer.split()), sorted(monitors), "work areas the pet was told")
    if own is None:
        return
    ref = window_ref(own.hwnd)
    for line in lines:
        if line.number <= since_line:
            continue
        if line.call == f"desk.WindowRect {ref}":
            s.expect_equal(parse_rect(line.answer), own.rect, f"trace line {line.number}: the user's window's rectangle")


# ---------------------------------------------------------------------------------------------
# Scenarios
# ---------------------------------------------------------------------------------------------

WALK_TICKS = 80


def hid(trace) -> bool:
    return any(x.name == "win.PlacePet" and x.args[0] == "Bottom" for x in trace.lines)


def expect_stopped(s, pet) -> None:
    """The behaviour timer was stopped last, and no timer message of it comes for a while."""
    lines = pet.trace.lines
    starts = [x for x in lines if x.name in ("win.StartTimer", "win.StopTimer") and x.args[0] == "Behaviour"]
    s.expect(starts and starts[-1].name == "win.StopTimer", f"the behaviour timer is still running: {starts[-1:]}")
    ticks = pet.trace.ticks()
    time.sleep(STOPPED_FOR * TICK)
    s.expect_equal(pet.trace.ticks(), ticks, f"ticks after the timer was stopped ({STOPPED_FOR} intervals later)")


def expect_hidden(s, pet, watch: PetWatch, own: OwnWindow) -> None:
    """The pet stands at the bottom of the z-order, tearful, where the trace put it, and stays."""
    expect_stopped(s, pet)
    hide = [x for x in pet.trace.lines if x.name == "win.PlacePet"][-1]
    s.expect_equal(hide.args[0], "Bottom", "the last placing of the pet")
    now = s.sample(pet.hwnd)
    s.expect(now["below"] == 0 and not now["topmost"],
             f"the hidden pet is not at the bottom of the z-order: {now['below']} visible windows below it")
    watch.expect_picture(watch.sample(), TEARFUL)


def scenario_contented_pet_walks_in_steps(s):
    """A fed pet walks: alone on the screen, then with the user's window in front, which it never
    takes the foreground from and never gets in front of (it walks below it, not topmost)."""
    exe = s.place_exe()
    s.write_save(exe, format_save(pet_record()))
    pet = s.start_pet(exe)
    watch = PetWatch(s, pet)
    watch_until(s, watch, 30, lambda: pet.trace.ticks() >= WALK_TICKS // 2)
    own = user_window(s, x=420, y=560)
    joined = len(pet.trace.lines)
    watch.other = own.hwnd
    since = len(watch.samples)
    watch_until(s, watch, 30, lambda: pet.trace.ticks() >= WALK_TICKS or hid(pet.trace))

    track = watch.save_track("walk")
    seen = expect_screen_agrees(s, pet.trace, watch.samples)
    figures = expect_timer_messages(s, pet.trace, INTERVAL_MS)
    s.note(f"{len(watch.samples)} samples showed {seen} states of the trace; {figures}; track {track}")
    expect_facts(s, pet, own, joined)
    behind = [x for x in watch.samples[since:] if not x.topmost and not x.other_above]
    s.expect(not behind, f"the walking pet came in front of the user's window: {[str(x) for x in behind[:3]]}")
    s.expect_equal(own.times_not_in_front(), [], "times (ms) at which the driver's window was not in front")
    if hid(pet.trace):
        expect_hidden(s, pet, watch, own)
    s.kill(pet)


def scenario_stressed_pet_retitles_shoots_and_hides(s):
    """MischiefGuard on: no boxes, volleys or minimising. The pet gives the user's window the
    titles the trace says, draws its shot marks where the trace says, and hides behind the window.
    The window's edge is far from the pet's start: a run in which the pet hid before it retitled
    and shot is followed by another (each act has its chance at 2 in 50 ticks of the walk there)."""
    for attempt in range(1, 4):
        exe = s.place_exe(f"run{attempt}/pomki_pet.exe")
        s.write_save(exe, format_save(stressed_record(MISCHIEF_GUARD)))
        pet = s.start_pet(exe)
        picture = MarkPicture(s, exe)
        own = user_window(s, x=960, y=560)
        watch = PetWatch(s, pet, other=own.hwnd)
        judged = []

        def done():
            lines = pet.trace.lines
            if not judged and shot_marks(lines):
                compared = judge_last_mark(s, pet, picture, [own.rect])
                if compared and compared >= 20:
                    judged.append(compared)
            return hid(pet.trace)

        watch_until(s, watch, OVERDUE_SECONDS, done, every=0.3)
        s.expect(hid(pet.trace), f"the pet did not hide behind the window: {pet.trace.ticks()} ticks")
        retitles = [unquote(x.args[1]) for x in pet.trace.lines if x.name == "desk.Retitle"]
        s.note(f"run {attempt}: titles {retitles}, shot marks judged {judged}")
        if retitles:
            s.expect(all(x.args[0] == window_ref(own.hwnd) for x in pet.trace.lines if x.name == "desk.Retitle"),
                     "the pet retitled another window than the user's")
            s.expect_equal(own.now()["title"], retitles[-1], "the user's window's title after the pet's last title")
        expect_screen_agrees(s, pet.trace, watch.samples)
        expect_timer_messages(s, pet.trace, INTERVAL_MS)
        expect_facts(s, pet, own)
        s.expect(not own.minimised(), "a pet under MischiefGuard minimised the driver's window")
        s.expect_equal(own.times_not_in_front(), [], "times (ms) at which the driver's window was not in front")
        expect_hidden(s, pet, watch, own)
        s.kill(pet)
        own.close()
        if retitles and judged:
            return
    s.fail("in three runs the pet never both retitled the window and left a shot mark to judge before it hid")


def scenario_stressed_pet_grumbles_fires_volleys_and_minimises(s):
    """NoMischief1 on: no single shots and no titles. The pet opens the boxes the trace says and
    fires its volleys where the trace says; with the user's window in front it minimises it and
    stands in its last pose with its timer stopped. The window stands where the pet cannot seek
    it (its left edge within half a pet of the screen's), so nothing but the minimising stops the
    pet."""
    exe = s.place_exe()
    s.write_save(exe, format_save(stressed_record(NO_MISCHIEF_1)))
    pet = s.start_pet(exe)
    picture = MarkPicture(s, exe)
    watch = PetWatch(s, pet)
    boxes = BoxCloser(s, pet)
    judged = []

    def box_and_volley():
        lines = pet.trace.lines
        if not judged and any(x.call == "win.ApplyFrameRegion 12" for x in lines):
            compared = judge_last_mark(s, pet, picture, boxes.closed_rects)
            if compared and compared >= 20:
                judged.append(compared)
        return (boxes.closed and judged) or pet.trace.ticks() >= ONE_IN_50_OVERDUE

    watch_until(s, watch, OVERDUE_SECONDS, box_and_volley, boxes)
    s.expect(boxes.closed, f"no message box in {pet.trace.ticks()} ticks")
    s.expect(judged, f"no volley mark to judge in {pet.trace.ticks()} ticks")

    own = user_window(s, x=10, y=560)
    boxes.own = own
    watch.other = own.hwnd
    joined = pet.trace.ticks()
    watch_until(s, watch, OVERDUE_SECONDS,
                lambda: any(x.name == "desk.Minimise" for x in pet.trace.lines)
                or pet.trace.ticks() - joined >= ONE_IN_50_OVERDUE, boxes)
    minimised = [x for x in pet.trace.lines if x.name == "desk.Minimise"]
    s.expect(minimised, f"the pet did not minimise the user's window in {pet.trace.ticks() - joined} ticks")
    s.expect_equal(minimised[0].args[0], window_ref(own.hwnd), "the window the pet minimised")
    s.wait_until(own.minimised, 10, "the user's window to be minimised")
    # The five poses take 1.3 s; the timer is stopped before them.
    watch_until(s, watch, 10, lambda: sum(x.name == "win.HoldPose" for x in pet.trace.lines
                                          if x.number > minimised[0].number) >= 5, boxes)
    expect_stopped(s, pet)
    expect_screen_agrees(s, pet.trace, watch.samples)
    expect_timer_messages(s, pet.trace, INTERVAL_MS)
    expect_facts(s, pet, own)
    s.expect(not [x for x in pet.trace.lines if x.name == "desk.Retitle"], "a title under NoMischief1")
    # It stands as the trace left it: in the act's last pose, topmost, unless the act ran inside a
    # box's loop and the tick that opened the box went on once the box was closed.
    last = watch.sample()
    final = window_states(s, pet.trace.lines)[-1]
    s.expect(final.shows(last), f"the pet stands at {last}, the trace left it at {final}")
    if final.slot == 8:
        watch.expect_picture(last, TEARFUL)
    s.kill(pet)


def scenario_guarded_pet_plays_no_tricks(s):
    """NoMischief1 and MischiefGuard both on: a starving pet at stress 500 plays no trick at all,
    through ticks in which each trick had its roll; the desktop stays as it was."""
    exe = s.place_exe()
    s.write_save(exe, format_save(stressed_record(NO_MISCHIEF_1, MISCHIEF_GUARD)))
    baseline = s.screen_pixels()
    pet = s.start_pet(exe)
    own = user_window(s, x=10, y=560)
    watch = PetWatch(s, pet, other=own.hwnd)
    rolls = {5: "shot", 8: "shot", 33: "box", 4: "volley", 25: "title", 40: "title", 1: "minimise"}

    def every_roll_came():
        came = {t.mischief_roll for t in ticks_of(pet.trace.lines) if t.foreground == own.hwnd}
        return set(rolls) <= came or pet.trace.ticks() >= 3 * ONE_IN_50_OVERDUE

    watch_until(s, watch, OVERDUE_SECONDS, every_roll_came, every=0.5)
    came = {t.mischief_roll for t in ticks_of(pet.trace.lines) if t.foreground == own.hwnd}
    s.expect(set(rolls) <= came, f"rolls {sorted(set(rolls) - came)} never came in {pet.trace.ticks()} ticks")
    acts = [x for x in pet.trace.lines if x.name in ("desk.Retitle", "desk.Minimise", "desk.DrawShotMark",
                                                     "desk.ShowMessageBox")]
    s.expect_equal([str(x) for x in acts], [], "tricks of a guarded pet")
    os.kill(pet.proc.pid, signal.SIGSTOP)
    try:
        image = s.screen_pixels()
    finally:
        os.kill(pet.proc.pid, signal.SIGCONT)
    covered = [own.rect, *pet_rects_since(s, pet.trace.lines, 0)]
    changed = [(x, y) for y in range(0, image.height, 3) for x in range(0, image.width, 3)
               if image.pixel(x, y) != baseline.pixel(x, y) and not inside((x, y), covered)]
    s.expect(not changed, f"the desktop changed where neither the pet nor a window stood, e.g. {changed[:5]}")
    expect_screen_agrees(s, pet.trace, watch.samples)
    expect_timer_messages(s, pet.trace, INTERVAL_MS)
    s.expect_equal(own.times_not_in_front(), [], "times (ms) at which the driver's window was not in front")
    s.kill(pet)


def scenario_pet_follows_the_pointer(s):
    """CursorLead on, a starving pet at stress 500 with no guard: the pointer it walks to is where
    the pointer is, and the pet comes to it and stays; it never touches the window in front."""
    exe = s.place_exe()
    s.write_save(exe, format_save(stressed_record(CURSOR_LEAD)))
    s.pointer_to(220, 170)
    pet = s.start_pet(exe)
    own = user_window(s, x=700, y=480)
    watch = PetWatch(s, pet, other=own.hwnd)
    boxes = BoxCloser(s, pet, own)
    for target in [(220, 170), (120, 290)]:
        s.pointer_to(*target)
        moved = len(pet.trace.lines)

        def arrived():
            places = [parse_point(x.args[1]) for x in pet.trace.lines[moved:] if x.name == "win.PlacePet"]
            near = [p for p in places if max(abs(p[0] + PET_SIZE // 2 - target[0]), abs(p[1] + PET_SIZE // 2 - target[1])) <= 4]
            return len(near) >= 10

        s.expect(watch_until(s, watch, 60, arrived, boxes),
                 f"the pet's centre did not come to the pointer at {target} and stay near it")
        answers = pet.trace.answers("desk.CursorPos", pet.trace.lines[moved:])
        s.expect(answers and all(parse_point(a) == target for a in answers[-5:]),
                 f"the pointer the pet was told of is not the pointer at {target}: {answers[-5:]}")
    expect_screen_agrees(s, pet.trace, watch.samples)
    expect_timer_messages(s, pet.trace, INTERVAL_MS)
    s.expect(not [x for x in pet.trace.lines if x.name in ("desk.Retitle", "desk.Minimise")],
             "a pet following the pointer retitled or minimised a window")
    s.expect(not hid(pet.trace), "a pet following the pointer hid behind a window")
    s.kill(pet)
