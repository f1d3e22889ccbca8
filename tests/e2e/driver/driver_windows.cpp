// Window commands of the test driver: finding top-level windows by process image, reading
// their state, message boxes, dialog controls, and posting or sending messages.
#include "driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>

namespace e2e {

namespace {

// A message sent to another process's window may wait on that window's thread (the pet's busy
// poses block it); a bounded send keeps the driver from hanging with it.
constexpr UINT kSendTimeoutMs = 3000;
// Polling step of the --wait options.
constexpr DWORD kPollMs = 50;

std::wstring Lower(std::wstring s) {
    std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return s;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

// The title as the window manager holds it; never waits on the window's thread.
std::wstring TitleOf(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(std::max(length, 0)) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return text;
}

// The text of a control of another process, through WM_GETTEXT with a bounded wait.
std::wstring ControlText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) {
        return TitleOf(hwnd);
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &got)) {
        return TitleOf(hwnd);
    }
    text.resize(std::min<size_t>(got, length));
    return text;
}

std::wstring ImageOfProcess(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return {};
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    std::wstring image;
    if (QueryFullProcessImageNameW(process, 0, path, &size)) image.assign(path, size);
    CloseHandle(process);
    return image;
}

// "pomki_pet.exe" matches by file name; a value holding a path separator matches the whole
// path. Both without regard to case, and '/' is taken as '\'.
bool ImageMatches(const std::wstring& image, const std::wstring& wanted) {
    std::wstring a = Lower(image);
    std::wstring b = Lower(wanted);
    std::replace(a.begin(), a.end(), L'/', L'\\');
    std::replace(b.begin(), b.end(), L'/', L'\\');
    if (b.find(L'\\') != std::wstring::npos) return a == b;
    const size_t slash = a.find_last_of(L'\\');
    return (slash == std::wstring::npos ? a : a.substr(slash + 1)) == b;
}

std::string WindowJson(HWND hwnd) {
    DWORD pid = 0;
    const DWORD tid = GetWindowThreadProcessId(hwnd, &pid);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    RECT client{};
    GetClientRect(hwnd, &client);
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    return Json()
        .Add("hwnd", HwndNumber(hwnd))
        .Add("pid", pid)
        .Add("tid", tid)
        .Add("class", ClassOf(hwnd))
        .Add("title", TitleOf(hwnd))
        .Add("rect", rect)
        .Raw("client", "[" + std::to_string(client.right) + "," + std::to_string(client.bottom) + "]")
        .Add("visible", IsWindowVisible(hwnd) != FALSE)
        .Add("iconic", IsIconic(hwnd) != FALSE)
        .Add("topmost", (exStyle & WS_EX_TOPMOST) != 0)
        .Add("enabled", IsWindowEnabled(hwnd) != FALSE)
        .Add("style", static_cast<int64_t>(static_cast<uint32_t>(style)))
        .Add("exstyle", static_cast<int64_t>(static_cast<uint32_t>(exStyle)))
        .Add("owner", HwndNumber(GetWindow(hwnd, GW_OWNER)))
        .Add("foreground", GetForegroundWindow() == hwnd)
        .Add("image", ImageOfProcess(pid))
        .Text();
}

// Which top-level windows a listing command keeps.
struct WindowFilter {
    int64_t pid = -1;
    std::wstring exe;
    std::wstring className;
    std::wstring title;
    bool visibleOnly = false;
    bool hasOwner = false;
    HWND owner = nullptr;

    static WindowFilter From(const Args& args) {
        WindowFilter f;
        f.pid = args.Num(L"pid", -1);
        f.exe = args.Str(L"exe");
        f.className = args.Str(L"class");
        f.title = args.Str(L"title");
        f.visibleOnly = args.Has(L"visible");
        f.hasOwner = args.Has(L"owner");
        if (f.hasOwner) f.owner = args.Hwnd(L"owner");
        return f;
    }

    bool Keeps(HWND hwnd, std::map<DWORD, std::wstring>& images) const {
        if (visibleOnly && !IsWindowVisible(hwnd)) return false;
        if (!className.empty() && ClassOf(hwnd) != className) return false;
        if (!title.empty() && TitleOf(hwnd) != title) return false;
        if (hasOwner && GetWindow(hwnd, GW_OWNER) != owner) return false;
        DWORD windowPid = 0;
        GetWindowThreadProcessId(hwnd, &windowPid);
        if (pid >= 0 && windowPid != static_cast<DWORD>(pid)) return false;
        if (!exe.empty()) {
            auto it = images.find(windowPid);
            if (it == images.end()) it = images.emplace(windowPid, ImageOfProcess(windowPid)).first;
            if (!ImageMatches(it->second, exe)) return false;
        }
        return true;
    }
};

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> all;
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

std::vector<HWND> MatchingWindows(const WindowFilter& filter) {
    std::map<DWORD, std::wstring> images;
    std::vector<HWND> kept;
    for (HWND hwnd : TopLevelWindows()) {
        if (filter.Keeps(hwnd, images)) kept.push_back(hwnd);
    }
    // Visible windows first, so that "the first match" is the one a user would see.
    std::stable_partition(kept.begin(), kept.end(), [](HWND h) { return IsWindowVisible(h) != FALSE; });
    return kept;
}

// Polls every --poll ms (50 by default) until the filter keeps a window or --wait ms have passed.
std::vector<HWND> WaitForWindows(const WindowFilter& filter, const Args& args) {
    const DWORD wait = static_cast<DWORD>(args.Num(L"wait", 0));
    const DWORD poll = static_cast<DWORD>(args.Num(L"poll", kPollMs));
    const DWORD start = GetTickCount();
    for (;;) {
        std::vector<HWND> found = MatchingWindows(filter);
        if (!found.empty() || GetTickCount() - start >= wait) return found;
        Sleep(poll);
    }
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM lp) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

// The control ids are 16-bit in a dialog template; a message box's text control is 0xFFFF,
// which some systems keep sign-extended. Compare the low 16 bits.
HWND ChildById(HWND dialog, int64_t id) {
    for (HWND child : ChildWindows(dialog)) {
        if (GetParent(child) != dialog) continue;
        const LONG_PTR childId = GetWindowLongPtrW(child, GWLP_ID);
        if ((childId & 0xFFFF) == (id & 0xFFFF)) return child;
    }
    return nullptr;
}

bool SendBounded(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, DWORD_PTR& result) {
    return SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) != 0;
}

std::string ControlJson(HWND control) {
    const std::wstring cls = ClassOf(control);
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    RECT rect{};
    GetWindowRect(control, &rect);
    Json json;
    json.Add("id", static_cast<int64_t>(GetWindowLongPtrW(control, GWLP_ID) & 0xFFFF))
        .Add("hwnd", HwndNumber(control))
        .Add("class", cls)
        .Add("text", ControlText(control))
        .Add("enabled", IsWindowEnabled(control) != FALSE)
        .Add("visible", IsWindowVisible(control) != FALSE)
        .Add("style", static_cast<int64_t>(static_cast<uint32_t>(style)))
        .Add("rect", rect);
    DWORD_PTR value = 0;
    if (Lower(cls) == L"button") {
        const LONG_PTR kind = style & BS_TYPEMASK;
        const bool checkable = kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_3STATE ||
                               kind == BS_AUTO3STATE || kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON;
        if (checkable && SendBounded(control, BM_GETCHECK, 0, 0, value)) json.Add("checked", static_cast<int64_t>(value));
    }
    if (Lower(cls) == Lower(PROGRESS_CLASSW)) {
        if (SendBounded(control, PBM_GETPOS, 0, 0, value)) json.Add("pos", static_cast<int64_t>(static_cast<int>(value)));
        if (SendBounded(control, PBM_GETRANGE, FALSE, 0, value)) json.Add("high", static_cast<int64_t>(static_cast<int>(value)));
        if (SendBounded(control, PBM_GETRANGE, TRUE, 0, value)) json.Add("low", static_cast<int64_t>(static_cast<int>(value)));
    }
    return json.Text();
}

HWND RequireWindow(const Args& args, const wchar_t* key = L"hwnd") {
    HWND hwnd = args.Hwnd(key);
    if (!IsWindow(hwnd)) throw std::runtime_error("no such window: " + std::to_string(HwndNumber(hwnd)));
    return hwnd;
}

// ---- commands ----

int CmdWindows(const Args& args) {
    const std::vector<HWND> found = WaitForWindows(WindowFilter::From(args), args);
    for (HWND hwnd : found) Emit(WindowJson(hwnd));
    return found.empty() ? kQueryFailed : kOk;
}

int CmdFindWindow(const Args& args) {
    const std::vector<HWND> found = WaitForWindows(WindowFilter::From(args), args);
    if (found.empty()) {
        Emit(Json().Add("error", "no matching window").Text());
        return kQueryFailed;
    }
    Emit(WindowJson(found.front()));
    return kOk;
}

int CmdWindow(const Args& args) {
    HWND hwnd = args.Hwnd();
    if (!IsWindow(hwnd)) {
        Emit(Json().Add("hwnd", HwndNumber(hwnd)).Add("exists", false).Text());
        return kQueryFailed;
    }
    Emit(WindowJson(hwnd));
    return kOk;
}

int CmdChildren(const Args& args) {
    HWND parent = RequireWindow(args);
    for (HWND child : ChildWindows(parent)) {
        Emit(Json()
                 .Add("hwnd", HwndNumber(child))
                 .Add("parent", HwndNumber(GetParent(child)))
                 .Add("id", static_cast<int64_t>(GetWindowLongPtrW(child, GWLP_ID)))
                 .Add("class", ClassOf(child))
                 .Add("title", TitleOf(child))
                 .Add("visible", IsWindowVisible(child) != FALSE)
                 .Raw("rect", [&] {
                     RECT r{};
                     GetWindowRect(child, &r);
                     return JsonRect(r);
                 }())
                 .Text());
    }
    return kOk;
}

int CmdWaitGone(const Args& args) {
    HWND hwnd = args.Hwnd();
    const DWORD wait = static_cast<DWORD>(args.Num(L"wait", 5000));
    const DWORD start = GetTickCount();
    while (IsWindow(hwnd)) {
        if (GetTickCount() - start >= wait) {
            Emit(Json().Add("hwnd", HwndNumber(hwnd)).Add("gone", false).Text());
            return kQueryFailed;
        }
        Sleep(kPollMs);
    }
    Emit(Json().Add("hwnd", HwndNumber(hwnd)).Add("gone", true).Text());
    return kOk;
}

int CmdForeground(const Args&) {
    HWND hwnd = GetForegroundWindow();
    if (!hwnd) {
        Emit(Json().Add("hwnd", 0).Text());
        return kQueryFailed;
    }
    Emit(WindowJson(hwnd));
    return kOk;
}

int CmdSetForeground(const Args& args) {
    HWND hwnd = RequireWindow(args);
    const bool done = SetForegroundWindow(hwnd) != FALSE;
    Emit(Json().Add("hwnd", HwndNumber(hwnd)).Add("ok", done).Add("foreground", HwndNumber(GetForegroundWindow())).Text());
    return done ? kOk : kQueryFailed;
}

// The quit request of the program: WM_QUIT posted to the thread of its window.
int CmdQuit(const Args& args) {
    DWORD tid = 0;
    if (args.Has(L"tid")) {
        tid = static_cast<DWORD>(args.RequiredNum(L"tid"));
    } else {
        tid = GetWindowThreadProcessId(RequireWindow(args), nullptr);
    }
    const bool posted = PostThreadMessageW(tid, WM_QUIT, static_cast<WPARAM>(args.Num(L"code", 0)), 0) != FALSE;
    Emit(Json().Add("tid", tid).Add("posted", posted).Text());
    return posted ? kOk : kQueryFailed;
}

int CmdPost(const Args& args) {
    HWND hwnd = RequireWindow(args);
    const UINT msg = static_cast<UINT>(args.RequiredNum(L"msg"));
    const bool posted = PostMessageW(hwnd, msg, static_cast<WPARAM>(args.Num(L"wparam", 0)),
                                     static_cast<LPARAM>(args.Num(L"lparam", 0))) != FALSE;
    Emit(Json().Add("hwnd", HwndNumber(hwnd)).Add("msg", msg).Add("posted", posted).Text());
    return posted ? kOk : kQueryFailed;
}

// A sent message. Without --nowait the driver waits up to --timeout ms for the result; a send
// that opens a modal loop in the target does not return until that loop ends.
int CmdSend(const Args& args) {
    HWND hwnd = RequireWindow(args);
    const UINT msg = static_cast<UINT>(args.RequiredNum(L"msg"));
    const WPARAM wp = static_cast<WPARAM>(args.Num(L"wparam", 0));
    const LPARAM lp = static_cast<LPARAM>(args.Num(L"lparam", 0));
    if (args.Has(L"nowait")) {
        const bool queued = SendNotifyMessageW(hwnd, msg, wp, lp) != FALSE;
        Emit(Json().Add("hwnd", HwndNumber(hwnd)).Add("msg", msg).Add("queued", queued).Text());
        return queued ? kOk : kQueryFailed;
    }
    DWORD_PTR result = 0;
    const UINT timeout = static_cast<UINT>(args.Num(L"timeout", kSendTimeoutMs));
    const bool done = SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, timeout, &result) != 0;
    Emit(Json()
             .Add("hwnd", HwndNumber(hwnd))
             .Add("msg", msg)
             .Add("done", done)
             .Add("result", static_cast<int64_t>(static_cast<intptr_t>(result)))
             .Text());
    return done ? kOk : kQueryFailed;
}

// A message box is a dialog ("#32770") whose text is a static control with the id 0xFFFF;
// the program's own dialogs are of the same class but have no such control.
bool IsMessageBox(HWND dialog) {
    HWND text = ChildById(dialog, 0xFFFF);
    return text && Lower(ClassOf(text)) == L"static";
}

// Message boxes (with --any-dialog, every visible dialog) among the top-level windows.
int CmdMsgBox(const Args& args) {
    WindowFilter filter = WindowFilter::From(args);
    filter.className = L"#32770";
    filter.visibleOnly = true;
    const bool anyDialog = args.Has(L"any-dialog");
    const DWORD wait = static_cast<DWORD>(args.Num(L"wait", 0));
    const DWORD start = GetTickCount();
    std::vector<HWND> found;
    for (;;) {
        found = MatchingWindows(filter);
        if (!anyDialog) std::erase_if(found, [](HWND h) { return !IsMessageBox(h); });
        if (!found.empty() || GetTickCount() - start >= wait) break;
        Sleep(static_cast<DWORD>(args.Num(L"poll", kPollMs)));
    }
    if (found.empty()) {
        Emit(Json().Add("error", "no message box").Text());
        return kQueryFailed;
    }
    for (HWND box : found) {
        DWORD pid = 0;
        GetWindowThreadProcessId(box, &pid);
        std::string buttons = "[";
        std::string statics = "[";
        std::wstring text;
        int64_t textId = -1;
        for (HWND child : ChildWindows(box)) {
            const std::wstring cls = Lower(ClassOf(child));
            const int64_t id = GetWindowLongPtrW(child, GWLP_ID) & 0xFFFF;
            const std::wstring childText = ControlText(child);
            const std::string item = Json().Add("id", id).Add("text", childText).Add("visible", IsWindowVisible(child) != FALSE).Text();
            if (cls == L"button") {
                buttons += (buttons.size() > 1 ? "," : "") + item;
            } else if (cls == L"static") {
                statics += (statics.size() > 1 ? "," : "") + item;
                if (id == 0xFFFF) {
                    text = childText;
                    textId = id;
                }
            }
        }
        Emit(Json()
                 .Add("hwnd", HwndNumber(box))
                 .Add("pid", pid)
                 .Add("owner", HwndNumber(GetWindow(box, GW_OWNER)))
                 .Add("caption", TitleOf(box))
                 .Add("text", text)
                 .Add("text_id", textId)
                 .Raw("buttons", buttons + "]")
                 .Raw("statics", statics + "]")
                 .Add("foreground", GetForegroundWindow() == box)
                 .Text());
    }
    return kOk;
}

// BM_CLICK on a control of a dialog. By default the click is queued and the driver does not
// wait for it (a click may open a modal loop); --sync waits for the click to be handled.
int CmdClick(const Args& args) {
    HWND dialog = RequireWindow(args);
    HWND control = ChildById(dialog, args.RequiredNum(L"id"));
    if (!control) {
        Emit(Json().Add("error", "no such control").Text());
        return kQueryFailed;
    }
    bool done = false;
    if (args.Has(L"sync")) {
        DWORD_PTR ignored = 0;
        done = SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL,
                                   static_cast<UINT>(args.Num(L"timeout", kSendTimeoutMs)), &ignored) != 0;
    } else {
        done = SendNotifyMessageW(control, BM_CLICK, 0, 0) != FALSE;
    }
    Emit(Json().Add("hwnd", HwndNumber(control)).Add("clicked", done).Text());
    return done ? kOk : kQueryFailed;
}

int CmdControl(const Args& args) {
    HWND dialog = RequireWindow(args);
    HWND control = ChildById(dialog, args.RequiredNum(L"id"));
    if (!control) {
        Emit(Json().Add("error", "no such control").Text());
        return kQueryFailed;
    }
    Emit(ControlJson(control));
    return kOk;
}

int CmdControls(const Args& args) {
    HWND dialog = RequireWindow(args);
    for (HWND child : ChildWindows(dialog)) {
        if (GetParent(child) == dialog) Emit(ControlJson(child));
    }
    return kOk;
}

// SetWindowTextW on a window of another process, as a program that retitles it would.
int CmdSetTitle(const Args& args) {
    HWND hwnd = RequireWindow(args);
    const bool done = SetWindowTextW(hwnd, args.Required(L"title").c_str()) != FALSE;
    Emit(Json().Add("hwnd", HwndNumber(hwnd)).Add("done", done).Add("title", TitleOf(hwnd)).Text());
    return done ? kOk : kQueryFailed;
}

// ShowWindow on a window of another process (6 = SW_MINIMIZE, 9 = SW_RESTORE, 0 = SW_HIDE).
int CmdShowWindow(const Args& args) {
    HWND hwnd = RequireWindow(args);
    const int command = static_cast<int>(args.RequiredNum(L"cmd"));
    const bool wasVisible = ShowWindow(hwnd, command) != FALSE;
    Emit(Json().Add("hwnd", HwndNumber(hwnd)).Add("was_visible", wasVisible).Add("iconic", IsIconic(hwnd) != FALSE).Text());
    return kOk;
}

// Whether the file system lets this process open a file for writing, as Wine decides it (a
// read-only file is refused to an ordinary user, but Wine running as root may allow it).
int CmdCanWrite(const Args& args) {
    const std::wstring path = args.Required(L"file");
    const DWORD attributes = GetFileAttributesW(path.c_str());
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    Emit(Json()
             .Add("writable", file != INVALID_HANDLE_VALUE)
             .Add("last_error", static_cast<int64_t>(error))
             .Add("attributes", static_cast<int64_t>(attributes))
             .Add("readonly", attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
             .Text());
    return kOk;
}

int CmdScreen(const Args&) {
    POINT cursor{};
    GetCursorPos(&cursor);
    Emit(Json()
             .Add("width", GetSystemMetrics(SM_CXSCREEN))
             .Add("height", GetSystemMetrics(SM_CYSCREEN))
             .Raw("cursor", "[" + std::to_string(cursor.x) + "," + std::to_string(cursor.y) + "]")
             .Text());
    return kOk;
}

// The input state of a window's thread: capture, focus, active window, and whether it runs a
// move or size loop (a window dragged by the system) or a menu.
int CmdThread(const Args& args) {
    HWND hwnd = args.Hwnd();
    const DWORD tid = GetWindowThreadProcessId(hwnd, nullptr);
    if (!tid) throw std::runtime_error("no such window");
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(tid, &info)) throw std::runtime_error("GetGUIThreadInfo failed");
    Emit(Json()
             .Add("tid", tid)
             .Add("move_size", (info.flags & GUI_INMOVESIZE) != 0)
             .Add("menu", (info.flags & GUI_INMENUMODE) != 0)
             .Add("capture", HwndNumber(info.hwndCapture))
             .Add("focus", HwndNumber(info.hwndFocus))
             .Add("active", HwndNumber(info.hwndActive))
             .Text());
    return kOk;
}

}  // namespace

std::vector<Command> WindowCommands() {
    return {
        {L"thread", CmdThread, "thread --hwnd H: the window thread's capture, focus, active window, move/size loop"},
        {L"windows", CmdWindows,
         "windows [--pid N] [--exe NAME|PATH] [--class C] [--title T] [--owner H] [--visible] [--wait MS] [--poll MS]: "
         "top-level windows, one line each"},
        {L"find-window", CmdFindWindow,
         "find-window [filters as windows] [--wait MS]: the first matching top-level window (visible first)"},
        {L"window", CmdWindow, "window --hwnd H: one window's state"},
        {L"children", CmdChildren, "children --hwnd H: all descendant windows"},
        {L"wait-gone", CmdWaitGone, "wait-gone --hwnd H [--wait MS]: until the window no longer exists"},
        {L"foreground", CmdForeground, "foreground: the foreground window"},
        {L"set-foreground", CmdSetForeground, "set-foreground --hwnd H"},
        {L"quit", CmdQuit, "quit (--hwnd H | --tid T) [--code N]: post WM_QUIT to the window's thread"},
        {L"post", CmdPost, "post --hwnd H --msg M [--wparam W] [--lparam L]"},
        {L"send", CmdSend, "send --hwnd H --msg M [--wparam W] [--lparam L] [--timeout MS] [--nowait]"},
        {L"msgbox", CmdMsgBox,
         "msgbox [--owner H] [--pid N] [--exe NAME] [--title T] [--wait MS] [--any-dialog]: visible message boxes "
         "(dialogs with a 0xFFFF static) with owner, caption, text (the 0xFFFF static) and buttons"},
        {L"click", CmdClick, "click --hwnd DLG --id N [--sync] [--timeout MS]: BM_CLICK on a control"},
        {L"control", CmdControl, "control --hwnd DLG --id N: text, enabled, checked, progress position"},
        {L"controls", CmdControls, "controls --hwnd DLG: every control of a dialog"},
        {L"set-title", CmdSetTitle, "set-title --hwnd H --title T: SetWindowTextW on the window"},
        {L"show-window", CmdShowWindow, "show-window --hwnd H --cmd N: ShowWindow (SW_MINIMIZE 6, SW_RESTORE 9)"},
        {L"can-write", CmdCanWrite, "can-write --file PATH: whether the file can be opened for writing (nothing is written)"},
        {L"screen", CmdScreen, "screen: screen size and cursor position"},
    };
}

}  // namespace e2e
