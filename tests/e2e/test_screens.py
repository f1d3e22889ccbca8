"""The pet on desktops as users have them: a scaled display, two monitors, a maximised window.

At 144 DPI the pet is drawn at twice its size, every sprite pixel a sharp 2 x 2 block, its
window shaped exactly like that picture, and its shot marks land on its doubled grid around it.
On two monitors (Xephyr with Xinerama) a pet dropped on the second lives there. Beside a
maximised window a pet that sets out to seek it roams free instead of hiding off the screen.
The scaled and two-monitor desktops run in a Wine prefix of their own (screens_env.py).
"""

import contextlib
import os
import signal
import subprocess
import time
from pathlib import Path

from constants import (CURSOR_LEAD, FRAME_BITMAPS, FRONT, MISCHIEF_GUARD, NO_MISCHIEF_1, SHOT_IMAGE, SHOT_MARK, SHOT_SPREAD,
                       SHOW_OFF)
from savefile import format_save, pet_record, record
from scenario import Image, winpath
from screens_env import other_desktop
from walk import PetWatch

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


def mark_groups(image: Image, colours: set[int], baseline: Image, excluded, reach: int = 8) -> list[set]:
    """Shot-mark-coloured pixels where the desktop had other colours before, grouped into
    marks: a mark is a splash of speckles, so pixels up to `reach` apart belong together."""
    found = set()
    for colour in colours:
        needle = colour.to_bytes(3, "big")
        at = image.data.find(needle)
        while at >= 0:
            if at % 3 == 0 and baseline.data[at:at + 3] != needle:
                x, y = (at // 3) % image.width, (at // 3) // image.width
                if not any(b[0] <= x < b[2] and b[1] <= y < b[3] for b in excluded):
                    found.add((x, y))
            at = image.data.find(needle, at + 1)
    near = [(dx, dy) for dx in range(-reach, reach + 1) for dy in range(-reach, reach + 1)]
    groups = []
    while found:
        stack = [found.pop()]
        group = set(stack)
        while stack:
            x, y = stack.pop()
            for dx, dy in near:
                p = (x + dx, y + dy)
                if p in found:
                    found.remove(p)
                    group.add(p)
                    stack.append(p)
        groups.append(group)
    return groups


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

        # Shot marks. The pet follows a still pointer (CursorLead), so it stands within a step
        # of one place; MischiefGuard leaves single shots as its only trick.
        exe = t.place_exe("marks/pomki_pet.exe")
        t.write_save(exe, format_save(pet_record(CURSOR_LEAD, MISCHIEF_GUARD, stress=500, fullness=0)))
        mark, _, _ = sprite(t.driver, exe, SHOT_MARK)
        colours = set(mark.values())
        cursor = (512, 384)
        corner = (cursor[0] - 30 * SCALE_144, cursor[1] - 30 * SCALE_144)
        t.pointer_to(*cursor)
        baseline = t.screen_pixels()
        pet = t.start_pet(exe, hold=True)
        # Two pixels off the aim on each axis: a difference of exactly zero would keep the
        # pet's old heading, and it would walk straight off; this way it treads around the aim.
        t.driver.call("place", hwnd=pet.hwnd, x=corner[0] + 2, y=corner[1] + 2)
        t.release(pet)
        pet_box = (corner[0] - 16, corner[1] - 16, corner[0] + 60 * SCALE_144 + 16, corner[1] + 60 * SCALE_144 + 16)
        crop = SHOT_IMAGE
        first = min(((x, y) for x, y in mark if x < crop[0] and y < crop[1]), key=lambda p: (p[1], p[0]))
        whole, partial = [], 0

        def look():
            nonlocal whole, partial
            os.kill(pet.proc.pid, signal.SIGSTOP)
            try:
                image = t.screen_pixels()
            finally:
                os.kill(pet.proc.pid, signal.SIGCONT)
            whole, partial = [], 0
            for group in mark_groups(image, colours, baseline, [pet_box]):
                top_left = min(group, key=lambda p: (p[1], p[0]))
                origin = (top_left[0] - SCALE_144 * first[0], top_left[1] - SCALE_144 * first[1])
                drawn = {p: c for p, c in scaled(mark, SCALE_144, origin, crop).items()
                         if 0 <= p[0] < image.width and 0 <= p[1] < image.height}
                if set(drawn) == group and all(image.pixel(x, y) == c for (x, y), c in drawn.items()):
                    whole.append(origin)
                else:
                    partial += 1  # marks on top of each other, or cut by the pet
            return len(whole) >= 3

        t.wait_until(look, 90, "three whole shot marks on the screen", step=1.0)
        t.screenshot(s.artifacts / "marks_at_144_dpi.png")
        t.note(f"whole marks at {whole}; {partial} other groups")
        grid = SHOT_SPREAD * SCALE_144
        for origin in whole:
            off = [(origin[i] - corner[i] + grid // 2) % grid - grid // 2 for i in (0, 1)]
            far = [abs(origin[i] - corner[i]) for i in (0, 1)]
            s.expect(all(abs(d) <= 4 * SCALE_144 for d in off) and all(f <= 9 * grid + 8 * SCALE_144 for f in far),
                     f"a shot mark at {origin} is not on the pet's {grid}-pixel grid around {corner} "
                     f"(off by {off})")
        t.kill(pet)


def scenario_pet_lives_on_the_second_monitor(s):
    """A pet dropped on the second of two monitors walks there for a minute: its centre never
    leaves the monitors, and while on the second it keeps within that monitor's bounds."""
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
        started = time.monotonic()
        while time.monotonic() - started < 60:
            watch.sample()
            time.sleep(0.05)
        track = watch.save_track("second-monitor")
        moves = [(a, b) for a, b in zip(watch.samples, watch.samples[1:]) if (a.x, a.y) != (b.x, b.y)]
        s.expect(len(moves) >= 100, f"the pet hardly walked in a minute: {len(moves)} moves ({track})")

        def centre(p):
            return (p.x + 30, p.y + 30)

        def on(area, c):
            return area[0] <= c[0] <= area[2] and area[1] <= c[1] <= area[3]

        for p in watch.samples:
            c = centre(p)
            s.expect(any(on(w, c) for w in works), f"the pet's centre {c} left the monitors ({track})")
            if on(second, c):
                s.expect(second[0] - 30 <= p.x <= second[2] - 30 and second[1] - 30 <= p.y <= second[3] - 30,
                         f"the pet at ({p.x},{p.y}) is beyond the second monitor's bounds ({track})")
        # It walked there: no snap back to the primary screen after the drop.
        firsts = watch.samples[:20]
        s.expect(all(on(second, centre(p)) for p in firsts),
                 f"right after the drop the pet left the second monitor: {[(p.x, p.y) for p in firsts]}")
        on_second = sum(on(second, centre(p)) and not on(works[0], centre(p)) for p in watch.samples)
        t.note(f"{len(watch.samples)} samples, {len(moves)} moves, {on_second} on the second monitor alone")
        t.kill(pet)


def scenario_pet_does_not_hide_behind_a_maximised_window(s):
    """A stressed pet whose foreground window is maximised sets out to seek it again and again,
    but never walks off to its edge at about x = -4 to hide there, under every window with its
    timer stopped. With ShowOff it walks topmost, so every sample shows whether it hid."""
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
    # A seek starts on 1 tick in 20: 300 steps give about 15 starts; a pet that hid would stop.
    moves, last, last_move = 0, None, time.monotonic()
    while moves < 300:
        p = watch.sample()
        if last and (p.x, p.y) != (last.x, last.y):
            moves += 1
            last_move = p.t
        last = p
        s.expect(p.x >= -30, f"the pet went off the screen's left side to ({p.x},{p.y})")
        s.expect(p.topmost or not p.bottom,
                 f"the pet hid at the bottom of the z-order, behind the maximised window, at ({p.x},{p.y})")
        s.expect(p.t - last_move < 10, f"the pet stopped walking at ({p.x},{p.y})")
        if len(watch.samples) % 40 == 0:
            s.expect(s.sample(own.hwnd).get("foreground"), "the maximised window is no longer the foreground window")
    s.expect(s.sample(own.hwnd).get("foreground"), "the maximised window is no longer the foreground window")
    watch.save_track("beside-maximised")
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
