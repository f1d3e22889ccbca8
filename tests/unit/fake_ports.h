// Test doubles for the pet's rules: its own window and the desktop around it, each a fake of
// its one port, both recording into one shared log so that a test can compare a sequence that
// mixes the two; a random source that hands out a scripted queue of draws; and a Scene that
// puts a pet, its walk, its tick and its keeper on them.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/pet/behaviour.h"
#include "core/pet/desktop_port.h"
#include "core/pet/pet.h"
#include "core/pet/pet_ports.h"
#include "core/pet/pet_window_port.h"
#include "core/pet/random_source.h"
#include "core/pet/walk_state.h"
#include "core/state/pet_keeper.h"
#include "core/state/pet_state.h"
#include "fake_clock.h"
#include "memory_file_store.h"

namespace pomki::testing {

// One call made to a fake, with its arguments.
struct PortCall {
    enum class Kind {
        // facts read from the pet window
        PetWindow,
        PetRect,
        Dpi,
        // facts read from the desktop
        ForegroundWindow,
        WindowRect,
        DescribeWindow,
        NotificationState,
        WorkAreas,
        CursorPos,
        Monitors,
        // the pet window's acts
        LoadFrames,
        ReleaseFrames,
        ApplyFrameRegion,
        SetRect,
        PlacePet,
        Show,
        StartTimer,
        StopTimer,
        HoldPose,
        DragPet,
        RunCareMenu,
        ShowNotice,
        BringCareMenuToFront,
        AddTrayIcon,
        RemoveTrayIcon,
        Quit,
        // the desktop's acts
        PlaySoundEffect,
        DrawShotMark,
        ShowMessageBox,
        Retitle,
        Minimise,
        // the pet's file, as the Scene's store sees it
        FileRead,
        FileWrite,
    };

    Kind kind;
    int number = 0;  // frame slot, pixel scale, sound id or timer interval
    PetTimer timer = PetTimer::Behaviour;
    ZOrder z = ZOrder::NoTopMost;
    Point at{};  // placement or mark position
    Rect rect{};
    double seconds = 0.0;
    WindowRef window = 0;
    std::wstring text{};
    std::wstring caption{};

    // A fact read from the window or the desktop: it changes nothing.
    bool IsQuery() const { return kind < Kind::LoadFrames; }

    static PortCall LoadFrames(int scale) { return {.kind = Kind::LoadFrames, .number = scale}; }
    static PortCall ReleaseFrames() { return {.kind = Kind::ReleaseFrames}; }
    static PortCall Apply(int slot) { return {.kind = Kind::ApplyFrameRegion, .number = slot}; }
    static PortCall SetRect(const Rect& rect) { return {.kind = Kind::SetRect, .rect = rect}; }
    static PortCall Place(ZOrder z, int32_t x, int32_t y) {
        return {.kind = Kind::PlacePet, .z = z, .at = {x, y}};
    }
    static PortCall Show() { return {.kind = Kind::Show}; }
    static PortCall StartTimer(PetTimer timer, int intervalMs) {
        return {.kind = Kind::StartTimer, .number = intervalMs, .timer = timer};
    }
    static PortCall StopTimer(PetTimer timer) { return {.kind = Kind::StopTimer, .timer = timer}; }
    static PortCall Hold(double seconds) { return {.kind = Kind::HoldPose, .seconds = seconds}; }
    static PortCall Drag() { return {.kind = Kind::DragPet}; }
    static PortCall CareMenu() { return {.kind = Kind::RunCareMenu}; }
    static PortCall Notice(std::wstring_view caption, std::wstring_view text) {
        return {.kind = Kind::ShowNotice, .text = std::wstring(text), .caption = std::wstring(caption)};
    }
    static PortCall BringCareMenuToFront() { return {.kind = Kind::BringCareMenuToFront}; }
    static PortCall AddTrayIcon() { return {.kind = Kind::AddTrayIcon}; }
    static PortCall RemoveTrayIcon() { return {.kind = Kind::RemoveTrayIcon}; }
    static PortCall Quit() { return {.kind = Kind::Quit}; }
    static PortCall Sound(int id) { return {.kind = Kind::PlaySoundEffect, .number = id}; }
    static PortCall Mark(int32_t x, int32_t y) { return {.kind = Kind::DrawShotMark, .at = {x, y}}; }
    static PortCall Box(std::wstring_view text, std::wstring_view caption) {
        return {.kind = Kind::ShowMessageBox, .text = std::wstring(text), .caption = std::wstring(caption)};
    }
    static PortCall Retitle(WindowRef window, std::wstring_view title) {
        return {.kind = Kind::Retitle, .window = window, .text = std::wstring(title)};
    }
    static PortCall Minimise(WindowRef window) { return {.kind = Kind::Minimise, .window = window}; }
    static PortCall FileRead() { return {.kind = Kind::FileRead}; }
    static PortCall FileWrite() { return {.kind = Kind::FileWrite}; }

    friend bool operator==(const PortCall&, const PortCall&) = default;
};

inline std::string ToUtf8(std::wstring_view text) {
    std::string out;
    for (const wchar_t wc : text) {
        const auto c = static_cast<char32_t>(wc);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

inline const char* ZOrderName(ZOrder z) {
    switch (z) {
        case ZOrder::TopMost: return "TopMost";
        case ZOrder::NoTopMost: return "NoTopMost";
        case ZOrder::Bottom: return "Bottom";
        case ZOrder::Top: return "Top";
    }
    return "?";
}

inline const char* TimerName(PetTimer timer) {
    switch (timer) {
        case PetTimer::Behaviour: return "Behaviour";
        case PetTimer::Autosave: return "Autosave";
        case PetTimer::PresenceCheck: return "PresenceCheck";
    }
    return "?";
}

// Readable failure messages: "Place(TopMost, 300, 300)".
inline void PrintTo(const PortCall& call, std::ostream* os) {
    using K = PortCall::Kind;
    switch (call.kind) {
        case K::PetWindow: *os << "PetWindow()"; break;
        case K::PetRect: *os << "PetRect()"; break;
        case K::Dpi: *os << "Dpi()"; break;
        case K::ForegroundWindow: *os << "ForegroundWindow()"; break;
        case K::WindowRect: *os << "WindowRect(" << call.window << ")"; break;
        case K::DescribeWindow: *os << "DescribeWindow(" << call.window << ")"; break;
        case K::NotificationState: *os << "NotificationState()"; break;
        case K::WorkAreas: *os << "WorkAreas()"; break;
        case K::CursorPos: *os << "CursorPos()"; break;
        case K::Monitors: *os << "Monitors()"; break;
        case K::LoadFrames: *os << "LoadFrames(" << call.number << ")"; break;
        case K::ReleaseFrames: *os << "ReleaseFrames()"; break;
        case K::ApplyFrameRegion: *os << "Apply(" << call.number << ")"; break;
        case K::SetRect:
            *os << "SetRect(" << call.rect.left << ", " << call.rect.top << ", " << call.rect.right << ", "
                << call.rect.bottom << ")";
            break;
        case K::PlacePet:
            *os << "Place(" << ZOrderName(call.z) << ", " << call.at.x << ", " << call.at.y << ")";
            break;
        case K::Show: *os << "Show()"; break;
        case K::StartTimer: *os << "StartTimer(" << TimerName(call.timer) << ", " << call.number << ")"; break;
        case K::StopTimer: *os << "StopTimer(" << TimerName(call.timer) << ")"; break;
        case K::HoldPose: *os << "Hold(" << call.seconds << ")"; break;
        case K::DragPet: *os << "Drag()"; break;
        case K::RunCareMenu: *os << "CareMenu()"; break;
        case K::ShowNotice:
            *os << "Notice(\"" << ToUtf8(call.caption) << "\", \"" << ToUtf8(call.text) << "\")";
            break;
        case K::BringCareMenuToFront: *os << "BringCareMenuToFront()"; break;
        case K::AddTrayIcon: *os << "AddTrayIcon()"; break;
        case K::RemoveTrayIcon: *os << "RemoveTrayIcon()"; break;
        case K::Quit: *os << "Quit()"; break;
        case K::PlaySoundEffect: *os << "Sound(" << call.number << ")"; break;
        case K::DrawShotMark: *os << "Mark(" << call.at.x << ", " << call.at.y << ")"; break;
        case K::ShowMessageBox:
            *os << "Box(\"" << ToUtf8(call.text) << "\", \"" << ToUtf8(call.caption) << "\")";
            break;
        case K::Retitle:
            *os << "Retitle(" << call.window << ", \"" << ToUtf8(call.text) << "\")";
            break;
        case K::Minimise: *os << "Minimise(" << call.window << ")"; break;
        case K::FileRead: *os << "FileRead()"; break;
        case K::FileWrite: *os << "FileWrite()"; break;
    }
}

// Every call made to the fakes that share it, in the order they were made.
class CallLog {
public:
    std::vector<PortCall> calls;

    void Add(PortCall call) { calls.push_back(std::move(call)); }
    void Clear() { calls.clear(); }

    // The calls that change something, in order; the facts read left out.
    std::vector<PortCall> Actions() const {
        std::vector<PortCall> actions;
        for (const PortCall& call : calls) {
            if (!call.IsQuery()) actions.push_back(call);
        }
        return actions;
    }

    std::vector<PortCall> CallsOf(PortCall::Kind kind) const {
        std::vector<PortCall> found;
        for (const PortCall& call : calls) {
            if (call.kind == kind) found.push_back(call);
        }
        return found;
    }

    std::size_t Count(PortCall::Kind kind) const { return CallsOf(kind).size(); }

    // The last call that changed something; with none, the test fails (and a fact read stands
    // in, which equals no action).
    PortCall LastAction() const {
        const std::vector<PortCall> actions = Actions();
        if (actions.empty()) {
            ADD_FAILURE() << "no action was logged";
            return PortCall{.kind = PortCall::Kind::PetWindow};
        }
        return actions.back();
    }
};

// The pet window. Placing the pet moves its rectangle, at the size of the frames loaded last,
// as the real window would, so consecutive ticks walk on from the last step; SetRect moves
// and sizes it.
class FakePetWindow : public PetWindowPort {
public:
    explicit FakePetWindow(CallLog& log) : log_(log) {}

    Rect petRect = SquareAt(Point{300, 300}, kPetSize);
    WindowRef petWindow = 1;
    int dpi = 96;
    int frameScale = 1;  // the scale of the frames loaded last
    // Runs while the care menu is open (clicks on the icon, the user's switches); the menu
    // then ends with OK when careMenuOk is true.
    std::function<void()> whileCareMenuOpen;
    bool careMenuOk = true;
    // Runs while the user drags the pet (messages of the system's move loop).
    std::function<void()> whileDragged;

    void SetPetAt(int32_t x, int32_t y) { petRect = SquareAt(Point{x, y}, kPetSize * frameScale); }

    WindowRef PetWindow() override {
        log_.Add({.kind = PortCall::Kind::PetWindow});
        return petWindow;
    }
    Rect PetRect() override {
        log_.Add({.kind = PortCall::Kind::PetRect});
        return petRect;
    }
    int Dpi() override {
        log_.Add({.kind = PortCall::Kind::Dpi});
        return dpi;
    }
    void LoadFrames(int scale) override {
        log_.Add(PortCall::LoadFrames(scale));
        frameScale = scale;
    }
    void ReleaseFrames() override { log_.Add(PortCall::ReleaseFrames()); }
    void ApplyFrameRegion(int frameSlot) override { log_.Add(PortCall::Apply(frameSlot)); }
    void SetRect(const Rect& rect) override {
        log_.Add(PortCall::SetRect(rect));
        petRect = rect;
    }
    void PlacePet(ZOrder z, int32_t x, int32_t y) override {
        log_.Add(PortCall::Place(z, x, y));
        SetPetAt(x, y);
    }
    void Show() override { log_.Add(PortCall::Show()); }
    void StartTimer(PetTimer timer, int intervalMs) override { log_.Add(PortCall::StartTimer(timer, intervalMs)); }
    void StopTimer(PetTimer timer) override { log_.Add(PortCall::StopTimer(timer)); }
    void HoldPose(double seconds) override { log_.Add(PortCall::Hold(seconds)); }
    void DragPet() override {
        log_.Add(PortCall::Drag());
        if (whileDragged) whileDragged();
    }
    bool RunCareMenu() override {
        log_.Add(PortCall::CareMenu());
        if (whileCareMenuOpen) whileCareMenuOpen();
        return careMenuOk;
    }
    void ShowNotice(const FileNotice& notice) override { log_.Add(PortCall::Notice(notice.caption, notice.text)); }
    void BringCareMenuToFront() override { log_.Add(PortCall::BringCareMenuToFront()); }
    void AddTrayIcon() override { log_.Add(PortCall::AddTrayIcon()); }
    void RemoveTrayIcon() override { log_.Add(PortCall::RemoveTrayIcon()); }
    void Quit() override { log_.Add(PortCall::Quit()); }

private:
    CallLog& log_;
};

// The desktop with any number of other programs' windows. A window without facts of its own
// is an ordinary window of another program with its rectangle from windowRects, on a monitor
// the size of the screen.
class FakeDesktop : public DesktopPort {
public:
    explicit FakeDesktop(CallLog& log) : log_(log) {}

    WindowRef foreground = 2;
    std::map<WindowRef, Rect> windowRects;
    std::map<WindowRef, WindowFacts> windowFacts;
    UserNotificationState notificationState = UserNotificationState::AcceptsNotifications;
    // With no work areas given, one screen of `screen` pixels with no taskbar.
    Size screen{1024, 768};
    std::vector<Rect> workAreas;
    Point cursor{};
    // With no monitors given, one monitor the size of the screen at 96 DPI.
    std::vector<Monitor> monitors;
    // Runs while the message box is open, as ticks of a nested message loop would.
    std::function<void()> whileBoxOpen;

    WindowRef ForegroundWindow() override {
        log_.Add({.kind = PortCall::Kind::ForegroundWindow});
        return foreground;
    }
    Rect WindowRect(WindowRef window) override {
        log_.Add({.kind = PortCall::Kind::WindowRect, .window = window});
        const auto found = windowRects.find(window);
        return found != windowRects.end() ? found->second : Rect{};
    }
    WindowFacts DescribeWindow(WindowRef window) override {
        log_.Add({.kind = PortCall::Kind::DescribeWindow, .window = window});
        const auto found = windowFacts.find(window);
        if (found != windowFacts.end()) return found->second;
        WindowFacts facts;
        facts.className = L"UserWindow";
        const auto rect = windowRects.find(window);
        if (rect != windowRects.end()) facts.rect = rect->second;
        facts.monitor = Rect{0, 0, screen.cx, screen.cy};
        facts.framed = true;  // an ordinary window has a caption
        return facts;
    }
    UserNotificationState NotificationState() override {
        log_.Add({.kind = PortCall::Kind::NotificationState});
        return notificationState;
    }
    std::vector<Rect> WorkAreas() override {
        log_.Add({.kind = PortCall::Kind::WorkAreas});
        if (workAreas.empty()) return {Rect{0, 0, screen.cx, screen.cy}};
        return workAreas;
    }
    Point CursorPos() override {
        log_.Add({.kind = PortCall::Kind::CursorPos});
        return cursor;
    }

    void PlaySoundEffect(int soundId) override { log_.Add(PortCall::Sound(soundId)); }
    void DrawShotMark(Point at) override { log_.Add(PortCall::Mark(at.x, at.y)); }
    void ShowMessageBox(std::wstring_view text, std::wstring_view caption) override {
        log_.Add(PortCall::Box(text, caption));
        if (whileBoxOpen) whileBoxOpen();
    }
    void Retitle(WindowRef window, std::wstring_view title) override { log_.Add(PortCall::Retitle(window, title)); }
    void Minimise(WindowRef window) override { log_.Add(PortCall::Minimise(window)); }

    std::vector<Monitor> Monitors() override {
        log_.Add({.kind = PortCall::Kind::Monitors});
        if (monitors.empty()) return {Monitor{Rect{0, 0, screen.cx, screen.cy}, 96}};
        return monitors;
    }

private:
    CallLog& log_;
};

// Hands out the scripted values in order. A draw beyond the script, or a scripted value
// outside the asked range, fails the running test.
class ScriptedRandom : public RandomSource {
public:
    ScriptedRandom() = default;
    ScriptedRandom(std::initializer_list<int> values) : queue_(values) {}

    void Add(std::initializer_list<int> values) { queue_.insert(queue_.end(), values); }
    void Add(const std::vector<int>& values) { queue_.insert(queue_.end(), values.begin(), values.end()); }

    int Next(int modulus) override {
        moduli.push_back(modulus);
        if (queue_.empty()) {
            ADD_FAILURE() << "draw " << moduli.size() << " (modulus " << modulus
                          << ") was not scripted";
            return 0;
        }
        const int value = queue_.front();
        queue_.pop_front();
        if (value < 0 || value >= modulus) {
            ADD_FAILURE() << "scripted value " << value << " is outside 0.." << modulus - 1;
            return 0;
        }
        return value;
    }

    bool AllUsed() const { return queue_.empty(); }
    std::size_t Remaining() const { return queue_.size(); }

    std::vector<int> moduli;  // the modulus of every draw asked for, in order

private:
    std::deque<int> queue_;
};

// The pet's file in memory, its reads and writes logged beside the window's and the
// desktop's calls (a test sees the load and the save in the sequence of a start-up or a
// tear-down).
class LoggedFileStore : public MemoryFileStore {
public:
    explicit LoggedFileStore(CallLog& log) : log_(log) {}

    ReadResult ReadAll(const std::wstring& path) override {
        log_.Add(PortCall::FileRead());
        return MemoryFileStore::ReadAll(path);
    }
    WriteReport ReplaceAtomically(const std::wstring& path, std::string_view bytes) override {
        log_.Add(PortCall::FileWrite());
        return MemoryFileStore::ReplaceAtomically(path, bytes);
    }

private:
    CallLog& log_;
};

inline constexpr WindowRef kPetWindow = 1;
inline constexpr WindowRef kUserWindow = 2;

// A pet at (300, 300) on one 1024 x 768 screen, well fed and calm; the user's window in
// front with its left edge at 100, far left of the pet. `tick` is one behaviour tick on
// `walk`; `rules` is the whole pet (its events, with a walk of its own) on the same record,
// ports and file.
struct Scene {
    CallLog log;
    FakePetWindow window{log};
    FakeDesktop desktop{log};
    ScriptedRandom random;
    PetPorts ports{window, desktop, random};
    PetState pet;
    WalkState walk;
    BehaviourTimer behaviourTimer{window};
    BehaviourTick tick{pet, walk, ports, behaviourTimer};
    LoggedFileStore files{log};
    FakeClock clock;
    PetKeeper keeper{files, clock};
    Pet rules{pet, keeper, ports};

    Scene() {
        window.petWindow = kPetWindow;
        desktop.foreground = kUserWindow;
        desktop.windowRects[kUserWindow] = Rect{100, 50, 700, 500};
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    void Tick() { tick.Run(); }
    // The pet's file path, as the keeper makes it from the store's folder.
    std::wstring SavePath() const { return files.programFolder + kSaveFileName; }
};

}  // namespace pomki::testing
