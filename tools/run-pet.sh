#!/usr/bin/env bash
# Runs the hamster under Wine (`make run`).
#
#   tools/run-pet.sh dist/pomki_pet.exe
#
# The program is copied into a run folder of your own (POMKI_RUN_DIR, by default
# ~/.local/share/pomki), where its save file pomki.dat stays between runs. Wine runs it in the
# prefix build/run-prefix, made on first use.
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

exec /usr/bin/python3 - "$repo" "$run_dir/pomki_pet.exe" "$driver" "$seconds" <<'PYTHON'
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

repo, exe, driver_exe, seconds = Path(sys.argv[1]), Path(sys.argv[2]), Path(sys.argv[3]), float(sys.argv[4])
sys.path.insert(0, str(repo / "tests" / "e2e"))
import harness  # noqa: E402

FRAME_SECONDS = 0.4
prefix = repo / "build" / "run-prefix"
save = exe.parent / "pomki.dat"


def say(text):
    print(f"run-pet: {text}", flush=True)


def on_the_users_display(display):
    env = harness.wine_env(prefix, display)
    harness.prepare_prefix(prefix, env, log=say)
    # This prefix may have been used headless before: let the window manager and the
    # notification area of this display do their work.
    harness.start_wineserver(env)
    for key, name, _, _ in harness.HEADLESS_SETTINGS:
        harness.run_wine_command(["wine", "reg", "delete", key, "/v", name, "/f"], env, check=False)
    harness.run_wine_command(["wineserver", "-k"], env, check=False, timeout=30)
    say(f"running the pet on display {display}; end it from its care menu (right click on the hamster)")
    code = subprocess.run(["wine", str(exe)], env=env, cwd=str(exe.parent)).returncode
    say(f"the pet ended ({code}); its save file is {save}")
    return code


def recorded_on_xvfb():
    say(f"no usable display: running the pet for {seconds:.0f} s on a virtual screen of its own and recording it")
    xvfb, display = harness.start_xvfb()
    env = harness.wine_env(prefix, display)
    frames = repo / "build" / "run" / "frames"
    shutil.rmtree(frames, ignore_errors=True)
    frames.mkdir(parents=True)
    pet = None
    driver = None
    try:
        harness.prepare_prefix(prefix, env, log=say)
        # No window manager and no notification area here (the settings are read when Wine's
        # processes start, so the server is started afresh after them).
        harness.start_wineserver(env)
        harness.set_registry(env, harness.HEADLESS_SETTINGS)
        harness.run_wine_command(["wineserver", "-k"], env, check=False, timeout=30)
        harness.start_wineserver(env)
        driver = harness.Driver(driver_exe, env, log=lambda _: None)
        pet = subprocess.Popen(["wine", str(exe)], env=env, cwd=str(exe.parent), stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        found = driver.call("find-window", exe=harness.winpath(exe), visible=True, wait=20000)
        if not found.ok:
            say("the pet showed no window within 20 s")
            return 1
        hwnd = found.one["hwnd"]
        boxes = []
        start = time.monotonic()
        for n in range(int(seconds / FRAME_SECONDS)):
            time.sleep(max(0.0, start + n * FRAME_SECONDS - time.monotonic()))
            subprocess.run(["import", "-display", display, "-window", "root", str(frames / f"{n:04d}.png")],
                           check=True, capture_output=True, timeout=30)
            rect = driver.call("window", hwnd=hwnd).one.get("rect")
            if rect:
                boxes.append(rect)
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
        harness.run_wine_command(["wineserver", "-k"], env, check=False, timeout=30)
        harness.stop_process(xvfb)


def crop_around(boxes, margin=40, least=240):
    """A crop geometry holding every place the pet stood, with a margin, inside the screen."""
    width, height = harness.SCREEN
    if not boxes:
        return f"{width}x{height}+0+0"
    left = max(0, min(b[0] for b in boxes) - margin)
    top = max(0, min(b[1] for b in boxes) - margin)
    right = min(width, max(max(b[2] for b in boxes) + margin, left + least))
    bottom = min(height, max(max(b[3] for b in boxes) + margin, top + least))
    return f"{right - left}x{bottom - top}+{left}+{top}"


display = os.environ.get("DISPLAY", "")
try:
    sys.exit(on_the_users_display(display) if harness.display_usable(display) else recorded_on_xvfb())
except harness.HarnessError as e:
    say(str(e))
    sys.exit(1)
PYTHON
