"""Desktops other than the run's one screen at 96 DPI: a scaled display (LogPixels) and two
monitors side by side (Xephyr with Xinerama on the run's X display).

    with other_desktop(s, dpi=144) as t:          # t is a Scenario on that desktop
        pet = t.start_pet(t.place_exe())
    with other_desktop(s, monitors=True) as t:    # (0,0)-(1024,768) and (1024,0)-(1824,600)
        ...

Both run in a Wine prefix of their own (build/native/e2e/prefix-screens, made once like the
shared one), with a wineserver of its own that is ended afterwards, so the shared prefix keeps
96 DPI and one screen for every other scenario. LogPixels is set at the start of each use, so
a run that was killed half-way leaves nothing wrong behind.
"""

from __future__ import annotations

import contextlib
import copy
import os
import shutil
import subprocess

from errors import HarnessError
from scenario import Scenario
from wine_env import wine_prefix

# Xephyr's two screens, joined by Xinerama; with RandR off, Wine takes its monitors from them.
SECOND_SCREENS = ("1024x768", "800x600")


def start_xephyr(host_display: str) -> tuple[subprocess.Popen, str]:
    """An Xephyr with two screens side by side, shown on `host_display`; returns it and its DISPLAY."""
    if not shutil.which("Xephyr"):
        raise HarnessError("Xephyr is missing: run `make deps` (Debian xserver-xephyr)")
    args = ["Xephyr", "-ac", "-noreset", "-nolisten", "tcp", "+xinerama", "-extension", "RANDR"]
    for screen in SECOND_SCREENS:
        args += ["-screen", screen]
    try:
        return wine_prefix.start_x_server(args, "Xephyr", env=dict(os.environ, DISPLAY=host_display))
    except wine_prefix.PrefixError as e:
        raise HarnessError(str(e)) from e


@contextlib.contextmanager
def other_desktop(s: Scenario, dpi: int = 96, monitors: bool = False):
    """A Scenario on a desktop at `dpi` (and on two monitors when `monitors`); its notes go to
    `s`'s record, and its processes, wineserver and X server end with the block."""
    base = s.environment
    xephyr = None
    display = base.display
    if monitors:
        xephyr, display = start_xephyr(base.display)
    other = copy.copy(base)
    other.prefix = base.work / "prefix-screens"
    other.display = display
    other.env = wine_prefix.wine_env(other.prefix, display)
    inner = None
    try:
        try:
            wine_prefix.prepare_prefix(other.prefix, other.env, wine_prefix.HEADLESS_SETTINGS, log=s.note)
            wine_prefix.stop_wineserver(other.env)
            wine_prefix.start_wineserver(other.env)
            wine_prefix.set_registry(other.env, [(r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", str(dpi))])
            # The DPI is read once, when the prefix's processes start: write it and start afresh.
            wine_prefix.stop_wineserver(other.env)
            wine_prefix.start_wineserver(other.env)
        except wine_prefix.PrefixError as e:
            raise HarnessError(f"cannot prepare the screens prefix: {e}") from e
        inner = Scenario(other, s.folder.parent.name, f"{s.name}@{dpi}dpi{'-2mon' if monitors else ''}")
        inner.seen = s.seen
        yield inner
    finally:
        if inner is not None:
            inner.close()
        wine_prefix.stop_wineserver(other.env)
        wine_prefix.stop_process(xephyr)
