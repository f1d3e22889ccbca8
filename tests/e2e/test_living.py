"""The living hamster: its walk, the tricks a stressed pet plays on the user's window and on the
screen, and its walk after the pointer.

Every pet here is prepared through its save file with FastMove on, so that it ticks every
100 ms. The driver's own window (`own-window`) stands in for the program the user is working in;
it logs each change of its title, of its minimised state and of whether it is the foreground
window. The pet window is sampled through the driver many times per tick: where it stands, which
frame bitmap its shape equals, and whether it is topmost.
"""

import collections
import contextlib
import dataclasses
import itertools
import json
import os
import signal
import subprocess
import time
from pathlib import Path

from harness import PetRecord, format_save, winpath

# Abilities, by their index in the save file.
CURSOR_LEAD, FAST_MOVE, NO_MISCHIEF_1, MISCHIEF_GUARD = 0, 1, 5, 9
TICK = 0.1  # seconds between two behaviour ticks with FastMove

# The ten titles a stressed pet gives the window the user works in.
TITLE_LINES = (
    "おなかへったでしゅ",
    "どうぶつ虐待でしゅ",
    "むかつきましゅ",
    "ケッ",
    "相手にしてくだしゃい",
    "さみしーでしゅよー",
    "ピザがたべたいでしゅ",
    "邪魔しましゅよ？",
    "イライラ・・・",
    "むー！",
)

# The ten message boxes it grumbles in, as (text, caption) of one row.
BOX_LINES = (
    ("おなかへったでしゅ", "ごはんー"),
    ("ひどいでしゅ\nどうぶつ虐待でしゅ", "たべものくれないなんて"),
    ("ほんとにいやでしゅ", "もういやでしゅ"),
    ("・・・。", "・・・。"),
    ("モブ太よりひどいでしゅね", "ごはんぐらいくだしゃい"),
    ("さみしーでしゅよー", "あそんでくだしゃい"),
    ("夕張めろんがたべたいでしゅ", "牛丼つゆだくか"),
    ("良いんでしゅか？", "邪魔しましゅよ？"),
    ("イライラ・・・", "ムカムカ・・・。"),
    ("むー！", "むぅー！"),
)

IDOK = 1

# Frame bitmaps of the exe. The pet's shape always equals one of the 60 x 60 ones.
FRONT, FRONT_STEP, LEFT, LEFT_STEP, RIGHT, RIGHT_STEP, BACK, BACK_STEP = 129, 130, 134, 135, 136, 137, 138, 139
TEARFUL, WAND_A, WAND_B, GUN, AUTO_GUN = 140, 141, 142, 147, 148
SHOT_MARK = 146
FRAME_BITMAPS = (FRONT, FRONT_STEP, LEFT, LEFT_STEP, RIGHT, RIGHT_STEP, BACK, BACK_STEP,
                 TEARFUL, WAND_A, WAND_B, GUN, AUTO_GUN)
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

PET_SIZE = 60
HALF_PET = PET_SIZE // 2
HIDE_SHIFT = 30  # a pet that reached a window's edge stands this much further left
ARRIVAL_REACH = 5  # it has reached the edge once the edge lies less than this left of it
SEEK_STEP = 4  # a step toward the edge

SAMPLE_PAUSE = 0.01  # between two samples of the pet window
STILL_SECONDS = 4.0  # how long a pet whose timer stopped is watched for any change


def pet_record(*abilities: int, stress: int = 0, fullness: int = 2000) -> PetRecord:
    """A pet with FastMove and the given abilities unlocked and on."""
    record = PetRecord(stress=stress, fullness=fullness)
    for ability in (FAST_MOVE, *abilities):
        record.abilityUnlocked[ability] = 1
        record.abilityOn[ability] = 1
    return record


def stressed_record(*abilities: int) -> PetRecord:
    """A starving pet at the stress ceiling: every trick is above its stress level."""
    return pet_record(*abilities, stress=500, fullness=0)


# ---------------------------------------------------------------------------------------------
# Watching the pet window
# ---------------------------------------------------------------------------------------------

@dataclasses.dataclass(frozen=True)
class Sample:
    t: float
    x: int
    y: int
    width: int
    height: int
    frames: frozenset  # the frame bitmaps whose shape the window's shape equals; empty for none
    topmost: bool


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
    first: float
    last: float
    count: int

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
            last.last, last.count = sample.t, last.count + 1
            last.topmost, last.size = sample.topmost, (sample.width, sample.height)
        else:
            stands.append(Stand(sample.x, sample.y, sample.frames, sample.topmost, (sample.width, sample.height),
                                sample.t, sample.t, 1))
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

    def _frames(self, rects: tuple) -> frozenset:
        if rects not in self._frames_of_rects:
            pixels = frozenset((x, y) for left, top, right, bottom in rects
                               for y in range(top, bottom) for x in range(left, right))
            self._frames_of_rects[rects] = self._frames_of_shape.get(pixels, frozenset())
        return self._frames_of_rects[rects]

    def sample(self) -> Sample:
        window = self.driver.call("window", hwnd=self.pet.hwnd)
        if not window.ok:
            self.s.fail(f"the pet window is gone (process {'running' if self.pet.running() else 'ended'})")
        region = self.driver.call("region", hwnd=self.pet.hwnd, list=True)
        rects = tuple(tuple(r) for r in region.one.get("list", [])) if region.ok else ()
        left, top, right, bottom = window.one["rect"]
        sample = Sample(time.monotonic(), left, top, right - left, bottom - top, self._frames(rects),
                        bool(window.one["topmost"]))
        self.samples.append(sample)
        seen = (sample.x, sample.y, sample.frames, sample.topmost)
        if seen != self._noted:
            self._noted = seen
            self.s.note(f"pet ({sample.x},{sample.y}) {sample.width}x{sample.height} {frames_text(sample.frames)}"
                        f"{' topmost' if sample.topmost else ''}")
        return sample

    def stands(self, since: float = 0.0) -> list:
        return settle([p for p in self.samples if p.t >= since])

    def expect_picture(self, stand: Stand, bitmap: int) -> None:
        """On the screen, the pet standing still shows this very bitmap (frames of one outline
        differ only here)."""
        image = self.s.screen_pixels()
        pixels, rows = self.pictures[bitmap]
        compared, wrong = 0, []
        for px, py in pixels:
            x, y = stand.x + px, stand.y + py
            if 0 <= x < image.width and 0 <= y < image.height:
                compared += 1
                if image.pixel(x, y) != int(rows[py][px * 6:px * 6 + 6], 16):
                    wrong.append((px, py))
        if wrong or compared < len(pixels) // 3:
            shot = self.s.screenshot(self.s.folder / f"picture-{bitmap}.png")
            self.s.fail(f"the pet at {stand} does not show bitmap {bitmap}: {len(wrong)} of {compared} pixels "
                        f"differ, e.g. {sorted(wrong)[:5]} (screenshot {shot})")

    def save_track(self, name: str) -> Path:
        """Writes every sample to a file of the scenario's folder, for a failure to point at."""
        path = self.s.folder / f"{name}.track.txt"
        path.write_text("".join(f"{p.t:.3f} {p.x} {p.y} {p.width}x{p.height} {frames_text(p.frames)} "
                                f"{int(p.topmost)}\n" for p in self.samples), encoding="utf-8")
        return path


# ---------------------------------------------------------------------------------------------
# The driver's own window, and the message boxes of the pet
# ---------------------------------------------------------------------------------------------

class OwnWindow:
    """The driver's own window in the foreground, standing in for the user's program. Its log is
    a file of JSON lines, one per change."""

    _numbers = itertools.count(1)

    def __init__(self, s, x: int, y: int, width: int = 300, height: int = 200, seconds: int = 240):
        self.s = s
        self.log = s.folder / f"own-window-{next(self._numbers)}.jsonl"
        self.proc = s.spawn(["wine", str(s.environment.driver_exe), "own-window", "--seconds", str(seconds),
                 "--x", str(x), "--y", str(y), "--width", str(width), "--height", str(height),
                 "--out", winpath(self.log)], log_name="own-window")
        start = s.wait_until(self.events, 20, "the driver's own window")[0]
        self.hwnd = start["hwnd"]
        self.title = start["title"]
        s.note(f"own window {self.hwnd} at ({x},{y}), foreground {start['foreground']}")
        s.expect(start["foreground"], f"the driver's own window did not become the foreground window: {start}")
        self.rect = s.driver.call("window", hwnd=self.hwnd).one["rect"]

    def events(self) -> list[dict]:
        if not self.log.is_file():
            return []
        lines = self.log.read_text(encoding="utf-8", errors="replace").split("\n")
        return [json.loads(line) for line in lines[:-1] if line.strip()]  # the last one may be half written

    def titles(self) -> list[str]:
        """Every new title it was given, in order."""
        found, last = [], self.title
        for event in self.events():
            if event["exists"] and event["title"] != last:
                found.append(event["title"])
                last = event["title"]
        return found

    def minimised(self) -> bool:
        return any(e["iconic"] for e in self.events())

    def times_not_in_front(self) -> list[int]:
        return [e["t"] for e in self.events() if e["exists"] and not e["foreground"]]

    def close(self) -> None:
        with contextlib.suppress(ProcessLookupError):
            os.killpg(self.proc.pid, signal.SIGKILL)
        self.proc.wait()

    def bring_back(self) -> None:
        """Restores the window if it is minimised and makes it the foreground window again."""
        driver = self.s.driver
        if driver.call("window", hwnd=self.hwnd).one.get("iconic"):
            driver.call("post", hwnd=self.hwnd, msg="WM_SYSCOMMAND", wparam="SC_RESTORE")
            self.s.wait_until(lambda: not driver.call("window", hwnd=self.hwnd).one.get("iconic"), 10,
                              "the driver's own window to be restored")
        self.s.wait_until(lambda: driver.call("set-foreground", hwnd=self.hwnd).ok, 10,
                          "the driver's own window to be the foreground window again")


class BoxCloser:
    """Finds the pet's message boxes, remembers each one and closes it with its OK button."""

    def __init__(self, s, pet, own: OwnWindow | None = None):
        self.s = s
        self.pet = pet
        self.own = own
        self.boxes: list[dict] = []
        self.closed_at: list[float] = []  # when each box was closed
        self._closed: set[int] = set()

    def poll(self) -> bool:
        """True when a box was found and closed."""
        reply = self.s.driver.call("msgbox", exe=winpath(self.pet.exe))
        fresh = [b for b in reply.objects if reply.ok and b.get("hwnd") not in self._closed]
        for box in fresh:
            self.boxes.append(box)
            self._closed.add(box["hwnd"])
            self.s.click(box["hwnd"], IDOK)
            self.closed_at.append(time.monotonic())
        for box in fresh:
            self.s.driver.call("wait-gone", hwnd=box["hwnd"], wait=10000)
        if fresh and self.own:
            # Closing a box activates its owner, the pet; the user goes back to their window.
            self.own.bring_back()
        return bool(fresh)

    def expect_grumbles(self) -> None:
        for box in self.boxes:
            self.s.expect((box.get("text"), box.get("caption")) in BOX_LINES,
                          f"a message box whose text and caption are not one row of the pet's lines: {box}")
            self.s.expect_equal(box.get("owner"), self.pet.hwnd, "owner of the grumbling message box")
            buttons = [b.get("id") for b in box.get("buttons", []) if b.get("visible")]
            self.s.expect_equal(buttons, [IDOK], f"buttons of the message box {box.get('caption')!r}")


# ---------------------------------------------------------------------------------------------
# The screen
# ---------------------------------------------------------------------------------------------

Box = tuple[int, int, int, int]  # left, top, right, bottom


def around(*rects, margin: int = 8) -> Box:
    """The bounding box of some rectangles, grown by a margin on every side."""
    return (min(r[0] for r in rects) - margin, min(r[1] for r in rects) - margin,
            max(r[2] for r in rects) + margin, max(r[3] for r in rects) + margin)


class Desktop:
    """The screen as it was when a scenario began, and what shot marks look like."""

    def __init__(self, s, pet):
        self.s = s
        pixels = s.driver.call("bitmap-pixels", exe=winpath(pet.exe), bitmap=SHOT_MARK).one
        key = int(pixels["key"], 16)
        self.mark_colours = {int(row[i:i + 6], 16) for row in pixels["rows"] for i in range(0, len(row), 6)} - {key}
        s.expect(self.mark_colours, "the shot mark bitmap has no colour besides its background")
        self.baseline = s.screen_pixels()
        counts = collections.Counter(self.baseline.data[i:i + 3] for i in range(0, len(self.baseline.data), 3 * 97))
        self.plain = counts.most_common(1)[0][0]  # the desktop's own colour
        s.note(f"desktop colour #{self.plain.hex()}, shot mark colours {sorted(f'{c:06x}' for c in self.mark_colours)}")

    def _outside(self, x: int, y: int, excluded: list[Box]) -> bool:
        return not any(b[0] <= x < b[2] and b[1] <= y < b[3] for b in excluded)

    def marks(self, image, excluded: list[Box]) -> list[tuple[int, int]]:
        """Pixels in a shot mark's colours where the desktop was plain, outside the boxes."""
        found = []
        width = image.width
        for colour in self.mark_colours:
            needle = colour.to_bytes(3, "big")
            at = image.data.find(needle)
            while at >= 0:
                if at % 3 == 0 and self.baseline.data[at:at + 3] == self.plain:
                    x, y = (at // 3) % width, (at // 3) // width
                    if self._outside(x, y, excluded):
                        found.append((x, y))
                at = image.data.find(needle, at + 1)
        return found

    def changed(self, image, excluded: list[Box]) -> list[tuple[int, int]]:
        """Pixels where the desktop was plain and is no longer, outside the boxes."""
        found = []
        stride = image.width * 3
        for y in range(image.height):
            row = image.data[y * stride:(y + 1) * stride]
            before = self.baseline.data[y * stride:(y + 1) * stride]
            if row == before:
                continue
            for x in range(image.width):
                pixel = before[x * 3:x * 3 + 3]
                if pixel == self.plain and row[x * 3:x * 3 + 3] != pixel and self._outside(x, y, excluded):
                    found.append((x, y))
        return found

    def shot(self, watch: PetWatch, name: str, also: list[Box] = ()) -> tuple[object, list[Box]]:
        """A screenshot, kept in the scenario's folder, and the boxes to leave out of it: where
        the pet stood while it was taken, and the other given boxes."""
        before = watch.sample()
        path = self.s.screenshot(self.s.folder / f"{name}.png")
        image = self.s.screen_pixels()
        after = watch.sample()
        pet_box = around((before.x, before.y, before.x + PET_SIZE, before.y + PET_SIZE),
                         (after.x, after.y, after.x + PET_SIZE, after.y + PET_SIZE))
        self.s.note(f"screenshot {path.name}")
        return image, [pet_box, *also]


def move_pointer(s, x: int, y: int) -> None:
    subprocess.run(["xdotool", "mousemove", str(x), str(y)], env=s.environment.env, check=True, timeout=10)
    s.wait_until(lambda: s.driver.call("screen").one.get("cursor") == [x, y], 5, f"the pointer at ({x},{y})")
    s.note(f"pointer moved to ({x},{y})")


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


def walk_bounds(s) -> tuple[int, int, int, int]:
    """Where a walking pet's corner may be: up to half of the pet off the screen on any side."""
    screen = s.driver.call("screen").one
    return (-HALF_PET, screen["width"] - HALF_PET, -HALF_PET, screen["height"] - HALF_PET)


@dataclasses.dataclass
class WalkReport:
    moves: int = 0  # changes of corner, each the end of a tick
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


# The tick that opened a message box takes its step when the box is closed, and so does each tick
# that opened a box inside that box's loop: a closed box adds a step at once, for a while after.
BOX_STEP_WHILE = 6.0


def expect_walk(s, stands: list, steps=ALL_STEPS, bounds=None, boxes_closed_at=()) -> WalkReport:
    """Checks a track of walking ticks: each move a whole number of steps, as many as the time
    allows, within the bounds; the frame shown after a single step one of the walking pair of its
    heading; each change of frame to the other frame of a pair; a shooting pose struck where the
    pet stands, topmost."""
    report = WalkReport()
    for stand in stands:
        s.expect(stand.frames, f"the pet's shape is none of its frames at {stand}")
        if bounds is not None:
            s.expect(bounds[0] <= stand.x <= bounds[1] and bounds[2] <= stand.y <= bounds[3],
                     f"the pet left the bounds {bounds}: {stand}")
    for before, after in zip(stands, stands[1:]):
        move = (after.x - before.x, after.y - before.y)
        s.expect(after.size == (PET_SIZE, PET_SIZE), f"the pet window is not {PET_SIZE} by {PET_SIZE}: {after}")
        gap = after.first - before.last
        most = 2 + int(gap / TICK)  # a tick held up by a pose is followed at once by the next one
        most += sum(1 for t in boxes_closed_at if before.last - BOX_STEP_WHILE < t < after.first)
        if move != (0, 0):
            s.expect(any(after.corner in reachable(before.corner, steps, k, bounds) for k in range(1, most + 1)),
                     f"{before} -> {after} ({gap * 1000:.0f} ms apart) is no whole number of steps up to {most}")
        if after.shows(GUN, AUTO_GUN):
            # Struck where the pet stands: after the last step seen, or one that came just before it.
            s.expect(after.topmost, f"a shooting pose that is not topmost: {before} -> {after}")
            report.poses += 1
            continue
        s.expect(after.shows(*PHASE), f"the pet walked in a shape that is no walking frame: {before} -> {after}")
        # Only the reshaped pose, not yet placed by the walking step that ends a shooting tick, is topmost.
        s.expect(not after.topmost or (move == (0, 0) and before.topmost),
                 f"the walking pet is topmost: {before} -> {after}")
        if move == (0, 0):
            continue  # the new shape, before the move; or treading on the spot at a bound
        report.moves += 1
        # One tick, for sure: the move that follows a reshape seen, or a move right after a stand
        # seen for the time of a tick (two ticks come at once only after one was held up).
        one_tick = gap <= NEXT_SAMPLE and (after.frames == before.frames
                                           or SETTLED <= before.last - before.first <= ONE_TICK)
        # Else, no two steps of adjacent headings add up to a single step; but along a bound two
        # steps cut short by it may (two steps north-east along the top: 4 east).
        along_bound = bounds is not None and ((move[1] == 0 and after.y in bounds[2:])
                                              or (move[0] == 0 and after.x in bounds[:2]))
        if move in steps and (one_tick or not along_bound) and after.last - after.first >= SETTLED:
            pair = STEP_PAIRS[move]
            s.expect(after.shows(*pair), f"a step of {move} shows {frames_text(after.frames)}, "
                                         f"not a frame of {pair}: {before} -> {after}")
            report.single_steps += 1

    # The frames one after the other, whatever the corner: each tick shows the other frame.
    runs = []  # [frames, first seen, last seen]
    for stand in stands:
        if runs and runs[-1][0] == stand.frames:
            runs[-1][2] = stand.last
        else:
            runs.append([stand.frames, stand.first, stand.last])
    for (frames, first, last), (next_frames, next_first, _) in zip(runs, runs[1:]):
        was, now = phase(frames), phase(next_frames)
        if was is None or now is None or next_first - last > NEXT_SAMPLE or not SETTLED <= last - first <= ONE_TICK:
            continue
        s.expect(now != was, f"two ticks in a row show the same frame of their walking pairs: "
                             f"{frames_text(frames)} until {last:.3f}, then {frames_text(next_frames)}")
        report.phase_checks += 1
    return report


def expect_tick_rate(s, moves: int, seconds: float) -> None:
    """A tick every 100 ms: the pet moves at most once per tick and, walking, nearly every tick."""
    s.expect(moves <= seconds / TICK + 3, f"{moves} moves in {seconds:.1f} s: more than one per tick of 100 ms")
    s.expect(moves >= 0.5 * seconds / TICK, f"only {moves} moves in {seconds:.1f} s: the pet does not tick every 100 ms")


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


def halted(watch: PetWatch, seconds: float = 7.0) -> bool:
    """Whether the pet has not changed for longer than any pose, or the closing of a few message
    boxes, holds it up: its timer stopped."""
    last = watch.stands()[-1] if watch.samples else None
    return bool(last and last.last - last.first > seconds)


def minimising_poses(stands: list) -> list:
    """The stands at the end of a track that are poses of the minimising act: topmost, in the
    shape of the tearful frame or of the front view's second frame."""
    poses = []
    for stand in reversed(stands):
        if not (stand.topmost and stand.shows(TEARFUL, FRONT_STEP)):
            break
        poses.insert(0, stand)
    return poses


def watch_until(s, watch: PetWatch, seconds: float, done, boxes=None, every: float = 0.1):
    """Samples the pet until done() holds or the time is up; closes message boxes meanwhile.
    Returns what done() returned last."""
    deadline = time.monotonic() + seconds
    checked = 0.0
    while time.monotonic() < deadline:
        watch.sample()
        if time.monotonic() - checked >= every:
            checked = time.monotonic()
            if boxes:
                boxes.poll()
            result = done()
            if result:
                return result
        time.sleep(SAMPLE_PAUSE)
    return done()


def expect_still(s, watch: PetWatch, seconds: float, what: str) -> Stand:
    """The pet neither moves nor changes its shape for a while: its timer has stopped."""
    since = time.monotonic()
    watch_until(s, watch, seconds, lambda: False)
    stands = watch.stands(since)
    s.expect(len(stands) == 1, f"{what}, the pet still changed: {[str(x) for x in stands]}")
    return stands[0]


def expect_hidden_behind(s, watch: PetWatch, stands: list, own: OwnWindow) -> None:
    """The pet reached the window's left edge and stands 30 pixels left of there, tearful, at
    the bottom of the z-order, its timer stopped."""
    place = hiding_place(stands)
    walked, hidden = stands[place[0]], stands[place[1]]
    stopped = hidden.x + HIDE_SHIFT
    edge = own.rect[0]
    s.expect(stopped - ARRIVAL_REACH < edge < stopped,
             f"the pet hid at {hidden} after {walked}, but the window's left edge {edge} is not just left of "
             f"where it stopped, {stopped}")
    order = [w["hwnd"] for w in s.windows(visible=True)]
    s.expect(order and order[-1] == watch.pet.hwnd,
             f"the hidden pet is not at the bottom of the z-order: {order} (pet {watch.pet.hwnd})")
    s.expect(not hidden.topmost, f"the hidden pet is topmost: {hidden}")
    still = expect_still(s, watch, STILL_SECONDS, "after hiding")
    s.expect_equal(still.corner, hidden.corner, "the hidden pet's corner")
    watch.expect_picture(still, TEARFUL)


# ---------------------------------------------------------------------------------------------
# Scenarios
# ---------------------------------------------------------------------------------------------

def scenario_contented_pet_walks_in_steps(s):
    exe = s.place_exe()
    s.write_save(exe, format_save(pet_record()))
    pet = s.start_pet(exe)
    watch = PetWatch(s, pet)
    bounds = walk_bounds(s)

    # Alone on the screen the pet is the foreground window itself and walks at random. With the
    # user's window in front it walks on, sooner or later to that window's left edge, and never
    # takes the foreground from it.
    watch_until(s, watch, 8, lambda: False)
    own = OwnWindow(s, x=420, y=560)
    joined = time.monotonic()
    watch_until(s, watch, 16, lambda: hiding_place(watch.stands(joined)) is not None)

    track = watch.save_track("walk")
    stands = watch.stands()
    hidden = hiding_place(stands) is not None
    walking = walk_before_hiding(stands)
    s.note(f"{len(walking)} stands walking, hidden: {hidden}; track in {track}")
    report = expect_walk(s, walking, bounds=bounds)
    s.note(f"{report}")
    s.expect(report.poses == 0, "a contented pet struck a shooting pose")
    s.expect(report.single_steps >= 40 and report.phase_checks >= 30,
             f"too few single steps seen to judge the walking frames: {report}")
    expect_tick_rate(s, report.moves, walking[-1].first - walking[0].last)
    s.expect_equal(own.times_not_in_front(), [], "times (ms) at which the driver's window was not in front")
    s.expect_equal(own.titles(), [], "titles given to the driver's window by a contented pet")
    if hidden:
        expect_hidden_behind(s, watch, stands, own)
    s.kill(pet)


def scenario_stressed_pet_retitles_shoots_and_hides(s):
    """MischiefGuard on: no boxes, volleys or minimising, so a run ends only when the pet hides.
    A run in which no title or no visible mark was seen before that is followed by another."""
    deadline = time.monotonic() + 100
    titles, marks, attempt = [], [], 0
    while not (titles and marks):
        attempt += 1
        s.expect(time.monotonic() < deadline and attempt <= 3,
                 f"in {attempt - 1} runs, titles {titles} and {len(marks)} shot mark pixels seen")
        exe = s.place_exe(f"run{attempt}/pomki_pet.exe")
        s.write_save(exe, format_save(stressed_record(MISCHIEF_GUARD)))
        pet = s.start_pet(exe)
        watch = PetWatch(s, pet)
        desktop = Desktop(s, pet)
        # The window's left edge far to the right, low on the screen: the walk to it is long and
        # the marks fall on the plain desktop.
        own = OwnWindow(s, x=960, y=560)
        watch_until(s, watch, 60, lambda: hiding_place(watch.stands()) is not None, every=0.3)
        image, excluded = desktop.shot(watch, f"run{attempt}-marks", [around(own.rect)])
        run_marks = desktop.marks(image, excluded)
        marks += run_marks
        titles += own.titles()
        s.note(f"after run {attempt}: titles {titles}, {len(marks)} shot mark pixels")

        watch.save_track(f"run{attempt}")
        stands = watch.stands()
        s.expect(hiding_place(stands), f"the pet did not hide behind the window within 60 s: last {stands[-1]}")
        report = expect_walk(s, walk_before_hiding(stands), bounds=walk_bounds(s))
        s.expect(report.poses > 0 or not run_marks, "shot marks appeared with no shooting pose seen")
        for title in own.titles():
            s.expect(title in TITLE_LINES, f"the driver's window was given a title that is none of the pet's: {title!r}")
        s.expect(not own.minimised(), "a pet under MischiefGuard minimised the driver's window")
        s.expect_equal(own.times_not_in_front(), [], "times (ms) at which the driver's window was not in front")
        s.expect(not [p for p in watch.samples if AUTO_GUN in p.frames], "a pet under MischiefGuard fired a volley")
        expect_hidden_behind(s, watch, stands, own)
        s.expect_equal(s.driver.call("msgbox", exe=winpath(exe)).ok, False, "a message box of a pet under MischiefGuard")
        s.kill(pet)
        own.close()


def scenario_stressed_pet_grumbles_fires_volleys_and_minimises(s):
    """NoMischief1 on: no single shots and no titles. While the pet itself is the foreground
    window it grumbles and fires volleys; once the driver's window is in front it minimises it.

    Whatever is in front may be minimised or walked to, a message box too: a run in which the pet
    stopped another way (hid, or minimised a box before the driver closed it) is followed by
    another, until each act was seen."""
    deadline = time.monotonic() + 120
    attempt = 0
    boxes_seen, volley_marks = [], []
    while True:
        attempt += 1
        s.expect(time.monotonic() < deadline and attempt <= 4,
                 f"in {attempt - 1} runs: {len(boxes_seen)} message boxes, {len(volley_marks)} volley mark pixels, "
                 f"and the driver's window not minimised")
        exe = s.place_exe(f"run{attempt}/pomki_pet.exe")
        s.write_save(exe, format_save(stressed_record(NO_MISCHIEF_1)))
        pet = s.start_pet(exe)
        watch = PetWatch(s, pet)
        boxes = BoxCloser(s, pet)
        if not (boxes_seen and volley_marks):
            s.expect(s.driver.call("window", hwnd=pet.hwnd).one.get("foreground"),
                     "the pet alone on the screen is not the foreground window")
            desktop = Desktop(s, pet)

            def volleys():
                return [x for x in watch.stands() if x.shows(AUTO_GUN)]

            def grumbled_and_volley_over():
                volley_seen = volley_marks or (volleys() and not watch.stands()[-1].shows(AUTO_GUN))
                return ((boxes.boxes or boxes_seen) and volley_seen) or halted(watch)

            watch_until(s, watch, 45, grumbled_and_volley_over, boxes)
            watch.save_track(f"run{attempt}-alone")
            if volleys() and not volley_marks:
                image, excluded = desktop.shot(watch, f"run{attempt}-volley")
                volley_marks = volley_marks or desktop.marks(image, excluded)
                s.expect(volley_marks, "no shot mark on the screen after a volley")
            boxes.expect_grumbles()
            boxes_seen += boxes.boxes
            s.note(f"run {attempt}: {len(boxes.boxes)} boxes, {len(volleys())} volleys, "
                   f"{len(volley_marks)} shot mark pixels")
            # A box in front of the pet may have been minimised, which stops the pet.
            stands = watch.stands()
            walked = stands[:len(stands) - len(minimising_poses(stands))]
            report = expect_walk(s, walked, bounds=walk_bounds(s), boxes_closed_at=boxes.closed_at)
            s.expect(all(x.topmost for x in volleys()), f"a volley pose that is not topmost: {volleys()}")
            if not (boxes_seen and volley_marks):
                s.expect(halted(watch), f"not both a message box and a volley in 45 s: {report}")
                s.note(f"run {attempt}: the pet stopped; starting again")
                s.kill(pet)
                continue

        own = OwnWindow(s, x=960, y=560)
        boxes.own = own
        watch_until(s, watch, 40, lambda: own.minimised() or halted(watch), boxes)
        watch.save_track(f"run{attempt}")
        boxes.expect_grumbles()
        s.expect_equal(own.titles(), [], "titles given to the driver's window under NoMischief1")
        if not own.minimised():
            s.expect(halted(watch), "the driver's window was not minimised in 40 s")
            s.note(f"run {attempt}: the pet stopped before it minimised the window; starting again")
            s.kill(pet)
            own.close()
            continue

        # The five poses of the act, topmost where the pet stood; the last one stays.
        def posing_done():
            last = watch.stands()[-1]
            return last.shows(TEARFUL) and last.topmost and last.last - last.first > 0.5

        watch_until(s, watch, 5, posing_done)
        bounds = walk_bounds(s)
        stands = watch.stands()
        poses = minimising_poses(stands)
        s.expect(poses and poses[-1].shows(TEARFUL) and len(poses) < len(stands),
                 f"after minimising, the pet does not stand topmost in the tearful frame: {[str(x) for x in stands[-6:]]}")
        # Struck where the pet stood; the first pose has the outline of the front view, so a last
        # step that showed the front view is seen as part of it.
        before = stands[-len(poses) - 1]
        where = {before.corner} | (reachable(before.corner, ALL_STEPS, 1, bounds) if poses[0].shows(FRONT) else set())
        s.expect(len({x.corner for x in poses}) == 1 and poses[0].corner in where,
                 f"the minimising poses moved the pet: {[str(x) for x in stands[-len(poses) - 1:]]}")
        expect_walk(s, stands[:-len(poses)], bounds=bounds, boxes_closed_at=boxes.closed_at)
        s.expect(not [p for p in watch.samples if GUN in p.frames], "a pet under NoMischief1 fired a single shot")

        # Back at work in the restored window, the user sees the pet stand there: no tick runs,
        # so nothing is minimised again, no box opens, no volley is fired, the pet does not walk.
        own.bring_back()
        count = len(own.events())
        still = expect_still(s, watch, STILL_SECONDS + 1, "after minimising")
        s.expect_equal((still.corner, still.topmost), (poses[-1].corner, True), "corner and topmost of the pet")
        watch.expect_picture(still, TEARFUL)
        s.expect(not [e for e in own.events()[count:] if e["iconic"]], "the window was minimised again")
        s.expect_equal(s.driver.call("msgbox", exe=winpath(exe)).ok, False, "a message box after minimising")
        watch.save_track(f"run{attempt}")
        s.kill(pet)
        return


def scenario_guarded_pet_plays_no_tricks(s):
    """NoMischief1 and MischiefGuard both on: a starving pet at stress 500 plays no trick at all."""
    exe = s.place_exe()
    s.write_save(exe, format_save(stressed_record(NO_MISCHIEF_1, MISCHIEF_GUARD)))
    pet = s.start_pet(exe)
    watch = PetWatch(s, pet)
    desktop = Desktop(s, pet)
    own = OwnWindow(s, x=960, y=560)
    boxes = BoxCloser(s, pet, own)
    started = time.monotonic()
    for round_ in range(5):
        watch_until(s, watch, 4, lambda: False, boxes)
        image, excluded = desktop.shot(watch, f"plain{round_}", [around(own.rect)])
        changed = desktop.changed(image, excluded)
        s.expect(not changed, f"the desktop outside the pet is no longer plain at {len(changed)} pixels, "
                              f"e.g. {changed[:5]}")
    seconds = time.monotonic() - started
    watch.save_track("guarded")
    stands = watch.stands()
    walking = walk_before_hiding(stands)
    report = expect_walk(s, walking, bounds=walk_bounds(s))
    expect_tick_rate(s, report.moves, walking[-1].first - walking[0].last)
    s.note(f"{report.moves} moves in {seconds:.1f} s")
    s.expect_equal(report.poses, 0, "shooting poses of a guarded pet")
    s.expect_equal(own.times_not_in_front(), [], "times (ms) at which the driver's window was not in front")
    s.expect_equal(own.titles(), [], "titles given to the driver's window by a guarded pet")
    s.expect(not own.minimised(), "a guarded pet minimised the driver's window")
    s.expect_equal(boxes.boxes, [], "message boxes of a guarded pet")
    s.kill(pet)


def scenario_pet_follows_the_pointer(s):
    """CursorLead on, a starving pet at stress 500 with no guard: it walks diagonally to the
    pointer and stays there; it never retitles or minimises the window in front, nor hides."""
    exe = s.place_exe()
    s.write_save(exe, format_save(stressed_record(CURSOR_LEAD)))
    move_pointer(s, 220, 170)
    pet = s.start_pet(exe)
    watch = PetWatch(s, pet)
    own = OwnWindow(s, x=700, y=480)
    boxes = BoxCloser(s, pet, own)

    for target in ((220, 170), (120, 290)):
        move_pointer(s, *target)
        since = time.monotonic()

        def near(stand):
            return max(abs(stand.centre[0] - target[0]), abs(stand.centre[1] - target[1])) <= 4

        s.expect(watch_until(s, watch, 45, lambda: near(watch.stands()[-1]), boxes),
                 f"the pet's centre did not come to the pointer at {target} within 45 s: last {watch.stands()[-1]}")
        s.note(f"the pet reached {target} in {time.monotonic() - since:.1f} s")
        arrived = time.monotonic()
        watch_until(s, watch, 2, lambda: False, boxes)
        for stand in watch.stands(arrived):
            s.expect(near(stand), f"the pet's centre strayed from the pointer at {target}: {stand}")

    watch.save_track("follow")
    stands = watch.stands()
    s.expect(hiding_place(stands) is None, "a pet following the pointer hid behind a window")
    report = expect_walk(s, stands, steps=DIAGONAL_STEPS, boxes_closed_at=boxes.closed_at)
    s.note(f"{report}")
    s.expect(report.single_steps >= 40, f"too few single steps seen: {report}")
    # Each box takes the foreground once, until the driver brings its window back; the pet never does.
    s.expect(len(own.times_not_in_front()) <= len(boxes.boxes),
             f"the driver's window lost the foreground {len(own.times_not_in_front())} times "
             f"with {len(boxes.boxes)} message boxes")
    s.expect_equal(own.titles(), [], "titles given to the driver's window by a pet following the pointer")
    s.expect(not own.minimised(), "a pet following the pointer minimised the driver's window")
    boxes.expect_grumbles()
    s.kill(pet)
