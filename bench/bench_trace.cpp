// What the trace costs the pet's one thread. Off (no POMKI_TRACE), the core talks to the ports
// themselves: Program makes no decorator, and a tick costs what it costs untraced. On, every
// call of a tick is also written as a line (here to a sink that drops it, so that only the
// formatting is measured; the exe adds one WriteFile per line).
#include <benchmark/benchmark.h>

#include <string>

#include "core/app/program.h"

namespace {

using namespace pomki;

// A desktop and a pet window that answer at once and do nothing.
class StillWindow final : public PetWindowPort {
public:
    WindowRef PetWindow() override { return 1; }
    Rect PetRect() override { return rect; }
    int Dpi() override { return 96; }
    void LoadFrames(int) override {}
    void ReleaseFrames() override {}
    void ApplyFrameRegion(int) override {}
    void SetRect(const Rect& r) override { rect = r; }
    void PlacePet(ZOrder, int32_t x, int32_t y) override { rect = SquareAt(Point{x, y}, kPetSize); }
    void Show() override {}
    void StartTimer(PetTimer, int) override {}
    void StopTimer(PetTimer) override {}
    void HoldPose(double) override {}
    void DragPet() override {}
    bool RunCareMenu() override { return true; }
    void ShowNotice(const FileNotice&) override {}
    void BringCareMenuToFront() override {}
    void AddTrayIcon() override {}
    void RemoveTrayIcon() override {}
    void Quit() override {}
    Rect rect{300, 300, 360, 360};
};

class StillDesktop final : public DesktopPort {
public:
    WindowRef ForegroundWindow() override { return 1; }  // the pet itself: it walks at random
    Rect WindowRect(WindowRef) override { return {}; }
    WindowFacts DescribeWindow(WindowRef) override { return {}; }
    UserNotificationState NotificationState() override { return UserNotificationState::AcceptsNotifications; }
    std::vector<Rect> WorkAreas() override { return {Rect{0, 0, 1024, 768}}; }
    Point CursorPos() override { return {}; }
    void PlaySoundEffect(int) override {}
    void DrawShotMark(Point) override {}
    void ShowMessageBox(std::wstring_view, std::wstring_view) override {}
    void Retitle(WindowRef, std::wstring_view) override {}
    void Minimise(WindowRef) override {}
    std::vector<Monitor> Monitors() override { return {Monitor{Rect{0, 0, 1024, 768}, 96}}; }
};

class CountingRandom final : public RandomSource {
public:
    int Next(int modulus) override { return static_cast<int>(++n % static_cast<unsigned>(modulus)); }
    unsigned n = 0;
};

class NoFiles final : public FileStore {
public:
    std::wstring ProgramFolder() override { return L"C:\\pet\\"; }
    ReadResult ReadAll(const std::wstring&) override { return {ReadResult::Missing, {}}; }
    WriteReport ReplaceAtomically(const std::wstring&, std::string_view) override { return {}; }
    void RemoveLeftovers(const std::wstring&) override {}
    WriteReport ProbeReplace(const std::wstring&) override { return {}; }
    std::wstring UserDataFolder() override { return {}; }
    std::wstring TemporaryFolder() override { return {}; }
    WriteReport Rename(const std::wstring&, const std::wstring&) override { return {}; }
};

class StillClock final : public KeeperClock {
public:
    int64_t NowMs() override { return 0; }
    void Pause(int) override {}
};

class DroppingSink final : public trace::TraceSink {
public:
    void WriteLine(std::string_view line) override { benchmark::DoNotOptimize(line.data()); }
};

void Ticks(benchmark::State& state, trace::TraceSink* sink) {
    NoFiles files;
    StillClock clock;
    StillWindow window;
    StillDesktop desktop;
    CountingRandom random;
    Program program(files, clock, sink);
    PetEvents& pet = program.ConnectPet(window, desktop, random);
    pet.Start();
    uint32_t time = 0;
    for (auto _ : state) pet.Timer(TimerMessage{BEHAVIOUR_TIMER_ID, time += 100});
}

void BM_TickTraceOff(benchmark::State& state) { Ticks(state, nullptr); }
void BM_TickTraceOn(benchmark::State& state) {
    DroppingSink sink;
    Ticks(state, &sink);
}

BENCHMARK(BM_TickTraceOff);
BENCHMARK(BM_TickTraceOn);

}  // namespace
