"""Watching the pet window and judging its walk.

`PetWatch` samples the pet window, each sample read whole by the driver (corner, size, shape,
topmost and place in the z-order together), many samples in one driver call that watches the
window for a while, timed on the driver's clock; and groups samples into `Stand`s: samples in a row
with the pet at one corner in one shape. `expect_walk` judges a track of stands: each move a
whole number of steps of the pet's headings, as many as the time allows, within the bounds; the
walking frame shown after a step; each tick showing the other frame of its walking pair; a
shooting pose struck where the pet stands, topmost. `hiding_place`, `minimising_poses` and
`halted` find the other acts in a track.

A tick of the program gives the window its new shape and repaints it first, and only then
places it (moved, and topmost or not): a sample may catch a tick between the two. Such a
sample is a true state of the window, and the checks here take it as one.
"""

from __future__ import annotations

import collections
import contextlib
import dataclasses
import math
import os
import signal
import threading
import time
from pathlib import Path

from constants import (AUTO_GUN, BACK, BACK_STEP, FRAME_BITMAPS, FRONT, FRONT_STEP, GUN, LEFT, LEFT_STEP, PET_SIZE,
                       RIGHT, RIGHT_STEP, TEARFUL, TICK)
from scenario import winpath

WALKING_PAIRS = ((FRONT, FRONT_STEP), (LEFT, LEFT_STEP), (RIGHT, RIGHT_STEP), (BACK, BACK_STEP))
PHASE = {bitmap: phase for pair in WALKING_PAIRS for phase, bitmap in enumerate(pair)}

# One step along each of the eight headings (screen y grows downward), and the walking pair
# shown while taking it.
STEP_PAIRS = {
    (4, 0): (RIGHT, RIGHT_STEP), (2, 2): (RIGHT, RIGHT_STEP),
    (0, 4): (FRONT, FRONT_STEP), (-2, 2): (FRONT, FRONT_STEP),
    (-4, 0): (LEFT, LEFT_STEP), (-2, -2): (LEFT, LEFT_STEP),
    (0, -4): (BACK, BACK_STEP), (2, -2): (BACK, BACK_STEP),
}
ALL_STEPS = tuple(STEP_PAIRS)
DIAGONAL_STEPS = ((2, 2), (-2, 2), (-2, -2), (2, -2))

HALF_PET = PET_SIZE // 2
HIDE_SHIFT = 30  # a pet that reached a window's edge stands this much further left
ARRIVAL_REACH = 5  # it has reached the edge once the edge lies less than this left of it
SEEK_STEP = 4  # a step toward the edge

SAMPLE_PAUSE_MS = 5  # between two samples of the pet window, inside the driver
WATCH_CHUNK = 0.4  # seconds of watching in one driver call, between two looks at the track
STILL_SECONDS = 4.0  # how long a pet whose timer stopped is watched for any change

# ---------------------------------------------------------------------------------------------
# Watching the pet window
# ---------------------------------------------------------------------------------------------

@dataclasses.dataclass(frozen=True)
class Sample:
    t: float  # when the read of the window ended (driver's clock, s); it began at `sent`
    x: int
    y: int
    width: int
    height: int
    frames: frozenset  # the frame bitmaps whose shape the window's shape equals; empty for none
    topmost: bool
    bottom: bool  # no visible top-level window below it
    sent: float = 0.0  # when the read of the window began


def frames_text(frames: frozenset) -> str:
    return "/".join(str(b) for b in sorted(frames)) or "none"


@dataclasses.dataclass
class Stand:
    """Samples in a row with the pet at one corner in one shape."""

    x: int
    y: int
    frames: frozenset
    topmost: bool  # in the last of its samples
    size: tuple  # (width, height) in the last of its samples
    first: float  # end of the read of its first sample
    last: float  # end of the read of its last sample
    count: int
    first_sent: float = 0.0  # start of the read of its first sample
    last_sent: float = 0.0  # start of the read of its last sample
    held: float = 0.0  # how long the scenario held the pet's process stopped while it stood

    @property
    def seen_at_least(self) -> float:
        """How long it surely stood: from the end of the read of its first sample to the start of
        the read of its last."""
        return self.last_sent - self.first

    @property
    def seen_at_most(self) -> float:
        """How long it may have stood between its first and last samples."""
        return self.last - self.first_sent

    @property
    def corner(self) -> tuple:
        return (self.x, self.y)

    @property
    def centre(self) -> tuple:
        return (self.x + HALF_PET, self.y + HALF_PET)

    def shows(self, *bitmaps: int) -> bool:
        """Whether the shape is that of one of these bitmaps."""
        return bool(self.frames & set(bitmaps))

    def __str__(self):
        return f"({self.x},{self.y}) {frames_text(self.frames)}{' topmost' if self.topmost else ''} x{self.count}"


def settle(samples: list) -> list:
    """The stands of a run of samples.

    A tick first gives the window its new shape and repaints it, and only then moves it: a
    sample may see the new shape at the old corner. Such a stand is a true state of the window
    and is kept; the checks of a walk take a tick as a change of shape and a change of corner."""
    stands = []
    for sample in samples:
        last = stands[-1] if stands else None
        if last and (last.corner, last.frames) == ((sample.x, sample.y), sample.frames):
            last.last, last.last_sent, last.count = sample.t, sample.sent, last.count + 1
            last.topmost, last.size = sample.topmost, (sample.width, sample.height)
        else:
            stands.append(Stand(sample.x, sample.y, sample.frames, sample.topmost, (sample.width, sample.height),
                                sample.t, sample.t, 1, sample.sent, sample.sent))
    return stands


class PetWatch:
    """Samples the pet window through a driver of its own (whose calls are not logged)."""

    def __init__(self, s, pet):
        self.s = s
        self.pet = pet
        self.driver = s.other_driver()
        self.driver.log = lambda _: None
        self.samples = []
        self.pictures = {}  # bitmap -> (its sprite's pixels, its rows of RRGGBB)
        shapes = collections.defaultdict(set)
        for bitmap in FRAME_BITMAPS:
            reply = self.driver.call("bitmap-pixels", exe=winpath(pet.exe), bitmap=bitmap)
            s.expect(reply.ok, f"cannot read bitmap {bitmap} of the exe: {reply!r}")
            mask = reply.one["mask"]
            pixels = frozenset((x, y) for y, row in enumerate(mask) for x, c in enumerate(row) if c == "#")
            self.pictures[bitmap] = (pixels, reply.one["rows"])
            shapes[pixels].add(bitmap)
        # Some frames differ only inside the same outline: a shape may stand for several bitmaps.
        self._frames_of_shape = {pixels: frozenset(bitmaps) for pixels, bitmaps in shapes.items()}
        self._frames_of_rects = {}
        self._noted = None
        self._offset = (float("-inf"), float("inf"))  # bounds of time.monotonic() less the driver's clock
        self.stops = []  # (from, to) on the samples' clock: while the scenario held the process stopped
        self.sample()  # and so the two clocks are lined up from the start

    def _frames(self, rects: tuple) -> frozenset:
        if rects not in self._frames_of_rects:
            pixels = frozenset((x, y) for left, top, right, bottom in rects
                               for y in range(top, bottom) for x in range(left, right))
            self._frames_of_rects[rects] = self._frames_of_shape.get(pixels, frozenset())
        return self._frames_of_rects[rects]

    def clock(self, t: float | None = None) -> float:
        """A time of this process (time.monotonic(), now by default) on the clock of the samples."""
        low, high = self._offset
        return (time.monotonic() if t is None else t) - (low + high) / 2

    def track(self, seconds: float) -> list:
        """Samples the pet window for this long in one driver call; returns the new samples (the
        first and the last of each run of equal ones)."""
        asked = time.monotonic()
        reply = self.driver.call("watch", hwnd=self.pet.hwnd, ms=max(0, int(seconds * 1000)), every=SAMPLE_PAUSE_MS,
                                 timeout=seconds + 30)
        answered = time.monotonic()
        span = next((o for o in reply.objects if "start" in o), None)
        if not reply.ok or span is None:
            self.s.fail(f"the pet window is gone (process {'running' if self.pet.running() else 'ended'})")
        # The driver's clock against this process's: the command ran between the request and the reply.
        low, high = self._offset
        low, high = max(low, asked - span["start"] / 1e6), min(high, answered - span["end"] / 1e6)
        self._offset = (low, high) if low <= high else (high, high)
        fresh = []
        for run in reply.objects:
            if "rect" not in run:
                continue
            rects = tuple(tuple(r) for r in run.get("list", []))
            left, top, right, bottom = run["rect"]
            reads = [(run["first_sent"], run["first"])] + ([(run["last_sent"], run["last"])] if run["count"] > 1 else [])
            for sent, got in reads:
                fresh.append(Sample(got / 1e6, left, top, right - left, bottom - top, self._frames(rects),
                                    bool(run["topmost"]), run["below"] == 0, sent / 1e6))
        for sample in fresh:
            seen = (sample.x, sample.y, sample.frames, sample.topmost)
            if seen != self._noted:
                self._noted = seen
                self.s.note(f"pet ({sample.x},{sample.y}) {sample.width}x{sample.height} {frames_text(sample.frames)}"
                            f"{' topmost' if sample.topmost else ''}")
        self.samples = self.samples + fresh  # a new list: another thread may be reading the old one
        return fresh

    def sample(self) -> Sample:
        """One sample of the pet window now."""
        return self.track(0)[-1]

    def stands(self, since: float = 0.0) -> list:
        stands = settle([p for p in list(self.samples) if p.t >= since])
        for start, end in self.stops:
            for stand in stands:
                stand.held += max(0.0, min(end, stand.last) - max(start, stand.first_sent))
        return stands

    @contextlib.contextmanager
    def held(self):
        """Holds the pet's process stopped (SIGSTOP) for the body, so that it stands where it was
        sampled, and notes when on the samples' clock."""
        start = self.clock() - HELD_MARGIN
        os.kill(self.pet.proc.pid, signal.SIGSTOP)
        try:
            yield
        finally:
            os.kill(self.pet.proc.pid, signal.SIGCONT)
            self.stops.append((start, self.clock() + HELD_MARGIN))

    def expect_picture(self, stand: Stand, bitmap: int) -> None:
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
            x, y = stand.x + px, stand.y + py
            if 0 <= x < image.width and 0 <= y < image.height:
                compared += 1
                colour = rows[py][px * 6:px * 6 + 6]
                telling += any(other[py][px * 6:px * 6 + 6] != colour for other in twins)
                if image.pixel(x, y) != int(colour, 16):
                    wrong.append((px, py))
        if wrong or not compared:
            shot = self.s.screenshot(self.s.folder / f"picture-{bitmap}.png")
            self.s.fail(f"the pet at {stand} does not show bitmap {bitmap}: {len(wrong)} of {compared} pixels "
                        f"differ, e.g. {sorted(wrong)[:5]} (screenshot {shot})")
        if twins and not telling:
            self.s.skip_case(f"bitmap {bitmap} on the screen",
                             f"the pet stands at {stand.corner}, and none of the pixels that tell bitmap {bitmap} "
                             f"from the other frames of its outline is on the screen")

    def save_track(self, name: str) -> Path:
        """Writes every sample to a file of the scenario's folder, for a failure to point at."""
        path = self.s.folder / f"{name}.track.txt"
        path.write_text("".join(f"{p.t:.3f} {p.x} {p.y} {p.width}x{p.height} {frames_text(p.frames)} "
                                f"{int(p.topmost)}\n" for p in self.samples), encoding="utf-8")
        return path


# ---------------------------------------------------------------------------------------------
# What a walk must look like
# ---------------------------------------------------------------------------------------------

def clamp(point, bounds):
    if bounds is None:
        return point
    left, right, top, bottom = bounds
    return (min(max(point[0], left), right), min(max(point[1], top), bottom))


def reachable(start, steps, count: int, bounds) -> set:
    """Every corner the pet can stand at after exactly `count` steps from `start`, each step
    clamped to the bounds (None: no bounds)."""
    points = {start}
    for _ in range(count):
        points = {clamp((x + dx, y + dy), bounds) for x, y in points for dx, dy in steps}
    return points


def second_steps(start, end, steps, bounds, frames) -> list:
    """The steps that, taken second of two from `start` to `end`, show one of `frames`."""
    found = []
    for first in steps:
        x, y = clamp((start[0] + first[0], start[1] + first[1]), bounds)
        found += [second for second in steps
                  if clamp((x + second[0], y + second[1]), bounds) == end and frames & set(STEP_PAIRS[second])]
    return found


def walk_bounds(s) -> tuple[int, int, int, int]:
    """Where a walking pet's corner may be: up to half of the pet off the screen on any side."""
    screen = s.driver.call("screen").one
    return (-HALF_PET, screen["width"] - HALF_PET, -HALF_PET, screen["height"] - HALF_PET)


@dataclasses.dataclass
class WalkReport:
    moves: int = 0  # changes of corner, each the end of a tick
    steps: int = 0  # the fewest steps that make those moves (a sample may miss a tick between two)
    single_steps: int = 0  # of them, single steps whose frame was checked against the heading
    phase_checks: int = 0  # changes of frame checked to show the other frame of a walking pair
    poses: int = 0  # shooting poses


def phase(frames: frozenset):
    """Which frame of its walking pair a shape shows (0 or 1), or None for no walking frame."""
    phases = {PHASE[b] for b in frames if b in PHASE}
    return phases.pop() if len(phases) == 1 else None


# A stand seen this long was placed by a tick of its own, not caught between the two halves of a
# tick that came at once after a held-up one.
SETTLED = 0.04
# Frames seen one after the other with at most this gap, the first one for no longer than a
# tick and a little: no tick came and went unseen between them.
NEXT_SAMPLE = 0.03
ONE_TICK = 0.13
# A stand seen longer than this held up the ticks after it (a pose, a box opening, a busy
# machine); under Wine the ticks that fell due meanwhile may then come one right after the other,
# two of them between two samples, for a while. Then no stand is taken for one tick by its time.
HELD_UP = 0.15
CATCH_UP = 0.5
HELD_MARGIN = 0.02  # the two clocks are lined up to within a few milliseconds


# The tick that opened a message box takes its step when the box is closed, and so does each tick
# that opened a box inside that box's loop: a closed box adds a step at once, for a while after.
BOX_STEP_WHILE = 6.0


def max_steps(before: Stand, after: Stand, owed: int = 0) -> int:
    """The most steps the pet can take between two stands seen one after the other. Two ticks
    may come close together (a late one, then one on time); a tick held up by a pose is followed
    at once by the next one. The gap is the longest the pet may have gone unseen (a reply may
    come late after the window was read). A pet let go after the scenario held its process
    stopped may take the ticks that fell due meanwhile one right after the other, and so may,
    under Wine, a pet whose thread was held up (`owed`: the ticks that fell due meanwhile)."""
    gap = after.first - before.last_sent
    missed = math.ceil(before.held / TICK)
    return (2 + int(gap / TICK) + missed + owed
            + (1 if before.shows(GUN, AUTO_GUN, TEARFUL) and before.topmost else 0))


def expect_walk(s, stands: list, steps=ALL_STEPS, bounds=None, boxes_closed_at=()) -> WalkReport:
    """Checks a track of walking ticks: each move a whole number of steps, as many as the time
    allows, within the bounds; the frame shown after a single step one of the walking pair of its
    heading; each change of frame to the other frame of a pair; a shooting pose struck where the
    pet stands, topmost."""
    report = WalkReport()
    # What came before the track went unseen: the pet may just have started, or been held up.
    held_up = [x for x in stands if x.seen_at_most > HELD_UP]
    hold_ups = [*(x.last for x in held_up), *boxes_closed_at, *(x.first_sent for x in stands[:1])]

    def catching_up(t: float) -> bool:
        return any(t - CATCH_UP <= end <= t for end in hold_ups)

    def owed(t: float) -> int:
        """The ticks that fell due during the hold-ups that ended shortly before `t`."""
        return sum(math.ceil(x.seen_at_most / TICK) for x in held_up if t - CATCH_UP <= x.last <= t)

    for stand in stands:
        s.expect(stand.frames, f"the pet's shape is none of its frames at {stand}")
        if bounds is not None:
            s.expect(bounds[0] <= stand.x <= bounds[1] and bounds[2] <= stand.y <= bounds[3],
                     f"the pet left the bounds {bounds}: {stand}")
    for index, (before, after) in enumerate(zip(stands, stands[1:]), start=1):
        move = (after.x - before.x, after.y - before.y)
        s.expect(after.size == (PET_SIZE, PET_SIZE), f"the pet window is not {PET_SIZE} by {PET_SIZE}: {after}")
        gap = after.first - before.last_sent  # the longest the pet may have gone unseen
        most = max_steps(before, after, owed(before.last))
        most += sum(1 for t in boxes_closed_at if before.last_sent - BOX_STEP_WHILE < t < after.first)
        fewest = 0  # the fewest steps that make the move
        if move != (0, 0):
            fewest = next((k for k in range(1, most + 1) if after.corner in reachable(before.corner, steps, k, bounds)),
                          0)
            s.expect(fewest, f"{before} -> {after} ({gap * 1000:.0f} ms apart) is no whole number of steps up to {most}")
        if after.shows(GUN, AUTO_GUN):
            # Struck where the pet stands: after the last step seen, or one that came just before it.
            # Shaped first, then placed topmost: a stand caught in between is the same pose.
            if unplaced_pose(stands, index):
                continue  # caught between its shaping and its placing (the placing may go unseen)
            s.expect(after.topmost, f"a shooting pose that is not topmost: {before} -> {after}"
                                    f"{' -> ' + str(stands[index + 1]) if index + 1 < len(stands) else ''}")
            report.poses += 1
            continue
        s.expect(after.shows(*PHASE), f"the pet walked in a shape that is no walking frame: {before} -> {after}")
        # Only the reshaped pose, not yet placed by the walking step that ends a shooting tick, is
        # topmost; and, under Wine, a pose's placing (topmost) may show before its new shape does.
        after_it = stands[index + 1] if index + 1 < len(stands) else None
        pose_next = (after_it.topmost and after_it.corner == after.corner
                     and after_it.shows(GUN, AUTO_GUN, TEARFUL, FRONT_STEP)) if after_it else after.seen_at_least < SETTLED
        # A pose's own placing may go unseen between two samples, and another process may see a
        # placing's move before its change of z-order: a topmost stand seen too briefly to say
        # that it stood, or one right after a pose seen before its placing, belongs to that pose.
        pose_before = ((move == (0, 0) and (before.topmost or before.shows(GUN, AUTO_GUN)))
                       or after.seen_at_least < SETTLED)
        s.expect(not after.topmost or pose_before or pose_next,
                 f"the walking pet is topmost: {before} -> {after}{' -> ' + str(after_it) if after_it else ''}")
        if move == (0, 0):
            continue  # the new shape, before the move; or treading on the spot at a bound
        report.moves += 1
        report.steps += fewest
        # One tick, for sure: the move that follows a reshape seen, or a move right after a stand
        # seen for the time of a tick (two ticks come at once only after one was held up).
        one_tick = gap <= NEXT_SAMPLE and (after.frames == before.frames
                                           or (before.seen_at_least >= SETTLED and before.seen_at_most <= ONE_TICK
                                               and not catching_up(before.first)))
        # Else the move may be two steps. Turning an eighth at a time, no two steps add up to a
        # single one; but a pet that sets off for a window turns east or west from any heading
        # (north-west, then east, is north-east), and then the frame is the second step's.
        # Along a bound two steps cut short by it may also add up to one (two steps north-east
        # along the top: 4 east).
        along_bound = bounds is not None and ((move[1] == 0 and after.y in bounds[2:])
                                              or (move[0] == 0 and after.x in bounds[:2]))
        # Three steps or more may come back to a single step (there and back again).
        maybe_more = any(after.corner in reachable(before.corner, steps, k, bounds) for k in range(3, most + 1))
        # The reshape seen at the old corner, then at once the move in that shape: the placing that
        # ends the tick of that reshape, however briefly it stood before the next tick.
        # (Not while ticks may come at once: then the stand before may be the last tick's own
        # placing, and the next tick's reshape come at once after this one's unseen placing.)
        reshaped_then_placed = gap <= NEXT_SAMPLE and after.frames == before.frames and not catching_up(after.first)
        # Or a placing for sure, however sparse the samples: the next tick's reshape follows it at
        # the same corner (a reshape is followed by a move, and off the bounds every walking step
        # moves the pet). One tick made the move, or two whose headings add up to one step (three
        # or more are ruled out above).
        following = stands[index + 1] if index + 1 < len(stands) else None
        off_bounds = bounds is None or not (after.x in bounds[:2] or after.y in bounds[2:])
        placed = (following is not None and following.corner == after.corner and following.frames != after.frames
                  and following.first - after.last_sent <= TICK and off_bounds and not (along_bound or maybe_more))
        if move in steps and (reshaped_then_placed or placed or ((one_tick or not (along_bound or maybe_more))
                                                                 and after.seen_at_least >= SETTLED)):
            pair = STEP_PAIRS[move]
            second = [] if after.shows(*pair) or reshaped_then_placed or one_tick else \
                second_steps(before.corner, after.corner, steps, bounds, after.frames)
            s.expect(after.shows(*pair) or second, f"a step of {move} shows {frames_text(after.frames)}, "
                                                   f"not a frame of {pair}: {before} -> {after}")
            if second:
                s.note(f"{before} -> {after}: a step of {move} in the frame of the second of two steps {second}")
            report.single_steps += 1

    # The frames one after the other, whatever the corner: each tick shows the other frame.
    runs = []  # stands in a row with the same frames
    for stand in stands:
        if runs and runs[-1][-1].frames == stand.frames:
            runs[-1].append(stand)
        else:
            runs.append([stand])

    def on_bound(stand):
        return bounds is not None and (stand.x in bounds[:2] or stand.y in bounds[2:])

    for before, run, after in zip([None] + runs, runs, runs[1:]):
        first, last, next_first = run[0], run[-1], after[0]
        was, now = phase(first.frames), phase(next_first.frames)
        if was is None or now is None:
            continue
        # Surely one tick: seen for about the time of one; or its reshape where the last tick had
        # placed the pet, its single step, and the next tick's reshape there, all seen one right
        # after the other (a tick unseen in between would have moved the pet once more).
        at_once = next_first.first - last.last_sent <= NEXT_SAMPLE
        timed = (at_once and last.last_sent - first.first >= SETTLED and last.last - first.first_sent <= ONE_TICK
                 and not catching_up(first.first))
        corners = [x.corner for x in run]
        stepped = (at_once and before is not None and before[-1].corner == first.corner and next_first.corner == last.corner
                   and len(set(corners)) == 2 and corners.index(last.corner) == corners.count(first.corner)
                   and (last.x - first.x, last.y - first.y) in steps
                   and first.first - before[-1].last_sent <= NEXT_SAMPLE
                   and all(b.first - a.last_sent <= NEXT_SAMPLE for a, b in zip(run, run[1:]))
                   and not any(on_bound(x) for x in run))
        if not (timed or stepped):
            continue
        s.expect(now != was, f"two ticks in a row show the same frame of their walking pairs: "
                             f"{frames_text(first.frames)} until {last.last:.3f}, then {frames_text(next_first.frames)}")
        report.phase_checks += 1
    return report


def expect_tick_rate(s, report: WalkReport, seconds: float) -> None:
    """A tick every 100 ms: the pet moves at most once per tick and, walking, steps nearly every
    tick. (Steps, not moves, are counted for the lower bound: samples on a busy machine may be
    more than a tick apart, and then see two steps as one move.)"""
    s.expect(report.moves <= seconds / TICK + 3,
             f"{report.moves} moves in {seconds:.1f} s: more than one per tick of 100 ms")
    s.expect(report.steps >= 0.5 * seconds / TICK,
             f"only {report.steps} steps ({report.moves} moves) in {seconds:.1f} s: the pet does not tick every 100 ms")


def hiding_place(stands: list):
    """Where the pet hid behind a window: (the index of the last stand of its walk there, the
    index of the stand 30 pixels left of where it stopped, in the tearful frame's shape and not
    topmost), or None. The stop itself may not have been seen: a step that came at once after a
    held-up tick (after a shot, say) leads to it."""
    for i in range(1, len(stands)):
        hidden = stands[i]
        if not hidden.shows(TEARFUL) or hidden.topmost:
            continue
        j = i - 1
        if stands[j].shows(TEARFUL) and stands[j].corner == (hidden.x + HIDE_SHIFT, hidden.y):
            j -= 1  # the new shape seen where the pet stopped, before the move
        before = stands[j]
        if before.y == hidden.y and hidden.x + HIDE_SHIFT - before.x in (0, SEEK_STEP, -SEEK_STEP):
            return j, i
    return None


def walk_before_hiding(stands: list) -> list:
    place = hiding_place(stands)
    return stands[:place[0] + 1] if place else stands


def halted(watch: PetWatch, seconds: float = 7.0, since: float = 0.0) -> bool:
    """Whether the pet has not changed for longer than any pose, or the closing of a few message
    boxes, holds it up: its timer stopped. Only samples since `since` count (a pet stopped by the
    scenario for a screenshot before then stands still meanwhile too)."""
    stands = watch.stands(since)
    last = stands[-1] if stands else None
    return bool(last and last.last - last.first > seconds)


def unplaced_pose(stands: list, index: int) -> bool:
    """Whether stands[index] is a pose shaped but not yet placed topmost: not topmost, and followed
    at once by the same shape at the same corner, topmost, or by nothing (the track ends there),
    or seen too briefly to say that it stood (the placing went unseen between two samples)."""
    stand = stands[index]
    if stand.topmost:
        return False
    if index + 1 == len(stands) or stand.seen_at_least < SETTLED:
        return True
    placed = stands[index + 1]
    return placed.topmost and placed.frames == stand.frames and placed.corner == stand.corner


def minimising_poses(stands: list) -> tuple[list, int]:
    """The stands at the end of a track that are poses of the minimising act: topmost, in the
    shape of the tearful frame or of the front view's second frame; and the index of the first
    stand of the act (before it, the walk). The first pose, shaped before it was placed topmost,
    may have been caught in between, where the act is struck: that stand belongs to the act, not
    to the walk (a last step's reshape in the same outline, at the corner before it, does not;
    nor does one still topmost after a volley: the act is struck at one corner)."""
    poses = []
    start = len(stands)
    for index in range(len(stands) - 1, -1, -1):
        stand = stands[index]
        if not (stand.topmost and stand.shows(TEARFUL, FRONT_STEP)) or (poses and stand.corner != poses[0].corner):
            if poses and stand.shows(TEARFUL) and stand.corner == poses[0].corner and unplaced_pose(stands, index):
                start = index
            break
        poses.insert(0, stand)
        start = index
    return poses, start


def minimising_act(stands: list):
    """(the index of the first, the index of the last) stand of the last minimising act in a
    track, or None: poses at one corner, topmost, in the shapes of the tearful frame and of the
    front view's second frame, both shown, the last one tearful. (A walking frame reshaped while
    the pet still stood topmost after a volley shows one shape alone.)"""
    last = max((i for i, x in enumerate(stands) if x.topmost and x.shows(TEARFUL)), default=None)
    if last is None:
        return None
    poses, first = minimising_poses(stands[:last + 1])
    if not (any(x.shows(FRONT_STEP) for x in poses) and len({x.corner for x in poses}) == 1):
        return None
    return first, last


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


def expect_still(s, watch: PetWatch, seconds: float, what: str) -> Stand:
    """The pet neither moves nor changes its shape for a while: its timer has stopped."""
    since = watch.clock()
    watch_until(s, watch, seconds, lambda: False)
    stands = watch.stands(since)
    s.expect(len(stands) == 1, f"{what}, the pet still changed: {[str(x) for x in stands]}")
    return stands[0]

