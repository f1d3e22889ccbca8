#!/usr/bin/env python3
"""Proves the tests with faults (`make mutants`): puts small faults into a copy of the program,
one at a time, builds it, runs the tests that claim to judge that part, and prints a table:
fault, tests, caught or not. Exits 1 when a fault goes uncaught.

    tools/mutants.py [--only TEXT] [--keep]

The copy lives in build/mutants/tree (made afresh from the working tree's tracked files), with
build folders of its own, so the checkout and its builds are never touched. A fault in the core
is judged by the unit tests; a fault in the Windows program by the end-to-end scenarios named
with it (they run the copy's exe under Wine, and compare its trace, its windows and the screen).
"""

from __future__ import annotations

import argparse
import dataclasses
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
TREE = REPO / "build" / "mutants" / "tree"
PYTHON = os.environ.get("PYTHON", sys.executable)


@dataclasses.dataclass
class Fault:
    name: str        # what the fault does, as a reviewer would say it
    file: str        # relative to the repository
    original: str    # exactly once in the file
    faulty: str
    unit: bool = False                 # judged by the unit tests
    scenarios: tuple[str, ...] = ()   # judged by these e2e scenarios ("file.py:name")
    also: tuple[tuple[str, str], ...] = ()  # more (original, faulty) changes in the same file, made together


FAULTS = [
    # ---- The walk: step length and frame of a heading, ticks, timer, placing, z-order ----
    Fault("a step east is 6 pixels instead of 4", "src/core/pet/behaviour.cpp",
          "    {+4, 0, kSlotRight},", "    {+6, 0, kSlotRight},", unit=True),
    Fault("walking north shows the side view instead of the back", "src/core/pet/behaviour.cpp",
          "    {0, -4, kSlotBack},", "    {0, -4, kSlotLeft},", unit=True),
    Fault("a tick takes two steps", "src/core/pet/behaviour.cpp",
          "    const Point from{walk.petX, walk.petY};\n    StepAlongHeading(pet, walk);",
          "    const Point from{walk.petX, walk.petY};\n    StepAlongHeading(pet, walk);\n    StepAlongHeading(pet, walk);",
          unit=True),
    Fault("the pet window runs one tick more whenever a timer message comes late", "src/win/pet/pet_wnd.cpp",
          "    events_->Timer(TimerMessage{static_cast<int>(id), static_cast<uint32_t>(GetMessageTime())});",
          "    events_->Timer(TimerMessage{static_cast<int>(id), static_cast<uint32_t>(GetMessageTime())});\n"
          "    if (GetTickCount() - static_cast<DWORD>(GetMessageTime()) > 5) "
          "events_->Timer(TimerMessage{static_cast<int>(id), static_cast<uint32_t>(GetMessageTime())});",
          scenarios=("test_living.py:contented_pet_walks_in_steps",)),
    Fault("FastMove ticks every 150 ms instead of 100 (the rule)", "src/core/pet/pet.h",
          "inline constexpr int kFastIntervalMs = 100;", "inline constexpr int kFastIntervalMs = 150;",
          unit=True, scenarios=("test_living.py:contented_pet_walks_in_steps",)),
    Fault("the pet window sets its timer half as long again as asked", "src/win/pet/pet_wnd.cpp",
          "static_cast<UINT_PTR>(timer), static_cast<UINT>(intervalMs),",
          "static_cast<UINT_PTR>(timer), static_cast<UINT>(intervalMs * 3 / 2),",
          scenarios=("test_living.py:contented_pet_walks_in_steps",)),
    Fault("a step is placed before it is shaped", "src/core/pet/behaviour.cpp",
          "    ports.window.ApplyFrameRegion(walk.FrameSlot());\n    ports.window.PlacePet(ShowOffPlacement(pet), walk.petX, walk.petY);\n    walk.framePhase",
          "    ports.window.PlacePet(ShowOffPlacement(pet), walk.petX, walk.petY);\n    ports.window.ApplyFrameRegion(walk.FrameSlot());\n    walk.framePhase",
          unit=True),
    Fault("a new shape is given without drawing its frame", "src/win/render/frame_region_win.cpp",
          "        if (dc.get()) ImageList_Draw(picture, 0, dc.get(), 0, 0, ILD_NORMAL);\n",
          "",
          scenarios=("test_appearance.py:screenshot_shows_the_hamster_without_a_white_box",)),
    Fault("a walking pet is placed topmost for an instant at every step", "src/win/pet/pet_wnd.cpp",
          "    SetWindowPos(GetSafeHwnd(), InsertAfter(z), x, y, frameSide_, frameSide_, SWP_SHOWWINDOW | SWP_NOACTIVATE);",
          "    if (z == ZOrder::NoTopMost) SetWindowPos(GetSafeHwnd(), HWND_TOPMOST, x, y, frameSide_, frameSide_, "
          "SWP_SHOWWINDOW | SWP_NOACTIVATE);\n"
          "    SetWindowPos(GetSafeHwnd(), InsertAfter(z), x, y, frameSide_, frameSide_, SWP_SHOWWINDOW | SWP_NOACTIVATE);",
          scenarios=("test_living.py:contented_pet_walks_in_steps",)),
    Fault("a walking pet comes in front of the user's window", "src/win/pet/pet_wnd.cpp",
          "    case ZOrder::NoTopMost: return HWND_NOTOPMOST;", "    case ZOrder::NoTopMost: return HWND_TOP;",
          scenarios=("test_living.py:contented_pet_walks_in_steps",)),
    Fault("the window reports a rectangle it is not at", "src/win/pet/pet_wnd.cpp",
          "Rect CPetWnd::PetRect() { return WindowRectOf(GetSafeHwnd()); }",
          "Rect CPetWnd::PetRect() { Rect r = WindowRectOf(GetSafeHwnd()); r.left += 2; r.right += 2; return r; }",
          scenarios=("test_living.py:contented_pet_walks_in_steps",)),
    # ---- Hiding ----
    Fault("the pet hides 20 pixels left of its stop instead of 30", "src/core/pet/behaviour.cpp",
          "ports.window.PlacePet(ZOrder::Bottom, walk.petX - kHalfPet * n, walk.petY);",
          "ports.window.PlacePet(ZOrder::Bottom, walk.petX - 20 * n, walk.petY);", unit=True),
    Fault("the hiding pet is not put under the other windows", "src/win/pet/pet_wnd.cpp",
          "    case ZOrder::Bottom: return HWND_BOTTOM;", "    case ZOrder::Bottom: return HWND_NOTOPMOST;",
          scenarios=("test_living.py:stressed_pet_retitles_shoots_and_hides",)),
    # ---- The lines, the marks, the boxes ----
    Fault("a title mistyped", "src/core/pet/mischief.h", '    L"むかつきましゅ",', '    L"むかつきまちゅ",', unit=True),
    Fault("a box's caption mistyped", "src/core/pet/mischief.h", 'L"ごはんぐらいくだしゃい"}', 'L"ごはんぐらいください"}',
          unit=True),
    Fault("the title given loses its last letter on the way", "src/win/pet/desktop_win.cpp",
          "    const std::wstring titleZ(title);", "    const std::wstring titleZ(title.substr(0, title.size() - 1));",
          scenarios=("test_living.py:stressed_pet_retitles_shoots_and_hides",)),
    Fault("the box shows its caption as its text", "src/win/pet/desktop_win.cpp",
          "TopmostMessageBox(petWindow_.GetSafeHwnd(), textZ.c_str(), captionZ.c_str(), MB_OK);",
          "TopmostMessageBox(petWindow_.GetSafeHwnd(), captionZ.c_str(), captionZ.c_str(), MB_OK);",
          scenarios=("test_living.py:stressed_pet_grumbles_fires_volleys_and_minimises",)),
    Fault("shot marks drawn a pixel off where the pet aims them", "src/win/pet/desktop_win.cpp",
          "void WinDesktop::DrawShotMark(Point at) { frames_.Draw(kShotMarkSlot, screen_, ToPOINT(at)); }",
          "void WinDesktop::DrawShotMark(Point at) { frames_.Draw(kShotMarkSlot, screen_, POINT{at.x + 1, at.y}); }",
          scenarios=("test_living.py:stressed_pet_retitles_shoots_and_hides",)),
    # ---- Saving ----
    Fault("the save writes the file in place instead of replacing it whole", "src/win/state/file_store_win.cpp",
          "    if (const DWORD error = WriteDurably(temporary, bytes); error != ERROR_SUCCESS) {\n"
          "        report = {WriteReport::Temporary, FileErrorOf(error)};\n"
          "    } else if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {",
          "    if (const DWORD error = WriteDurably(target, bytes); error != ERROR_SUCCESS) {\n"
          "        report = {WriteReport::Temporary, FileErrorOf(error)};\n"
          "    } else if (false) {",
          scenarios=("test_saving.py:kills_at_random_moments_leave_a_whole_file",)),
    Fault("the autosave timer is set to 30 s", "src/core/state/pet_keeper.h",
          "inline constexpr int kAutosaveIntervalMs = 60'000;", "inline constexpr int kAutosaveIntervalMs = 30'000;",
          unit=True, scenarios=("test_saving.py:running_pet_is_saved_by_its_autosave_timer",)),
    Fault("the autosave timer's message ticks instead of saving", "src/core/pet/pet.cpp",
          "    if (message.id == static_cast<int>(PetTimer::Autosave)) {", "    if (message.id == -1) {",
          unit=True, scenarios=("test_saving.py:running_pet_is_saved_by_its_autosave_timer",)),
    # ---- The shell's windows ----
    Fault("one shell class misspelt in the windows the pet leaves alone", "src/core/pet/target_window.cpp",
          '    L"Shell_SecondaryTrayWnd",', '    L"Shell_SecondaryTrayWindow",', unit=True),
    Fault("the desktop tells the pet no class for a window", "src/win/pet/desktop_win.cpp",
          "    facts.className.assign(className, length > 0 ? static_cast<std::size_t>(length) : 0);",
          "    facts.className.clear();",
          scenarios=("test_polite.py:shell_windows_in_front_are_left_alone",)),
    # ---- Away and back ----
    Fault("a locked session does not write the pet", "src/core/pet/presence.cpp",
          "return event == PresenceEvent::Suspending || event == PresenceEvent::SessionLocked;",
          "return event == PresenceEvent::Suspending;",
          unit=True, scenarios=("test_away.py:a_locked_pet_rests_and_comes_back_as_it_was",)),
    Fault("the user's return starts a pet the rules had stopped", "src/core/pet/behaviour_timer.cpp",
          "    if (!wanted_) return;\n    if (away_) {", "    if (away_) {", unit=True),
    Fault("the pet window does not hear the session locked", "src/win/pet/pet_wnd.cpp",
          "    case WTS_SESSION_LOCK: events_->Presence(PresenceEvent::SessionLocked); break;",
          "    case WTS_SESSION_LOCK: break;",
          scenarios=("test_away.py:a_locked_pet_rests_and_comes_back_as_it_was",)),
    Fault("the pet window takes the display for on whatever it says", "src/win/pet/pet_wnd.cpp",
          "events_->Presence(state == 0 ? PresenceEvent::DisplayOff : PresenceEvent::DisplayOn);",
          "events_->Presence(state == 9 ? PresenceEvent::DisplayOff : PresenceEvent::DisplayOn);",
          scenarios=("test_away.py:the_pet_rests_through_sleep_a_switched_session_and_the_display_off",)),
    # ---- The scale ----
    Fault("the pixel scale rounds 1.5 down", "src/core/base/pixel_scale.h",
          "return std::max(1, (dpi + kBaseDpi / 2) / kBaseDpi);", "return std::max(1, (dpi + kBaseDpi / 2 - 1) / kBaseDpi);",
          unit=True),
    Fault("the pet window loads its frames at scale 1 whatever it is asked", "src/win/pet/pet_wnd.cpp",
          "    frames_.Load(CWinApp::ResourceModule(), scale);", "    frames_.Load(CWinApp::ResourceModule(), 1);",
          scenarios=("test_screens.py:pet_is_sharp_at_144_dpi",)),
    # ---- Safe wherever it runs: libraries, where the pet is kept, a refused file, the call ----
    # Either defence alone keeps a planted library out (a bare-name look-up after the restriction
    # searches System32 only; tools/check_exe.py flags the bare name in make test): both gone.
    Fault("the search is left unrestricted and system libraries are looked up by their bare names",
          "src/win/framework/system_library.cpp",
          "    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;",
          "    if (setDefault) return;",
          scenarios=("test_anywhere.py:libraries_planted_beside_the_program_are_never_loaded",),
          also=(("if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;",
                 "if (HMODULE module = LoadLibraryW(name)) return module;"),)),
    Fault("access denied on the temporary file is waited for as a busy file", "src/core/state/save_file.cpp",
          "case FileError::AccessDenied: return report.step == WriteReport::Move ? WriteResult::Busy : WriteResult::Failed;",
          "case FileError::AccessDenied: return WriteResult::Busy;", unit=True),
    Fault("a file held open while it is replaced is taken for a failure", "src/core/state/save_file.cpp",
          "case FileError::AccessDenied: return report.step == WriteReport::Move ? WriteResult::Busy : WriteResult::Failed;",
          "case FileError::AccessDenied: return WriteResult::Failed;", unit=True),
    Fault("the store reports access denied as a sharing violation", "src/win/state/file_store_win.cpp",
          "    case ERROR_ACCESS_DENIED: return FileError::AccessDenied;",
          "    case ERROR_ACCESS_DENIED: return FileError::SharingViolation;",
          scenarios=("test_anywhere.py:a_folder_that_takes_no_file_keeps_the_pet_in_the_users_folder",
                     "test_anywhere.py:a_save_that_fails_is_told_at_once")),
    Fault("the probe's answer is not heeded", "src/core/state/pet_keeper.cpp",
          "    return ResultOf(files_.ProbeReplace(path)) != WriteResult::Failed;",
          "    files_.ProbeReplace(path);\n    return true;", unit=True,
          scenarios=("test_anywhere.py:a_folder_that_takes_no_file_keeps_the_pet_in_the_users_folder",)),
    Fault("the temporary folder is taken for a place to keep the pet", "src/core/state/pet_keeper.cpp",
          "    if (IsWithinFolder(folder, files_.TemporaryFolder())) return false;\n",
          "    files_.TemporaryFolder();\n", unit=True,
          scenarios=("test_anywhere.py:a_program_started_from_inside_a_zip_archive_keeps_its_pet_in_the_users_folder",)),
    Fault("the pet beside the program is not copied to the user's folder", "src/core/state/pet_keeper.cpp",
          "if (result == LoadResult::Loaded) copied = ResultOf(files_.ReplaceAtomically(path_, bytes)) == WriteResult::Written;",
          "copied = false;", unit=True,
          scenarios=("test_anywhere.py:a_folder_that_takes_no_file_keeps_the_pet_in_the_users_folder",)),
    Fault("where the pet lives is told at every start", "src/core/state/pet_keeper.cpp",
          "    if (!movedHere_ || !keeping_) return std::nullopt;", "    if (!keeping_) return std::nullopt;",
          unit=True),
    Fault("a refused file is written over, not kept", "src/core/state/pet_keeper.cpp",
          "    if (refusedOnFile_) {", "    if (false) {", unit=True,
          scenarios=("test_foundation.py:tampered_file_is_refused_and_replaced",)),
    Fault("a refused file is set aside at every save", "src/core/state/pet_keeper.cpp",
          "        refusedOnFile_ = false;\n    }", "    }", unit=True),
    Fault("a failed save is told only at exit", "src/core/pet/pet.cpp",
          "    ports_.window.ShowNotice(*notice);\n}", "}", unit=True,
          scenarios=("test_anywhere.py:a_save_that_fails_is_told_at_once",)),
    Fault("a failed save is told again at every failure", "src/core/pet/pet.cpp",
          "    saveFailureTold_ = true;\n", "", unit=True,
          scenarios=("test_anywhere.py:a_save_that_fails_is_told_at_once",)),
    Fault("the called pet comes with its corner on the cursor", "src/core/pet/call_back.cpp",
          "    Point corner{cursor.x - side / 2, cursor.y - side / 2};", "    Point corner{cursor.x, cursor.y};",
          unit=True, scenarios=("test_anywhere.py:a_second_start_calls_the_lost_pet_into_view",)),
    Fault("the called pet is not brought in front", "src/core/pet/call_back.cpp",
          "return pet.IsOn(ShowOff) ? ZOrder::TopMost : ZOrder::Top;",
          "return pet.IsOn(ShowOff) ? ZOrder::TopMost : ZOrder::NoTopMost;", unit=True),
    Fault("the pet window places 'in front' as the walk's placement", "src/win/pet/pet_wnd.cpp",
          "    case ZOrder::Top: return HWND_TOP;", "    case ZOrder::Top: return HWND_NOTOPMOST;",
          scenarios=("test_anywhere.py:a_second_start_calls_the_lost_pet_into_view",)),
    Fault("a called pet hidden behind a window stays stopped", "src/core/pet/pet.cpp",
          "    if (!careMenuOpen_) StartBehaviourTimer();\n}\n\nvoid Pet::SaveChanges", "}\n\nvoid Pet::SaveChanges",
          unit=True),
    Fault("the second copy calls no pet", "src/win/app/pet_app.cpp",
          "        CallRunningPet();\n", "",
          scenarios=("test_anywhere.py:a_second_start_calls_the_lost_pet_into_view",)),
    # ---- A change of DPI, the monitors, the sweep and the clock ----
    Fault("a pet left alone keeps its corner at a change of DPI instead of staying centred",
          "src/core/pet/dpi_change.cpp", "        corner = Point{centre.x - side / 2, centre.y - side / 2};",
          "        corner = Point{before.left, before.top};", unit=True,
          scenarios=("test_scales.py:a_change_of_dpi_places_the_pet_where_the_core_says",)),
    Fault("a pet centred mostly off the monitor whose DPI it took stays there (and flaps back)",
          "src/core/pet/dpi_change.cpp", "    if (!taken || MostlyOn(placed, taken->rect)) return placed;",
          "    return placed;", unit=True,
          scenarios=("test_scales.py:a_change_of_dpi_places_the_pet_where_the_core_says",)),
    Fault("a dragged pet loses its grab point at a change of DPI", "src/core/pet/dpi_change.cpp",
          "    if (facts.dragCursor && before.Width() > 0", "    if (false && facts.dragCursor && before.Width() > 0",
          unit=True),
    Fault("the pet window lets the system scale its size in proportion", "src/win/pet/pet_wnd.cpp",
          "    return SIZE{side, side};", "    return std::nullopt;",
          scenarios=("test_scales.py:a_change_of_dpi_places_the_pet_where_the_core_says",)),
    Fault("the pet window takes the system's suggested rectangle after the core placed it", "src/win/pet/pet_wnd.cpp",
          "    events_->DpiChanged(static_cast<int>(dpi), ToRect(suggested));",
          "    events_->DpiChanged(static_cast<int>(dpi), ToRect(suggested));\n"
          "    SetWindowPos(GetSafeHwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left, "
          "suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);",
          scenarios=("test_scales.py:a_change_of_dpi_places_the_pet_where_the_core_says",)),
    Fault("a maximised window counts as full screen", "src/core/pet/target_window.cpp",
          "    if (front->framed) return false;", "", unit=True,
          scenarios=("test_scales.py:a_maximised_window_on_a_monitor_without_a_taskbar_keeps_its_tricks",)),
    Fault("the desktop tells the pet every window has a frame", "src/win/pet/desktop_win.cpp",
          "    facts.framed = (GetWindowLongPtrW(hwnd, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME)) != 0;",
          "    facts.framed = true;",
          scenarios=("test_scales.py:a_maximised_window_on_a_monitor_without_a_taskbar_keeps_its_tricks",)),
    Fault("the sweep goes on below a monitor's last row", "src/core/abilities/effect_sweep.cpp",
          "    if (next.y > r.bottom - step) return TopLeftOf(", "    if (next.y > r.bottom - step + 200) return TopLeftOf(",
          unit=True, scenarios=("test_scales.py:the_sweep_covers_each_monitor_in_turn_and_nothing_between",)),
    Fault("the sweep window keeps its size at 100 % on a scaled monitor", "src/win/abilities/effect_wnd.cpp",
          "    const int side = EffectSideOn(monitors_[effectPos->monitor]);", "    const int side = kEffectSize;",
          scenarios=("test_scales.py:the_sweep_covers_each_monitor_in_turn_and_nothing_between",)),
    Fault("the clock shows its template's picture, unscaled", "src/win/abilities/clock_wnd.cpp",
          "    ShowPicture(WindowDpi(GetSafeHwnd()));", "",
          scenarios=("test_scales.py:clock_at_192_dpi_shows_the_hamster_at_its_scale",)),
    # ---- The notification icon ----
    Fault("a press on the icon opens the care menu", "src/core/pet/pet.cpp",
          "    case TrayEvent::LeftButtonUp:", "    case TrayEvent::LeftButtonDown:\n    case TrayEvent::LeftButtonUp:",
          unit=True,
          scenarios=("test_appearance.py:icon_opens_the_care_menu_on_a_click_s_release_and_brings_it_to_the_front",)),
    Fault("a click while the care menu is open leaves it behind the user's window", "src/win/pet/pet_wnd.cpp",
          "    SetForegroundWindow(GetLastActivePopup(menu));", "",
          scenarios=("test_appearance.py:icon_opens_the_care_menu_on_a_click_s_release_and_brings_it_to_the_front",
                     "test_appearance.py:real_clicks_on_the_icon_open_the_care_menu_once_and_in_front")),
    Fault("the notification icon is loaded at 16 pixels whatever the shell's scale", "src/win/framework/tray_icon.cpp",
          "        if (const int side = forDpi(SM_CXSMICON, dpi); side > 0) return side;", "        return 16;",
          scenarios=("test_scales.py:the_notification_icon_at_144_dpi_is_its_own_picture_of_the_shell_s_size",)),
    Fault("the icon asks the shell for no version 4 notifications", "src/win/framework/tray_icon.cpp",
          "        NotifyIcon(NIM_SETVERSION, &version);", "",
          scenarios=("test_appearance.py:real_clicks_on_the_icon_open_the_care_menu_once_and_in_front",)),
]


def run(args: list[str], cwd: Path, log: Path, timeout: float = 3600) -> bool:
    with open(log, "ab") as out:
        out.write(f"\n$ {' '.join(args)}\n".encode())
        out.flush()
        try:
            return subprocess.run(args, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, timeout=timeout).returncode == 0
        except subprocess.TimeoutExpired:
            return False


def make_tree() -> None:
    shutil.rmtree(TREE, ignore_errors=True)
    TREE.mkdir(parents=True)
    files = subprocess.run(["git", "ls-files", "-z"], cwd=REPO, capture_output=True, check=True).stdout
    for name in files.decode().split("\0"):
        if name and (REPO / name).is_file():
            (TREE / name).parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(REPO / name, TREE / name)


def build(log: Path, native: bool, win: bool) -> bool:
    ok = True
    if native:
        ok = run(["cmake", "--preset", "native"], TREE, log) and run(["cmake", "--build", "--preset", "native", "-j2"], TREE, log)
    if win and ok:
        ok = (run(["cmake", "--preset", "win"], TREE, log) and run(["cmake", "--build", "--preset", "win", "-j2"], TREE, log)
              and shutil.copyfile(TREE / "build/win/pomki_pet.exe", TREE / "dist/pomki_pet.exe") is not None)
    return ok


def unit_tests_pass(log: Path) -> bool:
    return run(["ctest", "-L", "unit", "-j2", "--output-on-failure"], TREE / "build/native", log)


def scenario_passes(named: str, log: Path) -> bool:
    file, name = named.split(":")
    return run([PYTHON, "tests/e2e/run_scenarios.py", "--exe", "dist/pomki_pet.exe", "--driver",
                "build/win/e2e_driver.exe", "--replay", "build/native/pomki_replay", "--work", "build/native/e2e-mutants",
                "--only", name, f"tests/e2e/{file}"], TREE, log)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--only", action="append", default=[], help="only faults whose name holds this text")
    args = parser.parse_args()
    faults = [f for f in FAULTS if not args.only or any(o in f.name for o in args.only)]
    logs = REPO / "build" / "mutants" / "logs"
    shutil.rmtree(logs, ignore_errors=True)
    logs.mkdir(parents=True)
    print(f"mutants: copying the working tree to {TREE} and building it", flush=True)
    make_tree()
    (TREE / "dist").mkdir(exist_ok=True)
    if not build(logs / "build.log", native=True, win=True):
        print(f"mutants: the unchanged copy does not build (see {logs / 'build.log'})")
        return 2
    rows = []
    for number, fault in enumerate(faults, start=1):
        path = TREE / fault.file
        text = path.read_text(encoding="utf-8")
        changes = ((fault.original, fault.faulty),) + fault.also
        if any(text.count(original) != 1 for original, _ in changes):
            rows.append((fault, "-", f"NOT APPLIED: the text to change is not in {fault.file} once"))
            continue
        log = logs / f"{number:02d}.log"
        started = time.monotonic()
        faulty_text = text
        for original, faulty in changes:
            faulty_text = faulty_text.replace(original, faulty)
        path.write_text(faulty_text, encoding="utf-8")
        try:
            native = fault.unit or fault.file.startswith("src/core")
            if not build(log, native=native, win=bool(fault.scenarios)):
                verdicts = [("build", "caught (does not build)")]
            else:
                verdicts = []
                if fault.unit:
                    verdicts.append(("unit tests", "caught" if not unit_tests_pass(log) else "NOT CAUGHT"))
                for named in fault.scenarios:
                    verdicts.append((named, "caught" if not scenario_passes(named, log) else "NOT CAUGHT"))
        finally:
            path.write_text(text, encoding="utf-8")
        for test, verdict in verdicts:
            rows.append((fault, test, verdict))
        print(f"  {fault.name}: {', '.join(f'{t} {v}' for t, v in verdicts)} ({time.monotonic() - started:.0f} s)",
              flush=True)
    build(logs / "rebuild.log", native=True, win=True)

    width = max(len(f.name) for f, _, _ in rows)
    test_width = max(len(t) for _, t, _ in rows)
    print()
    print(f"{'fault':<{width}}  {'test':<{test_width}}  result")
    print(f"{'-' * width}  {'-' * test_width}  ------")
    for fault, test, verdict in rows:
        print(f"{fault.name:<{width}}  {test:<{test_width}}  {verdict}")
    missed = [r for r in rows if r[2] != "caught" and not r[2].startswith("caught")]
    print(f"\n{len(rows) - len(missed)} of {len(rows)} caught; logs in {logs}")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
