"""Numbers and texts of the program that the scenarios share, each written once. The ids of
resources, controls, timers and messages are read from the program's own header of ids
(resources/resource_ids.h), which the resource script and the code share too."""

import re
from pathlib import Path

_IDS_HEADER = Path(__file__).resolve().parents[2] / "resources" / "resource_ids.h"
IDS = {name: int(value, 0) for name, value in
       re.findall(r"^#define\s+(\w+)\s+(0x[0-9A-Fa-f]+|\d+)\b", _IDS_HEADER.read_text(encoding="utf-8"), re.M)}

# Abilities, by their index in the save file and in the care menu.
ABILITY_COUNT = 12
(CURSOR_LEAD, FAST_MOVE, DOUBLE_MONEY, GOOD_LUCK, SHOW_OFF, NO_MISCHIEF_1, EXTRA_FOOD, CLOCK, SCREEN_SAVER,
 MISCHIEF_GUARD, LOTS_OF_MONEY, BELLY_LIMIT_BREAK) = range(ABILITY_COUNT)
# abilityOn[CLOCK] is cleared at every start: no clock window exists then.
ABILITY_NAMES = ["カーソル誘導", "高速移動", "おかね２倍", "開運祈願", "目立ちたがり", "いたずら禁止 ＬＶ１", "ごはん追加",
                 "ぽて時計", "スクリーンセーバー", "いたずら完全防御", "おかねたんまり", "おなか限界突破"]

# Behaviour ticks, in seconds.
TICK = 0.1  # with FastMove
SLOW_TICK = 0.4  # without

# Messages, timers and dialog results.
WM_TRAY_NOTIFY = IDS["WM_TRAY_NOTIFY"]  # the notification icon's callback message to the pet window
BEHAVIOUR_TIMER_ID = IDS["BEHAVIOUR_TIMER_ID"]
AUTOSAVE_TIMER_ID = IDS["AUTOSAVE_TIMER_ID"]
IDOK = 1

# The care menu.
CARE_TITLE = "お育てメニュー♪"
STRESS_BAR, QUIT, FOOD_MENU, MONEY, FULLNESS, LEVEL = (
    IDS["IDC_STRESS_BAR"], IDS["IDC_QUIT"], IDS["IDC_FOOD_MENU"], IDS["IDC_MONEY"], IDS["IDC_FULLNESS"], IDS["IDC_LEVEL"])
ABILITY_BOXES = [IDS[f"IDC_ABILITY_{name}"] for name in (
    "CURSOR_LEAD", "FAST_MOVE", "DOUBLE_MONEY", "GOOD_LUCK", "SHOW_OFF", "NO_MISCHIEF_1", "EXTRA_FOOD", "CLOCK",
    "SCREEN_SAVER", "MISCHIEF_GUARD", "LOTS_OF_MONEY", "BELLY_LIMIT_BREAK")]  # in ability order

# The food menu: the radio buttons with their prices, in menu order, and the feed button.
FOOD_TITLE = "ごはんメニュー"
SEEDS, TEA, EGG, CELERY, CURRY, MELON, PIZZA = (IDS[f"IDC_FOOD_{k}"] for k in range(1, 8))
PRICES = {SEEDS: 100, TEA: 150, EGG: 200, CELERY: 300, CURRY: 500, MELON: 1000, PIZZA: 2000}
FEED = IDS["IDC_FEED"]

# The clock window's time text and its picture.
CLOCK_TEXT = IDS["IDC_CLOCK_TEXT"]
CLOCK_PICTURE = IDS["IDC_CLOCK_PICTURE"]

# Frame bitmaps of the exe, in frame-slot order; the pet's shape always equals one of the 60 x 60 ones.
FRAME_BITMAPS = (FRONT, FRONT_STEP, LEFT, LEFT_STEP, RIGHT, RIGHT_STEP, BACK, BACK_STEP,
                 TEARFUL, WAND_A, WAND_B, GUN, AUTO_GUN) = tuple(IDS[f"IDB_{name}"] for name in (
    "FRONT", "FRONT_STEP", "LEFT", "LEFT_STEP", "RIGHT", "RIGHT_STEP", "BACK", "BACK_STEP",
    "TEARFUL", "WAND_A", "WAND_B", "GUN", "AUTO_GUN"))
SHOT_MARK = IDS["IDB_SHOT_MARK"]
SHOT_IMAGE = (30, 35)  # the part of the shot mark bitmap that is drawn
PET_SIZE = 60
ICON = IDS["IDI_PET"]
SOUNDS = tuple(IDS[f"IDS_SOUND_{name}"] for name in ("SQUEAL", "PET", "GRUMBLE", "RETITLE", "SHOT", "BLIP"))

# Texts of the program's message boxes about its save file.
FILE_ERROR_CAPTION = "ファイルエラー"
TAMPERED_TEXT = "ファイルが不正アクセスされています \n 削除後パソコンを再起動してください"
SAVE_FAILED_TEXT = "ファイルに保存できませんでした"
UNREADABLE_TEXT = ("ファイルを読み込めませんでした\nファイルを守るため終了します\n"
                   "しばらくしてから、もう一度起動してください")
# Where the program's folder takes no file: the box that tells where the pet lives now, its
# text followed by the path of the file.
KEPT_ELSEWHERE_CAPTION = "デスクトップぽてぽて"
KEPT_ELSEWHERE_TEXT = "このフォルダには保存できないため、ハムスターは次の場所に保存します\n"
TRAY_TIP = "デスクトップぽてぽて"
