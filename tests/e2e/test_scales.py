"""The pet where monitors differ: a change of DPI sent as Windows sends it (Wine never does), the
screen-saver sweep over two monitors, the clock at 192 DPI, and a maximised window on a monitor
without a taskbar that is not taken for a full-screen program.

Wine gives every monitor the DPI of its prefix (LogPixels), so a change of DPI comes from the
driver: WM_GETDPISCALEDSIZE, then WM_DPICHANGED with its suggested rectangle in the pet's own
memory (Wine does not copy it across processes). The two monitors are Xephyr's (screens_env.py).
"""
# lane: a

import os
import subprocess
from pathlib import Path

from constants import ABILITY_BOXES, CLOCK, CLOCK_PICTURE, CLOCK_TEXT, FRONT, ICON, MISCHIEF_GUARD, \
    SCREEN_SAVER, TRAY_TIP
from savefile import format_save, record, stressed_record
from scenario import winpath
from screens_env import other_desktop
from test_polite import acts_on, chances_on, start_polite_window
from test_screens import scaled, sprite
from traces import parse_facts, parse_rect, ticks_of, window_ref

REPO = Path(__file__).resolve().parents[2]


def scale_of(dpi: int) -> int:
    """The whole number nearest to dpi / 96, halves rounding up, never below 1."""
    return max(1, (dpi + 48) // 96)


def monitors_of(t) -> list[tuple[int, int, int, int]]:
    """The monitors' rectangles, as Windows programs see them, left to right."""
    found = [tuple(m["rect"]) for m in t.driver.call("monitors").objects if "rect" in m and "work" in m]
    return sorted(found)


def overlap(a, b) -> int:
    w = min(a[2], b[2]) - max(a[0], b[0])
    h = min(a[3], b[3]) - max(a[1], b[1])
    return w * h if w > 0 and h > 0 else 0


def last_event(trace, name: str):
    """The lines of the last event of this name: its line and everything up to the next event."""
    lines = trace.lines
    starts = [i for i, x in enumerate(lines) if x.kind == "event" and x.name == name]
    if not starts:
        return []
    out = [lines[starts[-1]]]
    for x in lines[starts[-1] + 1:]:
        if x.kind == "event":
            break
        out.append(x)
    return out


def scenario_a_change_of_dpi_places_the_pet_where_the_core_says(s):
    """The driver changes the DPI of the pet's monitor as Windows would, three times, with the pet
    standing (its care menu open): asked for its size first, the pet answers 60 x the new scale;
    then the window stands exactly where the trace's answer put it, given the real monitors and
    where it stood: centred where it was, or moved onto the monitor where centring would leave
    it hanging mostly off it, so that no change back would follow."""
    with other_desktop(s, monitors=True) as t:
        monitors = monitors_of(t)
        s.expect(len(monitors) == 2, f"Wine does not show two monitors on Xephyr: {monitors}")
        exe = t.place_exe()
        t.write_save(exe, format_save(record(fullness=2000)))
        pet = t.start_pet(exe)
        t.open_care_menu(pet)
        second = monitors[1]
        cases = [
            ("the middle of the first monitor, to 192 DPI", (400, 300), 192),
            ("the same DPI again", None, 192),
            ("back to 96 DPI", None, 96),
            ("the bottom-right corner of the second monitor, to 144 DPI", (second[2] - 40, second[3] - 40), 144),
        ]
        for label, corner, dpi in cases:
            t.note(f"--- {label}")
            if corner:
                t.driver.call("place", hwnd=pet.hwnd, x=corner[0], y=corner[1])
                t.wait_until(lambda: t.driver.call("window", hwnd=pet.hwnd).one["rect"][:2] == list(corner), 5,
                             f"the pet moved to {corner}")
            before = tuple(t.driver.call("window", hwnd=pet.hwnd).one["rect"])
            reply = t.driver.call("dpi-change", hwnd=pet.hwnd, dpi=dpi)
            s.expect(reply.ok, f"{label}: the change of DPI was not sent: {reply!r}")
            change = reply.one
            t.note(f"{label}: {change}")
            side = 60 * scale_of(dpi)
            s.expect(change["answered"] and change["size"] == [side, side],
                     f"{label}: asked for its size at {dpi} DPI, the pet answered {change}")
            event = last_event(pet.trace, "pet.DpiChanged")
            s.expect(event and event[0].args == [str(dpi), ",".join(map(str, change["suggested"]))],
                     f"{label}: the trace does not show the change sent: {[str(x) for x in event[:1]]}")
            told = [x for x in event if x.name == "desk.Monitors"]
            s.expect(told, f"{label}: the pet was not told the monitors")
            told_monitors = sorted(tuple(map(int, w.split(","))) for w in told[0].answer.split() if "," in w)
            s.expect_equal(told_monitors, monitors, f"{label}: the monitors the pet was told")
            s.expect(all(w == "dpi=96" for w in told[0].answer.split() if w.startswith("dpi=")),
                     f"{label}: the monitors' DPI as told: {told[0].answer}")
            was = [parse_rect(x.answer) for x in event if x.name == "win.PetRect"]
            s.expect_equal(was, [before], f"{label}: where the pet was told it stood")
            answer = [parse_rect(x.args[0]) for x in event if x.name == "win.SetRect"]
            s.expect(len(answer) == 1, f"{label}: the core's answers: {answer}")
            after = tuple(change["rect"])
            s.expect_equal(after, answer[0], f"{label}: the window's rectangle after the change (the core's answer)")
            s.expect(after[2] - after[0] == side and after[3] - after[1] == side, f"{label}: the pet's size {after}")
            # The monitor that held most of it before holds more than half of it now.
            held = max(monitors, key=lambda m: overlap(m, before))
            s.expect(2 * overlap(held, after) > side * side, f"{label}: {after} is not mostly on {held}")
            centred = ((before[0] + before[2]) // 2 - side // 2, (before[1] + before[3]) // 2 - side // 2)
            if 2 * overlap(held, (*centred, centred[0] + side, centred[1] + side)) > side * side:
                s.expect_equal(after[:2], centred, f"{label}: the corner of the pet centred where it was")
            else:
                t.note(f"{label}: centred at {centred} it would hang off {held}; it stands at {after}")
        t.kill(pet)


def sweep_grid(monitor, dpi: int) -> list[tuple[int, int]]:
    """The corners the sweep stands at on one monitor: rows and columns 50 x the scale apart
    from its corner, up to the last one a step allows."""
    step = 50 * scale_of(dpi)
    left, top, right, bottom = monitor
    xs = range(left, max(left, right - step) + 1, step)
    ys = range(top, max(top, bottom - step) + 1, step)
    return [(x, y) for y in ys for x in xs]


def scenario_the_sweep_covers_each_monitor_in_turn_and_nothing_between(s):
    """Two monitors at 144 DPI, the second shorter than the first. The screen-saver sweep, followed
    as it jumps, stands only at the corners of each monitor's own rows and columns (100 pixels
    apart, the window 120 pixels: the monitors' scale), never in the area below the second
    monitor or on a grid of the rectangle around both; it sweeps one monitor after the other,
    and over a few sweeps it is seen at every corner of both."""
    with other_desktop(s, dpi=144, monitors=True) as t:
        monitors = monitors_of(t)
        s.expect(len(monitors) == 2, f"Wine does not show two monitors on Xephyr: {monitors}")
        side = 60 * scale_of(144)
        grids = [sweep_grid(m, 144) for m in monitors]
        where = {corner: k for k, grid in enumerate(grids) for corner in grid}
        # The whole sweep in order: the first monitor row by row, then the second.
        index = {corner: i for i, corner in enumerate(grids[0] + grids[1])}
        exe = t.place_exe()
        t.write_save(exe, format_save(record(level=40, fullness=900, unlocked=range(9))))
        # The pointer where Wine knows it is: the first X event otherwise tells Wine where it
        # has been all along, and the cursor seems to move, which ends the sweep.
        pointer = (512, 384)
        t.pointer_to(*pointer)
        pet = t.start_pet(exe)
        menu = t.open_care_menu(pet)
        for attempt in range(1, 4):
            t.click(menu, ABILITY_BOXES[SCREEN_SAVER])
            sweep = t.wait_until(lambda: [w for w in t.windows(exe=exe.name, visible=True)
                                          if w["topmost"] and w["client"] == [side, side] and w["hwnd"] != pet.hwnd],
                                 10, "the sweep")[0]
            seen: set[tuple[int, int]] = set()
            stays: list[tuple[int, int]] = []  # the corners it stood at, in order
            strays = []
            for _ in range(20):
                track = t.driver.call("track-rect", hwnd=sweep["hwnd"], ms=3000).one
                for r in track["rects"]:
                    corner = (r[0], r[1])
                    if corner not in where or (r[2] - r[0], r[3] - r[1]) != (side, side):
                        strays.append(r)
                        continue
                    seen.add(corner)
                    if not stays or stays[-1] != corner:
                        stays.append(corner)
                t.note(f"{track['samples']} reads, {len(track['rects'])} places, {len(seen)} corners seen")
                if strays or track["gone"] or all(set(g) <= seen for g in grids):
                    break
            read = cursor_at_sweep_start(pet.trace)
            if not (track["gone"] and read != f"{pointer[0]},{pointer[1]}" and attempt < 3):
                break
            # Wine may answer the sweep's first read of the cursor with a place the pointer never
            # stood at (seen once: 0,0 with the pointer still at 512,384); its next read then
            # ends the sweep as a move. The box unchecked by that end is clicked again.
            t.note(f"the sweep began with the cursor read at {read}, the pointer standing at {pointer}: again")
            t.wait_until(lambda: not t.driver.call("control", hwnd=menu, id=ABILITY_BOXES[SCREEN_SAVER]).one["checked"],
                         5, "the screen saver's box unchecked as its sweep ended")
        s.expect_equal(strays[:10], [], "places of the sweep off its monitors' rows and columns (at most 10)")
        for k, grid in enumerate(grids):
            missing = sorted(set(grid) - seen)
            s.expect(not missing, f"the sweep was never seen at {len(missing)} corners of monitor {monitors[k]}: "
                                  f"{missing[:8]}")
        # Each next place lies further along the sweep (places between may pass unseen), or
        # the sweep went from the second monitor back to the first.
        backwards = [(a, b) for a, b in zip(stays, stays[1:])
                     if index[b] <= index[a] and not (where[a] == 1 and where[b] == 0)]
        s.expect_equal(backwards[:5], [], "steps of the sweep out of its order (at most 5)")
        crossings = [(where[a], where[b]) for a, b in zip(stays, stays[1:]) if where[a] != where[b]]
        s.expect(crossings.count((0, 1)) >= 1 and crossings.count((1, 0)) >= 1,
                 f"the sweep did not go from one monitor to the other and back: {crossings[:10]}")
        t.kill(pet)


def cursor_at_sweep_start(trace) -> str | None:
    """Where the pet read the cursor as it last began a sweep (the place whose change ends it)."""
    calls = [x for x in trace.lines if x.kind != "event"]
    for read, then in reversed(list(zip(calls, calls[1:]))):
        if read.call == "care.CursorPos" and then.call == "care.StartCursorWatch":
            return read.answer
    return None


SHOT_ROLLS = {5, 8}  # a stressed pet's mischief rolls that shoot at the screen
TRICKS = ("desk.Retitle", "desk.Minimise", "desk.DrawShotMark", "desk.ShowMessageBox")


def tricks_in_front_of(trace, hwnd: int) -> list:
    """The tricks played in ticks that found this window in front: titles, minimising, shots, boxes."""
    found, in_front = [], False
    for line in trace.lines:
        if line.kind == "event":
            in_front = False
        elif line.call == "desk.ForegroundWindow" and line.answer is not None:
            in_front = int(line.answer, 16) == hwnd
        elif in_front and line.name in TRICKS:
            found.append(line)
    return found


def shot_chances(trace, hwnd: int) -> int:
    return sum(1 for t in ticks_of(trace.lines) if t.foreground == hwnd and t.mischief_roll in SHOT_ROLLS)


def scenario_a_maximised_window_on_a_monitor_without_a_taskbar_keeps_its_tricks(s):
    """Two monitors at 144 DPI, no taskbar on either (no Wine desktop). A stressed pet
    (MischiefGuard: no boxes, volleys or minimising, so it keeps walking) and, on the second
    monitor, a captioned window maximised over all of it: the pet is told it has a frame and
    plays its tricks as on any window: titles and walks to it, shots at the screen. Then a
    borderless window covering that monitor, as a game or a film would: it is told it has no
    frame, and through ticks in which a title, a walk and a shot each had their roll, none
    happens."""
    with other_desktop(s, dpi=144, monitors=True) as t:
        shown = [m for m in t.driver.call("monitors").objects if "work" in m]
        s.expect(len(shown) == 2, f"Wine does not show two monitors on Xephyr: {shown}")
        second = tuple(sorted(tuple(m["rect"]) for m in shown)[1])
        s.expect(all(m["work"] == m["rect"] for m in shown), f"a monitor has a taskbar: {shown}")
        exe = t.place_exe()
        t.write_save(exe, format_save(stressed_record(MISCHIEF_GUARD)))
        pet = t.start_pet(exe)

        title = "e2e maximised"
        window = start_polite_window(t, 240, classes="E2EMaximised", title=title, x=second[0] + 100, y=100,
                                     width=400, height=300, keep_foreground=True)
        s.expect(t.driver.call("show-window", hwnd=window.hwnd, cmd=3).ok, "could not maximise the window")
        maximised = t.wait_until(lambda: (lambda r: r[0] <= second[0] and r[1] <= second[1] and r[2] >= second[2]
                                          and r[3] >= second[3] and tuple(r))(window.now()["rect"]), 10,
                                 "the window maximised over the second monitor")
        t.note(f"maximised at {maximised}")
        t.wait_until(lambda: window.now().get("foreground"), 10, "the maximised window in front")
        ref = window_ref(window.hwnd)
        t.wait_until(lambda: [x for x in acts_on(pet.trace, window.hwnd) if x.name == "desk.Retitle"]
                     and [x for x in tricks_in_front_of(pet.trace, window.hwnd) if x.name == "desk.DrawShotMark"],
                     120, "a title for the maximised window and a shot while it is in front", step=0.5)
        described = [parse_facts(x.answer) for x in pet.trace.lines if x.call == f"desk.DescribeWindow {ref}"]
        maximised_facts = [f for f in described if f["rect"] == maximised]
        s.expect(maximised_facts and all(f["framed"] and f["monitor"] == second for f in maximised_facts),
                 f"the pet was told other facts of the maximised window: {described[:3]}")
        window.close()

        title = "e2e covering"
        cover = start_polite_window(t, 240, classes="E2ECovering", title=title, popup=True, x=second[0], y=second[1],
                                    width=second[2] - second[0], height=second[3] - second[1], keep_foreground=True)
        t.wait_until(lambda: cover.events()[-1].get("foreground"), 10, "the covering window in front")
        begun = pet.trace.ticks()
        t.wait_until(lambda: chances_on(pet.trace, cover.hwnd) >= 3 and shot_chances(pet.trace, cover.hwnd) >= 3
                     or pet.trace.ticks() - begun >= 3000, 240, "the covering window's chances of a trick", step=0.5)
        s.expect(chances_on(pet.trace, cover.hwnd) >= 3 and shot_chances(pet.trace, cover.hwnd) >= 3,
                 f"the covering window had too few chances of a trick in {pet.trace.ticks() - begun} ticks")
        ref = window_ref(cover.hwnd)
        described = [parse_facts(x.answer) for x in pet.trace.lines if x.call == f"desk.DescribeWindow {ref}"]
        s.expect(described and all(not f["framed"] and f["rect"] == second and f["monitor"] == second
                                   for f in described),
                 f"the pet was told other facts of the covering window: {described[:3]}")
        s.expect_equal([str(x) for x in acts_on(pet.trace, cover.hwnd)], [], "the pet's acts on the covering window")
        s.expect_equal([str(x) for x in tricks_in_front_of(pet.trace, cover.hwnd)], [],
                       "tricks while the covering window is in front")
        s.expect(pet.running(), "the pet ended")
        t.kill(pet)


def scenario_clock_at_192_dpi_shows_the_hamster_at_its_scale(s):
    """At 192 DPI the clock's text is twice its size, and so is its hamster: the front picture
    blown up twice, every pixel a sharp 2 x 2 block, 120 pixels square. A screenshot of the clock
    is the README's picture (POMKI_UPDATE_DOCS=1 also writes docs/clock_192_dpi.png)."""
    dpi, n = 192, scale_of(192)
    with other_desktop(s, dpi=dpi) as t:
        exe = t.place_exe()
        t.write_save(exe, format_save(record(level=30, fullness=900, unlocked=range(8))))
        front, width, height = sprite(t.driver, exe, FRONT)
        pet = t.start_pet(exe)
        menu = t.open_care_menu(pet)
        t.click(menu, ABILITY_BOXES[CLOCK])
        clock = t.wait_until(lambda: [w for w in t.windows(exe=exe.name, visible=True)
                                      if w["hwnd"] not in (pet.hwnd, menu) and not w["title"]
                                      and t.driver.call("control", hwnd=w["hwnd"], id=CLOCK_TEXT).ok], 10,
                             "the clock")[0]
        # The clock and the menu side by side, the pet (standing: its menu is open) apart.
        t.driver.call("place", hwnd=menu, x=560, y=0)
        t.driver.call("place", hwnd=clock["hwnd"], x=40, y=300)
        t.wait_until(lambda: t.driver.call("window", hwnd=clock["hwnd"]).one["rect"][:2] == [40, 300], 5,
                     "the clock moved aside")
        children = {c["id"]: c for c in t.driver.call("children", hwnd=clock["hwnd"]).objects if "id" in c}
        s.expect(CLOCK_PICTURE in children and CLOCK_TEXT in children, f"the clock's controls: {children}")
        picture = children[CLOCK_PICTURE]["rect"]
        s.expect_equal([picture[2] - picture[0], picture[3] - picture[1]], [width * n, height * n],
                       "the size of the clock's picture")
        window = t.driver.call("window", hwnd=clock["hwnd"]).one
        left, top, right, bottom = window["rect"]
        # Its client area lies inside an even frame (no caption).
        edge_x = (right - left - window["client"][0]) // 2
        edge_y = (bottom - top - window["client"][1]) // 2
        big = scaled(front, n, (picture[0], picture[1]))
        # Only what the clock's client area shows of its picture is judged.
        shown = {xy: c for xy, c in big.items()
                 if left + edge_x <= xy[0] < right - edge_x and top + edge_y <= xy[1] < bottom - edge_y}
        s.expect(len(shown) > len(big) // 2, f"the clock shows little of its picture: {window['rect']} {picture}")

        def drawn():
            image = t.screen_pixels()
            wrong = [(x, y) for (x, y), c in shown.items() if image.pixel(x, y) != c]
            return (image, wrong) if not wrong else None

        found = t.wait_until(drawn, 10, "the clock's hamster drawn at twice its size", must=False)
        if not found:
            image = t.screen_pixels()
            wrong = [(x, y, f"{image.pixel(x, y):06x}", f"{c:06x}") for (x, y), c in shown.items()
                     if image.pixel(x, y) != c]
            t.save_picture(image, s.artifacts / "clock_at_192_dpi_wrong.png")
            s.fail(f"{len(wrong)} of the clock's {len(shown)} hamster pixels are not the front picture blown up "
                   f"{n} times (x, y, screen, bitmap): {wrong[:10]}")
        image, _ = found
        shot = s.folder / "screen.png"
        t.save_picture(image, shot)
        out = s.artifacts / "clock_192_dpi.png"
        out.parent.mkdir(parents=True, exist_ok=True)
        margin = 16
        # The empty X screen is black: the picture stands on a desktop blue instead.
        subprocess.run(["convert", str(shot), "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                        "-fill", "#3a6ea5", "-opaque", "black", "-bordercolor", "#3a6ea5", "-border", str(margin),
                        str(out)], check=True, timeout=60)
        s.note(f"picture {out}")
        if os.environ.get("POMKI_UPDATE_DOCS") == "1":
            subprocess.run(["cp", str(out), str(REPO / "docs" / "clock_192_dpi.png")], check=True)
        t.kill(pet)


def scenario_the_notification_icon_at_144_dpi_is_its_own_picture_of_the_shell_s_size(s):
    """At 144 DPI the notification area's icons are 24 pixels: the pet's icon there is the icon
    resource's own 24-pixel image, drawn one to one (not a 16-pixel one blown up by the shell)."""
    with other_desktop(s, dpi=144) as t:
        side = t.driver.call("monitors").objects[-1]["small_icon"]
        s.expect(side == 24, f"Wine's small icons at 144 DPI are {side} pixels, not 24")
        desktop = t.start_desktop("pomki")
        exe = t.place_exe()
        pet = t.start_pet_on_desktop(exe, desktop)

        def slot():
            tray = desktop.call("tray-icons").one
            icons = [i for i in tray.get("icons", []) if i.get("shown") and i.get("tip") == TRAY_TIP]
            if len(icons) != 1:
                return None
            r, left, top = icons[0]["rect"], tray["tray_rect"][0], tray["tray_rect"][1]
            return (left + r[0], top + r[1], left + r[2], top + r[3])

        box = t.wait_until(slot, 10, "the pet's icon in the notification area")
        s.expect(box[2] - box[0] >= side and box[3] - box[1] >= side, f"the icon's place {box} is smaller than {side}")

        def drawn():
            image = t.screen_pixels()
            background = image.pixel(box[0], box[1])
            reply = t.driver.call("icon-pixels", exe=winpath(exe), id=ICON, size=side, background=f"{background:06x}")
            rows = [[int(row[k:k + 6], 16) for k in range(0, len(row), 6)] for row in reply.one["rows"]]
            for dy in range(box[3] - box[1] - side + 1):
                for dx in range(box[2] - box[0] - side + 1):
                    if all(image.pixel(box[0] + dx + x, box[1] + dy + y) == rows[y][x]
                           for y in range(side) for x in range(side)):
                        return (dx, dy)
            t.save_picture(image, s.folder / "tray.png")
            return None

        at = t.wait_until(drawn, 10, f"the icon's own {side}-pixel picture in the notification area", must=False)
        s.expect(at, f"the notification area at {box} does not show the icon's {side}-pixel picture one to one "
                     f"(see {s.folder / 'tray.png'})")
        t.note(f"the icon drawn at {at} in its place {box}")
        s.expect(desktop.call("quit", hwnd=pet.hwnd).ok, "could not post the quit request")
        s.expect(desktop.call("wait-gone", hwnd=pet.hwnd, wait=10000).ok, "the pet window did not close after quit")
