"""End-to-end harness: the real pomki_pet.exe under Wine, on an X server of its own.

One `Environment` per run: a Wine prefix made once and reused (build/native/e2e/prefix), an
Xvfb unless DISPLAY is usable, and a wineserver kept alive for the whole run. One `Scenario`
per scenario function: a fresh folder with its own copy of the exe and its own save file, a
`Driver` (the project's e2e_driver.exe in request mode) to see and work the windows, and
clean-up of every process that it started.

Scenario files (tests/e2e/test_*.py) hold functions named `scenario_*` taking one `Scenario`;
run_scenarios.py runs them in the order written. What a scenario has at hand:

    exe = s.place_exe("ぽて ぽて/pomki_pet (1).exe")   # a copy of the program in the scenario's folder
    s.write_save(exe, format_save(PetRecord(level=5)))  # the save file beside it
    pet = s.start_pet(exe)                # returns once its window is visible; pet.window, pet.hwnd
    pet = s.start_pet(exe, hold=True)     # ... and stopped before its first tick, at (0, 0)
    s.release(pet) / s.kill(pet) / s.quit(pet) / s.wait_exit(pet)
    s.driver.call("controls", hwnd=h)     # any driver command; Reply.ok, .one, .objects
    s.wait_msgbox(owner=pet.hwnd) / s.click(box["hwnd"], 1) / s.windows(exe=winpath(exe))
    s.start_own_window("title", seconds=10)   # a foreground window that logs what happens to it
    desktop = s.start_desktop("pomki"); s.start_pet_on_desktop(exe, desktop)   # with a notification area
    s.end_session() / s.screenshot(path) / s.screen_pixels().pixel(x, y)
    s.expect(...), s.expect_equal(...), s.wait_until(...), s.note(...), raise Skip(...)

The save file's codec (PetRecord, encode_numbers, format_save, decode_save, explain_ticks) is
written here from the file format's table, independently of the program's own code.
"""

from __future__ import annotations

import contextlib
import dataclasses
import fcntl
import json
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time
import traceback
from pathlib import Path
from typing import Callable, Iterable

# ---------------------------------------------------------------------------------------------
# The save file "pomki.dat", encoded and decoded here independently of the program's own code.
# ---------------------------------------------------------------------------------------------

ABILITY_COUNT = 12
CLOCK = 7  # abilityOn[7] is cleared at every start
DOUBLE_MONEY = 2
LOTS_OF_MONEY = 10

SCALAR_FIELDS = ("level", "experience", "fullness", "stress", "reserved", "money")


@dataclasses.dataclass
class PetRecord:
    """The 30 saved numbers of the hamster, first-run values by default."""

    abilityUnlocked: list[int] = dataclasses.field(default_factory=lambda: [0] * ABILITY_COUNT)
    abilityOn: list[int] = dataclasses.field(default_factory=lambda: [0] * ABILITY_COUNT)
    level: int = 1
    experience: int = 0
    fullness: int = 500
    stress: int = 0
    reserved: int = 0
    money: int = 0

    def copy(self, **changes) -> "PetRecord":
        twin = dataclasses.replace(self, abilityUnlocked=list(self.abilityUnlocked), abilityOn=list(self.abilityOn))
        return dataclasses.replace(twin, **changes)

    def get(self, field: tuple) -> int:
        name, index = field
        value = getattr(self, name)
        return value[index] if index is not None else value

    def set(self, field: tuple, value: int) -> None:
        name, index = field
        if index is None:
            setattr(self, name, value)
        else:
            getattr(self, name)[index] = value


def _unlocked(i):
    return ("abilityUnlocked", i)


def _on(i):
    return ("abilityOn", i)


def _scalar(name):
    return (name, None)


# The 40 lines of the file: ("marker", number) or (field, k, d), the number stored being
# value * k + d. Written out from the file format's table.
SAVE_LINES = [
    ("marker", 31306), ("marker", 5592),
    (_unlocked(0), 19, 2), (_unlocked(1), 62, 27), (_unlocked(2), 21, 99), (_unlocked(3), 54, 232),
    (_unlocked(4), 23, 132),
    ("marker", 450),
    (_unlocked(5), 54, 232), (_unlocked(6), 23, 132), (_unlocked(7), 19, 2), (_unlocked(8), 62, 27),
    (_unlocked(9), 21, 99),
    ("marker", 2),
    (_unlocked(10), 23, 132), (_unlocked(11), 19, 2),
    ("marker", 44),
    (_on(0), 23, 132), (_on(1), 19, 2), (_on(2), 62, 27), (_on(3), 21, 99), (_on(4), 54, 232), (_on(5), 23, 132),
    ("marker", 105),
    (_on(6), 54, 232), (_on(7), 23, 132),
    ("marker", 1111),
    (_on(8), 62, 27), (_on(9), 21, 99), (_on(10), 54, 232), (_on(11), 23, 132),
    ("marker", 1200),
    (_scalar("level"), 54, 232), (_scalar("experience"), 23, 132), (_scalar("fullness"), 19, 2),
    (_scalar("stress"), 62, 27), (_scalar("reserved"), 21, 99), (_scalar("money"), 54, 232),
    ("marker", 12230), ("marker", 5500),
]
assert len(SAVE_LINES) == 40

INT32_MIN, INT32_MAX = -(2 ** 31), 2 ** 31 - 1
PROGRAM_EOL = b"\r\r\n"


def encode_numbers(pet: PetRecord) -> list[int]:
    numbers = []
    for line in SAVE_LINES:
        if line[0] == "marker":
            numbers.append(line[1])
        else:
            field, k, d = line
            numbers.append(pet.get(field) * k + d)
    return numbers


def format_numbers(numbers: Iterable[int], eol: bytes = PROGRAM_EOL) -> bytes:
    return b"".join(b"%d" % n + eol for n in numbers)


def format_save(pet: PetRecord, eol: bytes = PROGRAM_EOL) -> bytes:
    """The bytes the program writes for this record (with its 0D 0D 0A line ends by default)."""
    return format_numbers(encode_numbers(pet), eol)


def read_numbers(data: bytes, count: int = 40) -> list[int] | None:
    """Up to `count` numbers read as fscanf's "%d" reads them; None when one is malformed or
    outside 32 bits. Fewer than `count` are returned when the file ends early."""
    numbers, pos = [], 0
    while len(numbers) < count:
        while pos < len(data) and data[pos:pos + 1] in b" \t\n\v\f\r":
            pos += 1
        if pos >= len(data):
            break
        start = pos
        if data[pos:pos + 1] in b"+-":
            pos += 1
        digits_start = pos
        while pos < len(data) and data[pos:pos + 1].isdigit():
            pos += 1
        if pos == digits_start:
            return None
        value = int(data[start:pos])
        if not INT32_MIN <= value <= INT32_MAX:
            return None
        numbers.append(value)
    return numbers


def decode_save(data: bytes) -> PetRecord | None:
    """The record a valid file holds, or None for a file the program must refuse."""
    numbers = read_numbers(data)
    if numbers is None or len(numbers) < 40:
        return None
    pet = PetRecord()
    for number, line in zip(numbers, SAVE_LINES):
        if line[0] == "marker":
            if number != line[1]:
                return None
            continue
        field, k, d = line
        if (number - d) % k != 0:
            return None
        pet.set(field, (number - d) // k)
    return pet


def money_per_tick(pet: PetRecord) -> int:
    return 1 + (pet.abilityOn[DOUBLE_MONEY] == 1) + 3 * (pet.abilityOn[LOTS_OF_MONEY] == 1)


def explain_ticks(before: PetRecord, after: PetRecord) -> str | None:
    """None when `after` is `before` after some whole number of behaviour ticks that neither
    made the pet hungry enough to raise stress nor changed anything else; else the difference.
    (Each tick: money += money_per_tick, fullness -= 1.)"""
    ticks = before.fullness - after.fullness
    if ticks < 0:
        return f"fullness rose from {before.fullness} to {after.fullness}"
    if before.fullness - ticks < 200 and ticks:
        return "the record ran into hunger; pick a fuller pet for this check"
    expected = before.copy(fullness=after.fullness, money=before.money + ticks * money_per_tick(before))
    if after != expected:
        return f"after {ticks} tick(s) expected {expected}, got {after}"
    return None


# ---------------------------------------------------------------------------------------------
# Errors and small helpers
# ---------------------------------------------------------------------------------------------

class HarnessError(Exception):
    """The harness itself could not do what was asked (not a fault of the program)."""


class ScenarioFailure(AssertionError):
    """What the program did was not what the scenario expects."""


class Skip(Exception):
    """The scenario cannot run here; the reason is printed."""


def winpath(path: Path | str) -> str:
    """The Windows path of a file under Wine's drive Z: (the Unix root)."""
    return "Z:" + os.path.abspath(str(path)).replace("/", "\\")


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

    def pixel(self, x: int, y: int) -> int:
        """0xRRGGBB at (x, y)."""
        i = (y * self.width + x) * 3
        return (self.data[i] << 16) | (self.data[i + 1] << 8) | self.data[i + 2]


# ---------------------------------------------------------------------------------------------
# The shared environment of one run
# ---------------------------------------------------------------------------------------------

PREFIX_RECIPE = "pomki-prefix 1"  # change when prepare_prefix changes: prefixes are re-made
JAPANESE_FACES = ("ＭＳ Ｐゴシック", "ＭＳ ゴシック", "ＭＳ Ｐ明朝", "MS UI Gothic")
SCREEN = (1024, 768)


def run_wine_command(args: list[str], env: dict, check: bool = True, timeout: float = 120) -> subprocess.CompletedProcess:
    with tempfile.TemporaryFile() as out:
        try:
            done = subprocess.run(args, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                  timeout=timeout)
        except subprocess.TimeoutExpired as e:
            raise HarnessError(f"{' '.join(args)} did not finish within {timeout} s") from e
        out.seek(0)
        done.stdout = out.read()
    if check and done.returncode != 0:
        raise HarnessError(f"{' '.join(args)} failed ({done.returncode}): {done.stdout.decode(errors='replace')[-500:]}")
    return done


def _log(text: str) -> None:
    print(text, flush=True)


def cjk_face() -> str:
    """The family name of an installed Japanese font, preferring Noto Sans CJK JP."""
    try:
        out = subprocess.run(["fc-list", ":lang=ja", "family"], capture_output=True, text=True, timeout=30).stdout
    except FileNotFoundError as e:
        raise HarnessError("fc-list is missing (install fontconfig and fonts-noto-cjk)") from e
    families = sorted({name.strip() for line in out.splitlines() for name in line.split(",") if name.strip()})
    for wanted in ("Noto Sans CJK JP", "Noto Sans JP"):
        if wanted in families:
            return wanted
    cjk = [f for f in families if "CJK JP" in f]
    if cjk:
        return cjk[0]
    if families:
        return families[0]
    raise HarnessError("no Japanese font is installed (install fonts-noto-cjk)")


# The prefix recipe. Registry values as (key, name, type, data), set with `wine reg add`
# (a REGEDIT4 file would mangle the full-width font names).
def base_settings(face: str) -> list[tuple[str, str, str, str]]:
    settings = [
        # A crash must end the process, not wait on a dialog.
        (r"HKCU\Software\Wine\WineDbg", "ShowCrashDialog", "REG_DWORD", "0"),
        # No sound device is opened: the program's sounds play into nothing.
        (r"HKCU\Software\Wine\Drivers", "Audio", "REG_SZ", ""),
    ]
    # The dialogs' font faces, shown as empty boxes unless mapped to an installed CJK font.
    settings += [(r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes", name, "REG_SZ", face)
                 for name in JAPANESE_FACES]
    return settings


# For an X display without a window manager or a notification area (Xvfb).
HEADLESS_SETTINGS = [
    # Wine otherwise waits up to 2 s for a window manager to acknowledge each hidden or
    # destroyed captioned window (message boxes, the notification area's own window).
    (r"HKCU\Software\Wine\X11 Driver", "Managed", "REG_SZ", "N"),
    # With no notification area on the display, Wine would show its own tray window at the
    # top-left corner, just where the pet starts. Notification icons are still accepted (and
    # are seen in a virtual desktop's taskbar).
    (r"HKCU\Software\Wine\X11 Driver", "ShowSystray", "REG_SZ", "N"),
]


def start_wineserver(env: dict) -> None:
    """A persistent wineserver for the prefix of env: processes start and end without paying for
    a new server and its system processes each time. It goes into the background, so its output
    must not be a pipe that anyone waits on."""
    subprocess.run(["wineserver", "-p"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=30)


def set_registry(env: dict, settings) -> None:
    for key, name, kind, value in settings:
        run_wine_command(["wine", "reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f"], env)


def prepare_prefix(prefix: Path, env: dict, extra_settings=(), log: Callable[[str], None] = _log) -> None:
    """Makes the Wine prefix of env once (guarded by a lock beside it) and re-makes it when it is
    incomplete or was made by another recipe. Leaves no wineserver running."""
    marker = prefix / ".pomki-prefix-ready"
    prefix.parent.mkdir(parents=True, exist_ok=True)
    with open(prefix.parent / f"{prefix.name}.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        face = cjk_face()
        settings = base_settings(face) + list(extra_settings)
        wanted = json.dumps([PREFIX_RECIPE, settings], ensure_ascii=False)
        if marker.is_file() and marker.read_text(encoding="utf-8") == wanted and (prefix / "system.reg").is_file():
            return
        log(f"making the Wine prefix {prefix} (about 15 s)")
        run_wine_command(["wineserver", "-k"], env, check=False, timeout=30)
        shutil.rmtree(prefix, ignore_errors=True)
        run_wine_command(["wineboot", "-i"], env, timeout=300)
        start_wineserver(env)  # else each `wine reg` below starts and stops a server
        set_registry(env, settings)
        run_wine_command(["wineserver", "-k"], env, check=False, timeout=30)  # the registry is written as it ends
        run_wine_command(["wineserver", "-w"], env, timeout=120)
        marker.write_text(wanted, encoding="utf-8")


def wine_env(prefix: Path, display: str) -> dict[str, str]:
    env = dict(os.environ)
    for key in ("WAYLAND_DISPLAY", "WINEARCH", "WINELOADER", "WINESERVER"):
        env.pop(key, None)
    env.update(WINEPREFIX=str(prefix), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", DISPLAY=display,
               LANG="C.UTF-8", LC_ALL="C.UTF-8")
    return env


def display_usable(display: str) -> bool:
    probe = shutil.which("xdpyinfo")
    if not display or not probe:
        return False
    try:
        return subprocess.run([probe, "-display", display], capture_output=True, timeout=10).returncode == 0
    except subprocess.TimeoutExpired:
        return False


def start_xvfb() -> tuple[subprocess.Popen, str]:
    """An Xvfb of our own on a free display number; returns it and its DISPLAY."""
    if not shutil.which("Xvfb"):
        raise HarnessError("Xvfb is missing: run `make deps`")
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp",
         "-noreset"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 15
    while not number.endswith(b"\n") and time.monotonic() < deadline:
        ready, _, _ = select.select([read_end], [], [], 0.2)
        if ready:
            chunk = os.read(read_end, 64)
            if not chunk:
                break
            number += chunk
    os.close(read_end)
    if not number.strip():
        xvfb.kill()
        xvfb.wait()
        raise HarnessError("Xvfb did not start within 15 s")
    return xvfb, ":" + number.decode().strip()


def stop_process(proc: subprocess.Popen | None) -> None:
    if proc and proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


class Environment:
    """The Wine prefix, the X display and the wineserver shared by the scenarios of a run."""

    def __init__(self, work: Path, exe: Path, driver: Path):
        self.work = Path(work).resolve()
        self.exe = Path(exe).resolve()
        self.driver_exe = Path(driver).resolve()
        self.prefix = self.work / "prefix"
        self.display: str | None = None
        self._xvfb: subprocess.Popen | None = None
        self._run_lock = None
        self.env: dict[str, str] = {}

    # -- set-up and tear-down

    def start(self) -> None:
        for tool in ("wine", "wineserver", "wineboot", "import"):
            if not shutil.which(tool):
                raise HarnessError(f"{tool} is missing: run `make deps` (tools/install-deps.sh)")
        for path, what in ((self.exe, "the program"), (self.driver_exe, "the test driver")):
            if not path.is_file():
                raise HarnessError(f"{what} is missing: {path} (run `make win`)")
        self.work.mkdir(parents=True, exist_ok=True)
        # One run at a time per work folder: the single-instance mutex is shared by the prefix.
        self._run_lock = open(self.work / "run.lock", "w")
        fcntl.flock(self._run_lock, fcntl.LOCK_EX)
        started = time.monotonic()
        self._start_display()
        self.env = self._wine_env()
        self._ensure_prefix()
        self._run(["wineserver", "-k"], check=False, timeout=30)
        self._start_wineserver()
        _log(f"e2e: display {self.display}, prefix {self.prefix} ready in {time.monotonic() - started:.1f} s")

    def stop(self) -> None:
        if self.env:
            self._run(["wineserver", "-k"], check=False, timeout=30)
        stop_process(self._xvfb)
        self._xvfb = None
        if self._run_lock:
            self._run_lock.close()
            self._run_lock = None

    def restart_wine(self) -> None:
        """Ends every process of the prefix and starts a fresh wineserver."""
        self._run(["wineserver", "-k"], check=False, timeout=30)
        self._start_wineserver()

    # -- display and Wine

    def _start_display(self) -> None:
        given = os.environ.get("DISPLAY")
        if given and display_usable(given):
            self.display = given
        else:
            self._xvfb, self.display = start_xvfb()

    def _wine_env(self) -> dict[str, str]:
        return wine_env(self.prefix, self.display)

    def _run(self, args: list[str], check: bool = True, timeout: float = 120) -> subprocess.CompletedProcess:
        """Runs a Wine command to its end. Its output goes through a file, not a pipe: a Wine
        command may start the prefix's system processes, which inherit its output and outlive it."""
        return run_wine_command(args, self.env, check, timeout)

    def _start_wineserver(self) -> None:
        start_wineserver(self.env)

    def _ensure_prefix(self) -> None:
        prepare_prefix(self.prefix, self.env, HEADLESS_SETTINGS)


# ---------------------------------------------------------------------------------------------
# The driver in request mode
# ---------------------------------------------------------------------------------------------

class Reply:
    """The result of one driver command: exit code and the JSON objects it printed."""

    def __init__(self, command: list[str], rc: int, lines: list[str]):
        self.command = command
        self.rc = rc
        self.objects = []
        for line in lines:
            try:
                self.objects.append(json.loads(line))
            except ValueError:
                self.objects.append({"text": line})

    @property
    def ok(self) -> bool:
        return self.rc == 0

    @property
    def one(self) -> dict:
        return self.objects[0] if self.objects else {}

    def __repr__(self):
        return f"rc={self.rc} {json.dumps(self.objects, ensure_ascii=False)}"


class Driver:
    """One `e2e_driver.exe serve` process: requests go in on stdin, replies come back on stdout."""

    END = b"\x1e"

    def __init__(self, driver_exe: Path, env: dict, desktop: str | None = None, log: Callable[[str], None] = _log):
        self.driver_exe = driver_exe
        self.env = env
        self.desktop = desktop
        self.log = log
        self._proc: subprocess.Popen | None = None
        self._buffer = b""

    def _start(self) -> None:
        args = ["wine", str(self.driver_exe), "serve"]
        if self.desktop:
            args += ["--desktop", self.desktop]
        self._proc = subprocess.Popen(args, env=self.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                      stderr=subprocess.DEVNULL, start_new_session=True)
        self._buffer = b""

    def call(self, command: str, timeout: float = 20, **options) -> Reply:
        """Runs one command; options become --key value (True gives a bare --key)."""
        words = [command]
        for key, value in options.items():
            if value is None or value is False:
                continue
            words.append("--" + key.replace("_", "-"))
            if value is not True:
                words.append(str(value))
        if any("\t" in w or "\n" in w for w in words):
            raise HarnessError("driver arguments cannot hold tabs or line feeds")
        if "wait" in options and options["wait"]:
            timeout = max(timeout, int(options["wait"]) / 1000 + 10)
        if not self._proc or self._proc.poll() is not None:
            self._start()
        try:
            self._proc.stdin.write(("\t".join(words) + "\n").encode("utf-8"))
            self._proc.stdin.flush()
        except BrokenPipeError as e:
            self.close()
            raise HarnessError(f"the driver ended unexpectedly before `{command}`") from e
        lines = []
        deadline = time.monotonic() + timeout
        fd = self._proc.stdout.fileno()
        while True:
            newline = self._buffer.find(b"\n")
            if newline >= 0:
                line, self._buffer = self._buffer[:newline], self._buffer[newline + 1:]
                line = line.rstrip(b"\r")
                if line.startswith(self.END):
                    reply = Reply(words, int(line[1:] or b"1"), lines)
                    self.log(f"driver {' '.join(words)} -> {reply!r}"[:2000])
                    return reply
                lines.append(line.decode("utf-8", errors="replace"))
                continue
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                self.close()
                raise HarnessError(f"the driver did not answer `{' '.join(words)}` within {timeout:.0f} s")
            ready, _, _ = select.select([fd], [], [], remaining)
            if ready:
                chunk = os.read(fd, 65536)
                if not chunk:
                    self.close()
                    raise HarnessError(f"the driver ended while answering `{' '.join(words)}`")
                self._buffer += chunk

    def close(self) -> None:
        if not self._proc:
            return
        with contextlib.suppress(Exception):
            if self._proc.poll() is None:
                self._proc.stdin.write(b"exit\n")
                self._proc.stdin.flush()
                self._proc.wait(timeout=3)
        if self._proc.poll() is None:
            with contextlib.suppress(ProcessLookupError):
                os.killpg(self._proc.pid, signal.SIGKILL)
            self._proc.wait()
        for stream in (self._proc.stdin, self._proc.stdout):
            with contextlib.suppress(Exception):
                stream.close()
        self._proc = None


# ---------------------------------------------------------------------------------------------
# One scenario
# ---------------------------------------------------------------------------------------------

@dataclasses.dataclass
class OwnWindow:
    """The driver's `own-window`: a foreground window standing in for the program a user works in.
    Its log has one JSON line per change of its title, minimised state or foreground state."""

    proc: subprocess.Popen
    log: Path
    hwnd: int = 0

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


@dataclasses.dataclass
class Pet:
    """A started copy of the program."""

    proc: subprocess.Popen
    exe: Path
    window: dict | None = None
    held: bool = False

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

    def wait_until(self, predicate: Callable[[], object], timeout: float, what: str, step: float = 0.05):
        value = _wait_for(predicate, timeout, step)
        if not value:
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

    def spawn(self, args: list[str], cwd: Path | None = None, log_name: str = "process") -> subprocess.Popen:
        """Starts a process under Wine's environment; it is ended with the scenario."""
        log = open(self.logs / f"{log_name}.log", "ab")
        proc = subprocess.Popen(args, env=self.environment.env, cwd=str(cwd or self.folder.parent),
                                stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
        log.close()
        self._processes.append(proc)
        return proc

    def start_pet(self, exe: Path, wait_window: bool = True, hold: bool = False, attempts: int = 3) -> Pet:
        """Starts the program. With wait_window, returns once its window is visible.

        With hold, the process is stopped (SIGSTOP) right after its window appears and before its
        first behaviour tick, so that nothing changes until `release` or `quit`: the window must
        still stand where set-up put it, at (0, 0); a start that was too slow to catch is retried.
        The working folder is never the exe's folder, so the save file is found from the exe's path.
        """
        for attempt in range(1, attempts + 1):
            proc = self.spawn(["wine", str(exe)], log_name=exe.stem.replace(" ", "_"))
            pet = Pet(proc, exe)
            self.note(f"started {exe} (attempt {attempt})")
            if not wait_window:
                return pet
            reply = self.driver.call("find-window", exe=winpath(exe), visible=True,
                                     wait=int(self.WINDOW_TIMEOUT * 1000), poll=10 if hold else 50)
            if not reply.ok:
                self.fail(f"{exe.name} showed no window within {self.WINDOW_TIMEOUT:.0f} s "
                          f"(process {'running' if pet.running() else 'ended with ' + str(proc.returncode)})")
            pet.window = reply.one
            if not hold:
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

    def release(self, pet: Pet) -> None:
        if pet.held:
            os.kill(pet.proc.pid, signal.SIGCONT)
            pet.held = False

    def kill(self, pet: Pet) -> None:
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

    # -- pixels

    def screenshot(self, path: Path | str | None = None) -> Path:
        """A PNG of the whole screen of the harness's display."""
        path = Path(path) if path else self.folder / f"screen-{len(self.seen)}.png"
        path.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-display", self.environment.display, "-window", "root", str(path)],
                       check=True, capture_output=True, timeout=30)
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
        window = OwnWindow(self.spawn(args, log_name="own-window"), log)
        started = self.wait_until(lambda: [e for e in window.events() if e.get("event") == "start"], 15,
                                  "the driver's own window")
        window.hwnd = started[0]["hwnd"]
        self.note(f"own window {window.hwnd} {started[0]}")
        return window

    # -- a Wine virtual desktop, with a taskbar and a notification area

    def start_desktop(self, name: str = "pomki", seconds: int = 120) -> Driver:
        """Opens the Wine virtual desktop NAME (kept open by an idle driver process) and returns a
        driver that works on it. The prefix's processes are all ended after this scenario."""
        self.restart_wine_after = True
        self.spawn(["wine", "explorer", f"/desktop={name},{SCREEN[0]}x{SCREEN[1]}", str(self.environment.driver_exe),
                    "idle", "--seconds", str(seconds)], log_name="desktop")
        deadline = time.monotonic() + 20
        while True:
            driver = self.other_driver(desktop=name)
            try:
                if driver.call("screen").ok:
                    return driver
            except HarnessError:
                pass
            driver.close()
            if time.monotonic() > deadline:
                self.fail(f"the virtual desktop {name} did not open within 20 s")
            time.sleep(0.2)

    def start_pet_on_desktop(self, exe: Path, driver: Driver, name: str = "pomki") -> Pet:
        """Starts the program on a virtual desktop opened by start_desktop; returns once its window
        is visible. (The process started is explorer, which hands the program to the desktop.)"""
        proc = self.spawn(["wine", "explorer", f"/desktop={name},{SCREEN[0]}x{SCREEN[1]}", winpath(exe)],
                          log_name=exe.stem.replace(" ", "_"))
        pet = Pet(proc, exe)
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
        for proc in self._processes:
            if proc.poll() is None:
                with contextlib.suppress(ProcessLookupError):
                    os.killpg(proc.pid, signal.SIGCONT)
                    os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
