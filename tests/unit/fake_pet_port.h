// Test doubles for the pet's rules: a desktop that records every call made to it, and a
// random source that hands out a scripted queue of draws.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/pet/pet_port.h"

namespace pomki::testing {

// One call made to the fake desktop, with its arguments.
struct PortCall {
    enum class Kind {
        // queries
        PetRect,
        PetWindow,
        ForegroundWindow,
        WindowRect,
        CursorPos,
        DescribeWindow,
        NotificationState,
        WorkAreas,
        PixelScale,
        // actions
        ApplyFrameRegion,
        PlacePet,
        StartTimer,
        StopTimer,
        HoldPose,
        PlaySoundEffect,
        DrawShotMark,
        MessageBox,
        Retitle,
        Minimise,
        DragPet,
        RunCareMenu,
    };

    Kind kind;
    int number = 0;  // frame slot, sound id or timer interval
    ZOrder z = ZOrder::NoTopMost;
    Point at{};  // placement or mark position
    double seconds = 0.0;
    WindowRef window = 0;
    std::wstring text{};
    std::wstring caption{};

    bool IsQuery() const { return kind < Kind::ApplyFrameRegion; }

    static PortCall Apply(int slot) { return {.kind = Kind::ApplyFrameRegion, .number = slot}; }
    static PortCall Place(ZOrder z, int32_t x, int32_t y) {
        return {.kind = Kind::PlacePet, .z = z, .at = {x, y}};
    }
    static PortCall StartTimer(int intervalMs) { return {.kind = Kind::StartTimer, .number = intervalMs}; }
    static PortCall StopTimer() { return {.kind = Kind::StopTimer}; }
    static PortCall Hold(double seconds) { return {.kind = Kind::HoldPose, .seconds = seconds}; }
    static PortCall Sound(int id) { return {.kind = Kind::PlaySoundEffect, .number = id}; }
    static PortCall Mark(int32_t x, int32_t y) { return {.kind = Kind::DrawShotMark, .at = {x, y}}; }
    static PortCall Box(std::wstring_view text, std::wstring_view caption) {
        return {.kind = Kind::MessageBox, .text = std::wstring(text), .caption = std::wstring(caption)};
    }
    static PortCall Retitle(WindowRef window, std::wstring_view title) {
        return {.kind = Kind::Retitle, .window = window, .text = std::wstring(title)};
    }
    static PortCall Minimise(WindowRef window) { return {.kind = Kind::Minimise, .window = window}; }
    static PortCall Drag() { return {.kind = Kind::DragPet}; }
    static PortCall CareMenu() { return {.kind = Kind::RunCareMenu}; }

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
    }
    return "?";
}

// Readable failure messages: "Place(TopMost, 300, 300)".
inline void PrintTo(const PortCall& call, std::ostream* os) {
    using K = PortCall::Kind;
    switch (call.kind) {
        case K::PetRect: *os << "PetRect()"; break;
        case K::PetWindow: *os << "PetWindow()"; break;
        case K::ForegroundWindow: *os << "ForegroundWindow()"; break;
        case K::WindowRect: *os << "WindowRect(" << call.window << ")"; break;
        case K::CursorPos: *os << "CursorPos()"; break;
        case K::DescribeWindow: *os << "DescribeWindow(" << call.window << ")"; break;
        case K::NotificationState: *os << "NotificationState()"; break;
        case K::WorkAreas: *os << "WorkAreas()"; break;
        case K::PixelScale: *os << "PixelScale()"; break;
        case K::ApplyFrameRegion: *os << "Apply(" << call.number << ")"; break;
        case K::PlacePet:
            *os << "Place(" << ZOrderName(call.z) << ", " << call.at.x << ", " << call.at.y << ")";
            break;
        case K::StartTimer: *os << "StartTimer(" << call.number << ")"; break;
        case K::StopTimer: *os << "StopTimer()"; break;
        case K::HoldPose: *os << "Hold(" << call.seconds << ")"; break;
        case K::PlaySoundEffect: *os << "Sound(" << call.number << ")"; break;
        case K::DrawShotMark: *os << "Mark(" << call.at.x << ", " << call.at.y << ")"; break;
        case K::MessageBox:
            *os << "Box(\"" << ToUtf8(call.text) << "\", \"" << ToUtf8(call.caption) << "\")";
            break;
        case K::Retitle:
            *os << "Retitle(" << call.window << ", \"" << ToUtf8(call.text) << "\")";
            break;
        case K::Minimise: *os << "Minimise(" << call.window << ")"; break;
        case K::DragPet: *os << "Drag()"; break;
        case K::RunCareMenu: *os << "CareMenu()"; break;
    }
}

// A desktop with one pet window and any number of other windows. Placing the pet moves its
// rectangle, as the real window would, so consecutive ticks walk on from the last step.
class FakePetPort : public PetPort {
public:
    Rect petRect{300, 300, 360, 360};
    WindowRef petWindow = 1;
    WindowRef foreground = 2;
    std::map<WindowRef, Rect> windowRects;
    Point cursor{};
    Size screen{1024, 768};
    // Runs while the message box is open, as ticks of a nested message loop would.
    std::function<void()> whileBoxOpen;
    // Runs while the care menu is open (clicks on the icon, the user's switches); the menu
    // then ends with OK when careMenuOk is true.
    std::function<void()> whileCareMenuOpen;
    bool careMenuOk = true;

    std::vector<PortCall> calls;  // every call, in order

    // Other programs' windows: a window without facts of its own is an ordinary window of
    // another program with its rectangle from windowRects, on a monitor the size of the screen.
    std::map<WindowRef, WindowFacts> windowFacts;
    UserNotificationState notificationState = UserNotificationState::AcceptsNotifications;

    void SetPetAt(int32_t x, int32_t y) { petRect = {x, y, x + 60, y + 60}; }

    // The calls that change something, in order; queries left out.
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

    Rect PetRect() override {
        calls.push_back({.kind = PortCall::Kind::PetRect});
        return petRect;
    }
    WindowRef PetWindow() override {
        calls.push_back({.kind = PortCall::Kind::PetWindow});
        return petWindow;
    }
    WindowRef ForegroundWindow() override {
        calls.push_back({.kind = PortCall::Kind::ForegroundWindow});
        return foreground;
    }
    Rect WindowRect(WindowRef window) override {
        calls.push_back({.kind = PortCall::Kind::WindowRect, .window = window});
        const auto found = windowRects.find(window);
        return found != windowRects.end() ? found->second : Rect{};
    }
    Point CursorPos() override {
        calls.push_back({.kind = PortCall::Kind::CursorPos});
        return cursor;
    }

    // Screens: monitors and scale. With no work areas given, one screen of `screen` pixels
    // with no taskbar.
    std::vector<Rect> workAreas;
    int pixelScale = 1;
    std::vector<Rect> WorkAreas() override {
        calls.push_back({.kind = PortCall::Kind::WorkAreas});
        if (workAreas.empty()) return {Rect{0, 0, screen.cx, screen.cy}};
        return workAreas;
    }
    int PixelScale() override {
        calls.push_back({.kind = PortCall::Kind::PixelScale});
        return pixelScale;
    }

    void ApplyFrameRegion(int frameSlot) override { calls.push_back(PortCall::Apply(frameSlot)); }
    void PlacePet(ZOrder z, int32_t x, int32_t y) override {
        calls.push_back(PortCall::Place(z, x, y));
        SetPetAt(x, y);
    }
    void StartTimer(int intervalMs) override { calls.push_back(PortCall::StartTimer(intervalMs)); }
    void StopTimer() override { calls.push_back(PortCall::StopTimer()); }
    void HoldPose(double seconds) override { calls.push_back(PortCall::Hold(seconds)); }
    void PlaySoundEffect(int soundId) override { calls.push_back(PortCall::Sound(soundId)); }
    void DrawShotMark(Point at) override { calls.push_back(PortCall::Mark(at.x, at.y)); }
    void MessageBox(std::wstring_view text, std::wstring_view caption) override {
        calls.push_back(PortCall::Box(text, caption));
        if (whileBoxOpen) whileBoxOpen();
    }
    void Retitle(WindowRef window, std::wstring_view title) override {
        calls.push_back(PortCall::Retitle(window, title));
    }
    void Minimise(WindowRef window) override { calls.push_back(PortCall::Minimise(window)); }
    void DragPet() override { calls.push_back(PortCall::Drag()); }
    bool RunCareMenu() override {
        calls.push_back(PortCall::CareMenu());
        if (whileCareMenuOpen) whileCareMenuOpen();
        return careMenuOk;
    }

    WindowFacts DescribeWindow(WindowRef window) override {
        calls.push_back({.kind = PortCall::Kind::DescribeWindow, .window = window});
        const auto found = windowFacts.find(window);
        if (found != windowFacts.end()) return found->second;
        WindowFacts facts;
        facts.className = L"UserWindow";
        const auto rect = windowRects.find(window);
        if (rect != windowRects.end()) facts.rect = rect->second;
        facts.monitor = Rect{0, 0, screen.cx, screen.cy};
        return facts;
    }
    UserNotificationState NotificationState() override {
        calls.push_back({.kind = PortCall::Kind::NotificationState});
        return notificationState;
    }
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

}  // namespace pomki::testing
