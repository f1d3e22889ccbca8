// Decorators that write the trace: each wraps one port (or one entry of the core's events)
// and writes a line for every call that passes through it (core/trace/trace.h says how), then
// hands the call on unchanged. Made only when a trace is kept; otherwise the core talks to the
// ports themselves.
#pragma once

#include "core/care/care_menu.h"
#include "core/care/food_menu.h"
#include "core/pet/desktop_port.h"
#include "core/pet/pet.h"
#include "core/pet/pet_window_port.h"
#include "core/pet/random_source.h"
#include "core/state/pet_keeper.h"
#include "core/state/save_file.h"
#include "core/trace/trace.h"

namespace pomki::trace {

class TracingPetWindow final : public PetWindowPort {
public:
    TracingPetWindow(Trace& trace, PetWindowPort& inner) : trace_(trace), inner_(inner) {}
    WindowRef PetWindow() override;
    Rect PetRect() override;
    int Dpi() override;
    void LoadFrames(int scale) override;
    void ReleaseFrames() override;
    void ApplyFrameRegion(int frameSlot) override;
    void SetRect(const Rect& rect) override;
    void PlacePet(ZOrder z, int32_t x, int32_t y) override;
    void Show() override;
    void StartTimer(PetTimer timer, int intervalMs) override;
    void StopTimer(PetTimer timer) override;
    void HoldPose(double seconds) override;
    void DragPet() override;
    bool RunCareMenu() override;
    void ShowNotice(const FileNotice& notice) override;
    void BringCareMenuToFront() override;
    void AddTrayIcon() override;
    void RemoveTrayIcon() override;
    void Quit() override;

private:
    Trace& trace_;
    PetWindowPort& inner_;
};

class TracingDesktop final : public DesktopPort {
public:
    TracingDesktop(Trace& trace, DesktopPort& inner) : trace_(trace), inner_(inner) {}
    WindowRef ForegroundWindow() override;
    Rect WindowRect(WindowRef window) override;
    WindowFacts DescribeWindow(WindowRef window) override;
    UserNotificationState NotificationState() override;
    std::vector<Rect> WorkAreas() override;
    Point CursorPos() override;
    void PlaySoundEffect(int soundId) override;
    void DrawShotMark(Point at) override;
    void ShowMessageBox(std::wstring_view text, std::wstring_view caption) override;
    void Retitle(WindowRef window, std::wstring_view title) override;
    void Minimise(WindowRef window) override;
    std::vector<Monitor> Monitors() override;

private:
    Trace& trace_;
    DesktopPort& inner_;
};

class TracingRandom final : public RandomSource {
public:
    TracingRandom(Trace& trace, RandomSource& inner) : trace_(trace), inner_(inner) {}
    int Next(int modulus) override;

private:
    Trace& trace_;
    RandomSource& inner_;
};

class TracingCarePort final : public CarePort {
public:
    TracingCarePort(Trace& trace, CarePort& inner) : trace_(trace), inner_(inner) {}
    void Show(const CareMenuView& view) override;
    void SetCheck(Ability ability, bool checked) override;
    Point CursorPos() override;
    void StartCursorWatch() override;
    void StopCursorWatch() override;
    void OpenClock() override;
    void CloseClock() override;
    void OpenSweep() override;
    void CloseSweep() override;
    void RunFoodMenu() override;
    void Quit() override;
    void Close(bool ok) override;

private:
    Trace& trace_;
    CarePort& inner_;
};

class TracingFoodPort final : public FoodPort {
public:
    TracingFoodPort(Trace& trace, FoodPort& inner) : trace_(trace), inner_(inner) {}
    void Show(const FoodMenuView& view) override;
    void EnableFeed(bool enabled) override;
    void Close(bool ok) override;

private:
    Trace& trace_;
    FoodPort& inner_;
};

class TracingFileStore final : public FileStore {
public:
    TracingFileStore(Trace& trace, FileStore& inner) : trace_(trace), inner_(inner) {}
    std::wstring ProgramFolder() override;
    ReadResult ReadAll(const std::wstring& path) override;
    WriteReport ReplaceAtomically(const std::wstring& path, std::string_view bytes) override;
    void RemoveLeftovers(const std::wstring& path) override;
    // Where the pet can be kept
    WriteReport ProbeReplace(const std::wstring& path) override;
    std::wstring UserDataFolder() override;
    std::wstring TemporaryFolder() override;
    WriteReport Rename(const std::wstring& from, const std::wstring& to) override;

private:
    Trace& trace_;
    FileStore& inner_;
};

class TracingKeeperClock final : public KeeperClock {
public:
    TracingKeeperClock(Trace& trace, KeeperClock& inner) : trace_(trace), inner_(inner) {}
    int64_t NowMs() override;
    void Pause(int ms) override;

private:
    Trace& trace_;
    KeeperClock& inner_;
};

class TracingPetEvents final : public PetEvents {
public:
    TracingPetEvents(Trace& trace, PetEvents& inner) : trace_(trace), inner_(inner) {}
    void Start() override;
    void Timer(TimerMessage message) override;
    void LeftButtonDown() override;
    void RightButtonDown() override;
    void TrayNotify(TrayEvent event) override;
    void DpiChanged(int dpi, const Rect& suggested) override;
    void EndSession() override;
    void Destroy() override;
    void Presence(PresenceEvent event) override;
    // Calling the pet
    void CalledBack() override;
    int FrameSlot() const override { return inner_.FrameSlot(); }

private:
    Trace& trace_;
    PetEvents& inner_;
};

class TracingCareMenuEvents final : public CareMenuEvents {
public:
    TracingCareMenuEvents(Trace& trace, CareMenuEvents& inner) : trace_(trace), inner_(inner) {}
    void Open() override;
    void Toggle(Ability ability) override;
    void CursorWatchTick() override;
    void OpenFoodMenu() override;
    void Quit() override;
    void Ok() override;
    void Cancel() override;
    void Destroyed() override;

private:
    Trace& trace_;
    CareMenuEvents& inner_;
};

class TracingFoodMenuEvents final : public FoodMenuEvents {
public:
    TracingFoodMenuEvents(Trace& trace, FoodMenuEvents& inner) : trace_(trace), inner_(inner) {}
    void Open() override;
    void Select(int food) override;
    void Feed() override;
    void Ok() override;
    void Cancel() override;
    void Destroyed() override;

private:
    Trace& trace_;
    FoodMenuEvents& inner_;
};

}  // namespace pomki::trace
