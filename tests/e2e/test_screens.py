"""The pet on desktops as users have them: a scaled display, two monitors, a maximised window.

At 144 DPI the pet is drawn at twice its size, every sprite pixel a sharp 2 x 2 block, its
window shaped exactly like that picture, and its shot marks land on its doubled grid around it.
On two monitors (Xephyr with Xinerama) a pet dropped on the second lives there. Beside a
maximised window a pet that sets out to seek it roams free instead of hiding off the screen.
The scaled and two-monitor desktops run in a Wine prefix of their own (screens_env.py).
"""
# lane: b

import contextlib
import os
import signal
import subprocess
from pathlib import Path

from constants import CURSOR_LEAD, FRAME_BITMAPS, FRONT, MISCHIEF_GUARD, NO_MISCHIEF_1, SHOW_OFF
from savefile import format_save, pet_record, record
from scenario import winpath
from screens_env import other_desktop
from traces import (expect_screen_agrees, expect_timer_messages, parse_facts, parse_point, parse_rect, shot_marks,
                    ticks_of, window_ref)
from watch import MarkPicture, PetWatch, judge_last_mark, watch_until

REPO = Path(__file__).resolve().parents[2]
SCALE_144 = 2  # the whole number nearest to 144 / 96, halves rounding up


def sprite(driver, exe, bitmap: int) -> tuple[dict[tuple[int, int], int], int, int]:
    """The bitmap's non-background pixels -> colour, and its width and height."""
    reply = driver.call("bitmap-pixels", exe=winpath(exe), bitmap=bitmap)
    assert reply.ok, f"cannot read bitmap {bitmap}: {reply!r}"
    one = reply.one
    pixels = {(x, y): int(one["rows"][y][x * 6:x * 6 + 6], 16)
              for y, row in enumerate(one["mask"]) for x, c in enumerate(row) if c == "#"}
    return pixels, one["width"], one["height"]


def scaled(pixels: dict, n: int, origin=(0, 0), crop=None) -> dict[tuple[int, int], int]:
    """The picture blown up n times, nearest neighbour, its corner at `origin`."""
    out = {}
    for (x, y), colour in pixels.items():
        if crop and not (x < crop[0] and y < crop[1]):
            continue
        for a in range(n):
            for b in range(n):
                out[(origin[0] + n * x + a, origin[1] + n * y + b)] = colour
    return out


def region_pixels(state: dict) -> set[tuple[int, int]]:
    return {(x, y) for left, top, right, bottom in state.get("list", []) for y in range(top, bottom)
            for x in range(left, right)}


def expect_dpi(s, t, dpi: int) -> None:
    shown = t.driver.call("monitors").objects[-1]
    s.expect(shown.get("dpi") == dpi, f"Wine does not show {dpi} DPI in the screens prefix: {shown}")


def caught_drawn(t, pet, pictures: dict[int, dict], n: int, tries: int = 20, keep: Path | None = None):
    """Stops the walking pet until it is caught drawn whole: its region is one frame's outline
    blown up n times, and inside it the screen shows that frame (or the other frame of its
    walking pair, which a repaint between ticks may draw) in n x n blocks. Returns the corner,
    the bitmap shown and the screen (also kept as a PNG at `keep`)."""
    for _ in range(tries):
        os.kill(pet.proc.pid, signal.SIGSTOP)
        try:
            state = t.sample(pet.hwnd)
            image = t.screen_pixels()
            if keep:
                t.screenshot(keep)
        finally:
            os.kill(pet.proc.pid, signal.SIGCONT)
        left, top = state["rect"][:2]
        region = region_pixels(state)
        for bitmap, picture in pictures.items():
            big = scaled(picture, n, (left, top))
            if set((x - left, y - top) for x, y in big) != region:
                continue
            for shown, other in pictures.items():
                drawn = scaled(other, n, (left, top))
                if set(drawn) == set(big) and all(image.pixel(x, y) == c for (x, y), c in drawn.items()
                                                  if 0 <= x < image.width and 0 <= y < image.height):
                    return (left, top), shown, image
        t.note(f"the pet at {state['rect']} was not caught drawn whole")
    t.fail(f"in {tries} stops the pet was never seen drawn whole at {n} x {n} pixels per sprite pixel")


def scenario_pet_is_sharp_at_144_dpi(s):
    """Region, picture and shot marks of a pet at 144 DPI: all twice the size, nearest neighbour."""
    with other_desktop(s, dpi=144) as t:
        expect_dpi(s, t, 144)
        exe = t.place_exe()
        # No FastMove: the first tick comes 400 ms after the start, time to see the first frame.
        t.write_save(exe, format_save(record(fullness=2000)))
        front, _, _ = sprite(t.driver, exe, FRONT)
        big = scaled(front, SCALE_144)
        pet = t.start_pet(exe, hold=True)
        region = region_pixels(t.sample(pet.hwnd))
        expected = set(big)
        s.expect(region == expected, f"the pet's region is not bitmap 129 scaled x2: {len(region - expected)} pixels "
                                     f"too many, {len(expected - region)} missing, e.g. "
                                     f"{sorted(region ^ expected)[:8]}")
        # Walking, it shows its frames in sharp 2 x 2 blocks of the bitmaps' own colours.
        t.release(pet)
        pictures = {b: sprite(t.driver, exe, b)[0] for b in FRAME_BITMAPS}
        corner, shown, image = caught_drawn(t, pet, pictures, SCALE_144)
        t.note(f"caught showing bitmap {shown} at {corner}")
        t.screenshot(s.artifacts / "pet_at_144_dpi.png")
        t.kill(pet)

        # Shot marks, drawn at twice the size where the trace says. The pet follows a still
        # pointer (CursorLead), so it stands within a step of one place; MischiefGuard leaves
        # single shots as its only trick.
        exe = t.place_exe("marks/pomki_pet.exe")
        t.write_save(exe, format_save(pet_record(CURSOR_LEAD, MISCHIEF_GUARD, stress=500, fullness=0)))
        picture = MarkPicture(t, exe, SCALE_144)
        t.pointer_to(512, 384)
        pet = t.start_pet(exe)
        judged = []

        def judge():
            if shot_marks(pet.trace.lines):
                compared = judge_last_mark(t, pet, picture, [])
                if compared and compared >= 80:
                    judged.append(compared)
            return len(judged) >= 2

        t.wait_until(judge, 90, "two shot marks to judge on the screen", step=0.5)
        t.screenshot(s.artifacts / "marks_at_144_dpi.png")
        t.kill(pet)


def scenario_pet_lives_on_the_second_monitor(s):
    """A pet dropped on the second of two monitors walks on from there: it is told both monitors'
    work areas, its first walk starts where it was dropped, and the screen shows every state the
    trace set."""
    with other_desktop(s, monitors=True) as t:
        monitors = [m for m in t.driver.call("monitors").objects if "work" in m]
        s.expect(len(monitors) == 2, f"Wine does not show two monitors on Xephyr: {monitors}")
        works = sorted((tuple(m["work"]) for m in monitors), key=lambda r: r[0])
        second = works[1]
        t.note(f"work areas {works}")
        exe = t.place_exe()
        t.write_save(exe, format_save(pet_record()))
        pet = t.start_pet(exe, hold=True)
        drop = ((second[0] + second[2]) // 2 - 30, (second[1] + second[3]) // 2 - 30)
        t.driver.call("place", hwnd=pet.hwnd, x=drop[0], y=drop[1])
        t.release(pet)
        watch = PetWatch(t, pet)
        watch_until(t, watch, 60, lambda: pet.trace.ticks() >= 200)
        told = {tuple(sorted(parse_rect(w) for w in a.split())) for a in pet.trace.answers("desk.WorkAreas")}
        s.expect_equal(told, {tuple(works)}, "the work areas the pet was told")
        first = pet.trace.answers("win.PetRect")[1]  # the first tick's; the one before is set-up's
        s.expect_equal(parse_rect(first)[:2], drop, "where the first tick found the dropped pet")
        expect_screen_agrees(t, pet.trace, watch.samples, moved_by_test=True)
        expect_timer_messages(t, pet.trace, 100)
        on_second = sum(1 for x in pet.trace.lines if x.name == "win.PlacePet" and
                        second[0] <= parse_point(x.args[1])[0] + 30 <= second[2])
        t.note(f"{len(watch.samples)} samples, {on_second} placings on the second monitor")
        t.kill(pet)


def scenario_pet_does_not_hide_behind_a_maximised_window(s):
    """A stressed pet whose foreground window is maximised sets out to seek it again and again
    (a wander roll of 1), is told the window's real rectangle and the real work area, and never
    hides: it roams free instead."""
    exe = s.place_exe()
    # NoMischief1 and a full belly: stress stays 300, so no titles, shots or minimising.
    s.write_save(exe, format_save(pet_record(NO_MISCHIEF_1, SHOW_OFF, stress=300, fullness=2000)))
    own = s.start_own_window("maximised", seconds=120, x=200, y=150, width=400, height=300)
    s.expect(s.driver.call("show-window", hwnd=own.hwnd, cmd=3).ok, "could not maximise the driver's window")
    screen = s.driver.call("screen").one
    maximised = s.wait_until(lambda: (lambda r: r[0] <= 0 and r[2] >= screen["width"] and r)(
        s.driver.call("window", hwnd=own.hwnd).one["rect"]), 10, "the driver's window to be maximised")
    s.driver.call("set-foreground", hwnd=own.hwnd)
    s.note(f"maximised window at {maximised}")
    pet = s.start_pet(exe)
    # A new dialog comes to the front; the user goes back to the maximised window.
    s.wait_until(lambda: s.driver.call("set-foreground", hwnd=own.hwnd).ok and s.sample(own.hwnd).get("foreground"),
                 10, "the maximised window to be the foreground window again")
    watch = PetWatch(s, pet)

    def seeks():
        return [t for t in ticks_of(pet.trace.lines) if t.foreground == own.hwnd and t.wander_roll == 1]

    watch_until(s, watch, 30, lambda: len(seeks()) >= 5)
    s.expect(len(seeks()) >= 5, f"only {len(seeks())} seek rolls with the maximised window in front")
    ref = window_ref(own.hwnd)
    rects = ({parse_rect(a) for a in pet.trace.answers(f"desk.WindowRect {ref}")}
             | {parse_facts(a)["rect"] for a in pet.trace.answers(f"desk.DescribeWindow {ref}")})
    s.expect_equal(rects, {tuple(maximised)}, "the maximised window's rectangle as the pet was told")
    s.expect(not [x for x in pet.trace.lines if x.name == "win.PlacePet" and x.args[0] == "Bottom"],
             "the pet hid behind the maximised window")
    expect_screen_agrees(s, pet.trace, watch.samples)
    s.expect(s.sample(own.hwnd).get("foreground"), "the maximised window is no longer the foreground window")
    s.kill(pet)


def scenario_readme_picture_at_96_and_192_dpi(s):
    """The pet at 96 and at 192 DPI side by side, as the README shows it (POMKI_UPDATE_DOCS=1
    also writes docs/pet_96_and_192_dpi.png)."""
    pictures_taken = []
    for dpi, scale in ((96, 1), (192, 2)):
        # 96 DPI is the run's own desktop; 192 needs the screens prefix.
        with (other_desktop(s, dpi=dpi) if dpi != 96 else contextlib.nullcontext(s)) as t:
            expect_dpi(s, t, dpi)
            exe = t.place_exe(f"dpi{dpi}/pomki_pet.exe")
            t.write_save(exe, format_save(record(fullness=2000)))
            pictures = {b: sprite(t.driver, exe, b)[0] for b in FRAME_BITMAPS}
            pet = t.start_pet(exe, hold=True)
            t.driver.call("place", hwnd=pet.hwnd, x=300, y=300)
            t.release(pet)
            path = s.folder / f"dpi{dpi}.png"
            corner, _, _ = caught_drawn(t, pet, pictures, scale, keep=path)
            pictures_taken.append((path, corner, 60 * scale))
            t.kill(pet)
    size = pictures_taken[-1][2] + 20
    parts = []
    for path, (x, y), side in pictures_taken:
        part = s.folder / f"{path.stem}-crop.png"
        # The empty X screen is black: the pictures stand on a desktop blue instead.
        subprocess.run(["convert", str(path), "-crop", f"{side}x{side}+{x}+{y}", "+repage", "-fill", "#3a6ea5",
                        "-opaque", "black", "-background", "#3a6ea5",
                        "-gravity", "south", "-extent", f"{size}x{size}", str(part)], check=True, timeout=60)
        parts.append(str(part))
    out = s.artifacts / "pet_96_and_192_dpi.png"
    out.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(["convert", *parts, "-background", "#3a6ea5", "-splice", "10x0", "+append", str(out)],
                   check=True, timeout=60)
    s.note(f"picture {out}")
    if os.environ.get("POMKI_UPDATE_DOCS") == "1":
        subprocess.run(["cp", str(out), str(REPO / "docs" / "pet_96_and_192_dpi.png")], check=True)
