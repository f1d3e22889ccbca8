// What the system tells a program when its user goes away and comes back, sent to the pet as
// Windows would send it (Wine sends none of it): the session locked or switched, the machine
// going to sleep or waking, the console display off or on. A display change carries a
// POWERBROADCAST_SETTING, which must live in the receiving process: it is written there.
#include "driver.h"

#include <wtsapi32.h>

namespace e2e {

namespace {

constexpr UINT kSendTimeoutMs = 10000;

// What a word names: WTS_SESSION_LOCK ... for the session, PBT_APMSUSPEND ... for power.
const std::map<std::wstring, WPARAM> kSessionCodes{
    {L"console-connect", WTS_CONSOLE_CONNECT}, {L"console-disconnect", WTS_CONSOLE_DISCONNECT},
    {L"remote-connect", WTS_REMOTE_CONNECT},   {L"remote-disconnect", WTS_REMOTE_DISCONNECT},
    {L"lock", WTS_SESSION_LOCK},               {L"unlock", WTS_SESSION_UNLOCK},
};
const std::map<std::wstring, WPARAM> kPowerEvents{
    {L"suspend", PBT_APMSUSPEND}, {L"resume", PBT_APMRESUMEAUTOMATIC}, {L"resume-user", PBT_APMRESUMESUSPEND},
};

WPARAM Named(const std::map<std::wstring, WPARAM>& names, const std::wstring& name) {
    const auto found = names.find(name);
    if (found == names.end()) throw UsageError("unknown event " + Utf8(name));
    return found->second;
}

// session --hwnd H --event lock|unlock|console-disconnect|...: posted, as the system posts it.
int CmdSession(const Args& args) {
    HWND hwnd = args.Hwnd();
    const WPARAM code = Named(kSessionCodes, args.Required(L"event"));
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    const bool posted = PostMessageW(hwnd, WM_WTSSESSION_CHANGE, code, static_cast<LPARAM>(session)) != FALSE;
    Emit(Json().Add("hwnd", HwndNumber(hwnd)).Add("code", static_cast<int64_t>(code)).Add("posted", posted).Text());
    return posted ? kOk : kQueryFailed;
}

// power --hwnd H --event suspend|resume|resume-user: posted, as the system posts it.
// power --hwnd H --display 0|1|2: the console display off, on or dimmed, the setting written
// into the receiving process and sent, as the system sends it; freed once it was handled.
int CmdPower(const Args& args) {
    HWND hwnd = args.Hwnd();
    if (!args.Has(L"display")) {
        const WPARAM event = Named(kPowerEvents, args.Required(L"event"));
        const bool posted = PostMessageW(hwnd, WM_POWERBROADCAST, event, 0) != FALSE;
        Emit(Json().Add("hwnd", HwndNumber(hwnd)).Add("event", static_cast<int64_t>(event)).Add("posted", posted).Text());
        return posted ? kOk : kQueryFailed;
    }
    const DWORD state = static_cast<DWORD>(args.RequiredNum(L"display"));
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ, FALSE, pid);
    if (!process) throw std::runtime_error("cannot open the window's process");
    const SIZE_T size = offsetof(POWERBROADCAST_SETTING, Data) + sizeof(DWORD);
    std::vector<BYTE> setting(size);
    auto* local = reinterpret_cast<POWERBROADCAST_SETTING*>(setting.data());
    local->PowerSetting = GUID_CONSOLE_DISPLAY_STATE;
    local->DataLength = sizeof(DWORD);
    memcpy(local->Data, &state, sizeof state);
    void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    const bool written = remote && WriteProcessMemory(process, remote, setting.data(), size, nullptr);
    DWORD_PTR result = 0;
    const bool sent = written && SendMessageTimeoutW(hwnd, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                                                     reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, kSendTimeoutMs,
                                                     &result) != 0;
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    Emit(Json().Add("hwnd", HwndNumber(hwnd)).Add("display", static_cast<int64_t>(state)).Add("sent", sent).Text());
    return sent ? kOk : kQueryFailed;
}

}  // namespace

std::vector<Command> AwayCommands() {
    return {
        {L"session", CmdSession, "session --hwnd H --event lock|unlock|console-connect|console-disconnect|"
                                 "remote-connect|remote-disconnect: WM_WTSSESSION_CHANGE, posted"},
        {L"power", CmdPower, "power --hwnd H (--event suspend|resume|resume-user | --display 0|1|2): "
                             "WM_POWERBROADCAST as the system sends it"},
    };
}

}  // namespace e2e
