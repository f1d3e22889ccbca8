"""The pet on a real desktop: it leaves the shell's windows alone, plays no tricks on a program
that holds the whole screen, is never stopped by a program that has stopped answering, shows
its grumble box in front, gives the taskbar a button only for an open care menu, lets the clock
appear without taking the focus, and runs as one copy however many are started at once.

The driver's `polite-window` stands in for the windows a real desktop puts in front of the pet:
windows registered under the shell's class names, a popup over the whole screen, windows whose
thread stops handling messages. It logs every change of its title and minimised state.
"""

import os
import signal
import time

from constants import (ABILITY_BOXES, AUTO_GUN, CARE_TITLE, CLOCK, FOOD_MENU, FOOD_TITLE, GUN,
                       IDOK, MISCHIEF_GUARD, MONEY, NO_MISCHIEF_1, SCREEN_SAVER, WM_TRAY_NOTIFY)
from savefile import format_save, record, stressed_record
from scenario import OwnWindow, winpath
from walk import PetWatch
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
    window = OwnWindow(s.spawn(args, log_name="polite-window"), log)
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


def scenario_shell_windows_in_front_are_left_alone(s):
    """Windows of the driver's own under the shell's class names, each in turn the foreground
    window in front of a stressed pet with no guard, keep their titles and are never minimised.
    An ordinary window after them, in the same place, is retitled or minimised: the pet was able
    to play its tricks all along."""
    exe = s.place_exe()
    s.write_save(exe, format_save(stressed_record()))
    pet = s.start_pet(exe)
    each = 6
    title = "e2e shell window"
    classes = SHELL_CLASSES + ("E2EOrdinaryWindow",)
    window = start_polite_window(s, each * len(classes) + 30, classes=",".join(classes), each=each * 1000,
                                 title=title, x=560, y=420, width=400, height=300, keep_foreground=True)
    ordinary = s.wait_until(lambda: [e for e in events_of(window, "start") if e["class"] == "E2EOrdinaryWindow"],
                            each * len(classes) + 30, "the ordinary window after the shell's")
    shell_lines = [e for e in window.events() if e.get("class") in SHELL_CLASSES]
    s.note(f"{len(shell_lines)} log lines of the shell's windows")
    s.expect_equal(sorted({e["class"] for e in events_of(window, "start")} - {"E2EOrdinaryWindow"}),
                   sorted(SHELL_CLASSES), "shell classes shown")
    in_front = [e for e in shell_lines if e.get("foreground")]
    s.expect(in_front, "no shell window was ever the foreground window")
    s.expect_equal([e for e in shell_lines if e.get("title") != title or e.get("iconic")], [],
                   "changes of title or minimised state of the shell's windows")
    s.expect(pet.running(), "the pet ended")

    # The control: the ordinary window in the same place gets a trick soon.
    ordinary_hwnd = ordinary[0]["hwnd"]
    tricked = s.wait_until(lambda: [e for e in window.events() if e.get("hwnd") == ordinary_hwnd
                                    and (e.get("title") != title or e.get("iconic"))], 30,
                           "a trick on the ordinary window", must=False)
    s.expect(tricked, "the ordinary window got no trick in 30 s: the pet played none here at all")
    s.kill(pet)


def trick_pose(sample) -> bool:
    """A shooting or minimising pose: these are placed topmost (a pet without ShowOff walks
    below the topmost windows), and the guns have outlines of their own. (The tearful pose of
    hiding has the outline of the front view; a pet that hid would stand still.)"""
    return sample.topmost or bool(sample.frames and sample.frames <= {GUN, AUTO_GUN})


def scenario_full_screen_program_gets_no_tricks(s):
    """A popup of the driver's over the whole screen, kept the foreground window, in front of a
    stressed pet with no guard: over a minute no title, no minimising, no shooting pose or box,
    no hiding; the pet walks on all the while."""
    exe = s.place_exe()
    s.write_save(exe, format_save(stressed_record()))
    pet = s.start_pet(exe)
    watch = PetWatch(s, pet)
    title = "e2e full screen"
    minute = 60
    window = start_polite_window(s, minute + 30, classes="E2EFullScreen", title=title, popup=True, x=0, y=0,
                                 width=SCREEN[0], height=SCREEN[1], keep_foreground=True)
    s.wait_until(lambda: window.events()[-1].get("foreground"), 10, "the full-screen window in front")
    # What the pet began while it was itself in front ends first: a box it opened is closed, a
    # volley runs out.
    for box in pet_boxes(s, exe):
        s.click(box["hwnd"], IDOK)
    s.wait_until(lambda: not trick_pose(watch.sample()), 10, "the pet to end a trick begun before")
    start = time.monotonic()
    corners = set()
    while time.monotonic() - start < minute:
        sample = watch.sample()
        corners.add((sample.x, sample.y))
        s.expect(not trick_pose(sample), f"a trick pose in front of a full-screen program: {sample}")
        time.sleep(0.05)
    watch.save_track("full-screen")
    s.note(f"{len(watch.samples)} samples, {len(corners)} places")
    s.expect_equal(tricks_on(window, title), [], "changes of the full-screen window's title or minimised state")
    s.expect_equal(pet_boxes(s, exe), [], "message boxes of the pet")
    s.expect(len(corners) >= 50, f"the pet stood at only {len(corners)} places in a minute: it did not walk")
    last = watch.stands()[-1]
    s.expect(last.seen_at_least < 5, f"the pet has stood still since {last}")
    s.expect(all(e.get("foreground") for e in window.events()[-1:]), "the full-screen window lost the foreground")
    s.kill(pet)


def open_care_menu(s, pet) -> int:
    reply = s.driver.call("post", hwnd=pet.hwnd, msg=WM_TRAY_NOTIFY, lparam="WM_LBUTTONDOWN")
    s.expect(reply.ok, f"could not post to the pet: {reply!r}")
    reply = s.driver.call("find-window", exe=pet.exe.name, title=CARE_TITLE, visible=True, wait=15000)
    s.expect(reply.ok, "the care menu did not open from the notification icon")
    return reply.one["hwnd"]


def close_care_menu(s, menu) -> None:
    s.click(menu, IDOK, sync=True)
    s.expect(s.driver.call("wait-gone", hwnd=menu, wait=5000).ok, "the care menu did not close")


def money_in_a_menu(s, pet) -> int:
    """Opens the care menu from the notification icon, reads the money and closes it with OK,
    which starts the pet's timer again."""
    menu = open_care_menu(s, pet)
    money = int(s.driver.call("control", hwnd=menu, id=MONEY).one["text"])
    close_care_menu(s, menu)
    return money


def scenario_hung_windows_do_not_stop_the_pet(s):
    """Two windows whose thread stops handling messages: one under the pet, one in front of it
    (the foreground window, topmost). A stressed pet (MischiefGuard, so it keeps walking and
    retitling) keeps ticking: its notification icon opens the care menu, and the money grows
    between two menus."""
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
    money = money_in_a_menu(s, pet)
    s.note(f"money {money}")
    later = s.wait_until(lambda: money_in_a_menu(s, pet) > money, 30, "the money to grow while the hung windows stay",
                         step=0.5, must=False)
    s.expect(later, "the pet earned nothing: its ticks stopped")
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
    menu = open_care_menu(s, pet)
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
    menu = open_care_menu(s, pet)
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
