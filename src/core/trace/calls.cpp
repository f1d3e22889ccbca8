#include "core/trace/calls.h"

#include <array>
#include <cstddef>
#include <utility>

namespace pomki::trace {

namespace {

template <typename E, std::size_t N>
const char* Name(const std::array<std::pair<E, const char*>, N>& names, E value) {
    for (const auto& [e, name] : names) {
        if (e == value) return name;
    }
    return "?";
}

template <typename E, std::size_t N>
E Named(const std::array<std::pair<E, const char*>, N>& names, std::string_view name, const char* what) {
    for (const auto& [e, n] : names) {
        if (name == n) return e;
    }
    throw FormatError(std::string("not a ") + what + ": " + std::string(name));
}

constexpr std::array<std::pair<ZOrder, const char*>, 4> kZOrders{{
    {ZOrder::TopMost, "TopMost"}, {ZOrder::NoTopMost, "NoTopMost"}, {ZOrder::Bottom, "Bottom"}, {ZOrder::Top, "Top"}}};
constexpr std::array<std::pair<PetTimer, const char*>, 3> kTimers{{
    {PetTimer::Behaviour, "Behaviour"}, {PetTimer::Autosave, "Autosave"}, {PetTimer::PresenceCheck, "PresenceCheck"}}};
constexpr std::array<std::pair<PresenceEvent, const char*>, 8> kPresenceEvents{{
    {PresenceEvent::SessionLocked, "SessionLocked"},
    {PresenceEvent::SessionUnlocked, "SessionUnlocked"},
    {PresenceEvent::SessionDisconnected, "SessionDisconnected"},
    {PresenceEvent::SessionConnected, "SessionConnected"},
    {PresenceEvent::DisplayOff, "DisplayOff"},
    {PresenceEvent::DisplayOn, "DisplayOn"},
    {PresenceEvent::Suspending, "Suspending"},
    {PresenceEvent::Resumed, "Resumed"},
}};
constexpr std::array<std::pair<TrayEvent, const char*>, 8> kTrayEvents{{
    {TrayEvent::LeftButtonDown, "LeftButtonDown"},
    {TrayEvent::RightButtonDown, "RightButtonDown"},
    {TrayEvent::LeftButtonUp, "LeftButtonUp"},
    {TrayEvent::RightButtonUp, "RightButtonUp"},
    {TrayEvent::LeftDoubleClick, "LeftDoubleClick"},
    {TrayEvent::Select, "Select"},
    {TrayEvent::ContextMenu, "ContextMenu"},
    {TrayEvent::Other, "Other"},
}};
constexpr std::array<std::pair<UserNotificationState, const char*>, 8> kNotificationStates{{
    {UserNotificationState::Unknown, "Unknown"},
    {UserNotificationState::NotPresent, "NotPresent"},
    {UserNotificationState::Busy, "Busy"},
    {UserNotificationState::RunningD3DFullScreen, "RunningD3DFullScreen"},
    {UserNotificationState::PresentationMode, "PresentationMode"},
    {UserNotificationState::AcceptsNotifications, "AcceptsNotifications"},
    {UserNotificationState::QuietTime, "QuietTime"},
    {UserNotificationState::App, "App"},
}};
constexpr std::array<std::pair<WriteReport::Step, const char*>, 3> kWriteSteps{{
    {WriteReport::Done, "Done"}, {WriteReport::Temporary, "Temporary"}, {WriteReport::Move, "Move"}}};
constexpr std::array<std::pair<FileError, const char*>, 7> kFileErrors{{
    {FileError::None, "None"},
    {FileError::SharingViolation, "SharingViolation"},
    {FileError::LockViolation, "LockViolation"},
    {FileError::AccessDenied, "AccessDenied"},
    {FileError::ReadOnly, "ReadOnly"},
    {FileError::NotFound, "NotFound"},
    {FileError::Other, "Other"},
}};

std::string Call(std::string_view name, const Words& args) { return std::string(name) + ' ' + args.str(); }

template <std::size_t N>
std::string Flags(const std::array<bool, N>& flags) {
    std::string out;
    for (const bool f : flags) out += f ? '1' : '0';
    return out;
}

// The whole answer must have been read.
void ExpectEnd(Reader& reader) {
    if (!reader.AtEnd()) throw FormatError("more than the answer: " + std::string(reader.Rest()));
}

}  // namespace

const char* NameOf(ZOrder z) { return Name(kZOrders, z); }
const char* NameOf(PetTimer timer) { return Name(kTimers, timer); }
const char* NameOf(TrayEvent event) { return Name(kTrayEvents, event); }
const char* NameOf(UserNotificationState state) { return Name(kNotificationStates, state); }
const char* NameOf(PresenceEvent event) { return Name(kPresenceEvents, event); }
PresenceEvent PresenceEventNamed(std::string_view name) { return Named(kPresenceEvents, name, "presence event"); }
const char* NameOf(WriteReport::Step step) { return Name(kWriteSteps, step); }
const char* NameOf(FileError error) { return Name(kFileErrors, error); }
ZOrder ZOrderNamed(std::string_view name) { return Named(kZOrders, name, "z-order"); }
PetTimer PetTimerNamed(std::string_view name) { return Named(kTimers, name, "timer"); }
TrayEvent TrayEventNamed(std::string_view name) { return Named(kTrayEvents, name, "tray event"); }
UserNotificationState NotificationStateNamed(std::string_view name) {
    return Named(kNotificationStates, name, "notification state");
}
WriteReport::Step WriteStepNamed(std::string_view name) { return Named(kWriteSteps, name, "write step"); }
FileError FileErrorNamed(std::string_view name) { return Named(kFileErrors, name, "file error"); }

// ---- The pet window ----

namespace window_calls {
std::string LoadFrames(int scale) { return Call("win.LoadFrames", Words().Int(scale)); }
std::string ApplyFrameRegion(int frameSlot) { return Call("win.ApplyFrameRegion", Words().Int(frameSlot)); }
std::string SetRect(const Rect& rect) { return Call("win.SetRect", Words().Rect(rect)); }
std::string PlacePet(ZOrder z, int32_t x, int32_t y) {
    return Call("win.PlacePet", Words().Word(NameOf(z)).Point({x, y}));
}
std::string StartTimer(PetTimer timer, int intervalMs) {
    return Call("win.StartTimer", Words().Word(NameOf(timer)).Int(intervalMs));
}
std::string StopTimer(PetTimer timer) { return Call("win.StopTimer", Words().Word(NameOf(timer))); }
std::string HoldPose(double seconds) { return Call("win.HoldPose", Words().Real(seconds)); }
std::string ShowNotice(const FileNotice& notice) {
    return Call("win.ShowNotice", Words()
                                      .Text(notice.caption)
                                      .Text(notice.text)
                                      .Key("ends")
                                      .Bool(notice.endsProgram)
                                      .Key("alone")
                                      .Bool(notice.standsAlone));
}
}  // namespace window_calls

// ---- The desktop ----

namespace desktop_calls {
std::string WindowRect(WindowRef window) { return Call("desk.WindowRect", Words().Hex(window)); }
std::string DescribeWindow(WindowRef window) { return Call("desk.DescribeWindow", Words().Hex(window)); }
std::string PlaySoundEffect(int soundId) { return Call("desk.PlaySoundEffect", Words().Int(soundId)); }
std::string DrawShotMark(Point at) { return Call("desk.DrawShotMark", Words().Point(at)); }
std::string ShowMessageBox(std::wstring_view text, std::wstring_view caption) {
    return Call("desk.ShowMessageBox", Words().Text(text).Text(caption));
}
std::string Retitle(WindowRef window, std::wstring_view title) {
    return Call("desk.Retitle", Words().Hex(window).Text(title));
}
std::string Minimise(WindowRef window) { return Call("desk.Minimise", Words().Hex(window)); }
}  // namespace desktop_calls

std::string RandomNext(int modulus) { return Call("rand.Next", Words().Int(modulus)); }

// ---- The menus' windows ----

namespace care_calls {
std::string Show(const CareMenuView& view) {
    std::array<bool, kAbilityCount> named{};
    std::array<bool, kAbilityCount> checked{};
    for (std::size_t k = 0; k < named.size(); ++k) {
        named[k] = view.boxes[k].named;
        checked[k] = view.boxes[k].checked;
    }
    return Call("care.Show", Words()
                                 .Key("named")
                                 .Word(Flags(named))
                                 .Key("checked")
                                 .Word(Flags(checked))
                                 .Key("stress")
                                 .Int(view.stress)
                                 .Key("money")
                                 .Text(view.money)
                                 .Key("fullness")
                                 .Text(view.fullnessWord)
                                 .Key("level")
                                 .Text(view.level));
}
std::string SetCheck(Ability ability, bool checked) {
    return Call("care.SetCheck", Words().Int(ability).Bool(checked));
}
std::string Close(bool ok) { return Call("care.Close", Words().Bool(ok)); }
}  // namespace care_calls

namespace food_calls {
std::string Show(const FoodMenuView& view) {
    return Call("food.Show", Words().Key("offered").Word(Flags(view.offered)).Key("money").Text(view.money));
}
std::string EnableFeed(bool enabled) { return Call("food.EnableFeed", Words().Bool(enabled)); }
std::string Close(bool ok) { return Call("food.Close", Words().Bool(ok)); }
}  // namespace food_calls

// ---- The file store and the keeper's clock ----

namespace file_calls {
std::string ReadAll(const std::wstring& path) { return Call("file.ReadAll", Words().Text(path)); }
std::string ReplaceAtomically(const std::wstring& path, std::string_view bytes) {
    return Call("file.ReplaceAtomically", Words().Text(path).Bytes(bytes));
}
std::string RemoveLeftovers(const std::wstring& path) { return Call("file.RemoveLeftovers", Words().Text(path)); }
std::string ProbeReplace(const std::wstring& path) { return Call("file.ProbeReplace", Words().Text(path)); }
std::string Rename(const std::wstring& from, const std::wstring& to) {
    return Call("file.Rename", Words().Text(from).Text(to));
}
}  // namespace file_calls

namespace clock_calls {
std::string Pause(int ms) { return Call("clock.Pause", Words().Int(ms)); }
}  // namespace clock_calls

// ---- Answers ----

std::string Answer(int64_t value) { return Words().Int(value).str(); }
std::string Answer(bool value) { return Words().Bool(value).str(); }
std::string Answer(WindowRef window) { return Words().Hex(window).str(); }
std::string Answer(const Rect& rect) { return Words().Rect(rect).str(); }
std::string Answer(Point point) { return Words().Point(point).str(); }
std::string Answer(const WindowFacts& facts) {
    return Words()
        .Key("class")
        .Text(facts.className)
        .Key("shell")
        .Bool(facts.shellWindow)
        .Key("tool")
        .Bool(facts.toolWindow)
        .Key("cloaked")
        .Bool(facts.cloaked)
        .Key("own")
        .Bool(facts.ownProgram)
        .Key("hung")
        .Bool(facts.hung)
        .Key("rect")
        .Rect(facts.rect)
        .Key("monitor")
        .Rect(facts.monitor)
        .Key("framed")
        .Bool(facts.framed)
        .str();
}
std::string Answer(UserNotificationState state) { return NameOf(state); }
std::string Answer(const std::vector<Rect>& rects) {
    if (rects.empty()) return "none";
    Words words;
    for (const Rect& r : rects) words.Rect(r);
    return words.str();
}
std::string Answer(const ReadResult& read) {
    switch (read.status) {
    case ReadResult::Read: return Words().Word("Read").Bytes(read.bytes).str();
    case ReadResult::Missing: return "Missing";
    case ReadResult::Unreadable: return "Unreadable";
    }
    return "?";
}
// "Done", or the step that failed and the system's answer: "Move SharingViolation".
std::string Answer(const WriteReport& report) {
    if (report.step == WriteReport::Done) return NameOf(report.step);
    return Words().Word(NameOf(report.step)).Word(NameOf(report.error)).str();
}
std::string Answer(const std::wstring& text) { return Words().Text(text).str(); }

namespace {
// An answer that is one value, read by `read`, and nothing after it.
template <typename Read>
auto ReadOne(std::string_view answer, Read read) {
    Reader r(answer);
    auto value = read(r);
    ExpectEnd(r);
    return value;
}
}  // namespace

int64_t ReadInt(std::string_view answer) { return ReadOne(answer, [](Reader& r) { return r.Int(); }); }
bool ReadBool(std::string_view answer) { return ReadOne(answer, [](Reader& r) { return r.Bool(); }); }
WindowRef ReadWindow(std::string_view answer) {
    return static_cast<WindowRef>(ReadOne(answer, [](Reader& r) { return r.Hex(); }));
}
Rect ReadRect(std::string_view answer) { return ReadOne(answer, [](Reader& r) { return r.Rect(); }); }
Point ReadPoint(std::string_view answer) { return ReadOne(answer, [](Reader& r) { return r.Point(); }); }
WindowFacts ReadFacts(std::string_view answer) {
    Reader r(answer);
    WindowFacts facts;
    r.Key("class");
    facts.className = r.Text();
    r.Key("shell");
    facts.shellWindow = r.Bool();
    r.Key("tool");
    facts.toolWindow = r.Bool();
    r.Key("cloaked");
    facts.cloaked = r.Bool();
    r.Key("own");
    facts.ownProgram = r.Bool();
    r.Key("hung");
    facts.hung = r.Bool();
    r.Key("rect");
    facts.rect = r.Rect();
    r.Key("monitor");
    facts.monitor = r.Rect();
    r.Key("framed");
    facts.framed = r.Bool();
    ExpectEnd(r);
    return facts;
}
UserNotificationState ReadNotificationState(std::string_view answer) { return NotificationStateNamed(answer); }
std::vector<Rect> ReadRects(std::string_view answer) {
    if (answer == "none") return {};
    Reader r(answer);
    std::vector<Rect> rects;
    while (!r.AtEnd()) rects.push_back(r.Rect());
    return rects;
}
ReadResult ReadReadResult(std::string_view answer) {
    Reader r(answer);
    const std::string_view status = r.Word();
    ReadResult read{ReadResult::Missing, {}};
    if (status == "Read") {
        read.status = ReadResult::Read;
        read.bytes = r.Bytes();
    } else if (status == "Unreadable") {
        read.status = ReadResult::Unreadable;
    } else if (status != "Missing") {
        throw FormatError("not a read result: " + std::string(answer));
    }
    ExpectEnd(r);
    return read;
}
WriteReport ReadWriteReport(std::string_view answer) {
    Reader r(answer);
    WriteReport report;
    report.step = WriteStepNamed(r.Word());
    if (report.step != WriteReport::Done) report.error = FileErrorNamed(r.Word());
    ExpectEnd(r);
    return report;
}
std::wstring ReadText(std::string_view answer) { return ReadOne(answer, [](Reader& r) { return r.Text(); }); }

// ---- The monitors ----

std::string Answer(const std::vector<Monitor>& monitors) {
    if (monitors.empty()) return "none";
    Words words;
    for (const Monitor& m : monitors) words.Rect(m.rect).Key("dpi").Int(m.dpi);
    return words.str();
}
std::vector<Monitor> ReadMonitors(std::string_view answer) {
    if (answer == "none") return {};
    Reader r(answer);
    std::vector<Monitor> monitors;
    while (!r.AtEnd()) {
        Monitor m;
        m.rect = r.Rect();
        r.Key("dpi");
        m.dpi = static_cast<int>(r.Int());
        monitors.push_back(m);
    }
    return monitors;
}

// ---- Events ----

namespace pet_events {
std::string Timer(TimerMessage message) {
    std::string at(1, '@');
    at += std::to_string(message.time);
    return Call("pet.Timer", Words().Int(message.id).Word(at));
}
std::string TrayNotify(TrayEvent event) { return Call("pet.TrayNotify", Words().Word(NameOf(event))); }
std::string DpiChanged(int dpi, const Rect& suggested) { return Call("pet.DpiChanged", Words().Int(dpi).Rect(suggested)); }
std::string Presence(PresenceEvent event) { return Call("pet.Presence", Words().Word(NameOf(event))); }
}  // namespace pet_events

namespace care_events {
std::string Toggle(Ability ability) { return Call("care.Toggle", Words().Int(ability)); }
}  // namespace care_events

namespace food_events {
std::string Select(int food) { return Call("food.Select", Words().Int(food)); }
}  // namespace food_events

}  // namespace pomki::trace
