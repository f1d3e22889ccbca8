"""Safe wherever Windows puts it: a library of a system's name planted beside the program is
never loaded; a folder that takes no file, or the temporary folder Windows runs a program from
inside a ZIP archive, keeps the pet in the user's own folder instead (and the user is told
where, once); a save that fails is told at once; and a second start calls the running pet into
view, showing nothing of its own."""
# lane: a

import shutil
import time
from pathlib import Path, PureWindowsPath

from constants import (AUTOSAVE_TIMER_ID, FAST_MOVE, FILE_ERROR_CAPTION, IDOK, KEPT_ELSEWHERE_CAPTION,
                       KEPT_ELSEWHERE_TEXT, NO_MISCHIEF_1, PET_SIZE, SAVE_FAILED_TEXT)
from savefile import PetRecord, decode_save, explain_ticks, format_save, record
from scenario import run_wine_command, winpath
from traces import expect_screen_agrees, parse_point, parse_rect, unquote, window_ref
from watch import PetWatch, watch_until

PLANTED = ("shcore.dll", "winmm.dll", "dwmapi.dll")
# Wine keeps its own built-in winmm whatever file its search finds first; with this order it
# loads the first file found, as Windows does (and it loads shcore and dwmapi so already).
PLANTED_LOAD_ORDER = "shcore,winmm,dwmapi=n,b"


def load_order(s) -> dict:
    return {"WINEDLLOVERRIDES": f"{s.environment.env.get('WINEDLLOVERRIDES', '')};{PLANTED_LOAD_ORDER}"}


def plant(s, folder: Path) -> None:
    """The libraries with system names (tests/e2e/fixtures/planted_library.c), each of which
    writes "<its path>.loaded" when a process loads it."""
    for name in PLANTED:
        shutil.copyfile(s.environment.driver_exe.parent / "planted" / name, folder / name)


def markers(folder: Path) -> list[str]:
    return sorted(p.name for p in folder.glob("*.loaded"))


def calls_in(pet, name: str) -> list:
    return [x for x in pet.trace.lines if x.name == name and x.kind != "event"]


def scenario_libraries_planted_beside_the_program_are_never_loaded(s):
    """The program's folder holds shcore.dll, winmm.dll and dwmapi.dll of its own (as a Downloads
    folder may). The pet reaches every part of it that loads one of those: it asks its monitor's
    DPI, shows its icon and asks the shell's notification state (shell32, which needs shcore),
    shapes its frames and looks at the user's window (dwmapi: composition, cloaking) and plays a
    trick on that window with a sound (winmm). None of the planted libraries is ever loaded; a
    load by the bare name, from a folder like it, would have loaded each."""
    # The planted libraries work here: a program that loads them by their bare names from their
    # folder gets them, and they say so.
    control = s.folder / "control"
    control.mkdir()
    shutil.copyfile(s.environment.driver_exe, control / "e2e_driver.exe")
    plant(s, control)
    for name in PLANTED:
        done = run_wine_command(["wine", str(control / "e2e_driver.exe"), "load-library", "--name", name],
                                {**s.environment.env, **load_order(s)}, check=False, timeout=60)
        said = done.stdout.decode("utf-8", "replace")
        s.note(f"load-library {name}: {said.strip()}")
        s.expect(winpath(control / name).lower() in said.replace("\\\\", "\\").lower(),
                 f"a load of {name} by its bare name beside it did not find the planted one: {said.strip()}")
        s.expect(f"{name}.loaded" in markers(control), f"the planted {name} wrote no marker when it was loaded")

    exe = s.place_exe("Downloads/pomki_pet.exe")
    plant(s, exe.parent)
    # FastMove, ten ticks a second; stressed enough to retitle the user's window (with a sound)
    # and to fire single shots, not more; fed, so that the stress stays where it is.
    s.write_save(exe, format_save(record(stress=300, fullness=900, unlocked=[FAST_MOVE], on=[FAST_MOVE])))
    pet = s.start_pet(exe, env=load_order(s))
    # The user's window in front, for the pet to look at and play its tricks on.
    own = s.start_own_window("the user's work", seconds=120, x=500, y=300, width=400, height=300)
    looked_at = f"desk.DescribeWindow {window_ref(own.hwnd)}"
    s.wait_until(lambda: [x for x in pet.trace.lines if x.call == looked_at] and calls_in(pet, "desk.PlaySoundEffect"),
                 60, "the pet to look at the user's window and play a trick with a sound")
    for name, what in [("win.Dpi", "the monitor's DPI"), ("win.AddTrayIcon", "its notification icon"),
                       ("win.ApplyFrameRegion", "a frame shaped"), ("desk.PlaySoundEffect", "a sound"),
                       ("desk.NotificationState", "the shell's notification state"),
                       ("desk.DescribeWindow", "the facts of the user's window")]:
        s.expect(calls_in(pet, name), f"the pet never asked for {what} ({name})")
    s.quit(pet)
    own.close()
    s.expect_equal(markers(exe.parent), [], "markers of planted libraries that the pet loaded")
    s.expect_equal(sorted(p.name for p in exe.parent.iterdir()),
                   sorted(["pomki_pet.exe", "pomki.dat", *PLANTED]), "files beside the program afterwards")


# ---------------------------------------------------------------------------------------------
# Where the pet is kept
# ---------------------------------------------------------------------------------------------

class UserFolders:
    """The Wine user's local application data and temporary folders, as Windows paths and as the
    files under the prefix that they are."""

    def __init__(self, s):
        reply = s.driver.call("folders").one
        self.s = s
        self.local_app_data = reply["local_app_data"]
        self.temp = reply["temp"]
        self.own_folder = self.local_app_data + "\\pomki\\"
        self.own_file = self.own_folder + "pomki.dat"

    def unix(self, windows_path: str) -> Path:
        path = PureWindowsPath(windows_path)
        self.s.expect(path.drive.upper() == "C:", f"{windows_path} is not on drive C:")
        return self.s.environment.prefix / "drive_c" / Path(*path.parts[1:])

    def clear_own_folder(self) -> None:
        """The pet kept by the user's own folder: the prefix is shared by the scenarios of a lane."""
        shutil.rmtree(self.unix(self.own_folder), ignore_errors=True)


def expect_kept_elsewhere_box(s, exe: str | Path, path: str) -> dict:
    """The box that tells where the pet lives now, owned by the pet window (shown once it is OK'd)."""
    box = s.wait_msgbox(exe=exe if isinstance(exe, str) else winpath(exe), timeout=15)
    s.expect_equal(box.get("caption"), KEPT_ELSEWHERE_CAPTION, "the caption of the box that tells where the pet lives")
    s.expect_equal(box.get("text"), KEPT_ELSEWHERE_TEXT + path, "the text of the box that tells where the pet lives")
    s.expect_equal([b.get("id") for b in box.get("buttons", []) if b.get("visible")], [IDOK], "its buttons (OK only)")
    return box


def shown_owner(s, box: dict) -> dict:
    """The pet window that owns the box, once the box is closed and the window shown."""
    def shown():
        window = s.driver.call("window", hwnd=box.get("owner")).one
        return window if window.get("visible") and window.get("title") == "" else None
    return s.wait_until(shown, 15, "the pet window to show after the box")


def scenario_a_folder_that_takes_no_file_keeps_the_pet_in_the_users_folder(s):
    """The program's folder refuses the temporary file of a save (as Program Files or a folder
    under Controlled Folder Access refuse a new file: "access denied"). The pet beside the program
    is copied, byte for byte, to %LOCALAPPDATA%\\pomki\\pomki.dat, the user is told so once, and the
    pet lives and is saved there; the folder of the program is left as it was. The next start
    loads it from there and tells nothing."""
    folders = UserFolders(s)
    folders.clear_own_folder()
    try:
        exe = s.place_exe("Program Files/pomki/pomki_pet.exe")
        grown = record(level=23, money=4242, fullness=900, unlocked=range(6), on=[NO_MISCHIEF_1])
        original = format_save(grown, b"\n")  # not the program's own line ends: a copy keeps them
        s.write_save(exe, original)
        # Wine run by root writes any folder, whatever its permissions. A folder where the temporary
        # file would be made gets the answer Windows gives in a folder the user may not write: Windows
        # and Wine both refuse to create a file where a folder stands with "access denied".
        (exe.parent / "pomki.dat.tmp").mkdir()
        before = s.listing(exe.parent)
        own = folders.unix(folders.own_file)

        pet = s.start_pet(exe, wait_window=False)
        box = expect_kept_elsewhere_box(s, exe, folders.own_file)
        s.expect_equal(own.read_bytes() if own.is_file() else None, original,
                       "the file in the user's folder while the box is open (the pet beside the program, copied)")
        s.click(box["hwnd"], IDOK)
        pet.window = shown_owner(s, box)
        s.wait_until(lambda: pet.trace.ticks() >= 2, 15, "two ticks")
        probes = calls_in(pet, "file.ProbeReplace")
        s.expect_equal([(unquote(x.args[0]), x.answer) for x in probes],
                       [(winpath(exe.parent / "pomki.dat"), "Temporary AccessDenied")],
                       "the probe of the program's folder and Windows' answer")
        s.expect_equal([unquote(x.answer) for x in calls_in(pet, "file.UserDataFolder")], [folders.own_folder],
                       "the user's folder the store named")
        s.quit(pet)
        problem = explain_ticks(grown, decode_save(own.read_bytes()) or PetRecord(level=-1))
        s.expect(problem is None, f"the pet saved in the user's folder at exit: {problem}")
        s.expect_equal(s.read_save(exe), original, "the file beside the program afterwards")
        s.expect_equal(s.listing(exe.parent), before, "what is beside the program afterwards")

        # Started again: the pet is loaded from the user's folder, and nothing is told.
        kept = own.read_bytes()
        again = s.start_pet(exe)
        s.expect(not s.driver.call("msgbox", exe=winpath(exe)).ok, "a box on the second start")
        reads = [(unquote(x.args[0]), x.answer.split()[0]) for x in calls_in(again, "file.ReadAll")]
        s.expect_equal(reads, [(folders.own_file, "Read")], "the files the second start read")
        s.quit(again)
        problem = explain_ticks(decode_save(kept), decode_save(own.read_bytes()) or PetRecord(level=-1))
        s.expect(problem is None, f"the pet saved at the second exit: {problem}")
        s.expect_equal(s.read_save(exe), original, "the file beside the program after the second start")
    finally:
        folders.clear_own_folder()


def scenario_a_program_started_from_inside_a_zip_archive_keeps_its_pet_in_the_users_folder(s):
    """Explorer runs a program started from inside a ZIP archive from a folder of its own in the
    user's temporary folder, and empties it later. The pet is kept in the user's folder at once
    (the temporary folder is not even tried), the user is told where, and nothing is written
    beside the program."""
    folders = UserFolders(s)
    folders.clear_own_folder()
    zip_folder = folders.unix(folders.temp) / "Temp1_pomki-1.0.0-win64.zip" / "pomki-1.0.0"
    shutil.rmtree(zip_folder.parent, ignore_errors=True)
    try:
        zip_folder.mkdir(parents=True)
        exe = zip_folder / "pomki_pet.exe"
        shutil.copyfile(s.environment.exe, exe)
        # Started by its C: path, as Explorer starts it.
        started_as = f"{folders.temp}Temp1_pomki-1.0.0-win64.zip\\pomki-1.0.0\\pomki_pet.exe"
        pet = s.start_pet(exe, wait_window=False, windows_path=started_as)
        box = expect_kept_elsewhere_box(s, started_as, folders.own_file)
        s.click(box["hwnd"], IDOK)
        pet.window = shown_owner(s, box)
        s.expect_equal(calls_in(pet, "file.ProbeReplace"), [], "probes of the temporary folder")
        s.quit(pet)
        own = folders.unix(folders.own_file)
        s.expect(own.is_file() and decode_save(own.read_bytes()) is not None, "no pet was saved in the user's folder")
        s.expect_equal(s.listing(zip_folder), {"pomki_pet.exe": "file"}, "what is beside the program afterwards")
    finally:
        folders.clear_own_folder()
        shutil.rmtree(zip_folder.parent, ignore_errors=True)


def scenario_a_save_that_fails_is_told_at_once(s):
    """Once the pet runs, its folder stops taking files. The next save (the autosave timer's
    message, sent as Windows would send it a minute on) fails, and the user is told at once, in a
    box of its own; the next failure is not told again. Once the folder takes files again, the pet
    is saved, and a new failure would be told again."""
    exe = s.place_exe()
    start = record(level=5, money=1000, fullness=100_000, unlocked=[FAST_MOVE], on=[FAST_MOVE])
    original = format_save(start)
    s.write_save(exe, original)
    pet = s.start_pet(exe)
    refuse = exe.parent / "pomki.dat.tmp"
    refuse.mkdir()  # where a folder stands, no temporary file can be made: "access denied"

    def autosave(count: int, what: str):
        """The count-th save, once the pet has changed since the last one (a tick earns a GOLD)."""
        s.wait_until(lambda: pet.trace.ticks() >= 3 * count, 20, "ticks that change the pet")
        s.expect(s.driver.call("post", hwnd=pet.hwnd, msg="WM_TIMER", wparam=AUTOSAVE_TIMER_ID).ok,
                 "could not post the autosave timer's message")

        def answered():
            saves = calls_in(pet, "file.ReplaceAtomically")
            return saves[count - 1] if len(saves) >= count else None
        return s.wait_until(answered, 15, what)

    first = autosave(1, "the first save")
    s.expect_equal(first.answer, "Temporary AccessDenied", "the first save's answer")
    box = s.wait_msgbox(exe=winpath(exe), timeout=10)
    s.expect_equal((box.get("caption"), box.get("text"), box.get("owner")), (FILE_ERROR_CAPTION, SAVE_FAILED_TEXT, 0),
                   "the box about the failed save (caption, text, owner)")
    s.click(box["hwnd"], IDOK)
    s.wait_until(lambda: not s.driver.call("msgbox", exe=winpath(exe)).ok, 10, "the box to close")

    second = autosave(2, "the second save")
    s.expect_equal(second.answer, "Temporary AccessDenied", "the second save's answer")
    # The event of the second save is over once a tick after it has begun.
    s.wait_until(lambda: any(x.kind == "event" and x.number > second.number for x in pet.trace.lines), 10,
                 "an event after the second save")
    s.expect(not s.driver.call("msgbox", exe=winpath(exe)).ok, "a second box about the same failure")
    s.expect_equal(s.read_save(exe), original, "the file while the folder refuses")

    refuse.rmdir()
    third = autosave(3, "the third save")
    s.expect_equal(third.answer, "Done", "the third save's answer")
    problem = explain_ticks(start, decode_save(s.read_save(exe)) or PetRecord(level=-1))
    s.expect(problem is None, f"the pet saved once the folder took files again: {problem}")
    s.quit(pet)


# ---------------------------------------------------------------------------------------------
# A second start calls the pet
# ---------------------------------------------------------------------------------------------

def scenario_a_second_start_calls_the_lost_pet_into_view(s):
    """The pet walks behind a window that covers the whole screen (lost, as under a maximised
    window). The user starts the program again: the second copy shows nothing and ends, and the
    running pet comes to the pointer, on its work area, in front of that window, and walks on
    from there.

    Under Wine a shaped window that is given a region anew, as the pet is at each step, may go
    back under the foreground window (on Windows neither that nor the step's HWND_NOTOPMOST moves
    it in the z-order), so the pet is judged where the call put it, at its first sight there."""
    exe = s.place_exe()
    s.write_save(exe, format_save(record(fullness=900)))
    pet = s.start_pet(exe)
    cover = s.start_own_window("covers the pet", seconds=120, x=0, y=0, width=1024, height=768)
    watch = PetWatch(s, pet, other=cover.hwnd)
    ticks = pet.trace.ticks()
    watch_until(s, watch, 15, lambda: pet.trace.ticks() >= ticks + 3)
    s.expect(watch.samples[-1].other_above, f"the pet is not behind the window that covers it: {watch.samples[-1]}")
    hidden = len(watch.samples)

    pointer = (700, 500)
    s.pointer_to(*pointer)
    before = {w["hwnd"] for w in s.windows(exe=winpath(exe))}
    second = s.spawn(["wine", str(exe)], log_name="second")
    started = time.monotonic()
    appeared = set()

    def call_line():
        return next((x for x in pet.trace.lines if x.kind == "event" and x.name == "pet.CalledBack"), None)

    def called_and_walked_on():
        appeared.update({w["hwnd"] for w in s.windows(exe=winpath(exe), visible=True)} - before)
        call = call_line()
        after = [x for x in pet.trace.lines if call and x.number > call.number and x.name == "pet.Timer"]
        return second.poll() is not None and len(after) >= 3

    watch_until(s, watch, 30, called_and_walked_on)
    s.expect(second.poll() is not None, f"the second copy did not end ({time.monotonic() - started:.0f} s)")
    s.expect_equal(sorted(appeared), [], "windows shown by the second copy")
    s.expect(pet.running(), "the first copy still runs")
    called = [x for x in pet.trace.lines if x.kind == "event" and x.name == "pet.CalledBack"]
    s.expect_equal(len(called), 1, "calls of the running pet")

    lines = pet.trace.lines
    at = next(i for i, x in enumerate(lines) if x.number == called[0].number)
    inside = lines[at + 1:at + 6]
    s.expect_equal([x.name for x in inside],
                   ["desk.CursorPos", "desk.WorkAreas", "win.ApplyFrameRegion", "win.PlacePet", "win.StartTimer"],
                   "what the called pet asked and did")
    s.expect_equal(parse_point(inside[0].answer), pointer, "the cursor the desktop told (where the pointer is)")
    monitors = [o for o in s.driver.call("monitors").objects if "work" in o]
    s.expect_equal([parse_rect(w) for w in inside[1].answer.split()], [tuple(m["work"]) for m in monitors],
                   "the work areas the desktop told")
    corner = (pointer[0] - PET_SIZE // 2, pointer[1] - PET_SIZE // 2)
    s.expect_equal((inside[3].args[0], parse_point(inside[3].args[1])), ("Top", corner),
                   "where the pet was placed: centred on the pointer, in front")
    # Seen there, in the frame it was given, in front of the window that hid it. (Under Wine the
    # next step's new region may put it back behind while it still stands there: the first sight.)
    called_rect = (*corner, corner[0] + PET_SIZE, corner[1] + PET_SIZE)
    seen = [x for x in watch.samples[hidden:] if x.rect == called_rect]
    s.expect(seen, "the pet was never seen where the call put it")
    first = seen[0]
    s.expect(first.matches_slot(int(inside[2].args[0])) and first.visible and not first.other_above,
             f"where the call put it, the pet showed {first}{' behind the window' if first.other_above else ''}")
    expect_screen_agrees(s, pet.trace, watch.samples)
    # It walks on from there: its next step starts at that corner.
    steps = [x for x in lines[at + 6:] if x.name == "win.PlacePet"]
    s.expect(steps and abs(parse_point(steps[0].args[1])[0] - corner[0]) <= 4
             and abs(parse_point(steps[0].args[1])[1] - corner[1]) <= 4,
             f"the first step after the call goes from {corner} to {steps[0].args[1] if steps else None}")
    cover.close()
    s.quit(pet)
