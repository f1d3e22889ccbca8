// Notification-area commands of the test driver. Wine's notification area (shown in a virtual
// desktop started with explorer /desktop=NAME) draws the icons itself, without a window per
// icon; what can be read from outside is its tooltip control, which holds one tool per icon
// with the icon's tip text. The tool records live in the explorer process, so they are read
// through memory allocated there.
#include "driver.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>

namespace e2e {

namespace {

constexpr UINT kSendTimeoutMs = 2000;
constexpr size_t kTipChars = 512;

struct TrayIcon {
    HWND tooltip = nullptr;
    HWND toolHwnd = nullptr;
    UINT_PTR toolId = 0;
    RECT rect{};  // where the icon is drawn in the tray window; empty once it is hidden
    std::wstring tip;

    bool Shown() const { return !IsRectEmpty(&rect); }
};

// Wine's notification area makes one tooltip control per icon, owned by the tray window, and
// does not destroy it when the icon is deleted: it empties the tool's rectangle instead.
struct Tray {
    HWND trayWnd = nullptr;
    std::vector<HWND> tooltips;
    DWORD pid = 0;
};

// The visible Shell_TrayWnd of the current desktop and the tooltip control that it owns.
Tray FindTray() {
    Tray tray;
    HWND candidate = nullptr;
    while ((candidate = FindWindowExW(nullptr, candidate, L"Shell_TrayWnd", nullptr)) != nullptr) {
        if (!tray.trayWnd || IsWindowVisible(candidate)) tray.trayWnd = candidate;
    }
    if (!tray.trayWnd) return tray;
    GetWindowThreadProcessId(tray.trayWnd, &tray.pid);
    HWND tip = nullptr;
    while ((tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) != nullptr) {
        if (GetWindow(tip, GW_OWNER) == tray.trayWnd) tray.tooltips.push_back(tip);
    }
    return tray;
}

// Number of tools of one tooltip control, or -1 when it cannot be asked.
int ToolCount(HWND tooltip) {
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(tooltip, TTM_GETTOOLCOUNT, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &count)) return -1;
    return static_cast<int>(count);
}

// Every tool of every tooltip of the tray, with its rectangle and tip text.
std::vector<TrayIcon> ReadIcons(const Tray& tray, const RemoteBuffer& remote) {
    std::vector<TrayIcon> icons;
    const size_t textOffset = sizeof(TTTOOLINFOW);
    for (HWND tooltip : tray.tooltips) {
        const int count = ToolCount(tooltip);
        for (int i = 0; i < count; ++i) {
            TTTOOLINFOW info{};
            info.cbSize = sizeof info;
            info.lpszText = reinterpret_cast<LPWSTR>(remote.Address() + textOffset);
            const wchar_t empty = 0;
            remote.Write(textOffset, &empty, sizeof empty);
            remote.Write(0, &info, sizeof info);
            DWORD_PTR ok = 0;
            if (!SendMessageTimeoutW(tooltip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i),
                                     reinterpret_cast<LPARAM>(remote.Address()), SMTO_ABORTIFHUNG, kSendTimeoutMs, &ok) ||
                !ok) {
                continue;
            }
            remote.Read(0, &info, sizeof info);
            std::wstring tip(kTipChars, L'\0');
            remote.Read(textOffset, tip.data(), (kTipChars - 1) * sizeof(wchar_t));
            tip.resize(wcsnlen(tip.c_str(), kTipChars - 1));
            icons.push_back({tooltip, info.hwnd, info.uId, info.rect, tip});
        }
    }
    return icons;
}

constexpr size_t kRemoteBytes = sizeof(TTTOOLINFOW) + kTipChars * sizeof(wchar_t);

int ShownCount(const std::vector<TrayIcon>& icons) {
    int shown = 0;
    for (const TrayIcon& icon : icons) shown += icon.Shown() ? 1 : 0;
    return shown;
}

int CmdTrayIcons(const Args&) {
    const Tray tray = FindTray();
    if (!tray.trayWnd) {
        Emit(Json().Add("error", "no notification area on this desktop").Text());
        return kQueryFailed;
    }
    const RemoteBuffer remote(tray.pid, kRemoteBytes);
    const std::vector<TrayIcon> icons = ReadIcons(tray, remote);
    std::string list = "[";
    for (const TrayIcon& icon : icons) {
        list += (list.size() > 1 ? "," : "") + Json()
                                                   .Add("tooltip_hwnd", HwndNumber(icon.tooltip))
                                                   .Add("tool_hwnd", HwndNumber(icon.toolHwnd))
                                                   .Add("tool_id", static_cast<int64_t>(icon.toolId))
                                                   .Add("rect", icon.rect)
                                                   .Add("shown", icon.Shown())
                                                   .Add("tip", icon.tip)
                                                   .Text();
    }
    RECT rect{};
    GetWindowRect(tray.trayWnd, &rect);
    Emit(Json()
             .Add("tray_hwnd", HwndNumber(tray.trayWnd))
             .Add("tray_rect", rect)
             .Add("shown", ShownCount(icons))
             .Raw("icons", list + "]")
             .Text());
    return kOk;
}

struct FileState {
    bool exists = false;
    uint64_t size = 0;
    uint64_t written = 0;
    bool operator==(const FileState&) const = default;
};

FileState StateOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return {};
    return {true, (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
            (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime};
}

// Samples the number of shown notification icons and the state of a file as fast as it can (about
// every millisecond), and logs each change with its time in microseconds, so that a scenario
// can tell which of the two changed first. Ends --grace ms after the file has changed, or
// after --seconds.
int CmdWatchTray(const Args& args) {
    const std::wstring path = args.Required(L"file");
    const double seconds = static_cast<double>(args.Num(L"seconds", 10));
    const double grace = static_cast<double>(args.Num(L"grace", 300)) / 1000.0;
    if (!FindTray().trayWnd) {
        EmitNow(Json().Add("error", "no notification area on this desktop").Text());
        return kQueryFailed;
    }
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    auto elapsed = [&] {
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    };
    Tray tray = FindTray();
    const RemoteBuffer remote(tray.pid, kRemoteBytes);
    int icons = ShownCount(ReadIcons(tray, remote));
    FileState file = StateOf(path);
    auto line = [&](const char* event) {
        EmitNow(Json()
                    .Add("us", static_cast<int64_t>(elapsed() * 1e6))
                    .Add("event", event)
                    .Add("icons", icons)
                    .Add("file_exists", file.exists)
                    .Add("file_size", static_cast<int64_t>(file.size))
                    .Text());
    };
    line("start");
    double fileChangedAt = -1;
    while (elapsed() < seconds && (fileChangedAt < 0 || elapsed() - fileChangedAt < grace)) {
        // A new icon brings a new tooltip control: look for tooltips again each time.
        tray = FindTray();
        const int nowIcons = ShownCount(ReadIcons(tray, remote));
        const FileState nowFile = StateOf(path);
        if (nowIcons != icons) {
            icons = nowIcons;
            line("icons");
        }
        if (!(nowFile == file)) {
            file = nowFile;
            if (fileChangedAt < 0) fileChangedAt = elapsed();
            line("file");
        }
        Sleep(1);
    }
    line("end");
    return kOk;
}

// Removes a notification icon of another program, as a re-created notification area would
// have lost it.
int CmdTrayDelete(const Args& args) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = args.Hwnd(L"hwnd");
    data.uID = static_cast<UINT>(args.Num(L"id", 0));
    const bool deleted = Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
    Emit(Json().Add("deleted", deleted).Text());
    return deleted ? kOk : kQueryFailed;
}

// Tells every top-level window that the notification area has been re-created, as Explorer
// does when it restarts.
int CmdTaskbarCreated(const Args&) {
    const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    const bool posted = message != 0 && PostMessageW(HWND_BROADCAST, message, 0, 0) != FALSE;
    Emit(Json().Add("message", static_cast<int64_t>(message)).Add("posted", posted).Text());
    return posted ? kOk : kQueryFailed;
}

// Keeps a process attached to the desktop, so that a Wine virtual desktop stays open while
// the program under test starts and ends.
int CmdIdle(const Args& args) {
    Sleep(static_cast<DWORD>(args.Num(L"seconds", 10) * 1000));
    return kOk;
}

}  // namespace

std::vector<Command> TrayCommands() {
    return {
        {L"tray-icons", CmdTrayIcons, "tray-icons [--desktop NAME]: the notification icons and their tips"},
        {L"watch-tray", CmdWatchTray,
         "watch-tray --file PATH [--seconds S] [--grace MS] [--desktop NAME]: log changes of the icon count and of the "
         "file, in order, with times in microseconds"},
        {L"tray-delete", CmdTrayDelete, "tray-delete --hwnd H [--id N]: remove a program's notification icon"},
        {L"taskbar-created", CmdTaskbarCreated,
         "taskbar-created: broadcast the message Explorer sends when it re-creates the notification area"},
        {L"idle", CmdIdle, "idle [--seconds S]: do nothing for S seconds"},
    };
}

}  // namespace e2e
