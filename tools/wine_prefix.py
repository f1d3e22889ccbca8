"""The Wine prefix and the X display the program runs in, for `make run` (tools/run-pet.sh) and
for the end-to-end tests (tests/e2e), which both import this module.

    env = wine_env(prefix, display)
    prepare_prefix(prefix, env, HEADLESS_SETTINGS)   # made once, re-made when the recipe changes
    start_wineserver(env)

The recipe: a prefix made by `wineboot -i`, with no crash dialog, no sound device, and the
dialogs' Japanese font faces mapped to IPAPGothic (Debian fonts-ipafont-gothic), whose metrics
are close to those of the Windows font and whose full-width letters have proportional widths as
there (a wider substitute clips texts that fit on Windows).
"""

from __future__ import annotations

import fcntl
import json
import os
import select
import shutil
import subprocess
import tempfile
import time
from pathlib import Path
from typing import Callable

RECIPE = "pomki-prefix 2"  # change when the recipe changes: prefixes are re-made
SCREEN = (1024, 768)

# The faces the program's dialogs ask for, and the Japanese font they are drawn in.
JAPANESE_FACES = ("ＭＳ Ｐゴシック", "ＭＳ ゴシック", "ＭＳ Ｐ明朝", "MS UI Gothic")
JAPANESE_FONT = "IPAPGothic"
JAPANESE_PACKAGE = "fonts-ipafont-gothic"
# Wine's own fonts: Marlett draws the caption buttons (its letter "r" is the close box).
WINE_FONT_FOLDERS = (Path("/usr/share/wine/fonts"), Path("/usr/lib/wine/fonts"))


class PrefixError(Exception):
    """The prefix or the display could not be made ready."""


def _log(text: str) -> None:
    print(text, flush=True)


def run_wine_command(args: list[str], env: dict, check: bool = True, timeout: float = 120) -> subprocess.CompletedProcess:
    """Runs a Wine command to its end. Its output goes through a file, not a pipe: a Wine command
    may start the prefix's system processes, which inherit its output and outlive it."""
    with tempfile.TemporaryFile() as out:
        try:
            done = subprocess.run(args, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                  timeout=timeout)
        except subprocess.TimeoutExpired as e:
            raise PrefixError(f"{' '.join(args)} did not finish within {timeout} s") from e
        out.seek(0)
        done.stdout = out.read()
    if check and done.returncode != 0:
        raise PrefixError(f"{' '.join(args)} failed ({done.returncode}): {done.stdout.decode(errors='replace')[-500:]}")
    return done


def japanese_font_file() -> str:
    """The file of the Japanese font; fails when it is not installed."""
    try:
        out = subprocess.run(["fc-match", "-f", "%{family}\n%{file}\n", f"{JAPANESE_FONT}:lang=ja"],
                             capture_output=True, text=True, timeout=30).stdout.splitlines()
    except FileNotFoundError as e:
        raise PrefixError("fc-match is missing (install fontconfig)") from e
    if len(out) < 2 or JAPANESE_FONT not in out[0].split(","):
        raise PrefixError(f"the font {JAPANESE_FONT} is not installed (Debian {JAPANESE_PACKAGE}; run `make deps`)")
    return out[1]


def marlett_file() -> Path:
    for folder in WINE_FONT_FOLDERS:
        if (folder / "marlett.ttf").is_file():
            return folder / "marlett.ttf"
    raise PrefixError("Wine's marlett.ttf is missing (Debian fonts-wine)")


def base_settings() -> list[tuple[str, str, str, str]]:
    """Registry values as (key, name, type, data), set with `wine reg add` (a REGEDIT4 file would
    mangle the full-width font names)."""
    settings = [
        # A crash must end the process, not wait on a dialog.
        (r"HKCU\Software\Wine\WineDbg", "ShowCrashDialog", "REG_DWORD", "0"),
        # No sound device is opened: the program's sounds play into nothing.
        (r"HKCU\Software\Wine\Drivers", "Audio", "REG_SZ", ""),
    ]
    # The dialogs' font faces, shown as empty boxes unless mapped to an installed Japanese font.
    settings += [(r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes", name, "REG_SZ",
                  JAPANESE_FONT) for name in JAPANESE_FACES]
    # Captions are drawn in Wine's Tahoma, which has no Japanese letters: it borrows them.
    settings.append((r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink", "Tahoma",
                     "REG_MULTI_SZ", f"{Path(japanese_font_file()).name},{JAPANESE_FONT}"))
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


def wine_env(prefix: Path, display: str) -> dict[str, str]:
    env = dict(os.environ)
    for key in ("WAYLAND_DISPLAY", "WINEARCH", "WINELOADER", "WINESERVER"):
        env.pop(key, None)
    env.update(WINEPREFIX=str(prefix), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", DISPLAY=display,
               LANG="C.UTF-8", LC_ALL="C.UTF-8")
    return env


def start_wineserver(env: dict) -> None:
    """A persistent wineserver for the prefix of env: processes start and end without paying for
    a new server and its system processes each time. It goes into the background, so its output
    must not be a pipe that anyone waits on."""
    subprocess.run(["wineserver", "-p"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=30)


def stop_wineserver(env: dict) -> None:
    """Ends every process of env's prefix (and only of that prefix)."""
    run_wine_command(["wineserver", "-k"], env, check=False, timeout=30)


def set_registry(env: dict, settings) -> None:
    for key, name, kind, value in settings:
        run_wine_command(["wine", "reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f"], env)


def delete_registry(env: dict, settings) -> None:
    for key, name, _, _ in settings:
        run_wine_command(["wine", "reg", "delete", key, "/v", name, "/f"], env, check=False)


def prepare_prefix(prefix: Path, env: dict, extra_settings=(), log: Callable[[str], None] = _log) -> None:
    """Makes the Wine prefix of env once (guarded by a lock beside it) and re-makes it when it is
    incomplete or was made by another recipe. Leaves no wineserver running."""
    marker = prefix / ".pomki-prefix-ready"
    prefix.parent.mkdir(parents=True, exist_ok=True)
    with open(prefix.parent / f"{prefix.name}.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        settings = base_settings() + list(extra_settings)
        fonts = [str(marlett_file())]
        wanted = json.dumps([RECIPE, settings, fonts], ensure_ascii=False)
        if marker.is_file() and marker.read_text(encoding="utf-8") == wanted and (prefix / "system.reg").is_file():
            return
        log(f"making the Wine prefix {prefix} (about 15 s)")
        stop_wineserver(env)
        shutil.rmtree(prefix, ignore_errors=True)
        run_wine_command(["wineboot", "-i"], env, timeout=300)
        # Caption buttons are drawn with Marlett: a copy in the prefix's Fonts folder is found
        # however Wine's own font folder is laid out.
        windows_fonts = prefix / "drive_c" / "windows" / "Fonts"
        windows_fonts.mkdir(parents=True, exist_ok=True)
        for font in fonts:
            shutil.copyfile(font, windows_fonts / Path(font).name)
        start_wineserver(env)  # else each `wine reg` below starts and stops a server
        set_registry(env, settings)
        stop_wineserver(env)  # the registry is written as the server ends
        run_wine_command(["wineserver", "-w"], env, timeout=120)
        marker.write_text(wanted, encoding="utf-8")


def display_usable(display: str) -> bool:
    probe = shutil.which("xdpyinfo")
    if not display or not probe:
        return False
    try:
        return subprocess.run([probe, "-display", display], capture_output=True, timeout=10).returncode == 0
    except subprocess.TimeoutExpired:
        return False


def start_x_server(args: list[str], name: str, env: dict | None = None) -> tuple[subprocess.Popen, str]:
    """Starts an X server (`args` without -displayfd) on a display number it picks itself;
    returns it and its DISPLAY once it is ready to take clients."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        [args[0], "-displayfd", str(write_end), *args[1:]], env=env,
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
        stop_process(server)
        raise PrefixError(f"{name} did not start within 15 s")
    return server, ":" + number.decode().strip()


def start_xvfb() -> tuple[subprocess.Popen, str]:
    """An Xvfb of our own on a free display number; returns it and its DISPLAY."""
    if not shutil.which("Xvfb"):
        raise PrefixError("Xvfb is missing: run `make deps`")
    return start_x_server(["Xvfb", "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp", "-noreset"],
                          "Xvfb")


def stop_process(proc: subprocess.Popen | None) -> None:
    if proc and proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def winpath(path: Path | str) -> str:
    """The Windows path of a file under Wine's drive Z: (the Unix root)."""
    return "Z:" + os.path.abspath(str(path)).replace("/", "\\")
