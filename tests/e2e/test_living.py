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
import itertools
import json
import math
import os
import signal
import time

from constants import (AUTO_GUN, CURSOR_LEAD, FRONT, GUN, IDOK, MISCHIEF_GUARD, NO_MISCHIEF_1, PET_SIZE, SHOT_IMAGE,
                       SHOT_MARK, SHOT_SPREAD, TEARFUL, VOLLEY_SHOTS)
from savefile import format_save, pet_record, stressed_record
from scenario import winpath
from walk import (ALL_STEPS, ARRIVAL_REACH, DIAGONAL_STEPS, HIDE_SHIFT, PHASE, STILL_SECONDS, PetWatch, Stand,
                  expect_still, expect_tick_rate, expect_walk, halted, hiding_place, max_steps, minimising_act,
                  reachable, unplaced_pose, walk_before_hiding, walk_bounds, watch_until)

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

    def __init__(self, s, pet, watch: PetWatch, own: OwnWindow | None = None):
        self.s = s
        self.pet = pet
        self.watch = watch
        self.own = own
        self.boxes: list[dict] = []
        self.closed_at: list[float] = []  # when each box was closed, on the clock of the pet's samples
        self.closed_last = False  # whether the last look found a box to close
        self._closed: set[int] = set()

    def poll(self) -> bool:
        """True when a box was found and closed."""
        reply = self.s.driver.call("msgbox", exe=winpath(self.pet.exe))
        fresh = [b for b in reply.objects if reply.ok and b.get("hwnd") not in self._closed]
        for box in fresh:
            self.boxes.append(box)
            self._closed.add(box["hwnd"])
            self.s.click(box["hwnd"], IDOK)
            self.closed_at.append(self.watch.clock())
        self.closed_last = bool(fresh)
        for box in fresh:
            self.s.driver.call("wait-gone", hwnd=box["hwnd"], wait=10000)
        if fresh and self.own:
            # Closing a box activates its owner, the pet; the user goes back to their window once
            # that has happened (else the owner's activation, come late, would take it away again).
            self.s.wait_until(lambda: self.s.driver.call("foreground").one.get("hwnd") == self.pet.hwnd, 3,
                              "", must=False)
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
    """The screen as it was before the pet started, and what shot marks look like. Taken before
    the start, so that no mark of the pet's first ticks is already part of it."""

    def __init__(self, s, exe):
        self.s = s
        pixels = s.driver.call("bitmap-pixels", exe=winpath(exe), bitmap=SHOT_MARK).one
        key = int(pixels["key"], 16)
        self.mark_colours = {int(row[i:i + 6], 16) for row in pixels["rows"] for i in range(0, len(row), 6)} - {key}
        # Where a mark drawn at (0, 0) colours the screen.
        self.mark_pixels = [(x, y) for y, row in enumerate(pixels["rows"][:SHOT_IMAGE[1]])
                            for x in range(min(SHOT_IMAGE[0], len(row) // 6)) if int(row[6 * x:6 * x + 6], 16) != key]
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

    def chance_of_no_mark(self, corner: tuple[int, int], excluded: list[Box]) -> float:
        """The chance that a volley fired from this corner leaves no mark that `marks` can find:
        every one of its shots off the screen, on the pet or a box, or where the desktop was not
        plain. A shot lands at the corner plus the spread times (r1 - r3, r2 - r4), four draws of
        0..9."""
        width, height, data = self.baseline.width, self.baseline.height, self.baseline.data
        # The marks the pet stood on may be gone with the window that covered them.
        excluded = [*excluded, around((corner[0], corner[1], corner[0] + PET_SIZE, corner[1] + PET_SIZE))]
        weight = {k: (10 - abs(k)) / 100 for k in range(-9, 10)}  # the chance of r1 - r3 == k
        unseen = 0.0
        for (a, wa), (b, wb) in itertools.product(weight.items(), repeat=2):
            x0, y0 = corner[0] + SHOT_SPREAD * a, corner[1] + SHOT_SPREAD * b
            seen = any(0 <= x0 + x < width and 0 <= y0 + y < height
                       and self._outside(x0 + x, y0 + y, excluded)
                       and data[3 * ((y0 + y) * width + x0 + x):3 * ((y0 + y) * width + x0 + x) + 3] == self.plain
                       for x, y in self.mark_pixels)
            unseen += 0 if seen else wa * wb
        return unseen ** VOLLEY_SHOTS

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
        the pet stood while it was taken, the windows it owns (its message boxes) and the other
        given boxes. The pet is stopped while the screen is read, so that it stands where it was
        sampled."""
        def owned():  # its message boxes; one opened before the stop is still open after it
            return {tuple(w["rect"]) for w in self.s.windows(visible=True) if w.get("owner") == watch.pet.hwnd}

        boxes = owned()
        with watch.held():
            before = watch.sample()
            image = self.s.screen_pixels()
            after = watch.sample()
        boxes |= owned()
        path = self.s.save_picture(image, self.s.folder / f"{name}.png")
        pet_box = around((before.x, before.y, before.x + PET_SIZE, before.y + PET_SIZE),
                         (after.x, after.y, after.x + PET_SIZE, after.y + PET_SIZE))
        self.s.note(f"screenshot {path.name}" + (f", leaving out the pet's windows at {sorted(boxes)}" if boxes else ""))
        return image, [pet_box, *(around(r) for r in boxes), *also]


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
    s.expect(not hidden.topmost, f"the hidden pet is topmost: {hidden}")
    still = expect_still(s, watch, STILL_SECONDS, "after hiding")
    s.expect_equal(still.corner, hidden.corner, "the hidden pet's corner")
    now = s.sample(watch.pet.hwnd)
    s.expect(now["below"] == 0 and not now["topmost"],
             f"the hidden pet is not at the bottom of the z-order: {now['below']} visible windows below it "
             f"(z-order {[w['hwnd'] for w in s.windows(visible=True)]}, pet {watch.pet.hwnd})")
    watch.expect_picture(still, TEARFUL)



# ---------------------------------------------------------------------------------------------
# Scenarios
# ---------------------------------------------------------------------------------------------

SINGLE_STEPS_TO_JUDGE = 40
PHASE_CHECKS_TO_JUDGE = 30


def enough_to_judge(s, watch: PetWatch, phases: bool = True, **walk) -> bool:
    """Whether the walk seen so far holds enough single steps (and changes of frame) to judge
    its walking frames; the walk is checked on the way."""
    report = expect_walk(s, walk_before_hiding(watch.stands()), **walk)
    return report.single_steps >= SINGLE_STEPS_TO_JUDGE and (not phases or report.phase_checks >= PHASE_CHECKS_TO_JUDGE)


def scenario_contented_pet_walks_in_steps(s):
    exe = s.place_exe()
    s.write_save(exe, format_save(pet_record()))
    pet = s.start_pet(exe)
    watch = PetWatch(s, pet)
    bounds = walk_bounds(s)

    # Alone on the screen the pet is the foreground window itself and walks at random: watched
    # for 8 s at least, and until enough single steps and changes of frame were seen to judge
    # its walking frames (a busy machine samples it less often). With the user's window in front
    # it walks on, sooner or later to that window's left edge, and never takes the foreground from it.
    watch_until(s, watch, 8, lambda: False)
    watch_until(s, watch, 60, lambda: enough_to_judge(s, watch, bounds=bounds), every=2.0)
    own = OwnWindow(s, x=420, y=560)
    joined = watch.clock()
    watch_until(s, watch, 16, lambda: hiding_place(watch.stands(joined)) is not None)

    track = watch.save_track("walk")
    stands = watch.stands()
    hidden = hiding_place(stands) is not None
    walking = walk_before_hiding(stands)
    s.note(f"{len(walking)} stands walking, hidden: {hidden}; track in {track}")
    report = expect_walk(s, walking, bounds=bounds)
    s.note(f"{report}")
    s.expect(report.poses == 0, "a contented pet struck a shooting pose")
    s.expect(report.single_steps >= SINGLE_STEPS_TO_JUDGE and report.phase_checks >= PHASE_CHECKS_TO_JUDGE,
             f"too few single steps seen to judge the walking frames: {report}")
    expect_tick_rate(s, report, walking[-1].first - walking[0].last)
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
        desktop = Desktop(s, exe)
        pet = s.start_pet(exe)
        watch = PetWatch(s, pet)
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


# A trick that answers to one mischief roll of 50 is given a chance every tick; after this many
# stands of the pet (a walking pet shows at least one a tick) not seeing it is a fault, not bad
# luck: (49/50) ** 700 < 1e-6. At ten ticks a second that is over a minute, so the waits
# below are bounded by it rather than by seconds, which a busy machine stretches.
ONE_IN_50_OVERDUE = 700
OVERDUE_SECONDS = 240  # a last bound, for a pet that neither walks nor stops


def scenario_stressed_pet_grumbles_fires_volleys_and_minimises(s):
    """NoMischief1 on: no single shots and no titles. While the pet itself is the foreground
    window it grumbles and fires volleys; once the driver's window is in front it minimises it.

    Whatever is in front may be minimised or walked to, a message box too: a run in which the pet
    stopped another way (hid, or minimised a box before the driver closed it) is followed by
    another, until each act was seen."""
    deadline = time.monotonic() + 240
    attempt = 0
    boxes_seen, volley_marks = [], []
    while True:
        attempt += 1
        s.expect(time.monotonic() < deadline and attempt <= 4,
                 f"in {attempt - 1} runs: {len(boxes_seen)} message boxes, {len(volley_marks)} volley mark pixels, "
                 f"and the driver's window not minimised")
        exe = s.place_exe(f"run{attempt}/pomki_pet.exe")
        s.write_save(exe, format_save(stressed_record(NO_MISCHIEF_1)))
        desktop = Desktop(s, exe)
        pet = s.start_pet(exe)
        watch = PetWatch(s, pet)
        boxes = BoxCloser(s, pet, watch)
        if not (boxes_seen and volley_marks):
            # The pet shown alone is the foreground window; its first ticks may already have
            # opened a grumbling box, which then is (the box's owner is the pet).
            def pet_or_its_box_in_front():
                front = s.driver.call("foreground").one
                return front.get("hwnd") == pet.hwnd or front.get("owner") == pet.hwnd

            s.expect(s.wait_until(pet_or_its_box_in_front, 10, "", must=False),
                     f"neither the pet alone on the screen nor a box of its own became the foreground window "
                     f"within 10 s: {s.driver.call('foreground').one}")

            def volleys():
                return [x for x in watch.stands() if x.shows(AUTO_GUN)]

            def grumbled_and_volley_over():
                volley_seen = volley_marks or (volleys() and not watch.stands()[-1].shows(AUTO_GUN))
                return (((boxes.boxes or boxes_seen) and volley_seen) or halted(watch)
                        or len(watch.stands()) >= ONE_IN_50_OVERDUE)

            watch_until(s, watch, OVERDUE_SECONDS, grumbled_and_volley_over, boxes)
            watch.save_track(f"run{attempt}-alone")
            unlucky = False
            if volleys() and not volley_marks:
                image, excluded = desktop.shot(watch, f"run{attempt}-volley")
                volley_marks = desktop.marks(image, excluded)
                if not volley_marks:
                    # Near a corner of the screen every shot of a volley may fall off it. That
                    # is let pass only where it is not too unlikely; the next run tries again.
                    corners = sorted({x.corner for x in volleys()})
                    chance = math.prod(desktop.chance_of_no_mark(c, excluded) for c in corners)
                    s.expect(chance > 1e-4, f"no shot mark on the screen after volleys at {corners}, "
                                            f"where all of them fall outside the screen with a chance of {chance:.2g}")
                    s.note(f"run {attempt}: volleys at {corners} left no mark to see "
                           f"(a chance of {chance:.2g} from there)")
                    unlucky = True
            boxes.expect_grumbles()
            boxes_seen += boxes.boxes
            s.note(f"run {attempt}: {len(boxes.boxes)} boxes, {len(volleys())} volleys, "
                   f"{len(volley_marks)} shot mark pixels")
            # A box in front of the pet may have been minimised, which stops the pet.
            stands = watch.stands()
            act = minimising_act(stands)
            walked = stands[:act[0]] if act else stands
            report = expect_walk(s, walked, bounds=walk_bounds(s), boxes_closed_at=boxes.closed_at)
            if act:
                expect_rest_of_boxed_tick(s, stands[act[0]:act[1] + 1], stands[act[1] + 1:], boxes, walk_bounds(s))
            # A volley pose is placed topmost once it is shaped (a stand between the two is no pose).
            unplaced = [x for i, x in enumerate(stands) if x.shows(AUTO_GUN) and unplaced_pose(stands, i)]
            s.expect(all(x.topmost for x in volleys() if x not in unplaced),
                     f"a volley pose that is not topmost: {[str(x) for x in volleys()]}")
            if not (boxes_seen and volley_marks):
                s.expect(halted(watch) or unlucky,
                         f"not both a message box and a volley in {len(watch.stands())} stands: {report}")
                s.note(f"run {attempt}: the pet stopped; starting again")
                s.kill(pet)
                continue

        own = OwnWindow(s, x=960, y=560)
        boxes.own = own
        joined = watch.clock()
        watch_until(s, watch, OVERDUE_SECONDS, lambda: own.minimised() or halted(watch, since=joined)
                    or len(watch.stands(joined)) >= ONE_IN_50_OVERDUE, boxes)
        watch.save_track(f"run{attempt}")
        boxes.expect_grumbles()
        s.expect_equal(own.titles(), [], "titles given to the driver's window under NoMischief1")
        if not own.minimised():
            s.expect(halted(watch, since=joined),
                     f"the driver's window was not minimised in {len(watch.stands(joined))} stands of the pet "
                     f"({watch.clock() - joined:.1f} s), nor did the pet stop")
            s.note(f"run {attempt}: the pet stopped before it minimised the window; starting again")
            s.kill(pet)
            own.close()
            continue

        # The five poses of the act, topmost where the pet stood; the last one stays. The act may
        # have run in a tick that came while a grumbling box was open (the driver's window was
        # brought back in front of it): then the tick that opened the box goes on once the box
        # is closed, and may take one step, or hide, after the act.
        def act_over():
            last = watch.stands()[-1]
            return not boxes.closed_last and last.last - last.first > 0.5

        watch_until(s, watch, 8, act_over, boxes)
        watch.save_track(f"run{attempt}")
        bounds = walk_bounds(s)
        stands = watch.stands()
        found = minimising_act(stands)
        s.expect(found and found[0] > 0,
                 f"after minimising, the pet did not strike the act's poses, topmost, the last one in the tearful frame: "
                 f"{[str(x) for x in stands[-8:]]}")
        act, last_tearful = found
        poses = stands[act:last_tearful + 1]
        # Struck where the pet stood; the first pose has the outline of the front view, so a last
        # step that showed the front view is seen as part of it. The pet may have walked on
        # unseen between the last stand seen and the act (while the driver's window opened):
        # as many steps as that time allows.
        before = stands[act - 1]
        unseen = max_steps(before, poses[0])
        where = {corner for k in range(unseen + 1) for corner in reachable(before.corner, ALL_STEPS, k, bounds)}
        if poses[0].shows(FRONT):
            where |= reachable(before.corner, ALL_STEPS, unseen + 1, bounds)
        s.expect(len({x.corner for x in poses}) == 1 and poses[0].corner in where,
                 f"the minimising poses moved the pet: {[str(x) for x in stands[act - 1:]]}")
        expect_walk(s, stands[:act], bounds=bounds, boxes_closed_at=boxes.closed_at)
        s.expect(not [p for p in watch.samples if GUN in p.frames], "a pet under NoMischief1 fired a single shot")
        final = expect_rest_of_boxed_tick(s, poses, stands[last_tearful + 1:], boxes, bounds)

        own.bring_back()
        count = len(own.events())
        still = expect_still(s, watch, STILL_SECONDS + 1, "after minimising")
        s.expect_equal((still.corner, still.topmost, still.frames), (final.corner, final.topmost, final.frames),
                       "corner, topmost and shape of the pet")
        if still.shows(TEARFUL):
            watch.expect_picture(still, TEARFUL)
        s.expect(not [e for e in own.events()[count:] if e["iconic"]], "the window was minimised again")
        s.expect_equal(s.driver.call("msgbox", exe=winpath(exe)).ok, False, "a message box after minimising")
        watch.save_track(f"run{attempt}")
        s.kill(pet)
        return


def expect_rest_of_boxed_tick(s, poses: list, after: list, boxes: BoxCloser, bounds) -> Stand:
    """What the pet did after the minimising act: nothing, unless the act ran while a grumbling
    box was open and that box was closed after the act began. Then the tick that opened the box
    goes on with what it knew when it began: one walking step from where the act was struck
    (reshaped there, still topmost, then placed not topmost), or the hiding move 30 pixels left
    of there, tearful and not topmost. Returns the pet's last stand."""
    if not after:
        return poses[-1]
    corner = poses[-1].corner
    shown = " -> ".join(str(x) for x in [poses[-1], *after])
    s.expect(any(t > poses[0].first_sent for t in boxes.closed_at),
             f"the pet went on after the minimising act with no message box closed since: {shown}")
    *reshaped, placed = after
    s.expect(len(reshaped) <= 1 and all(x.topmost and x.corner == corner and x.shows(*PHASE) and x.frames == placed.frames
                                        for x in reshaped),
             f"more than one tick's step after the minimising act: {shown}")
    step = placed.corner in reachable(corner, ALL_STEPS, 1, bounds) and placed.shows(*PHASE)
    hide = placed.corner == (corner[0] - HIDE_SHIFT, corner[1]) and placed.shows(TEARFUL)
    s.expect(not placed.topmost and (step or hide),
             f"after the minimising act, the tick that opened a message box went on with neither one walking step "
             f"nor the hiding move: {shown}")
    s.note(f"after the minimising act, the tick that opened a box went on: {shown}")
    return placed


def scenario_guarded_pet_plays_no_tricks(s):
    """NoMischief1 and MischiefGuard both on: a starving pet at stress 500 plays no trick at all."""
    exe = s.place_exe()
    s.write_save(exe, format_save(stressed_record(NO_MISCHIEF_1, MISCHIEF_GUARD)))
    desktop = Desktop(s, exe)
    pet = s.start_pet(exe)
    watch = PetWatch(s, pet)
    own = OwnWindow(s, x=960, y=560)
    boxes = BoxCloser(s, pet, watch, own)
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
    expect_tick_rate(s, report, walking[-1].first - walking[0].last)
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
    s.pointer_to(220, 170)
    pet = s.start_pet(exe)
    watch = PetWatch(s, pet)
    own = OwnWindow(s, x=700, y=480)
    boxes = BoxCloser(s, pet, watch, own)

    # Two walks to the pointer; more, to (120, 290) and back to (220, 170), while too few single
    # steps were seen to judge its frames (a busy machine samples it less often).
    targets = [(220, 170), (120, 290)] + [(220, 170), (120, 290)] * 3
    for number, target in enumerate(targets):
        if number >= 2 and enough_to_judge(s, watch, phases=False, steps=DIAGONAL_STEPS,
                                           boxes_closed_at=boxes.closed_at):
            break
        s.pointer_to(*target)
        since = time.monotonic()

        def near(stand):
            return max(abs(stand.centre[0] - target[0]), abs(stand.centre[1] - target[1])) <= 4

        s.expect(watch_until(s, watch, 45, lambda: near(watch.stands()[-1]), boxes),
                 f"the pet's centre did not come to the pointer at {target} within 45 s: last {watch.stands()[-1]}")
        s.note(f"the pet reached {target} in {time.monotonic() - since:.1f} s")
        arrived = watch.clock()
        watch_until(s, watch, 2, lambda: False, boxes)
        for stand in watch.stands(arrived):
            s.expect(near(stand), f"the pet's centre strayed from the pointer at {target}: {stand}")

    watch.save_track("follow")
    stands = watch.stands()
    s.expect(hiding_place(stands) is None, "a pet following the pointer hid behind a window")
    report = expect_walk(s, stands, steps=DIAGONAL_STEPS, boxes_closed_at=boxes.closed_at)
    s.note(f"{report}")
    s.expect(report.single_steps >= SINGLE_STEPS_TO_JUDGE, f"too few single steps seen: {report}")
    # Each box takes the foreground, and its owner, the pet, is activated when the box is closed
    # (on a busy machine that may come after the driver brought its window back): at most two
    # losses per box. The pet never takes the foreground of its own accord.
    s.expect(len(own.times_not_in_front()) <= 2 * len(boxes.boxes),
             f"the driver's window lost the foreground {len(own.times_not_in_front())} times "
             f"with {len(boxes.boxes)} message boxes")
    s.expect_equal(own.titles(), [], "titles given to the driver's window by a pet following the pointer")
    s.expect(not own.minimised(), "a pet following the pointer minimised the driver's window")
    boxes.expect_grumbles()
    s.kill(pet)

