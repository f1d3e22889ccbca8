"""Watching the pet window and the screen from outside, as the user sees them.

`PetWatch` samples the pet window through a driver of its own: each sample is one state of the
window read whole by the driver (rectangle, which frame its shape is, topmost, visible, and,
with `other`, whether that window is above it), many samples per driver call. What the samples
must agree with is the trace (trace.expect_screen_agrees); this module only sees.

    watch = PetWatch(s, pet, other=own.hwnd)
    watch.track(0.4)                  # samples for 0.4 s, in one driver call
    watch_until(s, watch, 30, lambda: pet.trace.ticks() >= 60, boxes)
"""

from __future__ import annotations

import dataclasses
import os
import signal
import threading
import time
from pathlib import Path

from constants import FRAME_BITMAPS, PET_SIZE, SHOT_IMAGE, SHOT_MARK
from scenario import winpath
from traces import pet_rects_since, shot_marks

SAMPLE_PAUSE_MS = 5  # between two samples of the pet window, inside the driver
WATCH_CHUNK = 0.4    # seconds of watching in one driver call


@dataclasses.dataclass(frozen=True)
class Sample:
    t: float       # when the read of the window ended (driver's clock, s)
    rect: tuple    # left, top, right, bottom
    slots: frozenset | None  # the frame slots whose shape the window's shape is; None: it has no shape yet
    topmost: bool
    visible: bool
    other_above: bool = False  # the watch's `other` window is above it in the z-order

    @property
    def corner(self) -> tuple:
        return self.rect[:2]

    def matches_slot(self, slot: int | None) -> bool:
        if slot is None:
            return self.slots is None
        return self.slots is not None and slot in self.slots

    def __str__(self):
        shape = "no shape" if self.slots is None else f"slot {'/'.join(map(str, sorted(self.slots))) or 'none'}"
        return (f"{','.join(map(str, self.rect))} {shape}{' topmost' if self.topmost else ''}"
                f"{'' if self.visible else ' hidden'}")


class PetWatch:
    """Samples the pet window through a driver of its own (whose calls are not logged)."""

    def __init__(self, s, pet, other: int | None = None):
        self.s = s
        self.pet = pet
        self.other = other
        self.driver = s.other_driver()
        self.driver.log = lambda _: None
        self.samples: list[Sample] = []
        self.unsettled = 0  # reads the driver gave up on: the window changed at every round
        self.pictures = {}  # bitmap -> (its sprite's pixels, its rows of RRGGBB)
        for bitmap in FRAME_BITMAPS:
            reply = self.driver.call("bitmap-pixels", exe=winpath(pet.exe), bitmap=bitmap)
            s.expect(reply.ok, f"cannot read bitmap {bitmap} of the exe: {reply!r}")
            mask = reply.one["mask"]
            pixels = frozenset((x, y) for y, row in enumerate(mask) for x, c in enumerate(row) if c == "#")
            self.pictures[bitmap] = (pixels, reply.one["rows"])
        self._slots_of_shape = {}   # (scale, pixels) -> slots
        self._slots_of_rects = {}
        self._noted = None

    def _slots(self, rects: tuple, scale: int) -> frozenset:
        key = (scale, rects)
        if key not in self._slots_of_rects:
            if scale not in {k[0] for k in self._slots_of_shape}:
                for slot, bitmap in enumerate(FRAME_BITMAPS):
                    pixels = frozenset((x * scale + dx, y * scale + dy) for x, y in self.pictures[bitmap][0]
                                       for dx in range(scale) for dy in range(scale))
                    self._slots_of_shape.setdefault((scale, pixels), set()).add(slot)
            pixels = frozenset((x, y) for left, top, right, bottom in rects
                               for y in range(top, bottom) for x in range(left, right))
            self._slots_of_rects[key] = frozenset(self._slots_of_shape.get((scale, pixels), ()))
        return self._slots_of_rects[key]

    def track(self, seconds: float) -> list[Sample]:
        """Samples the pet window for this long in one driver call; returns the new samples (the
        first and the last of each run of equal ones)."""
        reply = self.driver.call("watch", hwnd=self.pet.hwnd, ms=max(0, int(seconds * 1000)), every=SAMPLE_PAUSE_MS,
                                 other=self.other, timeout=seconds + 30)
        end = next((o for o in reply.objects if "start" in o), None)
        if not reply.ok or end is None:
            self.s.fail(f"the pet window is gone (process {'running' if self.pet.running() else 'ended'})")
        self.unsettled += end.get("unsettled", 0)
        fresh = []
        for run in reply.objects:
            if "rect" not in run:
                continue
            rect = tuple(run["rect"])
            scale = max(1, (rect[2] - rect[0]) // PET_SIZE)
            slots = None if run["region"] == "ERROR" else self._slots(tuple(tuple(r) for r in run.get("list", [])), scale)
            for got in [run["first"]] + ([run["last"]] if run["count"] > 1 else []):
                fresh.append(Sample(got / 1e6, rect, slots, bool(run["topmost"]), bool(run["visible"]),
                                    bool(run.get("other_above"))))
        for sample in fresh:
            if str(sample) != self._noted:
                self._noted = str(sample)
                self.s.note(f"pet {sample}")
        self.samples = self.samples + fresh  # a new list: another thread may be reading the old one
        return fresh

    def sample(self) -> Sample:
        """One sample of the pet window now."""
        return self.track(0)[-1]

    def expect_picture(self, sample: Sample, bitmap: int) -> None:
        """On the screen, the pet standing still shows this very bitmap (frames of one outline
        differ only inside it). A pet standing mostly off the screen may hide every pixel that
        tells this bitmap from the others of its outline: then it cannot be told here, and that
        case is reported as skipped."""
        image = self.s.screen_pixels()
        pixels, rows = self.pictures[bitmap]
        twins = [other_rows for other, (other_pixels, other_rows) in self.pictures.items()
                 if other != bitmap and other_pixels == pixels]
        compared, telling, wrong = 0, 0, []
        for px, py in pixels:
            x, y = sample.rect[0] + px, sample.rect[1] + py
            if 0 <= x < image.width and 0 <= y < image.height:
                compared += 1
                colour = rows[py][px * 6:px * 6 + 6]
                telling += any(other[py][px * 6:px * 6 + 6] != colour for other in twins)
                if image.pixel(x, y) != int(colour, 16):
                    wrong.append((px, py))
        if wrong or not compared:
            shot = self.s.screenshot(self.s.folder / f"picture-{bitmap}.png")
            self.s.fail(f"the pet at {sample} does not show bitmap {bitmap}: {len(wrong)} of {compared} pixels "
                        f"differ, e.g. {sorted(wrong)[:5]} (screenshot {shot})")
        if twins and not telling:
            self.s.skip_case(f"bitmap {bitmap} on the screen",
                             f"the pet stands at {sample.corner}, and none of the pixels that tell bitmap {bitmap} "
                             f"from the other frames of its outline is on the screen")

    def save_track(self, name: str) -> Path:
        """Writes every sample to a file of the scenario's folder, for a failure to point at."""
        path = self.s.folder / f"{name}.track.txt"
        path.write_text("".join(f"{p.t:.3f} {p}\n" for p in self.samples), encoding="utf-8")
        return path


def watch_until(s, watch: PetWatch, seconds: float, done, boxes=None, every: float = 0.1):
    """Samples the pet until done() holds or the time is up; closes message boxes meanwhile.
    Returns what done() returned last. The driver watches the pet all along, on a thread of its
    own, a while per call; boxes are looked for and done() is asked every `every` seconds (a box
    being closed does not stop the watching)."""
    deadline = time.monotonic() + seconds
    stop = threading.Event()
    failure = []

    def keep_watching():
        try:
            while not stop.is_set():
                watch.track(WATCH_CHUNK)
        except BaseException as error:  # noqa: B036 (given to the scenario's thread below)
            failure.append(error)

    watcher = threading.Thread(target=keep_watching, daemon=True)
    watcher.start()
    try:
        while True:
            time.sleep(min(every, max(0.0, deadline - time.monotonic())))
            if failure:
                break
            if boxes:
                boxes.poll()
            result = done()
            if result or time.monotonic() >= deadline:
                break
    finally:
        stop.set()
        watcher.join()
    if failure:
        raise failure[0]
    return done()


# ---------------------------------------------------------------------------------------------
# Shot marks on the screen
# ---------------------------------------------------------------------------------------------

class MarkPicture:
    """The shot mark as the exe draws it: the pixels of its bitmap that are not the background,
    within the part of it that is drawn (the image list holds one pixel less each way)."""

    def __init__(self, s, exe, scale: int = 1):
        reply = s.driver.call("bitmap-pixels", exe=winpath(exe), bitmap=SHOT_MARK).one
        key = int(reply["key"], 16)
        self.pixels = {}
        for y, row in enumerate(reply["rows"][:SHOT_IMAGE[1]]):
            for x in range(min(SHOT_IMAGE[0], len(row) // 6)):
                colour = int(row[6 * x:6 * x + 6], 16)
                if colour != key:
                    for dy in range(scale):
                        for dx in range(scale):
                            self.pixels[(x * scale + dx, y * scale + dy)] = colour
        self.size = (SHOT_IMAGE[0] * scale, SHOT_IMAGE[1] * scale)


def inside(point, rects) -> bool:
    return any(r[0] <= point[0] < r[2] and r[1] <= point[1] < r[3] for r in rects)


def judge_last_mark(s, pet, picture: MarkPicture, other_windows: list[tuple]) -> int | None:
    """Holds the pet, reads the screen, and compares the last shot mark the trace surely drew
    with the screen wherever it can show: on the screen, outside every window (Wine clips drawing
    on the screen to where no window is), outside every place the pet stood since (the desktop was
    repainted there), outside marks the trace may have drawn after it. Returns how many pixels
    were compared (None when there is no mark yet); fails at the first pixel that differs."""
    os.kill(pet.proc.pid, signal.SIGSTOP)
    try:
        lines = pet.trace.lines
        image = s.screen_pixels()
        boxes = [tuple(w["rect"]) for w in s.windows(visible=True) if w.get("hwnd") != pet.hwnd]
    finally:
        os.kill(pet.proc.pid, signal.SIGCONT)
    marks = shot_marks(lines)
    drawn = [m for m in marks if m[2]]
    if not drawn:
        return None
    line, (x0, y0), _ = drawn[-1]
    w, h = picture.size
    later = [(x, y, x + w, y + h) for (mark, (x, y), _) in marks if mark.number > line.number]
    covered = [*other_windows, *boxes, *pet_rects_since(s, lines, line.number), *later]
    compared, wrong = 0, []
    for (dx, dy), colour in picture.pixels.items():
        x, y = x0 + dx, y0 + dy
        if 0 <= x < image.width and 0 <= y < image.height and not inside((x, y), covered):
            compared += 1
            if image.pixel(x, y) != colour:
                wrong.append((x, y))
    if wrong:
        shot = s.save_picture(image, s.folder / f"mark-line{line.number}.png")
        s.fail(f"the shot mark the trace drew at ({x0},{y0}) (line {line.number}) is not on the screen: "
               f"{len(wrong)} of {compared} pixels differ, e.g. {wrong[:5]} (screenshot {shot})")
    s.note(f"shot mark of trace line {line.number} at ({x0},{y0}): {compared} pixels on the screen as drawn")
    return compared
