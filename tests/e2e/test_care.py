"""Caring for the hamster: the care menu, the food menu, the clock and the screen-saver sweep,
and the user's clicks and drags on the pet."""

import os
import subprocess
import time
from pathlib import Path

from harness import (PetRecord, cjk_face, decode_save, explain_ticks, format_save, run_wine_command,
                     set_registry)

CARE_TITLE = "お育てメニュー♪"
FOOD_TITLE = "ごはんメニュー"
WM_TRAY_NOTIFY = 0x464
IDOK = 1

# Care menu controls
STRESS_BAR, QUIT, FOOD_MENU, MONEY, FULLNESS, LEVEL = 1000, 1009, 1014, 1017, 1021, 1022
BOXES = [1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1010, 1011, 1012, 1013]  # in ability order
NAMES = ["カーソル誘導", "高速移動", "おかね２倍", "開運祈願", "目立ちたがり", "いたずら禁止 ＬＶ１", "ごはん追加",
         "ぽて時計", "スクリーンセーバー", "いたずら完全防御", "おかねたんまり", "おなか限界突破"]
CURSOR_LEAD, FAST_MOVE, DOUBLE_MONEY, GOOD_LUCK, SHOW_OFF, EXTRA_FOOD, CLOCK, SCREEN_SAVER = 0, 1, 2, 3, 4, 6, 7, 8

# Food menu controls: the radio buttons with their prices, in menu order, and the feed button
SEEDS, TEA, EGG, CELERY, CURRY, MELON, PIZZA = 1011, 1018, 1012, 1013, 1014, 1015, 1016
PRICES = {SEEDS: 100, TEA: 150, EGG: 200, CELERY: 300, CURRY: 500, MELON: 1000, PIZZA: 2000}
FEED = 1009

CLOCK_TEXT = 1020
REPO = Path(__file__).resolve().parents[2]


def record(**fields) -> PetRecord:
    """A pet record; `unlocked` and `on` list ability indices set to 1."""
    unlocked = fields.pop("unlocked", ())
    on = fields.pop("on", ())
    pet = PetRecord(**fields)
    for k in unlocked:
        pet.abilityUnlocked[k] = 1
    for k in on:
        pet.abilityOn[k] = 1
    return pet


class Care:
    """One started pet and the windows of its care: menus found and worked through the driver,
    real mouse and keyboard input through xdotool on the harness's display."""

    def __init__(self, s, pet_record: PetRecord | None, hold: bool = True, place: str = "pomki_pet.exe"):
        self.s = s
        self.exe = s.place_exe(place)
        if pet_record is not None:
            s.write_save(self.exe, format_save(pet_record))
        # Held before its first tick: nothing changes until a menu opens, so the values it shows
        # are exactly those of the file.
        self.pet = s.start_pet(self.exe, hold=hold)

    # -- driver

    def call(self, command, **options):
        return self.s.driver.call(command, **options)

    def rect(self, hwnd):
        reply = self.call("window", hwnd=hwnd)
        self.s.expect(reply.ok, f"window {hwnd} is gone")
        return reply.one["rect"]

    def shown(self, hwnd) -> bool:
        reply = self.call("window", hwnd=hwnd)
        return reply.ok and reply.one.get("visible", False)

    def wait_gone(self, hwnd, seconds, what):
        reply = self.call("wait-gone", hwnd=hwnd, wait=int(seconds * 1000))
        self.s.expect(reply.ok, f"{what} (window {hwnd} still there after {seconds} s)")

    def find(self, title, seconds=5.0):
        reply = self.call("find-window", exe=self.exe.name, title=title, visible=True, wait=int(seconds * 1000))
        self.s.expect(reply.ok, f"no window {title!r} appeared within {seconds} s")
        return reply.one["hwnd"]

    def control(self, dialog, control_id) -> dict:
        reply = self.call("control", hwnd=dialog, id=control_id)
        self.s.expect(reply.ok, f"control {control_id} of window {dialog}: {reply!r}")
        return reply.one

    def controls(self, dialog) -> dict:
        return {c["id"]: c for c in self.call("controls", hwnd=dialog).objects if c.get("id") != 0xFFFF}

    def click(self, dialog, control_id):
        """BM_CLICK, waiting until the click has been handled."""
        self.s.click(dialog, control_id, sync=True)

    def click_later(self, dialog, control_id):
        """BM_CLICK without waiting: for clicks that run a modal loop or end the program."""
        self.s.click(dialog, control_id)

    # -- real input

    def xdotool(self, *args):
        subprocess.run(["xdotool", *[str(a) for a in args]], env=self.s.environment.env, check=True, timeout=30)

    def press_key_in(self, dialog, key):
        """A real key press into a dialog, focused first by a real click on one of its labels."""
        labels = [c for c in self.call("controls", hwnd=dialog).objects
                  if c.get("class", "").lower() == "static" and c.get("id") == 0xFFFF and c.get("text")]
        self.s.expect(labels, f"window {dialog} has no label to click")
        r = labels[0]["rect"]
        self.xdotool("mousemove", (r[0] + r[2]) // 2, (r[1] + r[3]) // 2, "click", 1)
        time.sleep(0.2)
        self.xdotool("key", key)

    # -- the care menu

    def open_menu(self, mouse="WM_LBUTTONDOWN"):
        """The notification-area icon's callback message, as a press on the icon sends it."""
        reply = self.call("post", hwnd=self.pet.hwnd, msg=WM_TRAY_NOTIFY, lparam=mouse)
        self.s.expect(reply.ok, f"could not post to the pet: {reply!r}")
        self.s.release(self.pet)
        return self.find(CARE_TITLE)

    def close_menu(self, menu):
        self.click(menu, IDOK)
        self.wait_gone(menu, 5, "メニュー閉じる did not close the care menu")

    def open_food_menu(self, menu):
        self.click_later(menu, FOOD_MENU)
        return self.find(FOOD_TITLE)

    def money(self, menu) -> int:
        return int(self.control(menu, MONEY)["text"])

    def quit_from(self, menu) -> PetRecord:
        """The quit button: the program ends and its save file holds the pet."""
        self.click_later(menu, QUIT)
        self.s.wait_exit(self.pet, after=" after ぽてぽて終了")
        saved = decode_save(self.s.read_save(self.exe) or b"")
        self.s.expect(saved is not None, "the program ended without a readable save file")
        return saved


def expect_menu(s, shown: dict, pet: PetRecord, word: str, label: str):
    """Every value and box of the care menu for this pet."""
    problems = []

    def check(what, got, want):
        if got != want:
            problems.append(f"{what}: shown {got!r}, expected {want!r}")

    check("level", shown[LEVEL]["text"], str(pet.level))
    check("fullness word", shown[FULLNESS]["text"], word)
    bar = shown[STRESS_BAR]
    check("stress bar range and position", (bar.get("low"), bar.get("high"), bar.get("pos")),
          (0, 500, min(max(pet.stress, 0), 500)))
    check("money", shown[MONEY]["text"], str(pet.money))
    for k, box in enumerate(BOXES):
        unlocked = pet.abilityUnlocked[k] == 1
        check(f"box {box} text", shown[box]["text"], NAMES[k] if unlocked else "")
        check(f"box {box} enabled", shown[box]["enabled"], unlocked)
        check(f"box {box} check mark", shown[box].get("checked"), 1 if pet.abilityOn[k] == 1 else 0)
    s.expect(not problems, f"{label}:\n    " + "\n    ".join(problems))


# name, record in the file, fullness word shown, how the menu is opened
PREPARED_PETS = [
    ("a new pet", None, "ふつう", "icon left"),
    ("everything unlocked, full to the limit", record(level=501, experience=99, fullness=2000, stress=500,
                                                      money=123456, unlocked=range(12), on=[1, 3, 6, 11]),
     "吐きそう", "icon right"),
    ("above 2000 from a file, a flag on a locked box", record(level=3, fullness=2600, money=0, unlocked=[0, 1],
                                                            on=[1, 10]),
     "吐きそう", "right click"),
    ("1800", record(level=9, fullness=1800, stress=1, money=5, unlocked=range(5)), "吐きそう", "icon left"),
    ("1799", record(level=6, fullness=1799, stress=250, money=7, unlocked=range(4), on=[3]), "はちきれそう",
     "icon left"),
    ("1000", record(level=2, fullness=1000, money=1000, unlocked=[0]), "かなり満足", "icon left"),
    ("999", record(level=2, fullness=999, money=999, unlocked=[0]), "おなかいっぱい", "icon left"),
    ("50", record(level=14, fullness=50, stress=499, money=42, unlocked=range(6), on=[5]), "減りすぎ",
     "icon right"),
    ("49", record(fullness=49, money=3), "死にそう", "icon left"),
    ("negative", record(fullness=-20, stress=-3, money=1), "死にそう", "icon left"),
]


def scenario_care_menu_shows_the_pet(s):
    for index, (label, pet_record, word, how) in enumerate(PREPARED_PETS):
        s.note(f"--- {label}")
        care = Care(s, pet_record, place=f"pet{index}/pomki_pet.exe")
        if how == "right click":
            # A real right click on the hamster, which stands at (0, 0) before its first tick.
            care.xdotool("mousemove", 30, 30, "click", 3)
            s.release(care.pet)
            menu = care.find(CARE_TITLE)
        else:
            menu = care.open_menu("WM_LBUTTONDOWN" if how == "icon left" else "WM_RBUTTONDOWN")
        in_file = pet_record if pet_record is not None else PetRecord()
        shown = care.controls(menu)
        saved = care.quit_from(menu)
        kept = in_file.copy()
        kept.abilityOn[CLOCK] = 0
        if how == "right click":
            # The click is read only after the pet has run a tick or two: the menu shows the pet
            # as it was then, which is what it saved (the menu stops it).
            s.expect(explain_ticks(kept, saved) is None, f"{label}: {explain_ticks(kept, saved)}")
            expect_menu(s, shown, saved, word, label)
        else:
            expect_menu(s, shown, kept, word, label)
            s.expect_equal(saved, kept, f"{label}: the pet saved after the menu")


def earning_rate(care, seconds) -> float:
    """GOLD per second while the menu is closed (1 GOLD a tick for this pet): read from the
    menu, which stops the pet while it is open."""
    menu = care.open_menu()
    first = care.money(menu)
    care.close_menu(menu)
    started = time.monotonic()
    time.sleep(seconds)
    menu = care.open_menu()
    elapsed = time.monotonic() - started
    gained = care.money(menu) - first
    care.close_menu(menu)
    return gained / elapsed


def scenario_switches_are_saved_and_fast_move_takes_effect(s):
    # CursorLead on: the pet never walks off to hide behind a window (which stops its timer)
    # while its earnings are measured; fullness and stress low enough for no mischief.
    care = Care(s, record(level=23, fullness=900, money=50, unlocked=range(7), on=[CURSOR_LEAD, DOUBLE_MONEY]))
    menu = care.open_menu()
    # DoubleMoney off, FastMove on, GoodLuck on and off again, ShowOff on
    for box in (BOXES[DOUBLE_MONEY], BOXES[FAST_MOVE], BOXES[GOOD_LUCK], BOXES[GOOD_LUCK], BOXES[SHOW_OFF]):
        care.click(menu, box)
    marks = [care.control(menu, box).get("checked") for box in BOXES[:7]]
    s.expect_equal(marks, [1, 1, 0, 0, 1, 0, 0], "check marks after the clicks")
    care.close_menu(menu)

    fast = earning_rate(care, 2.0)
    menu = care.open_menu()
    care.click(menu, BOXES[FAST_MOVE])
    care.close_menu(menu)
    slow = earning_rate(care, 2.0)
    s.note(f"earned {fast:.1f} GOLD/s with FastMove, {slow:.1f} without")
    # one tick every 100 ms with FastMove, every 400 ms without
    s.expect(6.0 <= fast <= 11.0, f"with FastMove the pet earned {fast:.1f} GOLD a second, not about 10")
    s.expect(1.5 <= slow <= 3.5, f"without FastMove the pet earned {slow:.1f} GOLD a second, not about 2.5")

    menu = care.open_menu()
    shown_money = care.money(menu)
    saved = care.quit_from(menu)
    s.expect_equal(saved.abilityOn, [1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0], "switches saved at quit")
    s.expect_equal(saved.money, shown_money, "money saved at quit (the menu had stopped the pet)")


def scenario_escape_closes_with_ok_and_the_pet_walks_on(s):
    care = Care(s, record(level=3, fullness=900, money=10, unlocked=[0, 1], on=[CURSOR_LEAD, FAST_MOVE]))
    menu = care.open_menu()
    before = care.rect(care.pet.hwnd)
    money = care.money(menu)
    care.press_key_in(menu, "Escape")
    care.wait_gone(menu, 5, "Escape did not close the care menu")
    time.sleep(1.0)
    s.expect(care.rect(care.pet.hwnd) != before, f"the pet stands still at {before} after Escape")
    menu = care.open_menu()
    s.expect(care.money(menu) > money, "the pet earned nothing after Escape: its timer was not started")
    care.quit_from(menu)


def scenario_food_menu(s):
    # Level 22 with 80 experience: an egg (+20) makes level 23, which unlocks ExtraFood.
    care = Care(s, record(level=22, experience=80, fullness=700, stress=100, money=1200, unlocked=range(6)))
    menu = care.open_menu()
    food = care.open_food_menu(menu)
    c = care.controls(food)
    s.expect_equal(c[MONEY]["text"], "1200", "money in the food menu")
    s.expect(not c[FEED]["enabled"], "the feed button is enabled before a food is picked")
    s.expect_equal([c[r].get("checked") for r in PRICES], [0] * 7, "radio buttons when the menu opens")
    s.expect_equal([c[r]["enabled"] for r in PRICES], [True] * 5 + [False] * 2,
                   "foods offered without ExtraFood (melon and pizza only with it)")
    for radio in (SEEDS, CURRY, TEA, CELERY, EGG, CURRY, SEEDS):
        care.click(food, radio)
        s.expect_equal(care.control(food, FEED)["enabled"], 1200 >= PRICES[radio],
                       f"feed button after picking the food at {PRICES[radio]} GOLD with 1200")

    # Closing without feeding changes nothing: "戻る", Escape, the close box.
    for how in ("戻る", "Escape", "the close box"):
        care.click(food, EGG)
        if how == "戻る":
            care.click(food, IDOK)
        elif how == "Escape":
            care.press_key_in(food, "Escape")
        else:
            care.call("post", hwnd=food, msg="WM_SYSCOMMAND", wparam="SC_CLOSE")
        care.wait_gone(food, 5, f"{how} did not close the food menu")
        shown = care.controls(menu)
        s.expect_equal((shown[LEVEL]["text"], shown[MONEY]["text"], shown[STRESS_BAR]["pos"],
                        shown[FULLNESS]["text"]), ("22", "1200", 100, "よゆう"), f"care menu after {how}")
        food = care.open_food_menu(menu)

    # An egg: 200 GOLD, fullness +130, experience +20, stress -70. Level 23 unlocks ExtraFood,
    # whose box is shown at once.
    care.click(food, EGG)
    care.click_later(food, FEED)
    care.wait_gone(food, 5, "feeding did not close the food menu")
    shown = care.controls(menu)
    s.expect_equal((shown[LEVEL]["text"], shown[MONEY]["text"], shown[STRESS_BAR]["pos"], shown[FULLNESS]["text"]),
                   ("23", "1000", 30, "おなかいっぱい"), "care menu after the egg")
    s.expect_equal((shown[BOXES[EXTRA_FOOD]]["text"], shown[BOXES[EXTRA_FOOD]]["enabled"]), ("ごはん追加", True),
                   "ExtraFood's box after the level-up")

    # ExtraFood on: the melon and the pizza are offered; 1000 GOLD buys the melon, not the pizza.
    care.click(menu, BOXES[EXTRA_FOOD])
    food = care.open_food_menu(menu)
    c = care.controls(food)
    s.expect_equal([c[r]["enabled"] for r in PRICES], [True] * 7, "foods offered with ExtraFood")
    for radio, affordable in ((PIZZA, False), (MELON, True), (PIZZA, False), (CURRY, True)):
        care.click(food, radio)
        s.expect_equal(care.control(food, FEED)["enabled"], affordable,
                       f"feed button for the food at {PRICES[radio]} GOLD with 1000")
    # Curry: fullness 830 + 600 is cut to 1000 without BellyLimitBreak; stress 30 - 150 stops at 0.
    care.click_later(food, FEED)
    care.wait_gone(food, 5, "feeding did not close the food menu")
    shown = care.controls(menu)
    s.expect_equal((shown[LEVEL]["text"], shown[MONEY]["text"], shown[STRESS_BAR]["pos"], shown[FULLNESS]["text"]),
                   ("23", "500", 0, "かなり満足"), "care menu after the curry")
    food = care.open_food_menu(menu)
    care.click(food, CURRY)
    s.expect(care.control(food, FEED)["enabled"], "500 GOLD does not buy the curry at 500")
    care.click(food, IDOK)
    care.wait_gone(food, 5, "戻る did not close the food menu")

    saved = care.quit_from(menu)
    expected = record(level=23, experience=50, fullness=1000, stress=0, money=500, unlocked=range(7),
                      on=[EXTRA_FOOD])
    s.expect_equal(saved, expected, "the pet saved after two meals")


def clock_windows(care) -> list[tuple[int, str]]:
    """(hwnd, time text) of the program's windows that hold the clock's time control."""
    found = []
    for w in care.s.windows(exe=care.exe.name, visible=True):
        if w["hwnd"] == care.pet.hwnd or w["title"]:
            continue
        reply = care.call("control", hwnd=w["hwnd"], id=CLOCK_TEXT)
        if reply.ok:
            found.append((w["hwnd"], reply.one["text"]))
    return found


def scenario_clock_window(s):
    care = Care(s, record(level=30, fullness=900, money=10, unlocked=range(8)))
    menu = care.open_menu()
    care.click(menu, BOXES[CLOCK])
    before = time.strftime("%H:%M")
    clocks = clock_windows(care)
    after = time.strftime("%H:%M")
    s.expect_equal(len(clocks), 1, "clock windows after switching the Clock on")
    clock, text = clocks[0]
    s.expect(text in (before, after), f"the clock shows {text!r} at {before}")

    care.click(menu, BOXES[CLOCK])
    care.wait_gone(clock, 2, "the clock stays after the switch is off")

    # On again: a real drag by its time text moves it.
    care.click(menu, BOXES[CLOCK])
    clock = clock_windows(care)[0][0]
    r = care.rect(clock)
    grab = (r[2] - 20, (r[1] + r[3]) // 2)
    care.xdotool("mousemove", *grab)
    time.sleep(0.1)
    care.xdotool("mousedown", 1)
    time.sleep(0.2)
    for step in range(1, 6):
        care.xdotool("mousemove", grab[0] + 20 * step, grab[1] + 30 * step)
        time.sleep(0.08)
    care.xdotool("mouseup", 1)
    time.sleep(0.2)
    moved = care.rect(clock)
    s.expect(abs(moved[0] - r[0] - 100) <= 3 and abs(moved[1] - r[1] - 150) <= 3,
             f"the clock dragged by (100, 150) went from {r} to {moved}")

    # Escape on the clock only hides it; the Clock stays on.
    care.xdotool("click", 1)
    time.sleep(0.2)
    care.xdotool("key", "Escape")
    s.wait_until(lambda: not care.shown(clock), 2, "Escape to hide the clock")
    s.expect(care.call("window", hwnd=clock).ok, "Escape destroyed the clock instead of hiding it")
    s.expect_equal(care.control(menu, BOXES[CLOCK]).get("checked"), 1, "Clock's check mark after Escape")

    # Close the menu: the clock stays; a later menu switches off the clock the first one opened.
    care.close_menu(menu)
    s.expect(care.call("window", hwnd=clock).ok, "the clock was destroyed with the menu")
    menu = care.open_menu()
    s.expect_equal(care.control(menu, BOXES[CLOCK]).get("checked"), 1, "Clock's check mark in a later menu")
    care.click(menu, BOXES[CLOCK])
    care.wait_gone(clock, 2, "a later menu did not close the (hidden) clock")
    s.expect_equal(clock_windows(care), [], "clock windows after the switch is off")
    saved = care.quit_from(menu)
    s.expect_equal(saved.abilityOn[CLOCK], 0, "the Clock flag saved")


def sweep_windows(care) -> list[dict]:
    return [w for w in care.s.windows(exe=care.exe.name, visible=True)
            if w["hwnd"] != care.pet.hwnd and w["topmost"] and w["client"] == [60, 60]]


def wait_sweep(care) -> dict:
    return care.s.wait_until(lambda: (sweep_windows(care) or [None])[0], 3, "the sweep window")


def scenario_screen_saver(s):
    care = Care(s, record(level=40, fullness=900, money=10, unlocked=range(9), on=[SCREEN_SAVER]))
    menu = care.open_menu()
    # A flag saved as on shows its check mark and no sweep; the first click only clears it.
    s.expect_equal(care.control(menu, BOXES[SCREEN_SAVER]).get("checked"), 1, "ScreenSaver's saved check mark")
    s.expect_equal(sweep_windows(care), [], "sweep windows before any switch")
    r = care.control(menu, BOXES[SCREEN_SAVER])["rect"]
    box = (r[0] + 8, (r[1] + r[3]) // 2)
    care.xdotool("mousemove", *box, "click", 1)
    time.sleep(0.3)
    s.expect_equal(care.control(menu, BOXES[SCREEN_SAVER]).get("checked"), 0, "check mark after the first click")
    s.expect_equal(sweep_windows(care), [], "sweep windows after switching the saved flag off")

    # Switched on by a real click; the mouse then stands still.
    care.xdotool("click", 1)
    sweep = wait_sweep(care)
    places = []
    started = time.monotonic()
    while time.monotonic() - started < 1.5:
        found = sweep_windows(care)
        s.expect_equal(len(found), 1, "sweep windows while the sweep runs")
        rect = found[0]["rect"]
        if not places or places[-1] != rect:
            places.append(rect)
    s.note(f"sweep places: {places[:8]} ... ({len(places)} seen in 1.5 s)")
    s.expect(len(places) >= 20, f"the sweep moved only {len(places)} times in 1.5 s (every 10 ms expected)")
    for rect in places:
        s.expect(rect[0] % 50 == 0 and rect[1] % 50 == 0 and rect[2] - rect[0] == 60 and rect[3] - rect[1] == 60,
                 f"the sweep window stands at {rect}, not on the 50-pixel grid at 60 by 60")
    # In sweep order (20 columns, 15 rows, 300 places on 1024 x 768) each sample lies a few
    # places after the one before.
    order = [(rect[1] // 50) * 20 + rect[0] // 50 for rect in places]
    for a, b in zip(order, order[1:]):
        s.expect(1 <= (b - a) % 300 <= 30, f"the sweep jumped from place {a} to place {b}")
    s.expect_equal(care.control(menu, BOXES[SCREEN_SAVER]).get("checked"), 1, "check mark while the sweep runs")

    # The smallest real mouse movement ends it within about 100 ms.
    care.xdotool("mousemove_relative", 1, 0)
    moved = time.monotonic()
    while care.shown(sweep["hwnd"]) and time.monotonic() - moved < 3:
        time.sleep(0.005)
    took = time.monotonic() - moved
    s.note(f"the sweep was hidden {took * 1000:.0f} ms after the mouse moved")
    s.expect(took < 0.4, f"the sweep was still shown {took * 1000:.0f} ms after the mouse moved")
    care.wait_gone(sweep["hwnd"], 3, "the sweep window was hidden but not destroyed")
    s.expect_equal(care.control(menu, BOXES[SCREEN_SAVER]).get("checked"), 0, "check mark after the mouse moved")

    # Closing the menu while a sweep runs ends the sweep and clears the flag.
    r = care.control(menu, BOXES[SCREEN_SAVER])["rect"]
    care.xdotool("mousemove", r[0] + 8, (r[1] + r[3]) // 2, "click", 1)
    sweep = wait_sweep(care)
    care.close_menu(menu)
    care.wait_gone(sweep["hwnd"], 2, "the sweep outlived the care menu")
    menu = care.open_menu()
    s.expect_equal(care.control(menu, BOXES[SCREEN_SAVER]).get("checked"), 0, "check mark in the next menu")
    saved = care.quit_from(menu)
    s.expect_equal(saved.abilityOn[SCREEN_SAVER], 0, "the ScreenSaver flag saved")


def scenario_left_click_and_drag(s):
    # Fullness above 200: stress does not rise by itself; stress too low for any mischief.
    care = Care(s, record(level=2, fullness=900, stress=100, money=10, unlocked=[0]))
    s.release(care.pet)
    hamster = care.pet.hwnd

    def centre():
        r = care.rect(hamster)
        return (r[0] + r[2]) // 2, (r[1] + r[3]) // 2

    # A click: press and release on the pet.
    care.xdotool("mousemove", *centre())
    time.sleep(0.1)
    care.xdotool("click", 1)
    time.sleep(0.5)
    # A drag: press on the pet, move in small steps, release.
    start = centre()
    care.xdotool("mousemove", *start)
    time.sleep(0.1)
    care.xdotool("mousedown", 1)
    time.sleep(0.3)
    for step in range(1, 11):
        care.xdotool("mousemove", start[0] + 30 * step, start[1] + 25 * step)
        time.sleep(0.08)
    drop = (start[0] + 300, start[1] + 250)
    care.xdotool("mouseup", 1)
    dropped = time.monotonic()
    time.sleep(0.1)
    landed = care.rect(hamster)
    middle = ((landed[0] + landed[2]) // 2, (landed[1] + landed[3]) // 2)
    s.expect(abs(middle[0] - drop[0]) <= 12 and abs(middle[1] - drop[1]) <= 12,
             f"dropped at {drop}, the pet's centre stands at {middle}")
    # It walks on from there, one step of at most 4 pixels a tick (400 ms).
    samples = []
    while time.monotonic() - dropped < 2.0:
        samples.append(care.rect(hamster))
        time.sleep(0.05)
    s.expect(len({tuple(r) for r in samples}) >= 3, f"the pet did not walk on after the drop: {samples[-1]}")
    ticks = (time.monotonic() - dropped) / 0.4 + 2
    last = samples[-1]
    s.expect(abs(last[0] - landed[0]) <= 4 * ticks and abs(last[1] - landed[1]) <= 4 * ticks,
             f"the pet jumped from {landed} to {last} instead of walking on from where it was dropped")
    # Each press lowered the stress by one: 100 -> 98.
    menu = care.open_menu()
    s.expect_equal(care.control(menu, STRESS_BAR).get("pos"), 98, "stress after a click and a drag")
    saved = care.quit_from(menu)
    s.expect_equal(saved.stress, 98, "stress saved")


# ---------------------------------------------------------------------------------------------
# Pictures of the two menus, in a Wine virtual desktop, which draws captions and frames.
# ---------------------------------------------------------------------------------------------

TAHOMA_LINK_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink"


def crop(shot: Path, rect, target: Path):
    target.parent.mkdir(parents=True, exist_ok=True)
    w, h = rect[2] - rect[0], rect[3] - rect[1]
    subprocess.run(["convert", str(shot), "-crop", f"{w}x{h}+{rect[0]}+{rect[1]}", "+repage", str(target)],
                   check=True, capture_output=True, timeout=30)


def scenario_menu_pictures(s):
    # Captions are drawn in Wine's own Tahoma, which has no Japanese letters: link it to the
    # Japanese font so that they can be read. (Kept in the shared prefix.)
    env = s.environment.env
    linked = run_wine_command(["wine", "reg", "query", TAHOMA_LINK_KEY, "/v", "Tahoma"], env, check=False)
    if linked.returncode != 0:
        set_registry(env, [(TAHOMA_LINK_KEY, "Tahoma", "REG_MULTI_SZ", f"NotoSansCJK-Regular.ttc,{cjk_face()}")])
    exe = s.place_exe()
    s.write_save(exe, format_save(record(level=12, experience=40, fullness=700, stress=180, money=3456,
                                         unlocked=range(5), on=[FAST_MOVE, GOOD_LUCK])))
    driver = s.start_desktop()
    pet = s.start_pet_on_desktop(exe, driver)
    driver.call("post", hwnd=pet.hwnd, msg=WM_TRAY_NOTIFY, lparam="WM_LBUTTONDOWN")
    menu = driver.call("find-window", exe=exe.name, title=CARE_TITLE, visible=True, wait=5000)
    s.expect(menu.ok, "no care menu on the virtual desktop")
    time.sleep(0.5)
    pictures = {"care_menu.png": (s.screenshot(s.folder / "care.png"), menu.one["rect"])}
    driver.call("click", hwnd=menu.one["hwnd"], id=FOOD_MENU)
    food = driver.call("find-window", exe=exe.name, title=FOOD_TITLE, visible=True, wait=5000)
    s.expect(food.ok, "no food menu on the virtual desktop")
    driver.call("click", hwnd=food.one["hwnd"], id=CURRY, sync=True)
    time.sleep(0.5)
    pictures["food_menu.png"] = (s.screenshot(s.folder / "food.png"), food.one["rect"])
    # The pictures are kept with the run's artifacts; POMKI_UPDATE_DOCS=1 also puts them in docs/.
    for name, (picture, rect) in pictures.items():
        crop(picture, rect, s.artifacts / name)
        if os.environ.get("POMKI_UPDATE_DOCS") == "1":
            crop(picture, rect, REPO / "docs" / name)
    driver.call("click", hwnd=food.one["hwnd"], id=IDOK)
    driver.call("click", hwnd=menu.one["hwnd"], id=QUIT)
    s.wait_until(lambda: not pet.running(), 10, "the program to end after ぽてぽて終了")
