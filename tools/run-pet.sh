#!/usr/bin/env bash
# Runs the hamster under Wine (`make run`).
#
#   tools/run-pet.sh dist/pomki_pet.exe
#
# The program is copied into a run folder of your own (POMKI_RUN_DIR, by default
# ~/.local/share/pomki), where its save file pomki.dat stays between runs. Wine runs it in the
# prefix build/run-prefix, made on first use by tools/wine_prefix.py (the recipe the tests use too).
#
# With a usable DISPLAY the pet runs on your screen until you end it from its care menu
# (right click on the hamster, "ぽてぽて終了"). Without one, it runs for about 20 seconds on an
# Xvfb of its own while a frame is captured every 400 ms; the frames become an animated GIF
# whose path is printed, and the pet is then ended with a quit request so that it saves.
set -euo pipefail

if [[ $# -ne 1 || ! -f $1 ]]; then
  echo "usage: tools/run-pet.sh path/to/pomki_pet.exe" >&2
  exit 2
fi
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
driver=$repo/build/win/e2e_driver.exe
run_dir=${POMKI_RUN_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/pomki}
seconds=${POMKI_RUN_SECONDS:-20}

if [[ ! -f $driver ]]; then
  echo "run-pet: $driver is missing; build it with \`make win\`" >&2
  exit 1
fi
mkdir -p "$run_dir"
cp "$exe" "$run_dir/pomki_pet.exe"

exec "${PYTHON:-python3}" - "$repo" "$run_dir/pomki_pet.exe" "$driver" "$seconds" <<'PYTHON'
import json
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

repo, exe, driver_exe, seconds = Path(sys.argv[1]), Path(sys.argv[2]), Path(sys.argv[3]), float(sys.argv[4])
sys.path.insert(0, str(repo / "tools"))
import wine_prefix  # noqa: E402

FRAME_SECONDS = 0.4
prefix = repo / "build" / "run-prefix"
save = exe.parent / "pomki.dat"


def say(text):
    print(f"run-pet: {text}", flush=True)


class Driver:
    """The project's window driver (e2e_driver.exe) in request mode: one request per line,
    words separated by tabs; the reply's JSON lines end with a line starting with 0x1E."""

    def __init__(self, env):
        self.proc = subprocess.Popen(["wine", str(driver_exe), "serve"], env=env, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, start_new_session=True)

    def call(self, command, **options):
        words = [command] + [w for k, v in options.items() for w in ("--" + k, str(v))]
        self.proc.stdin.write(("\t".join(words) + "\n").encode("utf-8"))
        self.proc.stdin.flush()
        objects = []
        while True:
            line = self.proc.stdout.readline()
            if not line or line.startswith(b"\x1e"):
                return objects if line[1:].strip() == b"0" else None
            objects.append(json.loads(line))

    def close(self):
        self.proc.kill()
        self.proc.wait()


def on_the_users_display(display):
    env = wine_prefix.wine_env(prefix, display)
    wine_prefix.prepare_prefix(prefix, env, log=say)
    # This prefix may have been used headless before: let the window manager and the
    # notification area of this display do their work.
    wine_prefix.start_wineserver(env)
    wine_prefix.delete_registry(env, wine_prefix.HEADLESS_SETTINGS)
    wine_prefix.stop_wineserver(env)
    say(f"running the pet on display {display}; end it from its care menu (right click on the hamster)")
    code = subprocess.run(["wine", str(exe)], env=env, cwd=str(exe.parent)).returncode
    say(f"the pet ended ({code}); its save file is {save}")
    return code


def recorded_on_xvfb():
    say(f"no usable display: running the pet for {seconds:.0f} s on a virtual screen of its own and recording it")
    xvfb, display = wine_prefix.start_xvfb()
    env = wine_prefix.wine_env(prefix, display)
    frames = repo / "build" / "run" / "frames"
    shutil.rmtree(frames, ignore_errors=True)
    frames.mkdir(parents=True)
    pet = None
    driver = None
    try:
        wine_prefix.prepare_prefix(prefix, env, log=say)
        # No window manager and no notification area here (the settings are read when Wine's
        # processes start, so the server is started afresh after them).
        wine_prefix.start_wineserver(env)
        wine_prefix.set_registry(env, wine_prefix.HEADLESS_SETTINGS)
        wine_prefix.stop_wineserver(env)
        wine_prefix.start_wineserver(env)
        driver = Driver(env)
        pet = subprocess.Popen(["wine", str(exe)], env=env, cwd=str(exe.parent), stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        found = driver.call("find-window", exe=wine_prefix.winpath(exe), visible=1, wait=20000)
        if not found:
            say("the pet showed no window within 20 s")
            return 1
        hwnd = found[0]["hwnd"]
        boxes = []
        start = time.monotonic()
        for n in range(int(seconds / FRAME_SECONDS)):
            time.sleep(max(0.0, start + n * FRAME_SECONDS - time.monotonic()))
            subprocess.run(["import", "-display", display, "-window", "root", str(frames / f"{n:04d}.png")],
                           check=True, capture_output=True, timeout=30)
            window = driver.call("window", hwnd=hwnd)
            if window:
                boxes.append(window[0]["rect"])
        # Ending with a quit request lets the pet save, as its care menu's quit button would.
        driver.call("quit", hwnd=hwnd)
        code = pet.wait(timeout=20)
        say(f"the pet ended ({code}); its save file is {save}")
        gif = repo / "build" / "run" / "pomki.gif"
        crop = crop_around(boxes)
        subprocess.run(["convert", "-delay", str(int(FRAME_SECONDS * 100)), "-loop", "0",
                        *sorted(str(p) for p in frames.glob("*.png")), "-crop", crop, "+repage", str(gif)],
                       check=True, timeout=300)
        say(f"recording: {gif}")
        return 0
    finally:
        if driver:
            driver.close()
        if pet and pet.poll() is None:
            pet.kill()
            pet.wait()
        wine_prefix.stop_wineserver(env)
        wine_prefix.stop_process(xvfb)


def crop_around(boxes, margin=40, least=240):
    """A crop geometry holding every place the pet stood, with a margin, inside the screen."""
    width, height = wine_prefix.SCREEN
    if not boxes:
        return f"{width}x{height}+0+0"
    left = max(0, min(b[0] for b in boxes) - margin)
    top = max(0, min(b[1] for b in boxes) - margin)
    right = min(width, max(max(b[2] for b in boxes) + margin, left + least))
    bottom = min(height, max(max(b[3] for b in boxes) + margin, top + least))
    return f"{right - left}x{bottom - top}+{left}+{top}"


display = os.environ.get("DISPLAY", "")
try:
    sys.exit(on_the_users_display(display) if wine_prefix.display_usable(display) else recorded_on_xvfb())
except wine_prefix.PrefixError as e:
    say(str(e))
    sys.exit(1)
PYTHON
