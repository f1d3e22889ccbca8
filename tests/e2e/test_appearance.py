"""The program's pictures, icon and sounds, the pet's shape on the screen, and its notification icon."""
# lane: a

import json
import subprocess

from constants import CARE_TITLE, FRAME_BITMAPS, FRONT, ICON, QUIT, SHOT_MARK, SOUNDS, TRAY_TIP, WM_TRAY_NOTIFY
from savefile import decode_save
from scenario import winpath

# Bitmap resources of the frame slots: id -> (width, height, bits per pixel).
BITMAP_FORMATS = {**{bitmap: (60, 60, 24) for bitmap in FRAME_BITMAPS}, SHOT_MARK: (31, 36, 4)}

# Sound resources, in id order: (bits per sample, samples per second, data bytes); all mono PCM.
SOUND_FORMATS = dict(zip(SOUNDS, [(8, 11025, 7568), (8, 11025, 9132), (8, 11025, 7568), (8, 11025, 3204),
                                  (16, 22050, 14312), (16, 22050, 2936)]))
JAPANESE = 1041
RT_BITMAP, RT_GROUP_ICON = 2, 14


def scenario_exe_holds_its_pictures_icon_and_sounds(s):
    resources = s.driver.call("resources", exe=winpath(s.environment.exe)).objects
    bitmaps = {r["id"]: (r["width"], r["height"], r["bpp"]) for r in resources if r.get("type") == RT_BITMAP}
    s.expect_equal(bitmaps, BITMAP_FORMATS, "bitmap resources (width, height, bits per pixel)")

    icons = [r for r in resources if r.get("type") == RT_GROUP_ICON and r.get("id") == ICON]
    s.expect(icons, f"icon resource {ICON} is missing")
    entries = icons[0].get("images", [])
    images = [(i["dib_width"], i["dib_height"], i["dib_bpp"]) if "dib_bpp" in i else ("png" if i.get("png") else i)
              for i in entries]
    # The 256-colour images first, in the order older systems pick from; then the true-colour ones.
    s.expect_equal(images[:3], [(32, 32, 8), (16, 16, 8), (48, 48, 8)], "the first three images of icon 128")
    for size in (20, 24, 40, 64):
        s.expect((size, size, 32) in images[3:], f"icon 128 has no {size} x {size} 32-bit image: {images}")
    pngs = [(i.get("width"), i.get("height")) for i in entries if i.get("png")]
    s.expect_equal(pngs, [(256, 256)], f"PNG images of icon 128 (all: {images})")
    s.expect_equal(len(images), 8, f"number of images of icon 128: {images}")

    sounds = {r["id"]: r for r in resources if r.get("type") == "SOUND"}
    s.expect_equal(sorted(sounds), sorted(SOUNDS), "SOUND resources")
    for sound_id, (bits, rate, data) in SOUND_FORMATS.items():
        found = sounds[sound_id]
        actual = (found.get("riff"), found.get("format"), found.get("channels"), found.get("bits"), found.get("rate"),
                  found.get("data"), found.get("lang"))
        s.expect_equal(actual, (True, 1, 1, bits, rate, data, JAPANESE),
                       f"sound {sound_id} (RIFF, PCM, channels, bits, rate, data bytes, language)")


def scenario_first_frame_region_at_start(s):
    exe = s.place_exe()
    pet = s.start_pet(exe, hold=True)
    s.expect_equal(pet.window["rect"][:2], [0, 0], "pet window position at start")
    compared = s.driver.call("compare-region", hwnd=pet.hwnd, exe=winpath(exe), bitmap=FRONT)
    s.expect(compared.ok, f"the window region is not the set of the front view's non-background pixels: {compared!r}")
    s.quit(pet)


def sprite_shown(image, bitmap: dict, left: int, top: int) -> bool:
    """Whether the screen shows every pixel of the sprite with its corner at (left, top)."""
    for y, row in enumerate(bitmap["mask"]):
        for x, c in enumerate(row):
            if c == "#" and 0 <= left + x < image.width and 0 <= top + y < image.height:
                if image.pixel(left + x, top + y) != int(bitmap["rows"][y][x * 6:x * 6 + 6], 16):
                    return False
    return True


def standing_still_at_start(s, exe, bitmap: dict):
    """The pet at its start position, painted, with its timer stopped: held before its first
    tick, it is asked for its care menu (a posted message, handled before any tick), which stops
    its timer and shows it where it stands; then its picture is waited for on the screen.
    Returns the pet and its care menu."""
    pet = s.start_pet(exe, hold=True)
    s.expect(s.driver.call("post", hwnd=pet.hwnd, msg=WM_TRAY_NOTIFY, lparam="WM_LBUTTONUP").ok,
             "could not post to the pet")
    s.release(pet)
    menu = s.driver.call("find-window", exe=winpath(exe), title=CARE_TITLE, visible=True, wait=15000)
    s.expect(menu.ok, "the care menu did not open")
    state = s.sample(pet.hwnd)
    s.expect_equal(state["rect"][:2], [0, 0], "the pet's corner when its menu opened before its first tick")
    s.wait_until(lambda: sprite_shown(s.screen_pixels(), bitmap, 0, 0), 10, "the pet's picture on the screen",
                 must=False)
    pet.window = state
    return pet, menu.one


def scenario_screenshot_shows_the_hamster_without_a_white_box(s):
    """Where the sprite's pixels fall inside the window, the screen shows them; everywhere else
    around the window the screen is unchanged: no background box, no frame."""
    exe = s.place_exe()
    desktop = s.screen_pixels()
    bitmap = s.driver.call("bitmap-pixels", exe=winpath(exe), bitmap=FRONT).one
    pet, menu = standing_still_at_start(s, exe, bitmap)
    left, top, right, bottom = pet.window["rect"]
    s.expect(menu["rect"][0] > right + 24 or menu["rect"][1] > bottom + 24,
             f"the care menu {menu['rect']} covers the place around the pet")
    screen = s.screen_pixels()
    s.note(f"screenshot {s.screenshot(s.artifacts / 'hamster_at_start.png')}")

    def sprite_colour(x, y):
        """The bitmap's colour where the pet shows at screen (x, y), or None."""
        wx, wy = x - left, y - top
        if not (left <= x < right and top <= y < bottom and 0 <= wx < bitmap["width"] and 0 <= wy < bitmap["height"]):
            return None
        if bitmap["mask"][wy][wx] != "#":
            return None
        return int(bitmap["rows"][wy][wx * 6:wx * 6 + 6], 16)

    wrong_sprite, wrong_desktop, sprite_pixels = [], [], 0
    margin = 24
    for y in range(max(0, top - margin), min(screen.height, max(bottom, top + bitmap["height"]) + margin)):
        for x in range(max(0, left - margin), min(screen.width, max(right, left + bitmap["width"]) + margin)):
            expected = sprite_colour(x, y)
            if expected is not None:
                sprite_pixels += 1
                if screen.pixel(x, y) != expected:
                    wrong_sprite.append((x, y, f"{screen.pixel(x, y):06x}", f"{expected:06x}"))
            elif screen.pixel(x, y) != desktop.pixel(x, y):
                wrong_desktop.append((x, y, f"{screen.pixel(x, y):06x}", f"{desktop.pixel(x, y):06x}"))
    s.expect(sprite_pixels > 100, f"too little of the sprite falls inside the window to judge: {sprite_pixels} pixels")
    s.expect(not wrong_desktop, f"{len(wrong_desktop)} pixels around the hamster are not the desktop "
                                f"(x, y, screen, desktop): {wrong_desktop[:10]}")
    s.expect(not wrong_sprite, f"{len(wrong_sprite)} of the hamster's pixels differ from the front view "
                               f"(x, y, screen, bitmap): {wrong_sprite[:10]}")
    s.click(menu["hwnd"], QUIT)
    s.wait_exit(pet, after=" after ぽてぽて終了")


def scenario_notification_icon_lives_with_the_program(s):
    desktop = s.start_desktop("pomki")
    before = desktop.call("tray-icons").one
    s.expect_equal(before.get("shown"), 0, "notification icons before the program starts")

    exe = s.place_exe()
    pet = s.start_pet_on_desktop(exe, desktop)
    icons = s.wait_until(lambda: [i for i in desktop.call("tray-icons").one.get("icons", []) if i.get("shown")], 10,
                         "the notification icon")
    s.expect_equal([i.get("tip") for i in icons], [TRAY_TIP], "tips of the notification icons while the program runs")
    s.screenshot(s.artifacts / "tray_while_running.png")

    log = s.logs / "watch.json"
    watcher = s.spawn(["wine", str(s.environment.driver_exe), "watch-tray", "--desktop", "pomki",
                       "--file", winpath(s.save_path(exe)), "--seconds", "20", "--grace", "300",
                       "--out", winpath(log)], log_name="watch")
    s.wait_until(lambda: log.is_file() and b'"start"' in log.read_bytes(), 10, "the watcher to start")
    s.expect(desktop.call("quit", hwnd=pet.hwnd).ok, "could not post the quit request")
    s.expect(desktop.call("wait-gone", hwnd=pet.hwnd, wait=10000).ok, "the pet window did not close after quit")
    try:
        watcher.wait(timeout=25)
    except subprocess.TimeoutExpired:
        s.fail("the watcher did not end")
    events = [json.loads(line) for line in log.read_text(encoding="utf-8").splitlines() if line.startswith("{")]
    s.note("watch: " + json.dumps(events))
    changes = [e for e in events if e["event"] in ("icons", "file")]
    s.expect(any(e["event"] == "file" for e in changes), f"the save file was not written: {events}")
    s.expect(changes and changes[0]["event"] == "icons" and changes[0]["icons"] == 0,
             f"the notification icon is not gone before the save file is written: {changes}")
    s.expect(all(e["icons"] == 0 for e in changes), f"the icon came back: {changes}")
    s.expect(decode_save(s.read_save(exe)) is not None, "the save file written at the end is valid")


def scenario_notification_icon_returns_when_the_notification_area_is_re_created(s):
    desktop = s.start_desktop("pomki")
    exe = s.place_exe()
    pet = s.start_pet_on_desktop(exe, desktop)

    def shown_tips():
        return [i.get("tip") for i in desktop.call("tray-icons").one.get("icons", []) if i.get("shown")]

    s.wait_until(shown_tips, 10, "the notification icon")
    # A re-created notification area starts empty: take the pet's icon away as it would be lost.
    s.expect(desktop.call("tray-delete", hwnd=pet.hwnd, id=0).ok, "could not remove the pet's icon")
    s.wait_until(lambda: not shown_tips(), 10, "the icon to be gone")
    s.expect(desktop.call("taskbar-created").ok, "could not broadcast TaskbarCreated")
    tips = s.wait_until(shown_tips, 10, "the icon to come back after TaskbarCreated")
    s.expect_equal(tips, [TRAY_TIP], "tips of the notification icons after the area was re-created")
    s.expect(desktop.call("quit", hwnd=pet.hwnd).ok, "could not post the quit request")
    s.expect(desktop.call("wait-gone", hwnd=pet.hwnd, wait=10000).ok, "the pet window did not close after quit")


# What the shell sends for the icon (the low word of the callback's lParam; with version 4
# notifications the high word holds the icon's id, 0 here), and the pet's name for it.
NIN_SELECT, NIN_KEYSELECT, WM_CONTEXTMENU = 0x400, 0x401, 0x7B
PRESSES = {"WM_LBUTTONDOWN": "LeftButtonDown", "WM_RBUTTONDOWN": "RightButtonDown"}
CLICKS = {"WM_LBUTTONUP": "LeftButtonUp", "WM_RBUTTONUP": "RightButtonUp", NIN_SELECT: "Select",
          NIN_KEYSELECT: "Select", WM_CONTEXTMENU: "ContextMenu"}


def tray_events(trace) -> list:
    return [x for x in trace.lines if x.kind == "event" and x.name == "pet.TrayNotify"]


def care_menus(driver, exe) -> list[int]:
    return [w["hwnd"] for w in driver.call("windows", exe=exe.name, visible=True).objects
            if w.get("title") == CARE_TITLE]


def in_front(driver, hwnd: int) -> bool:
    reply = driver.call("window", hwnd=hwnd)
    return reply.ok and reply.one.get("foreground")


def expect_brought_to_front(s, driver, menu: int, click, what: str) -> None:
    """A click on the icon (`click`) while the user's window has just taken the foreground brings
    the care menu to the front. Wine fact: a process that handles an X focus-out late (the user's
    window took the X focus a moment before) gives the foreground to the desktop window (#32769)
    even after the menu took it; then, and only then, the click is made once more."""
    click()
    if s.wait_until(lambda: in_front(driver, menu), 5, "the care menu in front", must=False):
        return
    front = driver.call("foreground").one
    s.expect(front.get("class") == "#32769",
             f"the care menu is not in front after {what}; the foreground window is {front}")
    s.note(f"after {what} Wine gave the foreground to the desktop window; clicking once more")
    click()
    s.wait_until(lambda: in_front(driver, menu), 5, f"the care menu in front after {what}, clicked once more")


def scenario_icon_opens_the_care_menu_on_a_click_s_release_and_brings_it_to_the_front(s):
    """The icon's notifications, posted as the shell sends them: a press of either button opens
    nothing; the release opens the care menu in front; and while it is open, every kind of
    click the shell reports (a release, its Select and ContextMenu notices, Enter on the icon)
    brings it back to the front from behind the user's window, without a second menu."""
    exe = s.place_exe()
    pet = s.start_pet(exe)
    for mouse, name in PRESSES.items():
        s.expect(s.driver.call("post", hwnd=pet.hwnd, msg=WM_TRAY_NOTIFY, lparam=mouse).ok, "could not post")
        s.wait_until(lambda: [x for x in tray_events(pet.trace) if x.args == [name]], 10, f"the pet told of {mouse}")
    s.wait_until(lambda: pet.trace.ticks() >= 3, 10, "a few ticks after the presses")
    s.expect_equal(care_menus(s.driver, exe), [], "care menus after a press on the icon")
    s.expect(not pet.trace.named("win.RunCareMenu"), "a press on the icon ran the care menu")

    s.expect(s.driver.call("post", hwnd=pet.hwnd, msg=WM_TRAY_NOTIFY, lparam="WM_LBUTTONUP").ok, "could not post")
    menu = s.wait_until(lambda: care_menus(s.driver, exe), 15, "the care menu after the release")[0]
    s.wait_until(lambda: in_front(s.driver, menu), 5, "the care menu in front")
    user = s.start_own_window("e2e in front of the menu", seconds=120, x=300, y=200, width=500, height=400)
    for mouse, name in CLICKS.items():
        user.bring_back()
        s.expect(not in_front(s.driver, menu), "the care menu stayed in front of the user's window")
        before = len(pet.trace.named("win.BringCareMenuToFront"))
        told = len(tray_events(pet.trace))

        def click():
            s.expect(s.driver.call("post", hwnd=pet.hwnd, msg=WM_TRAY_NOTIFY, lparam=mouse).ok, "could not post")

        expect_brought_to_front(s, s.driver, menu, click, f"{name} ({mouse})")
        clicks = tray_events(pet.trace)[told:]
        s.expect(clicks and all(x.args == [name] for x in clicks), f"what the pet was told of {mouse}: {clicks}")
        s.expect_equal(len(pet.trace.named("win.BringCareMenuToFront")), before + len(clicks),
                       f"the pet's calls to bring the menu to the front after {name}")
    s.expect_equal(care_menus(s.driver, exe), [menu], "care menus after the clicks")
    s.expect_equal(len(pet.trace.named("win.RunCareMenu")), 1, "care menus run")
    s.kill(pet)


def icon_point(desktop) -> tuple[int, int]:
    """The middle of the pet's icon in the notification area, on the screen."""
    tray = desktop.call("tray-icons").one
    icons = [i for i in tray.get("icons", []) if i.get("shown") and i.get("tip") == TRAY_TIP]
    if len(icons) != 1:
        return None
    left, top = tray["tray_rect"][:2]
    r = icons[0]["rect"]
    return (left + (r[0] + r[2]) // 2, top + (r[1] + r[3]) // 2)


def scenario_real_clicks_on_the_icon_open_the_care_menu_once_and_in_front(s):
    """Real clicks on the icon in a Wine desktop's notification area, whose shell sends version 4
    notifications: a left click and a right click each open the care menu once, in front (the
    press tells the pet nothing to do; the release opens the menu, and the shell's Select or
    ContextMenu that follows only brings it to the front); a click while the menu is behind
    another window brings it back to the front."""
    desktop = s.start_desktop("pomki")
    exe = s.place_exe()
    pet = s.start_pet_on_desktop(exe, desktop)
    point = s.wait_until(lambda: icon_point(desktop), 10, "the pet's icon")
    s.xdotool("mousemove", *point)
    s.wait_until(lambda: desktop.call("screen").one.get("cursor") == list(point), 5, "the pointer on the icon")
    for button, names in ((1, ["LeftButtonDown", "LeftButtonUp", "Select"]),
                          (3, ["RightButtonDown", "RightButtonUp", "ContextMenu"])):
        told = len(tray_events(pet.trace))
        runs = len(pet.trace.named("win.RunCareMenu"))
        s.xdotool("click", button)
        menu = s.wait_until(lambda: care_menus(desktop, exe), 15, f"the care menu after a click of button {button}")[0]
        s.wait_until(lambda: in_front(desktop, menu), 5, "the care menu in front")
        s.wait_until(lambda: [x.args[0] for x in tray_events(pet.trace)[told:] if x.args != ["Other"]] == names, 5,
                     f"the shell's notifications of the click: {names}")
        s.expect_equal(len(pet.trace.named("win.RunCareMenu")), runs + 1, f"care menus run by a click of button {button}")
        user = s.start_own_window("e2e in front of the menu", seconds=60, desktop="pomki", x=300, y=200, width=500,
                                  height=400)
        s.wait_until(lambda: in_front(desktop, user.hwnd), 5, "the user's window in front of the menu")
        expect_brought_to_front(s, desktop, menu, lambda: s.xdotool("click", 1), "a click on the icon")
        s.expect_equal(care_menus(desktop, exe), [menu], "care menus after a click while one is open")
        user.close()
        s.expect(desktop.call("click", hwnd=menu, id=1, sync=True).ok, "could not close the care menu")
        s.expect(desktop.call("wait-gone", hwnd=menu, wait=5000).ok, "the care menu did not close")
    s.expect(desktop.call("quit", hwnd=pet.hwnd).ok, "could not post the quit request")
    s.expect(desktop.call("wait-gone", hwnd=pet.hwnd, wait=10000).ok, "the pet window did not close after quit")
