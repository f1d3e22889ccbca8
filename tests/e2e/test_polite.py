"""The pet on a real desktop: it leaves the shell's windows alone, plays no tricks on a program
that holds the whole screen, is never stopped by a program that has stopped answering, shows
its grumble box in front, gives the taskbar a button only for an open care menu, lets the clock
appear without taking the focus, and runs as one copy however many are started at once.

The driver's `polite-window` stands in for the windows a real desktop puts in front of the pet:
windows registered under the shell's class names, a popup over the whole screen, windows whose
thread stops handling messages. It logs every change of its title and minimised state.
"""
# lane: b

import os
import signal

from constants import (ABILITY_BOXES, CLOCK, FOOD_MENU, FOOD_TITLE, IDOK, MISCHIEF_GUARD,
                       NO_MISCHIEF_1, SCREEN_SAVER)
from savefile import format_save, record, stressed_record
from scenario import OwnWindow, winpath
from traces import parse_facts, ticks_of, window_ref
from wine_env import SCREEN

WS_EX_TOOLWINDOW = 0x80
WS_EX_APPWINDOW = 0x40000

# The shell's windows that are often the foreground window on Windows.
SHELL_CLASSES = ("Progman", "WorkerW", "Shell_TrayWnd", "Shell_SecondaryTrayWnd", "Windows.UI.Core.CoreWindow")


def start_polite_window(s, seconds: float, **options) -> OwnWindow:
    """The driver's polite-window with these options (classes=..., popup=True, ...); returns once
    its first window is up."""
    log = s.logs / f"polite-window-{len(list(s.logs.glob('polite-window-*')))}.json"
    args = ["wine", str(s.environment.driver_exe), "polite-window", "--seconds", str(int(seconds)),
            "--out", winpath(log)]
    for key, value in options.items():
        key = "--" + key.replace("_", "-")
        if value is True:
            args.append(key)
        else:
            args += [key, str(value)]
    window = OwnWindow(s.spawn(args, log_name="polite-window"), log, s)
    started = s.wait_until(lambda: [e for e in window.events() if e.get("event") == "start"], 20,
                           "the driver's window")
    window.hwnd = started[0]["hwnd"]
    s.note(f"polite window {started[0]}")
    return window


def events_of(window: OwnWindow, event: str) -> list[dict]:
    return [e for e in window.events() if e.get("event") == event]


def tricks_on(window: OwnWindow, title: str) -> list[dict]:
    """Log lines in which the window had another title or was minimised."""
    return [e for e in window.events() if e.get("title") != title or e.get("iconic")]


def pet_boxes(s, exe) -> list[dict]:
    reply = s.driver.call("msgbox", exe=winpath(exe))
    return reply.objects if reply.ok else []


# A tick gives the window in front its chance of a trick when its mischief roll is a title's
# (25 or 40; every pet here is stressed far above 150) or its wander roll starts a walk to it.
RETITLE_ROLLS = {25, 40}
SEEK_ROLL = 1
CHANCES_PER_WINDOW = 3
OVERDUE_TICKS = 600  # (47/50 * 19/20) ** 600 < 1e-20: no such chance in this many ticks is a fault


def chances_on(trace, hwnd: int) -> int:
    """The ticks in which this window was in front and a user's window would have had a trick."""
    return sum(1 for t in ticks_of(trace.lines)
               if t.foreground == hwnd and (t.mischief_roll in RETITLE_ROLLS or t.wander_roll == SEEK_ROLL))


def acts_on(trace, hwnd: int) -> list:
    """What the pet did to this window: titles, minimising, and the steps of a walk to it."""
    ref = window_ref(hwnd)
    return [x for x in trace.lines if x.name in ("desk.Retitle", "desk.Minimise", "desk.WindowRect") and
            x.args and x.args[0] == ref]


def scenario_shell_windows_in_front_are_left_alone(s):
    """Windows of the driver's own under the shell's class names, each in turn the foreground
    window in front of a stressed pet (MischiefGuard: it keeps walking), each until it had its
    chances of a trick: the pet is told each window's real class, and none of them gets a title,
    is minimised or walked to. An ordinary window after them does: the pet plays its tricks."""
    exe = s.place_exe()
    s.write_save(exe, format_save(stressed_record(MISCHIEF_GUARD)))
    pet = s.start_pet(exe)
    title = "e2e shell window"
    for cls in SHELL_CLASSES + ("E2EOrdinaryWindow",):
        window = start_polite_window(s, 120, classes=cls, title=title, x=560, y=420, width=400, height=300,
                                     keep_foreground=True)
        s.wait_until(lambda: window.events()[-1].get("foreground"), 10, f"the {cls} window in front")
        if cls == "E2EOrdinaryWindow":
            s.wait_until(lambda: acts_on(pet.trace, window.hwnd), 60, "a trick on the ordinary window")
            break
        begun = pet.trace.ticks()
        s.wait_until(lambda: chances_on(pet.trace, window.hwnd) >= CHANCES_PER_WINDOW
                     or pet.trace.ticks() - begun >= OVERDUE_TICKS, 120, f"the {cls} window's chances of a trick")
        s.expect(chances_on(pet.trace, window.hwnd) >= CHANCES_PER_WINDOW,
                 f"the {cls} window had no chance of a trick in {pet.trace.ticks() - begun} ticks")
        described = [parse_facts(x.answer) for x in pet.trace.lines
                     if x.call == f"desk.DescribeWindow {window_ref(window.hwnd)}"]
        s.expect(described and all(f["class"] == cls for f in described),
                 f"the pet was told other classes of the {cls} window: {described[:3]}")
        s.expect_equal([str(x) for x in acts_on(pet.trace, window.hwnd)], [], f"the pet's acts on the {cls} window")
        s.expect_equal(tricks_on(window, title), [], f"changes of the {cls} window's title or minimised state")
        window.proc.kill()
        window.proc.wait()
    s.expect(pet.running(), "the pet ended")
    s.kill(pet)


def scenario_full_screen_program_gets_no_tricks(s):
    """A popup of the driver's over the whole screen, kept the foreground window, in front of a
    stressed pet with no guard: through ticks in which every trick had its roll, no title, no
    minimising, no shot, box or volley, no walk to it; the pet walks on."""
    exe = s.place_exe()
    s.write_save(exe, format_save(stressed_record()))
    pet = s.start_pet(exe)
    title = "e2e full screen"
    window = start_polite_window(s, 180, classes="E2EFullScreen", title=title, popup=True, x=0, y=0,
                                 width=SCREEN[0], height=SCREEN[1], keep_foreground=True)
    s.wait_until(lambda: window.events()[-1].get("foreground"), 10, "the full-screen window in front")
    # What the pet began while it was itself in front ends first: a box it opened is closed.
    s.wait_until(lambda: [s.click(b["hwnd"], IDOK) for b in pet_boxes(s, exe)] == [] and not pet_boxes(s, exe), 10,
                 "the pet's boxes closed")
    # A volley the pet began before goes on to its end inside its tick: judged from the next event.
    closed = len(pet.trace.lines)

    def next_event():
        return next((i for i, x in enumerate(pet.trace.lines) if i >= closed and x.kind == "event"), None)

    s.wait_until(lambda: next_event() is not None, 10, "the pet's next event")
    joined = next_event()
    rolls = {5: "shot", 8: "shot", 33: "box", 4: "volley", 25: "title", 40: "title", 1: "minimise"}

    def in_front(lines):
        return [t for t in ticks_of(lines) if t.foreground == window.hwnd]

    def every_roll_came():
        ticks = in_front(pet.trace.lines[joined:])
        return (set(rolls) <= {t.mischief_roll for t in ticks} and any(t.wander_roll == SEEK_ROLL for t in ticks)
                or len(ticks) >= 3 * OVERDUE_TICKS)

    s.wait_until(every_roll_came, 240, "every trick's roll with the full-screen window in front", step=0.5)
    lines = pet.trace.lines[joined:]
    ticks = in_front(lines)
    s.expect(set(rolls) <= {t.mischief_roll for t in ticks}, f"not every roll came in {len(ticks)} ticks")
    acts = [str(x) for x in lines if x.name in ("desk.Retitle", "desk.Minimise", "desk.DrawShotMark",
                                                "desk.ShowMessageBox")]
    s.expect_equal(acts, [], "tricks in front of a full-screen program")
    s.expect_equal([str(x) for x in acts_on(pet.trace, window.hwnd)], [], "acts on the full-screen window")
    described = [parse_facts(x.answer) for x in lines if x.call == f"desk.DescribeWindow {window_ref(window.hwnd)}"]
    s.expect(described and all(f["rect"] == (0, 0, *SCREEN) and f["monitor"] == (0, 0, *SCREEN) for f in described),
             f"the pet was told another rectangle or monitor of the full-screen window: {described[:2]}")
    s.expect(any(x.name == "win.PlacePet" for x in lines), "the pet did not walk")
    s.expect_equal(tricks_on(window, title), [], "changes of the full-screen window's title or minimised state")
    s.expect_equal(pet_boxes(s, exe), [], "message boxes of the pet")
    s.expect(all(e.get("foreground") for e in window.events()[-1:]), "the full-screen window lost the foreground")
    s.kill(pet)


def close_care_menu(s, menu) -> None:
    s.click(menu, IDOK, sync=True)
    s.expect(s.driver.call("wait-gone", hwnd=menu, wait=5000).ok, "the care menu did not close")


def scenario_hung_windows_do_not_stop_the_pet(s):
    """Two windows whose thread stops handling messages: one under the pet, one in front of it
    (the foreground window, topmost). A stressed pet (MischiefGuard, so it keeps walking and
    retitling) keeps ticking: its notification icon opens the care menu, it ticks on afterwards,
    it is told that the window in front does not respond, and leaves it alone."""
    below = start_polite_window(s, 90, classes="E2EHungBelow", title="e2e hung below", x=0, y=0,
                                width=SCREEN[0], height=SCREEN[1] - 40, hang_after=300)
    s.wait_until(lambda: events_of(below, "hang"), 10, "the window below to stop handling messages")
    exe = s.place_exe()
    s.write_save(exe, format_save(stressed_record(MISCHIEF_GUARD)))
    pet = s.start_pet(exe)
    front = start_polite_window(s, 90, classes="E2EHungFront", title="e2e hung front", x=500, y=400, width=400,
                                height=300, topmost=True, hang_after=1500)
    s.wait_until(lambda: events_of(front, "hang"), 10, "the window in front to stop handling messages")
    s.expect(events_of(front, "hang")[0].get("foreground"), "the hung window was not in front when it stopped")
    s.wait_until(lambda: all(s.driver.call("hung", hwnd=w.hwnd).one.get("hung") for w in (below, front)), 20,
                 "both windows to count as not responding")
    # The pet is told that the window in front does not respond, and leaves it alone.
    ref = window_ref(front.hwnd)

    def told_hung():
        return [x for x in pet.trace.lines if x.call == f"desk.DescribeWindow {ref}" and parse_facts(x.answer)["hung"]]

    s.wait_until(told_hung, 60, "the pet told that the window in front is not responding")
    # (Before it stopped answering it was an ordinary window, which the pet may have set off to.)
    since = told_hung()[0].number
    s.expect_equal([str(x) for x in acts_on(pet.trace, front.hwnd) if x.number > since], [],
                   "the pet's acts on the hung window")
    # Its icon still opens the care menu, and it ticks on once the menu closes.
    close_care_menu(s, s.open_care_menu(pet))
    begun = pet.trace.ticks()
    s.wait_until(lambda: pet.trace.ticks() - begun >= 30, 60, "30 ticks more after the care menu")
    s.expect(all(s.driver.call("hung", hwnd=w.hwnd).one.get("hung") for w in (below, front)),
             "a window answered again before the end")
    s.expect(pet.running(), "the pet ended")
    s.kill(pet)


def scenario_grumble_box_is_topmost(s):
    """The grumble box of a stressed pet (NoMischief1: no single shots, no titles) is a topmost
    window, owned by the pet window."""
    exe = s.place_exe()
    s.write_save(exe, format_save(stressed_record(NO_MISCHIEF_1)))
    pet = s.start_pet(exe)
    box = s.wait_msgbox(timeout=60, exe=winpath(exe))
    state = s.driver.call("window", hwnd=box["hwnd"]).one
    s.note(f"box {state}")
    s.expect_equal(box.get("owner"), pet.hwnd, "the box's owner")
    s.expect(state.get("topmost"), f"the grumble box is not topmost: {state}")
    s.click(box["hwnd"], IDOK)
    s.kill(pet)


def taskbar_buttons(s, exe) -> list[int]:
    """The program's windows that get a taskbar button: visible, and either asking for one or
    unowned and not a tool window."""
    return sorted(w["hwnd"] for w in s.windows(exe=exe.name, visible=True)
                  if w["exstyle"] & WS_EX_APPWINDOW or (not w["owner"] and not w["exstyle"] & WS_EX_TOOLWINDOW))


def real_click_on(s, dialog, control_id) -> None:
    r = s.driver.call("control", hwnd=dialog, id=control_id).one["rect"]
    s.pointer_to(r[0] + 8, (r[1] + r[3]) // 2)
    s.xdotool("click", 1)


def scenario_taskbar_buttons_and_a_clock_that_takes_no_focus(s):
    """Only an open care menu has a taskbar button: not the pet, the clock, the sweep or the food
    menu, which is owned by the care menu and leaves it disabled while open. Switching the clock
    on leaves the keyboard with the care menu: Escape then closes the menu, and the clock stays."""
    exe = s.place_exe()
    s.write_save(exe, format_save(record(level=40, fullness=900, money=10, unlocked=range(9))))
    pet = s.start_pet(exe)
    s.expect_equal(taskbar_buttons(s, exe), [], "taskbar buttons of the pet alone")
    menu = s.open_care_menu(pet)
    s.wait_until(lambda: s.sample(menu).get("foreground"), 5, "the care menu in front")

    real_click_on(s, menu, ABILITY_BOXES[CLOCK])
    clock = s.wait_until(lambda: [w for w in s.windows(exe=exe.name, visible=True)
                                  if w["hwnd"] not in (pet.hwnd, menu) and not w["title"]], 5, "the clock")[0]
    s.expect(clock["exstyle"] & WS_EX_TOOLWINDOW, f"the clock is no tool window: {clock}")
    s.expect(not s.sample(clock["hwnd"]).get("foreground"), "the clock took the foreground")
    s.expect(s.sample(menu).get("foreground"), "the care menu lost the foreground to the clock")
    s.expect_equal(taskbar_buttons(s, exe), [menu], "taskbar buttons with the menu and the clock open")

    s.click(menu, FOOD_MENU)
    food = s.driver.call("find-window", exe=exe.name, title=FOOD_TITLE, visible=True, wait=15000).one["hwnd"]
    food_state = s.driver.call("window", hwnd=food).one
    s.expect_equal(food_state.get("owner"), menu, "the food menu's owner")
    s.expect_equal(s.driver.call("window", hwnd=menu).one.get("enabled"), False, "the care menu enabled under the food menu")
    s.expect_equal(taskbar_buttons(s, exe), [menu], "taskbar buttons with the food menu open")
    s.driver.call("post", hwnd=food, msg="WM_CLOSE")
    s.expect(s.driver.call("wait-gone", hwnd=food, wait=5000).ok, "the food menu did not close")
    s.wait_until(lambda: s.driver.call("window", hwnd=menu).one.get("enabled"), 5, "the care menu enabled again")
    s.wait_until(lambda: s.sample(menu).get("foreground"), 5, "the care menu in front after the food menu")

    s.key("Escape")
    s.expect(s.driver.call("wait-gone", hwnd=menu, wait=5000).ok, "Escape did not close the care menu")
    s.expect(s.sample(clock["hwnd"]).get("visible"), "the clock was hidden by the Escape meant for the care menu")
    s.expect_equal(taskbar_buttons(s, exe), [], "taskbar buttons with only the clock open")

    # The sweep, started by a real click and left alone until the mouse moves.
    menu = s.open_care_menu(pet)
    real_click_on(s, menu, ABILITY_BOXES[SCREEN_SAVER])
    sweep = s.wait_until(lambda: [w for w in s.windows(exe=exe.name, visible=True)
                                  if w["topmost"] and w["client"] == [60, 60] and w["hwnd"] != pet.hwnd], 10,
                         "the sweep")[0]
    s.expect(sweep["exstyle"] & WS_EX_TOOLWINDOW, f"the sweep is no tool window: {sweep}")
    s.expect_equal(taskbar_buttons(s, exe), [menu], "taskbar buttons while the sweep runs")
    s.kill(pet)


def scenario_five_copies_at_once_leave_one_pet(s):
    """Five copies started at the same moment: exactly one runs on with a pet window, the others
    end by themselves. Many rounds, each ending the survivor before the next. (The exit codes of
    the extra copies are noted, not judged.)"""
    exe = s.place_exe()
    s.write_save(exe, format_save(record(fullness=900)))
    rounds = 12
    for round_ in range(1, rounds + 1):
        procs = [s.spawn(["wine", str(exe)], log_name=f"copy{round_}") for _ in range(5)]
        s.wait_until(lambda: sum(p.poll() is None for p in procs) <= 1, 90,
                     f"round {round_}: the extra copies to end")
        running = [p for p in procs if p.poll() is None]
        s.note(f"round {round_}: exit codes {[p.returncode for p in procs]}")
        s.expect_equal(len(running), 1, f"round {round_}: copies still running")
        s.wait_until(lambda: s.windows(exe=winpath(exe), visible=True), 60, f"round {round_}: the pet window")
        pets = s.windows(exe=winpath(exe), visible=True)
        s.expect_equal(len(pets), 1, f"round {round_}: pet windows")
        s.expect(running[0].poll() is None, f"round {round_}: the copy that stayed ended")
        s.note(f"round {round_}: one pet {pets[0]['hwnd']}")
        os.killpg(running[0].pid, signal.SIGKILL)
        running[0].wait()
        s.wait_until(lambda: not s.windows(exe=winpath(exe)), 30, f"round {round_}: the pet window to go")
