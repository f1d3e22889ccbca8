"""Numbers and texts of the program that the scenarios share: ability indices, control and
message ids, window titles, frame bitmap ids and tick intervals. Each is written here once."""

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

# Messages and dialog results.
WM_TRAY_NOTIFY = 0x464  # the notification icon's callback message to the pet window
IDOK = 1

# The care menu.
CARE_TITLE = "お育てメニュー♪"
STRESS_BAR, QUIT, FOOD_MENU, MONEY, FULLNESS, LEVEL = 1000, 1009, 1014, 1017, 1021, 1022
ABILITY_BOXES = [1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1010, 1011, 1012, 1013]  # in ability order

# The food menu: the radio buttons with their prices, in menu order, and the feed button.
FOOD_TITLE = "ごはんメニュー"
SEEDS, TEA, EGG, CELERY, CURRY, MELON, PIZZA = 1011, 1018, 1012, 1013, 1014, 1015, 1016
PRICES = {SEEDS: 100, TEA: 150, EGG: 200, CELERY: 300, CURRY: 500, MELON: 1000, PIZZA: 2000}
FEED = 1009

# The clock window's time text.
CLOCK_TEXT = 1020

# Frame bitmaps of the exe. The pet's shape always equals one of the 60 x 60 ones.
FRONT, FRONT_STEP, LEFT, LEFT_STEP, RIGHT, RIGHT_STEP, BACK, BACK_STEP = 129, 130, 134, 135, 136, 137, 138, 139
TEARFUL, WAND_A, WAND_B, GUN, AUTO_GUN = 140, 141, 142, 147, 148
SHOT_MARK = 146
SHOT_IMAGE = (30, 35)  # the part of the shot mark bitmap that is drawn
SHOT_SPREAD = 60  # marks fall on a grid of pet-sized cells around the pet, times the pixel scale
VOLLEY_SHOTS = 20
FRAME_BITMAPS = (FRONT, FRONT_STEP, LEFT, LEFT_STEP, RIGHT, RIGHT_STEP, BACK, BACK_STEP,
                 TEARFUL, WAND_A, WAND_B, GUN, AUTO_GUN)
PET_SIZE = 60

# Texts of the program's message boxes about its save file.
FILE_ERROR_CAPTION = "ファイルエラー"
TAMPERED_TEXT = "ファイルが不正アクセスされています \n 削除後パソコンを再起動してください"
SAVE_FAILED_TEXT = "ファイルに保存できませんでした"
TRAY_TIP = "デスクトップぽてぽて"
