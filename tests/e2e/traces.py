"""What the program says it did: the trace the exe writes when POMKI_TRACE names a file (its
format is described at the top of src/core/trace/trace.h), and the three judgements made of it.

    trace = Trace(path)                        # read afresh at each call of .lines
    replay(s, trace_path, complete=True)       # the native core, run over the trace, makes every call
    expect_screen_agrees(s, trace, samples, shapes)   # each sample of the window a state the trace set
    expect_timer_messages(s, trace, interval)  # the intervals asked for, one tick per message, the gaps

Every scenario's traces are replayed by the harness when the scenario ends (Scenario.close); the
other two judgements are made where a scenario watches the pet.
"""

from __future__ import annotations

import dataclasses
import statistics
import subprocess
from pathlib import Path

from constants import IDS, PET_SIZE

# ---------------------------------------------------------------------------------------------
# Reading a trace
# ---------------------------------------------------------------------------------------------

_ESCAPES = {'"': '"', "\\": "\\", "n": "\n", "r": "\r", "t": "\t"}


def _split_words(text: str) -> list[str]:
    """The words of a line; a quoted text is one word, its quotes kept."""
    words, i = [], 0
    while i < len(text):
        if text[i] == " ":
            i += 1
            continue
        start = i
        if text[i] == '"' or text[i:].split(" ", 1)[0].find('="') >= 0:
            # a quoted text, or key="quoted text": up to the closing quote
            i = text.index('"', i) + 1
            while text[i] != '"':
                i += 2 if text[i] == "\\" else 1
            i += 1
        else:
            while i < len(text) and text[i] != " ":
                i += 1
        words.append(text[start:i])
    return words


def unquote(word: str) -> str:
    """A quoted text of the trace as the program's text (UTF-8 and escapes undone)."""
    assert word.startswith('"') and word.endswith('"'), word
    out, body, i = bytearray(), word[1:-1], 0
    while i < len(body):
        c = body[i]
        if c != "\\":
            out += c.encode("utf-8")
            i += 1
        elif body[i + 1] == "x":
            out.append(int(body[i + 2:i + 4], 16))
            i += 4
        else:
            out += _ESCAPES[body[i + 1]].encode("utf-8")
            i += 2
    return out.decode("utf-8", errors="surrogateescape")


def parse_rect(word: str) -> tuple[int, int, int, int]:
    left, top, right, bottom = (int(v) for v in word.split(","))
    return (left, top, right, bottom)


def parse_point(word: str) -> tuple[int, int]:
    x, y = (int(v) for v in word.split(","))
    return (x, y)


@dataclasses.dataclass
class Line:
    number: int  # in the file, from 1
    kind: str    # "event", "call", "begin" (a modal call starts), "end" (it ends)
    text: str    # without its indentation and its marks ("> ", " {", "} ")

    @property
    def call(self) -> str:
        """The call or event without its answer."""
        at = self._answer_at()
        return self.text if at < 0 else self.text[:at]

    @property
    def answer(self) -> str | None:
        at = self._answer_at()
        return None if at < 0 else self.text[at + 3:]

    @property
    def name(self) -> str:
        return self.text.split(" ", 1)[0]

    @property
    def args(self) -> list[str]:
        return _split_words(self.call)[1:]

    def _answer_at(self) -> int:
        quoted, i = False, 0
        while i < len(self.text):
            c = self.text[i]
            if quoted and c == "\\":
                i += 2
                continue
            if c == '"':
                quoted = not quoted
            elif not quoted and self.text.startswith(" = ", i):
                return i
            i += 1
        return -1

    def __str__(self):
        mark = {"event": "> ", "end": "} "}.get(self.kind, "")
        return f"{self.number}: {mark}{self.text}{' {' if self.kind == 'begin' else ''}"


def parse_lines(text: str) -> list[Line]:
    lines = []
    for number, raw in enumerate(text.split("\n"), start=1):
        raw = raw.rstrip("\r").lstrip(" ")
        if not raw or raw.startswith("#"):
            continue
        if raw.startswith("> "):
            lines.append(Line(number, "event", raw[2:]))
        elif raw.startswith("} "):
            lines.append(Line(number, "end", raw[2:]))
        elif raw.endswith(" {"):
            lines.append(Line(number, "begin", raw[:-2]))
        else:
            lines.append(Line(number, "call", raw))
    return lines


@dataclasses.dataclass
class TimerMessage:
    line: Line
    timer: int
    time: int  # the message's time, ms of the system's tick count


class Trace:
    """A trace file, read afresh whenever it is looked at (the program appends to it as it runs)."""

    def __init__(self, path: Path):
        self.path = Path(path)

    @property
    def lines(self) -> list[Line]:
        if not self.path.is_file():
            return []
        text = self.path.read_text(encoding="utf-8", errors="surrogateescape")
        # A line being written as the file is read is left for the next look.
        return parse_lines(text[:text.rfind("\n") + 1])

    def named(self, name: str, lines: list[Line] | None = None) -> list[Line]:
        return [x for x in (self.lines if lines is None else lines) if x.name == name]

    def timer_messages(self, lines: list[Line] | None = None) -> list[TimerMessage]:
        found = []
        for x in self.named("pet.Timer", lines):
            timer, at = x.args
            found.append(TimerMessage(x, int(timer), int(at[1:])))
        return found

    def ticks(self, lines: list[Line] | None = None) -> int:
        """Timer messages of the behaviour timer handled so far."""
        return sum(1 for m in self.timer_messages(lines) if m.timer == BEHAVIOUR_TIMER)

    def answers(self, call: str, lines: list[Line] | None = None) -> list[str]:
        return [x.answer for x in (self.lines if lines is None else lines) if x.call == call and x.answer is not None]


BEHAVIOUR_TIMER, AUTOSAVE_TIMER, PRESENCE_TIMER = (IDS[name] for name in ("BEHAVIOUR_TIMER_ID", "AUTOSAVE_TIMER_ID", "PRESENCE_TIMER_ID"))


# ---------------------------------------------------------------------------------------------
# The replay
# ---------------------------------------------------------------------------------------------

def replay(replay_tool: Path, trace_path: Path, complete: bool) -> tuple[bool, str]:
    """Runs the native core over the trace (tools/replay): (whether every call agreed, what it said)."""
    args = [str(replay_tool), str(trace_path)] + (["--complete"] if complete else [])
    done = subprocess.run(args, capture_output=True, text=True, timeout=120)
    return done.returncode == 0, (done.stdout + done.stderr).strip()


# ---------------------------------------------------------------------------------------------
# The screen against the trace
# ---------------------------------------------------------------------------------------------

ANY = None  # a rectangle the system set (a drag by the user) and the trace cannot name


@dataclasses.dataclass(frozen=True)
class WindowState:
    """What the trace says the pet window is at some moment."""

    rect: tuple | None  # ANY while the user drags it
    slot: int | None    # the frame slot of its shape; None before it has one
    topmost: bool
    visible: bool
    line: int = 0       # the trace line that set it

    def shows(self, sample) -> bool:
        return ((self.rect is ANY or self.rect == sample.rect) and sample.matches_slot(self.slot)
                and self.topmost == sample.topmost and self.visible == sample.visible)

    def __str__(self):
        rect = "anywhere (dragged)" if self.rect is ANY else ",".join(map(str, self.rect))
        return (f"line {self.line}: {rect} slot {self.slot}{' topmost' if self.topmost else ''}"
                f"{'' if self.visible else ' hidden'}")


def window_states(s, lines: list[Line], moved_by_test: bool = False) -> list[WindowState]:
    """Every state the trace says the pet window went through, in order. A rectangle the window
    reports (win.PetRect) must be the one the trace last set, unless the user dragged it since;
    with `moved_by_test`, the scenario moved the pet before its first tick, which then finds it
    elsewhere."""
    states = [WindowState(rect=ANY, slot=None, topmost=False, visible=False)]
    side = PET_SIZE
    dragging = 0
    known = False  # the rectangle is the one the trace set (not before the first report or after a drag)
    in_tick = False

    def change(line: Line, **fields):
        states.append(dataclasses.replace(states[-1], line=line.number, **fields))

    for line in lines:
        name, args = line.name, line.args
        if line.kind == "event":
            in_tick = name == "pet.Timer"
            continue
        if name == "win.PetRect" and in_tick and moved_by_test:
            known, moved_by_test = False, False
        if name == "win.PetRect" and line.answer is not None and not dragging:
            reported = parse_rect(line.answer)
            s.expect(not known or states[-1].rect == reported,
                     f"trace line {line.number}: the pet window reports {reported}, but the trace last put it at "
                     f"{states[-1].rect}")
            if states[-1].rect != reported:
                change(line, rect=reported)
            known = True
        elif name == "win.LoadFrames":
            side = PET_SIZE * int(args[0])
        elif name == "win.SetRect":
            change(line, rect=parse_rect(args[0]))
        elif name == "win.ApplyFrameRegion":
            change(line, slot=int(args[0]))
        elif name == "win.PlacePet":
            x, y = parse_point(args[1])
            change(line, rect=ANY if dragging else (x, y, x + side, y + side), topmost=args[0] == "TopMost",
                   visible=True)
        elif name == "win.Show":
            change(line, visible=True)
        elif name == "win.DragPet" and line.kind == "begin":
            dragging += 1
            change(line, rect=ANY)
            known = False
        elif name == "win.DragPet" and line.kind == "end":
            dragging -= 1
    return states


def expect_screen_agrees(s, trace: Trace, samples: list, what: str = "the pet window", moved_by_test: bool = False) -> int:
    """Each sample of the pet window (rectangle, shape, topmost, visible) is a state the trace says
    the program set, the samples in the trace's order: sample k shows the state at or after the one
    that sample k-1 showed. No timing and no step counts come into it. Under Wine a new shape may
    be seen before its placing: both are states of the trace. Returns how many states were seen."""
    states = window_states(s, trace.lines, moved_by_test)
    at, seen = 0, set()
    for k, sample in enumerate(samples):
        while at < len(states) and not states[at].shows(sample):
            at += 1
        if at == len(states):
            before = samples[k - 1] if k else None
            near = [str(x) for x in states[max(0, last_at - 2):last_at + 6]] if k else [str(x) for x in states[:8]]
            s.fail(f"{what} showed {sample}, which is no state of the trace after the one it showed before "
                   f"({before}, trace state {states[last_at] if k else None}); the states from there on:\n    "
                   + "\n    ".join(near))
        seen.add(at)
        last_at = at
    return len(seen)


# ---------------------------------------------------------------------------------------------
# Timer messages
# ---------------------------------------------------------------------------------------------

# Wine keeps a window timer on the grid of its start (due at start + k * interval); a message is
# handed out at or after its due time, and one handed out after the next due time stands for both
# (messages are not made up). So messages i < j of one timer, between two starts of it, lie at
# least (j - i - 1) intervals apart, less the 1 ms of the tick count's granularity.
GRANULARITY_MS = 1
# An idle thread gets a due timer message within a millisecond or two under Wine (measured: gaps
# of 100 +- 1 ms at 100 ms); a busy machine may hold up some ticks, but not half of them.
TYPICAL_GAP = 1.25


def expect_timer_messages(s, trace: Trace, behaviour_interval: int | None, lines: list[Line] | None = None,
                          min_gaps_for_typical: int = 20) -> dict:
    """The timing of the run, judged from the trace alone: every start of the behaviour timer
    asks for `behaviour_interval` ms (None: the scenario checks what each start asked for, and
    each run is judged by it), the autosave timer's for 60000 and the presence check's for
    10000; each timer message is
    handled once (its time not seen before for its timer); the messages of each run of a timer keep
    to the grid of its interval; and where a run has enough gaps, the typical (median) gap is about
    the interval, not longer. Returns figures for the scenario's notes."""
    lines = trace.lines if lines is None else lines
    intervals = {BEHAVIOUR_TIMER: behaviour_interval, AUTOSAVE_TIMER: 60_000, PRESENCE_TIMER: 10_000}
    names = {"Behaviour": BEHAVIOUR_TIMER, "Autosave": AUTOSAVE_TIMER, "PresenceCheck": PRESENCE_TIMER}
    runs: dict[int, list[list[int]]] = {t: [] for t in intervals}
    asked: dict[int, list[int]] = {t: [] for t in intervals}  # the interval each run asked for
    running: dict[int, bool] = {t: False for t in intervals}
    for line in lines:
        if line.name == "win.StartTimer":
            timer = names[line.args[0]]
            if intervals[timer] is not None:
                s.expect_equal(int(line.args[1]), intervals[timer], f"trace line {line.number}: the interval asked "
                                                                    f"for the {line.args[0]} timer")
            runs[timer].append([])
            asked[timer].append(int(line.args[1]))
            running[timer] = True
        elif line.name == "win.StopTimer":
            running[names[line.args[0]]] = False
        elif line.name == "pet.Timer" and line.kind == "event":
            timer, at = int(line.args[0]), int(line.args[1][1:])
            s.expect(timer in intervals, f"trace line {line.number}: a message of an unknown timer {timer}")
            s.expect(running[timer], f"trace line {line.number}: a message of timer {timer}, which is not running")
            run = runs[timer][-1]
            s.expect(not run or at > run[-1],
                     f"trace line {line.number}: timer {timer}'s message of {at} ms handled again, or after a later "
                     f"one ({run[-1] if run else None} ms): one tick per timer message")
            run.append(at)
    figures = {"ticks": sum(len(r) for r in runs[BEHAVIOUR_TIMER]), "typical_gap": None}
    for timer in intervals:
        for run, interval in zip(runs[timer], asked[timer]):
            for i in range(len(run)):
                # Against every earlier message of the run: two messages come at most one interval
                # closer than their count says (a late one, then one on time).
                for j in range(i + 1, len(run)):
                    least = (j - i - 1) * interval - GRANULARITY_MS
                    if run[j] - run[i] < least:
                        s.fail(f"timer {timer}: {j - i + 1} messages within {run[j] - run[i]} ms, at "
                               f"{run[i:j + 1]}: more than one per {interval} ms")
                    if run[j] - run[i] > (j - i + 2) * interval:
                        break  # further ones are farther still
            gaps = [b - a for a, b in zip(run, run[1:])]
            if len(gaps) >= min_gaps_for_typical:
                typical = statistics.median(gaps)
                figures["typical_gap"] = typical
                s.expect(typical <= TYPICAL_GAP * interval,
                         f"timer {timer}: the typical gap between its messages is {typical} ms, asked for {interval}")
    return figures


# ---------------------------------------------------------------------------------------------
# What a scenario reads in a trace
# ---------------------------------------------------------------------------------------------

@dataclasses.dataclass
class Tick:
    """One behaviour tick of the trace: its message, and the facts and draws it began with."""

    line: Line
    time: int
    foreground: int | None = None  # the window the desktop said was in front
    wander_roll: int | None = None
    mischief_roll: int | None = None


def ticks_of(lines: list[Line]) -> list[Tick]:
    """The behaviour ticks in order, each with the foreground window and the two rolls it drew
    first (a tick asks for them before any act, so no nested event comes between)."""
    ticks, current = [], None
    for line in lines:
        if line.kind == "event":
            current = None
            if line.name == "pet.Timer" and int(line.args[0]) == BEHAVIOUR_TIMER:
                current = Tick(line, int(line.args[1][1:]))
                ticks.append(current)
        elif current is not None and line.answer is not None:
            if line.call == "desk.ForegroundWindow":
                current.foreground = int(line.answer, 16)
            elif line.call == "rand.Next 20" and current.wander_roll is None:
                current.wander_roll = int(line.answer)
            elif line.call == "rand.Next 50" and current.mischief_roll is None:
                current.mischief_roll = int(line.answer)
                current = None  # the rest of the tick may hold nested events
    return ticks


def window_ref(hwnd: int) -> str:
    """A window as the trace writes it."""
    return hex(hwnd)


def shot_marks(lines: list[Line]) -> list[tuple[Line, tuple[int, int], bool]]:
    """Every shot mark the trace drew: (its line, where, whether it surely shows on the screen).
    Under Wine drawing on the screen reaches the X server only when the program next waits for a
    message (Wine's X driver flushes then); an event after the mark's line means it has waited."""
    marks = []
    last_event = max((x.number for x in lines if x.kind == "event"), default=0)
    for line in lines:
        if line.name == "desk.DrawShotMark":
            marks.append((line, parse_point(line.args[0]), line.number < last_event))
    return marks


def pet_rects_since(s, lines: list[Line], line_number: int) -> list[tuple]:
    """The rectangles the pet window stood at from this trace line on (ANY left out)."""
    states = window_states(s, lines)
    start = max((i for i, x in enumerate(states) if x.line <= line_number), default=0)
    return sorted({x.rect for x in states[start:] if x.rect is not ANY})


def parse_facts(answer: str) -> dict:
    """A window's facts as desk.DescribeWindow answers them."""
    facts = {}
    for word in _split_words(answer):
        key, value = word.split("=", 1)
        if key == "class":
            facts[key] = unquote(value)
        elif key in ("rect", "monitor"):
            facts[key] = parse_rect(value)
        else:
            facts[key] = value == "1"
    return facts
