"""Start-up, the single copy, the save file beside the program, and the ways the program ends."""
# lane: a

import time

from constants import FILE_ERROR_CAPTION, IDOK, SAVE_FAILED_TEXT, TAMPERED_TEXT
from savefile import PROGRAM_EOL, PetRecord, decode_save, encode_numbers, explain_ticks, format_numbers, format_save
from scenario import Skip, winpath

# The file written for a pet with the first-run values: level 1, fullness 500, all else 0.
FIRST_RUN_NUMBERS = [
    31306, 5592, 2, 27, 99, 232, 132, 450, 232, 132,
    2, 27, 99, 2, 132, 2, 44, 132, 2, 27,
    99, 232, 132, 105, 232, 132, 1111, 27, 99, 232,
    132, 1200, 286, 132, 9502, 27, 99, 232, 12230, 5500,
]
FIRST_RUN_FILE = b"".join(b"%d\r\r\n" % n for n in FIRST_RUN_NUMBERS)

WS_POPUP = 0x80000000
WS_EX_TOOLWINDOW = 0x80


def a_grown_pet() -> PetRecord:
    """A pet far from the first-run values, with negative numbers and a flag that is not 0 or 1.
    Full enough that a few ticks raise no stress, calm enough for no mischief."""
    pet = PetRecord(level=37, experience=42, fullness=900, stress=-7, reserved=-5, money=123456)
    pet.abilityUnlocked = [1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 2]
    pet.abilityOn = [0, 0, 1, 5, 0, 1, 1, 1, 0, 0, 1, 0]  # abilityOn[7] (the clock) is set
    return pet


def after_start(pet: PetRecord) -> PetRecord:
    """The record as the program holds it after set-up: the clock flag is always cleared."""
    expected = pet.copy()
    expected.abilityOn[7] = 0
    return expected


def expect_message_box(s, box: dict, owner: int, text: str) -> None:
    s.expect_equal(box.get("caption"), FILE_ERROR_CAPTION, "message box caption")
    s.expect_equal(box.get("text"), text, "message box text")
    s.expect_equal(box.get("owner"), owner, "message box owner")
    buttons = [b for b in box.get("buttons", []) if b.get("visible")]
    s.expect_equal([b.get("id") for b in buttons], [IDOK], "message box buttons (OK only)")


def scenario_first_run_without_a_file(s):
    exe = s.place_exe()
    pet = s.start_pet(exe, hold=True)
    s.expect_equal(pet.window["rect"][:2], [0, 0], "pet window position at start")
    s.expect(pet.window["style"] & WS_POPUP and pet.window["exstyle"] & WS_EX_TOOLWINDOW,
             f"the pet window is a tool popup: {pet.window}")
    s.quit(pet)
    s.expect_equal(s.read_save(exe), FIRST_RUN_FILE, "save file after a first run")


def scenario_valid_file_round_trips(s):
    grown = a_grown_pet()
    cases = [
        ("LF line ends", format_save(grown, b"\n")),
        ("CR LF line ends and numbers after the fortieth", format_save(grown, b"\r\n") + b"7\r\n-12\r\n99999\r\n"),
        ("the program's own line ends", format_save(grown)),
    ]
    for index, (label, data) in enumerate(cases):
        exe = s.place_exe(f"case{index}/pomki_pet.exe")
        s.write_save(exe, data)
        pet = s.start_pet(exe, hold=True)
        s.quit(pet)
        saved = s.read_save(exe)
        s.expect_equal(decode_save(saved), after_start(grown), f"record saved after loading a file with {label}")
        s.expect_equal(saved, format_save(after_start(grown)), f"bytes saved after loading a file with {label}")


def tampered_files():
    first = FIRST_RUN_NUMBERS
    marker_changed = list(first)
    marker_changed[31] += 1  # line 32, the marker 1200
    field_off_k = encode_numbers(a_grown_pet())
    field_off_k[37] += 53  # line 38, money on a (54, 232) line: 53 is not a multiple of 54
    # 232 + 2**32 reads as 232 (money 0) if the reader wraps around instead of refusing it.
    beyond_32_bits = list(first)
    beyond_32_bits[37] = 232 + 2 ** 32
    return [
        ("a marker changed", format_numbers(marker_changed)),
        ("a field line off its multiplier", format_numbers(field_off_k)),
        ("only 39 numbers", format_numbers(first[:39])),
        ("a number beyond 32 bits", format_numbers(beyond_32_bits)),
    ]


def scenario_tampered_file_is_refused_and_replaced(s):
    """A refused file is told, the program ends, and a new pet is written in its place; the
    refused file is kept beside it as pomki.dat.bad (the last one refused, an older one
    replaced)."""
    def refused(exe, label, data):
        s.write_save(exe, data)
        pet = s.start_pet(exe, wait_window=False)
        box = s.wait_msgbox(exe=winpath(exe), timeout=15)
        owners = [w for w in s.windows(exe=winpath(exe)) if w["hwnd"] == box.get("owner")]
        s.expect(owners and owners[0]["style"] & WS_POPUP and owners[0]["exstyle"] & WS_EX_TOOLWINDOW,
                 f"{label}: the message box is owned by the pet window, not {owners}")
        expect_message_box(s, box, owners[0]["hwnd"], TAMPERED_TEXT)
        s.expect_equal(s.read_save(exe), data, f"{label}: file while the message box is open")
        s.click(box["hwnd"], IDOK)
        s.wait_exit(pet, after=f" after OK on the message box ({label})")
        s.expect_equal(s.read_save(exe), FIRST_RUN_FILE, f"{label}: file after the program ended")
        kept = exe.parent / "pomki.dat.bad"
        s.expect_equal(kept.read_bytes() if kept.is_file() else None, data, f"{label}: the refused file kept")

    cases = tampered_files()
    for index, (label, data) in enumerate(cases):
        refused(s.place_exe(f"tampered{index}/pomki_pet.exe"), label, data)
    # Refused again in the same folder: the file kept is the one refused last.
    again = s.place_exe(f"tampered{len(cases) - 1}/pomki_pet.exe")
    refused(again, f"{cases[0][0]}, after {cases[-1][0]}", cases[0][1])
    s.expect_equal(s.listing(again.parent), {again.name: "file", "pomki.dat": "file", "pomki.dat.bad": "file"},
                   "files beside the program")


def scenario_second_copy_ends_at_once(s):
    exe = s.place_exe()
    grown = a_grown_pet()
    original = format_save(grown, b"\n")
    s.write_save(exe, original)
    first = s.start_pet(exe)
    before = {w["hwnd"] for w in s.windows(exe=winpath(exe))}

    second = s.spawn(["wine", str(exe)], log_name="second")
    appeared = set()
    deadline = time.monotonic() + 10
    while second.poll() is None:
        s.expect(time.monotonic() < deadline, "the second copy did not end within 10 s")
        appeared |= {w["hwnd"] for w in s.windows(exe=winpath(exe), visible=True)} - before
    s.expect_equal(sorted(appeared), [], "windows shown by the second copy")
    s.expect(first.running(), "the first copy still runs")
    s.expect_equal(s.driver.call("window", hwnd=first.hwnd).one.get("visible"), True, "first copy's window visible")
    s.expect_equal(s.read_save(exe), original, "save file while the first copy runs")

    s.quit(first)
    problem = explain_ticks(after_start(grown), decode_save(s.read_save(exe)) or PetRecord(level=-1))
    s.expect(problem is None, f"the first copy's saved record: {problem}")

    # The name of the mutex goes with the process: a new copy starts normally.
    third = s.start_pet(exe)
    s.quit(third)


def scenario_enter_escape_and_close_leave_the_pet_open(s):
    exe = s.place_exe()
    pet = s.start_pet(exe)
    attempts = [
        ("Enter", dict(msg="WM_KEYDOWN", wparam="VK_RETURN")),
        ("Escape", dict(msg="WM_KEYDOWN", wparam="VK_ESCAPE")),
        ("WM_CLOSE", dict(msg="WM_CLOSE")),
        ("the close command", dict(msg="WM_SYSCOMMAND", wparam="SC_CLOSE")),
        ("OK", dict(msg="WM_COMMAND", wparam="IDOK")),
        ("Cancel", dict(msg="WM_COMMAND", wparam="IDCANCEL")),
    ]
    for label, message in attempts:
        s.expect(s.driver.call("post", hwnd=pet.hwnd, **message).ok, f"could not post {label}")
        s.driver.call("wait-gone", hwnd=pet.hwnd, wait=300)
        window = s.driver.call("window", hwnd=pet.hwnd).one
        s.expect(window.get("visible") is True and pet.running(), f"the pet window is gone after {label}: {window}")
    s.quit(pet)
    s.expect(decode_save(s.read_save(exe)) is not None, "the pet saved a valid file when it was ended")


def scenario_ending_the_session_saves_the_pet(s):
    exe = s.place_exe()
    grown = a_grown_pet()
    s.write_save(exe, format_save(grown, b"\n"))
    pet = s.start_pet(exe)
    s.end_session()

    def written_by_the_program():
        data = s.read_save(exe)
        return data if data and data.endswith(PROGRAM_EOL) else None

    saved = s.wait_until(written_by_the_program, 10, "the save file written at the end of the session")
    problem = explain_ticks(after_start(grown), decode_save(saved) or PetRecord(level=-1))
    s.expect(problem is None, f"record saved at the end of the session: {problem}")
    s.expect_equal(saved, format_save(decode_save(saved)), "bytes saved at the end of the session")
    s.kill(pet)  # as Windows ends the processes of an ended session


def scenario_renamed_exe_in_a_japanese_folder(s):
    exe = s.place_exe("ぽて ぽて/pomki_pet (1).exe")
    grown = a_grown_pet()
    s.write_save(exe, format_save(grown, b"\r\n"))
    pet = s.start_pet(exe, hold=True)
    s.quit(pet)
    s.expect_equal(s.read_save(exe), format_save(after_start(grown)), "file beside the renamed program")
    s.expect_equal(s.listing(exe.parent), {exe.name: "file", "pomki.dat": "file"}, "files beside the program")
    s.expect_equal(s.listing(s.folder), {"ぽて ぽて": "dir"}, "files in the folder above the program")


def scenario_unwritable_save_file(s):
    grown = a_grown_pet()

    def read_only_file(exe):
        s.write_save(exe, format_save(grown))
        s.save_path(exe).chmod(0o444)
        return after_start(grown)

    def folder_in_its_place(exe):
        s.save_path(exe).mkdir()
        (s.save_path(exe) / "keep.txt").write_bytes(b"kept\n")
        return PetRecord()

    refused = 0
    for label, make in [("a read-only file", read_only_file), ("a folder in its place", folder_in_its_place)]:
        exe = s.place_exe(f"{make.__name__}/pomki_pet.exe")
        make(exe)
        path = s.save_path(exe)
        if path.is_file() and s.driver.call("can-write", file=winpath(path)).one.get("writable"):
            s.skip_case(label, "cannot be refused here: Wine lets this user (root) write it")
            path.chmod(0o644)
            continue
        refused += 1
        snapshot = {p.relative_to(exe.parent): (p.is_dir(), p.read_bytes() if p.is_file() else None, p.stat().st_mode)
                    for p in sorted(exe.parent.rglob("*"))}
        pet = s.start_pet(exe, hold=True)
        s.expect(s.driver.call("quit", hwnd=pet.hwnd).ok, "could not post the quit request")
        s.release(pet)
        box = s.wait_msgbox(exe=winpath(exe), timeout=15)
        expect_message_box(s, box, 0, SAVE_FAILED_TEXT)
        s.click(box["hwnd"], IDOK)
        s.wait_exit(pet, after=f" after OK on the message box ({label})")
        after = {p.relative_to(exe.parent): (p.is_dir(), p.read_bytes() if p.is_file() else None, p.stat().st_mode)
                 for p in sorted(exe.parent.rglob("*"))}
        s.expect_equal(after, snapshot, f"{label}: what was beside the program afterwards")
    if not refused:
        raise Skip("Wine refused neither save file here")
