"""The scenario API: what a scenario function (`scenario_*` in tests/e2e/test_*.py, taking one
`Scenario`) has at hand. A fresh folder with its own copy of the exe and its own save file, a
`Driver` to see and work the windows, real input on the display, and clean-up of every process
that it started.

    exe = s.place_exe("ぽて ぽて/pomki_pet (1).exe")   # a copy of the program in the scenario's folder
    s.write_save(exe, format_save(record(level=5)))     # the save file beside it (savefile.py)
    pet = s.start_pet(exe)                # returns once its window is visible; pet.window, pet.hwnd
    pet = s.start_pet(exe, hold=True)     # ... and stopped before its first tick, at (0, 0)
    s.release(pet) / s.kill(pet) / s.quit(pet) / s.wait_exit(pet)
    s.sample(hwnd)                        # rectangle, region, z-order, topmost: one driver call
    s.driver.call("controls", hwnd=h)     # any driver command; Reply.ok, .one, .objects
    s.wait_msgbox(owner=pet.hwnd) / s.click(box["hwnd"], 1) / s.windows(exe=winpath(exe))
    s.pointer_to(x, y) / s.press(1) / s.release_button(1) / s.key("Escape")   # real input, each
                                          # returning once the display has it
    s.start_own_window("title", seconds=10)   # a foreground window that logs what happens to it
    desktop = s.start_desktop("pomki"); s.start_pet_on_desktop(exe, desktop)   # with a notification area
    s.end_session() / s.screenshot(path) / s.screen_pixels().pixel(x, y)
    s.expect(...), s.expect_equal(...), s.wait_until(...), s.note(...)
    raise Skip(reason) / s.skip_case(label, reason)   # the whole scenario, or one case of it
"""

from __future__ import annotations

import contextlib
import dataclasses
import json
import os
import shutil
import signal
import subprocess
import time
import traceback
from pathlib import Path
from typing import Callable

from constants import CARE_TITLE, WM_TRAY_NOTIFY
from driver_client import Driver
from errors import HarnessError, ScenarioFailure, Skip  # noqa: F401  (Skip is raised by scenarios)
from savefile import decode_save
from traces import Trace, replay
from wine_env import SCREEN, Environment, wine_prefix

winpath = wine_prefix.winpath
run_wine_command = wine_prefix.run_wine_command


def hexdump(data: bytes, limit: int = 640) -> str:
    lines = []
    for offset in range(0, min(len(data), limit), 16):
        chunk = data[offset:offset + 16]
        text = "".join(chr(b) if 32 <= b < 127 else "." for b in chunk)
        lines.append(f"    {offset:04x}  {chunk.hex(' '):<47}  {text}")
    if len(data) > limit:
        lines.append(f"    ... {len(data) - limit} more bytes")
    return "\n".join(lines)


def _wait_for(predicate: Callable[[], object], timeout: float, step: float = 0.05):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            return value
        time.sleep(step)


# ---------------------------------------------------------------------------------------------
# Screen pixels
# ---------------------------------------------------------------------------------------------

class Image:
    """An RGB picture read from a binary PPM (P6), as `import` writes it."""

    def __init__(self, ppm: bytes):
        fields, pos = [], 0
        while len(fields) < 4:
            while ppm[pos:pos + 1].isspace():
                pos += 1
            if ppm[pos:pos + 1] == b"#":
                pos = ppm.index(b"\n", pos) + 1
                continue
            end = pos
            while not ppm[end:end + 1].isspace():
                end += 1
            fields.append(ppm[pos:end])
            pos = end
        if fields[0] != b"P6" or int(fields[3]) != 255:
            raise HarnessError("screenshot is not an 8-bit PPM")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.data = ppm[pos + 1:pos + 1 + self.width * self.height * 3]
        self.ppm = ppm

    def pixel(self, x: int, y: int) -> int:
        """0xRRGGBB at (x, y)."""
        i = (y * self.width + x) * 3
        return (self.data[i] << 16) | (self.data[i + 1] << 8) | self.data[i + 2]




@dataclasses.dataclass
class OwnWindow:
    """A window of the driver's own (`own-window`, `polite-window`): it stands in for the program a
    user works in, or for what a real desktop puts in front of the pet. Its log has one JSON line
    per change of its title, minimised state or foreground state."""

    proc: subprocess.Popen
    log: Path
    s: "Scenario"
    hwnd: int = 0
    rect: tuple = ()  # where it was put

    def events(self) -> list[dict]:
        if not self.log.is_file():
            return []
        lines = self.log.read_text(encoding="utf-8", errors="replace").splitlines()
        return [json.loads(line) for line in lines if line.startswith("{") and line.endswith("}")]

    def titles(self) -> list[str]:
        """The titles it had, in order, without repeats."""
        seen = []
        for e in self.events():
            if not seen or seen[-1] != e.get("title"):
                seen.append(e.get("title"))
        return seen

    def now(self) -> dict:
        """Its state now, as the driver reads it."""
        return self.s.driver.call("window", hwnd=self.hwnd).one

    def minimised(self) -> bool:
        return any(e.get("iconic") for e in self.events())

    def times_not_in_front(self) -> list[int]:
        return [e["t"] for e in self.events() if e.get("exists", True) and not e.get("foreground")]

    def bring_back(self) -> None:
        """Restores the window if it is minimised and makes it the foreground window again."""
        driver = self.s.driver
        if self.now().get("iconic"):
            driver.call("post", hwnd=self.hwnd, msg="WM_SYSCOMMAND", wparam="SC_RESTORE")
            self.s.wait_until(lambda: not self.now().get("iconic"), 10, "the driver's own window to be restored")
        self.s.wait_until(lambda: driver.call("set-foreground", hwnd=self.hwnd).ok, 10,
                          "the driver's own window to be the foreground window again")

    def close(self) -> None:
        with contextlib.suppress(ProcessLookupError):
            os.killpg(self.proc.pid, signal.SIGKILL)
        self.proc.wait()


@dataclasses.dataclass
class Pet:
    """A started copy of the program, and the trace it writes."""

    proc: subprocess.Popen
    exe: Path
    trace: Trace
    window: dict | None = None
    held: bool = False
    killed: bool = False
    # Started through a Wine desktop: `proc` is the desktop's starter, not the program, so how the
    # program ended is not known here.
    on_desktop: bool = False

    @property
    def hwnd(self) -> int:
        if not self.window:
            raise ScenarioFailure(f"{self.exe.name} has no window")
        return self.window["hwnd"]

    @property
    def save_path(self) -> Path:
        return self.exe.parent / "pomki.dat"

    def running(self) -> bool:
        return self.proc.poll() is None


class Scenario:
    """What a scenario function works with. Every process it starts is ended when it ends."""

    QUIT_TIMEOUT = 10.0
    WINDOW_TIMEOUT = 15.0

    def __init__(self, environment: Environment, file_name: str, name: str):
        self.environment = environment
        self.name = name
        self.folder = environment.work / "scenarios" / file_name / name
        self.artifacts = environment.work / "artifacts" / file_name
        # Logs of the processes sit beside the scenario's folder, so that they never show up in it.
        self.logs = self.folder.parent / f"{name}.logs"
        for fresh in (self.folder, self.logs):
            shutil.rmtree(fresh, ignore_errors=True)
            fresh.mkdir(parents=True)
        for stale in self.artifacts.glob(f"{name}.*"):
            stale.unlink()
        self.seen: list[str] = []
        self.driver = Driver(environment.driver_exe, environment.env, log=self.note)
        self._drivers = [self.driver]
        self._processes: list[subprocess.Popen] = []
        self._exes: list[Path] = []
        self.restart_wine_after = False
        self.skipped_cases: list[tuple[str, str]] = []  # (case, reason) of cases that cannot run here
        self.pets: list[Pet] = []  # every copy of the program started, each with its trace

    # -- record of what happened, printed when the scenario fails

    def note(self, text: str) -> None:
        self.seen.append(f"{time.strftime('%H:%M:%S')} {text}")

    def fail(self, message: str):
        raise ScenarioFailure(message)

    def expect(self, condition, message: str) -> None:
        if not condition:
            raise ScenarioFailure(message)

    def expect_equal(self, actual, expected, what: str) -> None:
        if actual != expected:
            raise ScenarioFailure(f"{what}: expected {expected!r}, got {actual!r}")

    def skip_case(self, case: str, reason: str) -> None:
        """One case of the scenario cannot run here: it is reported as skipped, with the reason."""
        self.skipped_cases.append((case, reason))
        self.note(f"skipped {case}: {reason}")

    def wait_until(self, predicate: Callable[[], object], timeout: float, what: str, step: float = 0.05,
                   must: bool = True):
        """Polls until the predicate holds; returns its value. A state that does not come within
        the timeout fails the scenario (with must=False, the last value is returned instead, for
        the scenario to say what it saw)."""
        value = _wait_for(predicate, timeout, step)
        if not value and must:
            raise ScenarioFailure(f"timed out after {timeout:.1f} s waiting for {what}")
        return value

    # -- files

    def place_exe(self, relative: str = "pomki_pet.exe") -> Path:
        """A copy of the program at this path inside the scenario's folder."""
        target = self.folder / relative
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(self.environment.exe, target)
        self._exes.append(target)
        return target

    @staticmethod
    def save_path(exe: Path) -> Path:
        return exe.parent / "pomki.dat"

    def write_save(self, exe: Path, data: bytes) -> None:
        self.save_path(exe).write_bytes(data)
        self.note(f"wrote {self.save_path(exe).name} beside {exe.name}: {data[:80]!r}...")

    def read_save(self, exe: Path) -> bytes | None:
        path = self.save_path(exe)
        return path.read_bytes() if path.is_file() else None

    def listing(self, folder: Path) -> dict[str, str]:
        """Name → kind ("file"/"dir") of the entries of a folder."""
        return {p.name: ("dir" if p.is_dir() else "file") for p in folder.iterdir()}

    # -- processes

    def spawn(self, args: list[str], cwd: Path | None = None, log_name: str = "process",
              env: dict | None = None) -> subprocess.Popen:
        """Starts a process under Wine's environment (with `env` added); it is ended with the scenario."""
        log = open(self.logs / f"{log_name}.log", "ab")
        proc = subprocess.Popen(args, env={**self.environment.env, **(env or {})}, cwd=str(cwd or self.folder.parent),
                                stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
        log.close()
        self._processes.append(proc)
        return proc

    def _traced(self, exe: Path, args: list[str], env: dict | None = None) -> Pet:
        """Starts a copy of the program that writes its trace beside the scenario's logs."""
        path = self.logs / f"{exe.stem.replace(' ', '_')}-{len(self.pets) + 1}.trace.txt"
        proc = self.spawn(args, log_name=exe.stem.replace(" ", "_"), env={**(env or {}), "POMKI_TRACE": winpath(path)})
        pet = Pet(proc, exe, Trace(path))
        self.pets.append(pet)
        return pet

    def start_pet(self, exe: Path, wait_window: bool = True, hold: bool = False, attempts: int = 3,
                  env: dict | None = None, windows_path: str | None = None) -> Pet:
        """Starts the program (with `env` added to Wine's environment; by `windows_path`, the path
        it is started by, when it is not the file's Z: path). With wait_window, returns once its
        window is visible.

        With hold, the process is stopped (SIGSTOP) right after its window appears and before its
        first behaviour tick, so that nothing changes until `release` or `quit`: the window must
        still stand where set-up put it, at (0, 0); a start that was too slow to catch is retried.
        The working folder is never the exe's folder, so the save file is found from the exe's path.
        """
        for attempt in range(1, attempts + 1):
            pet = self._traced(exe, ["wine", windows_path or str(exe)], env)
            proc = pet.proc
            self.note(f"started {windows_path or exe} (attempt {attempt})")
            if not wait_window:
                return pet
            reply = self.driver.call("find-window", exe=windows_path or winpath(exe), visible=True,
                                     wait=int(self.WINDOW_TIMEOUT * 1000), poll=10 if hold else 50)
            if not reply.ok and not pet.running() and not pet.trace.path.exists() and attempt < attempts:
                # The program begins its trace in its first lines: without one, Wine ended the
                # process before any of the program ran (seen once in many runs: exit 1, no output).
                self.note(f"{exe.name} ended with {proc.returncode} before its first line ran; starting again")
                self.pets.remove(pet)  # it has no trace to replay
                continue
            if not reply.ok:
                self.fail(f"{exe.name} showed no window within {self.WINDOW_TIMEOUT:.0f} s "
                          f"(process {'running' if pet.running() else 'ended with ' + str(proc.returncode)})")
            pet.window = reply.one
            if not hold:
                # Set-up is over once the pet handles its first message (its window is shown
                # before the dialog's own set-up ends): the scenario's windows come after it.
                self.wait_until(lambda: any(x.kind == "event" and x.name != "pet.Start" for x in pet.trace.lines)
                                or not pet.running(), self.WINDOW_TIMEOUT, "the pet's first event after its set-up")
                return pet
            os.kill(proc.pid, signal.SIGSTOP)
            pet.held = True
            pet.window = self.driver.call("window", hwnd=pet.hwnd).one
            if pet.window.get("rect", [None, None])[:2] == [0, 0]:
                return pet
            self.note(f"the pet had already moved to {pet.window.get('rect')} before it was held; starting again")
            self.kill(pet)
        self.fail(f"in {attempts} starts the pet window was never caught at (0, 0) before its first tick "
                  f"(last seen at {pet.window.get('rect')})")

    def open_care_menu(self, pet: Pet) -> int:
        """The care menu, opened as the release of a click on the notification icon opens it (the
        pet stops walking); returns its window."""
        reply = self.driver.call("post", hwnd=pet.hwnd, msg=WM_TRAY_NOTIFY, lparam="WM_LBUTTONUP")
        self.expect(reply.ok, f"could not post to the pet: {reply!r}")
        reply = self.driver.call("find-window", exe=pet.exe.name, title=CARE_TITLE, visible=True, wait=15000)
        self.expect(reply.ok, "the care menu did not open from the notification icon")
        return reply.one["hwnd"]

    def release(self, pet: Pet) -> None:
        if pet.held:
            os.kill(pet.proc.pid, signal.SIGCONT)
            pet.held = False

    def kill(self, pet: Pet) -> None:
        pet.killed = pet.killed or pet.proc.poll() is None
        with contextlib.suppress(ProcessLookupError):
            os.killpg(pet.proc.pid, signal.SIGKILL)
        pet.proc.wait()
        pet.held = False

    def wait_exit(self, pet: Pet, timeout: float | None = None, after: str = "") -> int:
        timeout = self.QUIT_TIMEOUT if timeout is None else timeout
        try:
            code = pet.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.fail(f"{pet.exe.name} did not end within {timeout:.0f} s{after}")
        self.note(f"{pet.exe.name} ended with exit code {code}")
        return code

    def quit(self, pet: Pet, timeout: float | None = None) -> int:
        """The quit request (WM_QUIT to the pet window's thread); waits for the process to end."""
        reply = self.driver.call("quit", hwnd=pet.hwnd)
        self.expect(reply.ok, f"could not post the quit request: {reply!r}")
        self.release(pet)
        return self.wait_exit(pet, timeout, " after the quit request")

    def end_session(self) -> None:
        """Ends the Windows session of the prefix (WM_QUERYENDSESSION, WM_ENDSESSION(TRUE) to every
        top-level window); the processes keep running, as Windows would end them afterwards. The
        prefix's processes are all ended after this scenario."""
        self.restart_wine_after = True
        done = run_wine_command(["wineboot", "--end-session"], self.environment.env, check=False, timeout=60)
        self.note(f"wineboot --end-session -> {done.returncode}")

    # -- windows and message boxes

    def windows(self, **filters) -> list[dict]:
        """Top-level windows, filtered as the driver's `windows` command filters them."""
        reply = self.driver.call("windows", **filters)
        return [o for o in reply.objects if "hwnd" in o]

    def wait_msgbox(self, timeout: float = 10.0, **filters) -> dict:
        reply = self.driver.call("msgbox", wait=int(timeout * 1000), **filters)
        if not reply.ok:
            self.fail(f"no message box appeared within {timeout:.0f} s ({filters})")
        return reply.one

    def click(self, hwnd: int, control_id, sync: bool = False) -> None:
        reply = self.driver.call("click", hwnd=hwnd, id=control_id, sync=sync)
        self.expect(reply.ok, f"could not click control {control_id} of window {hwnd}: {reply!r}")

    def sample(self, hwnd: int, driver: Driver | None = None) -> dict:
        """One state of a window, read in a single driver call: "rect", "topmost", "visible",
        "iconic", "foreground", "above"/"below" (visible top-level windows above and below it in
        the z-order) and "list" (its region's rectangles, window coordinates)."""
        reply = (driver or self.driver).call("sample", hwnd=hwnd)
        if not reply.ok:
            self.fail(f"window {hwnd} is gone: {reply!r}")
        return reply.one

    def thread_state(self, hwnd: int) -> dict:
        """The input state of the window's thread: "move_size" (a system drag runs), "capture",
        "focus", "active"."""
        reply = self.driver.call("thread", hwnd=hwnd)
        if not reply.ok:
            self.fail(f"cannot read the thread state of window {hwnd}: {reply!r}")
        return reply.one

    # -- real input on the display (xdotool); each returns once the input has reached Wine

    def xdotool(self, *args) -> None:
        subprocess.run(["xdotool", *[str(a) for a in args]], env=self.environment.env, check=True, timeout=30)

    def pointer_to(self, x: int, y: int) -> None:
        """Moves the pointer and waits until Windows programs see it there."""
        self.xdotool("mousemove", x, y)
        self.wait_until(lambda: self.driver.call("screen").one.get("cursor") == [x, y], 5, f"the pointer at ({x},{y})")

    def press(self, button: int = 1) -> None:
        self.xdotool("mousedown", button)

    def release_button(self, button: int = 1) -> None:
        self.xdotool("mouseup", button)

    def key(self, name: str) -> None:
        self.xdotool("key", name)

    def drag(self, hwnd: int, grab: tuple[int, int], path: list[tuple[int, int]]) -> bool:
        """A real drag of a window that the system moves with the mouse: press at `grab`, wait
        until the window's thread runs its move loop, move along `path` (each point reached
        before the next), release, and wait until the loop has ended. False when the press did
        not start a drag within 5 s (the button is released again)."""
        self.pointer_to(*grab)
        self.press(1)
        if not self.wait_until(lambda: self.thread_state(hwnd).get("move_size"), 5, "a drag to start", must=False):
            self.release_button(1)
            self.wait_until(lambda: not self.thread_state(hwnd).get("move_size"), 5, "no drag after the release")
            return False
        for point in path:
            self.pointer_to(*point)
        self.released_at = time.monotonic()
        self.release_button(1)
        self.wait_until(lambda: not self.thread_state(hwnd).get("move_size"), 5, "the drag to end at the release")
        return True

    def focus_by_click(self, hwnd: int, point: tuple[int, int]) -> None:
        """A real click at a point of a window (a label, say) that makes it the foreground window;
        returns once it is."""
        self.pointer_to(*point)
        self.xdotool("click", 1)
        self.wait_until(lambda: self.sample(hwnd).get("foreground"), 5,
                        f"window {hwnd} to be the foreground window after a click at {point}")

    # -- pixels

    def screenshot(self, path: Path | str | None = None) -> Path:
        """A PNG of the whole screen of the harness's display."""
        path = Path(path) if path else self.folder / f"screen-{len(self.seen)}.png"
        path.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-display", self.environment.display, "-window", "root", str(path)],
                       check=True, capture_output=True, timeout=30)
        return path

    def save_picture(self, image: Image, path: Path) -> Path:
        """A PNG of a screen read earlier."""
        subprocess.run(["convert", "ppm:-", str(path)], input=image.ppm, check=True, capture_output=True, timeout=30)
        return path

    def screen_pixels(self) -> Image:
        done = subprocess.run(["import", "-display", self.environment.display, "-window", "root", "-depth", "8", "ppm:-"],
                              check=True, capture_output=True, timeout=30)
        return Image(done.stdout)

    def start_own_window(self, title: str = "e2e own window", seconds: float = 10, desktop: str | None = None,
                         **placement) -> OwnWindow:
        """Opens the driver's own window (made the foreground window) for `seconds`; returns once it
        is up. Placement: x, y, width, height."""
        log = self.logs / f"own-window-{len(list(self.logs.glob('own-window-*')))}.json"
        args = ["wine", str(self.environment.driver_exe), "own-window", "--title", title,
                "--seconds", str(int(seconds)), "--out", winpath(log)]
        if desktop:
            args += ["--desktop", desktop]
        for key, value in placement.items():
            args += [f"--{key}", str(value)]
        window = OwnWindow(self.spawn(args, log_name="own-window"), log, self)
        started = self.wait_until(lambda: [e for e in window.events() if e.get("event") == "start"], 15,
                                  "the driver's own window")
        window.hwnd = started[0]["hwnd"]
        window.rect = tuple(window.now().get("rect", ()))
        self.note(f"own window {window.hwnd} {started[0]}")
        return window

    # -- a Wine virtual desktop, with a taskbar and a notification area

    def start_desktop(self, name: str = "pomki", seconds: int = 120) -> Driver:
        """Opens the Wine virtual desktop NAME (kept open by an idle driver process) and returns a
        driver that works on it once its taskbar's notification area is there. The prefix's
        processes are all ended after this scenario."""
        self.restart_wine_after = True
        self.spawn(["wine", "explorer", f"/desktop={name},{SCREEN[0]}x{SCREEN[1]}", str(self.environment.driver_exe),
                    "idle", "--seconds", str(seconds)], log_name="desktop")
        deadline = time.monotonic() + 20
        while True:
            driver = self.other_driver(desktop=name)
            try:
                # Wine's explorer makes the taskbar after the desktop window, while the program
                # it was handed may already run.
                if driver.call("screen").ok and driver.call("tray-icons").ok:
                    return driver
            except HarnessError:
                pass
            driver.close()
            if time.monotonic() > deadline:
                self.fail(f"the virtual desktop {name} and its notification area did not open within 20 s")
            time.sleep(0.2)

    def start_pet_on_desktop(self, exe: Path, driver: Driver, name: str = "pomki") -> Pet:
        """Starts the program on a virtual desktop opened by start_desktop; returns once its window
        is visible. (The process started is explorer, which hands the program to the desktop.)"""
        pet = self._traced(exe, ["wine", "explorer", f"/desktop={name},{SCREEN[0]}x{SCREEN[1]}", winpath(exe)])
        pet.on_desktop = True
        reply = driver.call("find-window", exe=winpath(exe), visible=True, wait=int(self.WINDOW_TIMEOUT * 1000))
        if not reply.ok:
            self.fail(f"{exe.name} showed no window on the desktop {name} within {self.WINDOW_TIMEOUT:.0f} s")
        pet.window = reply.one
        return pet

    # -- end

    def other_driver(self, desktop: str | None = None) -> Driver:
        driver = Driver(self.environment.driver_exe, self.environment.env, desktop=desktop, log=self.note)
        self._drivers.append(driver)
        return driver

    def report(self, error: BaseException) -> str:
        """What the scenario saw, for a failure: its log, the windows, the save files, a screenshot."""
        out = [f"--- {self.name}: {type(error).__name__}: {error}"]
        if not isinstance(error, ScenarioFailure):
            out += ["".join(traceback.format_exception(error)).rstrip()]
        else:
            frames = [f for f in traceback.extract_tb(error.__traceback__) if f.filename.endswith(".py")]
            out += [f"  at {Path(f.filename).name}:{f.lineno} {f.line}" for f in frames[-3:]]
        out.append("  what it saw:")
        out += [f"    {line}" for line in self.seen[-40:]]
        looker = Driver(self.environment.driver_exe, self.environment.env, log=lambda _: None)
        with contextlib.suppress(Exception):
            reply = looker.call("windows", visible=True, timeout=10)
            out.append("  visible windows now:")
            out += [f"    {json.dumps(o, ensure_ascii=False)}" for o in reply.objects]
        looker.close()
        for exe in self._exes:
            path = self.save_path(exe)
            if path.is_dir():
                out.append(f"  {path}: a folder holding {sorted(p.name for p in path.iterdir())}")
            elif path.is_file():
                data = path.read_bytes()
                out.append(f"  {path}: {len(data)} bytes, decodes to {decode_save(data)}")
                out.append(hexdump(data))
            else:
                out.append(f"  {path}: no file")
        for track in sorted(self.folder.rglob("*.track.txt")):
            lines = track.read_text(encoding="utf-8").splitlines()
            out.append(f"  {track}: the last {min(len(lines), 30)} of {len(lines)} samples (time, corner, size, frames, "
                       f"topmost)")
            out += [f"    {line}" for line in lines[-30:]]
        with contextlib.suppress(Exception):
            shot = self.screenshot(self.artifacts / f"{self.name}.png")
            out.append(f"  screenshot: {shot}")
        text = "\n".join(out)
        with contextlib.suppress(Exception):
            self.artifacts.mkdir(parents=True, exist_ok=True)
            (self.artifacts / f"{self.name}.txt").write_text(text + "\n", encoding="utf-8")
        return text

    def close(self) -> None:
        for driver in self._drivers:
            driver.close()
        for pet in self.pets:
            pet.killed = pet.killed or pet.proc.poll() is None
        for proc in self._processes:
            if proc.poll() is None:
                with contextlib.suppress(ProcessLookupError):
                    os.killpg(proc.pid, signal.SIGCONT)
                    os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()

    def replay_traces(self) -> None:
        """Runs the core over the trace of every copy of the program started (tools/replay): it
        must make every call of each, in order, word for word. A copy that ended by itself must have
        written its trace to the end; one that was killed may stop in the middle of an event."""
        for pet in self.pets:
            complete = not pet.killed and not pet.on_desktop and pet.proc.returncode == 0
            agreed, said = replay(self.environment.replay_tool, pet.trace.path, complete)
            self.note(f"replay: {said}")
            self.expect(agreed, f"the trace of {pet.exe.name} does not replay: {said}")

