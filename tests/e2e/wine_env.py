"""The shared environment of one run: an X display (an Xvfb of its own unless
POMKI_E2E_DISPLAY names one), the Wine prefix made by tools/wine_prefix.py (build/native/e2e/prefix, made once and
reused) and a wineserver kept alive for the whole run."""

from __future__ import annotations

import fcntl
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))

import wine_prefix  # noqa: E402
from errors import HarnessError  # noqa: E402

SCREEN = wine_prefix.SCREEN


def _log(text: str) -> None:
    print(text, flush=True)


class Environment:
    """The Wine prefix, the X display and the wineserver shared by the scenarios of a run."""

    def __init__(self, work: Path, exe: Path, driver: Path, replay_tool: Path):
        self.work = Path(work).resolve()
        self.exe = Path(exe).resolve()
        self.driver_exe = Path(driver).resolve()
        self.replay_tool = Path(replay_tool).resolve()  # the native core run over a trace
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
        for path, what in ((self.exe, "the program"), (self.driver_exe, "the test driver"),
                           (self.replay_tool, "the trace replay")):
            if not path.is_file():
                raise HarnessError(f"{what} is missing: {path} (run `make win native`)")
        self.work.mkdir(parents=True, exist_ok=True)
        # One run at a time per work folder: the single-instance mutex is shared by the prefix.
        self._run_lock = open(self.work / "run.lock", "w")
        fcntl.flock(self._run_lock, fcntl.LOCK_EX)
        started = time.monotonic()
        try:
            self._start_display()
            self.env = wine_prefix.wine_env(self.prefix, self.display)
            wine_prefix.prepare_prefix(self.prefix, self.env, wine_prefix.HEADLESS_SETTINGS)
            wine_prefix.stop_wineserver(self.env)
            wine_prefix.start_wineserver(self.env)
        except wine_prefix.PrefixError as e:
            raise HarnessError(str(e)) from e
        _log(f"e2e: display {self.display}, prefix {self.prefix} ready in {time.monotonic() - started:.1f} s")

    def stop(self) -> None:
        if self.env:
            wine_prefix.stop_wineserver(self.env)
        wine_prefix.stop_process(self._xvfb)
        self._xvfb = None
        if self._run_lock:
            self._run_lock.close()
            self._run_lock = None

    def restart_wine(self) -> None:
        """Ends every process of the prefix and starts a fresh wineserver."""
        wine_prefix.stop_wineserver(self.env)
        wine_prefix.start_wineserver(self.env)

    def _start_display(self) -> None:
        """An Xvfb of the run's own, so that no other window and no user's pointer can meet the
        scenarios' real input; POMKI_E2E_DISPLAY names a display to use instead (to watch)."""
        given = os.environ.get("POMKI_E2E_DISPLAY")
        if given:
            if not wine_prefix.display_usable(given):
                raise HarnessError(f"POMKI_E2E_DISPLAY={given} is not a usable display")
            self.display = given
        else:
            self._xvfb, self.display = wine_prefix.start_xvfb()
