#include "core/trace/tracing.h"

#include "core/trace/calls.h"

namespace pomki::trace {

namespace {

// A query: the line is written with its answer, once the call has answered.
template <typename Call>
auto Asked(Trace& trace, std::string_view text, Call call) {
    auto answer = call();
    trace.Answer(text, Answer(answer));
    return answer;
}

// A call that runs a modal loop: the events handled inside it come between its two lines.
template <typename Call>
void Modal(Trace& trace, std::string_view text, Call call) {
    trace.Begin(text);
    call();
    trace.End(text);
}

// An event: the calls it makes come after its line, one level deeper.
template <typename Call>
void Handled(Trace& trace, std::string_view text, Call call) {
    trace.Event(text);
    call();
    trace.EventDone();
}

}  // namespace

// ---- The pet window ----

WindowRef TracingPetWindow::PetWindow() {
    return Asked(trace_, window_calls::kPetWindow, [&] { return inner_.PetWindow(); });
}
Rect TracingPetWindow::PetRect() {
    return Asked(trace_, window_calls::kPetRect, [&] { return inner_.PetRect(); });
}
int TracingPetWindow::Dpi() {
    return static_cast<int>(Asked(trace_, window_calls::kDpi, [&] { return int64_t{inner_.Dpi()}; }));
}
void TracingPetWindow::LoadFrames(int scale) {
    trace_.Act(window_calls::LoadFrames(scale));
    inner_.LoadFrames(scale);
}
void TracingPetWindow::ReleaseFrames() {
    trace_.Act(window_calls::kReleaseFrames);
    inner_.ReleaseFrames();
}
void TracingPetWindow::ApplyFrameRegion(int frameSlot) {
    trace_.Act(window_calls::ApplyFrameRegion(frameSlot));
    inner_.ApplyFrameRegion(frameSlot);
}
void TracingPetWindow::SetRect(const Rect& rect) {
    trace_.Act(window_calls::SetRect(rect));
    inner_.SetRect(rect);
}
void TracingPetWindow::PlacePet(ZOrder z, int32_t x, int32_t y) {
    trace_.Act(window_calls::PlacePet(z, x, y));
    inner_.PlacePet(z, x, y);
}
void TracingPetWindow::Show() {
    trace_.Act(window_calls::kShow);
    inner_.Show();
}
void TracingPetWindow::StartTimer(PetTimer timer, int intervalMs) {
    trace_.Act(window_calls::StartTimer(timer, intervalMs));
    inner_.StartTimer(timer, intervalMs);
}
void TracingPetWindow::StopTimer(PetTimer timer) {
    trace_.Act(window_calls::StopTimer(timer));
    inner_.StopTimer(timer);
}
void TracingPetWindow::HoldPose(double seconds) {
    trace_.Act(window_calls::HoldPose(seconds));
    inner_.HoldPose(seconds);
}
void TracingPetWindow::DragPet() { Modal(trace_, window_calls::kDragPet, [&] { inner_.DragPet(); }); }
bool TracingPetWindow::RunCareMenu() {
    trace_.Begin(window_calls::kRunCareMenu);
    const bool ok = inner_.RunCareMenu();
    trace_.End(window_calls::kRunCareMenu, Answer(ok));
    return ok;
}
void TracingPetWindow::ShowNotice(const FileNotice& notice) {
    Modal(trace_, window_calls::ShowNotice(notice), [&] { inner_.ShowNotice(notice); });
}
void TracingPetWindow::AddTrayIcon() {
    trace_.Act(window_calls::kAddTrayIcon);
    inner_.AddTrayIcon();
}
void TracingPetWindow::RemoveTrayIcon() {
    trace_.Act(window_calls::kRemoveTrayIcon);
    inner_.RemoveTrayIcon();
}
void TracingPetWindow::Quit() {
    trace_.Act(window_calls::kQuit);
    inner_.Quit();
}

// The open care menu
void TracingPetWindow::BringCareMenuToFront() {
    trace_.Act(window_calls::kBringCareMenuToFront);
    inner_.BringCareMenuToFront();
}

// ---- The desktop ----

WindowRef TracingDesktop::ForegroundWindow() {
    return Asked(trace_, desktop_calls::kForegroundWindow, [&] { return inner_.ForegroundWindow(); });
}
Rect TracingDesktop::WindowRect(WindowRef window) {
    return Asked(trace_, desktop_calls::WindowRect(window), [&] { return inner_.WindowRect(window); });
}
WindowFacts TracingDesktop::DescribeWindow(WindowRef window) {
    return Asked(trace_, desktop_calls::DescribeWindow(window), [&] { return inner_.DescribeWindow(window); });
}
UserNotificationState TracingDesktop::NotificationState() {
    return Asked(trace_, desktop_calls::kNotificationState, [&] { return inner_.NotificationState(); });
}
std::vector<Rect> TracingDesktop::WorkAreas() {
    return Asked(trace_, desktop_calls::kWorkAreas, [&] { return inner_.WorkAreas(); });
}
Point TracingDesktop::CursorPos() {
    return Asked(trace_, desktop_calls::kCursorPos, [&] { return inner_.CursorPos(); });
}
void TracingDesktop::PlaySoundEffect(int soundId) {
    trace_.Act(desktop_calls::PlaySoundEffect(soundId));
    inner_.PlaySoundEffect(soundId);
}
void TracingDesktop::DrawShotMark(Point at) {
    trace_.Act(desktop_calls::DrawShotMark(at));
    inner_.DrawShotMark(at);
}
void TracingDesktop::ShowMessageBox(std::wstring_view text, std::wstring_view caption) {
    Modal(trace_, desktop_calls::ShowMessageBox(text, caption), [&] { inner_.ShowMessageBox(text, caption); });
}
void TracingDesktop::Retitle(WindowRef window, std::wstring_view title) {
    trace_.Act(desktop_calls::Retitle(window, title));
    inner_.Retitle(window, title);
}
void TracingDesktop::Minimise(WindowRef window) {
    trace_.Act(desktop_calls::Minimise(window));
    inner_.Minimise(window);
}

// The monitors and their scale
std::vector<Monitor> TracingDesktop::Monitors() {
    return Asked(trace_, desktop_calls::kMonitors, [&] { return inner_.Monitors(); });
}

int TracingRandom::Next(int modulus) {
    return static_cast<int>(Asked(trace_, RandomNext(modulus), [&] { return int64_t{inner_.Next(modulus)}; }));
}

// ---- The menus' windows ----

void TracingCarePort::Show(const CareMenuView& view) {
    trace_.Act(care_calls::Show(view));
    inner_.Show(view);
}
void TracingCarePort::SetCheck(Ability ability, bool checked) {
    trace_.Act(care_calls::SetCheck(ability, checked));
    inner_.SetCheck(ability, checked);
}
Point TracingCarePort::CursorPos() {
    return Asked(trace_, care_calls::kCursorPos, [&] { return inner_.CursorPos(); });
}
void TracingCarePort::StartCursorWatch() {
    trace_.Act(care_calls::kStartCursorWatch);
    inner_.StartCursorWatch();
}
void TracingCarePort::StopCursorWatch() {
    trace_.Act(care_calls::kStopCursorWatch);
    inner_.StopCursorWatch();
}
void TracingCarePort::OpenClock() {
    trace_.Act(care_calls::kOpenClock);
    inner_.OpenClock();
}
void TracingCarePort::CloseClock() {
    trace_.Act(care_calls::kCloseClock);
    inner_.CloseClock();
}
void TracingCarePort::OpenSweep() {
    trace_.Act(care_calls::kOpenSweep);
    inner_.OpenSweep();
}
void TracingCarePort::CloseSweep() {
    trace_.Act(care_calls::kCloseSweep);
    inner_.CloseSweep();
}
void TracingCarePort::RunFoodMenu() { Modal(trace_, care_calls::kRunFoodMenu, [&] { inner_.RunFoodMenu(); }); }
void TracingCarePort::Quit() {
    trace_.Act(care_calls::kQuit);
    inner_.Quit();
}
void TracingCarePort::Close(bool ok) {
    trace_.Act(care_calls::Close(ok));
    inner_.Close(ok);
}

void TracingFoodPort::Show(const FoodMenuView& view) {
    trace_.Act(food_calls::Show(view));
    inner_.Show(view);
}
void TracingFoodPort::EnableFeed(bool enabled) {
    trace_.Act(food_calls::EnableFeed(enabled));
    inner_.EnableFeed(enabled);
}
void TracingFoodPort::Close(bool ok) {
    trace_.Act(food_calls::Close(ok));
    inner_.Close(ok);
}

// ---- The file store and the keeper's clock ----

std::wstring TracingFileStore::ProgramFolder() {
    return Asked(trace_, file_calls::kProgramFolder, [&] { return inner_.ProgramFolder(); });
}
ReadResult TracingFileStore::ReadAll(const std::wstring& path) {
    return Asked(trace_, file_calls::ReadAll(path), [&] { return inner_.ReadAll(path); });
}
WriteReport TracingFileStore::ReplaceAtomically(const std::wstring& path, std::string_view bytes) {
    return Asked(trace_, file_calls::ReplaceAtomically(path, bytes), [&] { return inner_.ReplaceAtomically(path, bytes); });
}
void TracingFileStore::RemoveLeftovers(const std::wstring& path) {
    trace_.Act(file_calls::RemoveLeftovers(path));
    inner_.RemoveLeftovers(path);
}
// Where the pet can be kept
WriteReport TracingFileStore::ProbeReplace(const std::wstring& path) {
    return Asked(trace_, file_calls::ProbeReplace(path), [&] { return inner_.ProbeReplace(path); });
}
std::wstring TracingFileStore::UserDataFolder() {
    return Asked(trace_, file_calls::kUserDataFolder, [&] { return inner_.UserDataFolder(); });
}
std::wstring TracingFileStore::TemporaryFolder() {
    return Asked(trace_, file_calls::kTemporaryFolder, [&] { return inner_.TemporaryFolder(); });
}
WriteReport TracingFileStore::Rename(const std::wstring& from, const std::wstring& to) {
    return Asked(trace_, file_calls::Rename(from, to), [&] { return inner_.Rename(from, to); });
}

int64_t TracingKeeperClock::NowMs() {
    return Asked(trace_, clock_calls::kNowMs, [&] { return inner_.NowMs(); });
}
void TracingKeeperClock::Pause(int ms) {
    trace_.Act(clock_calls::Pause(ms));
    inner_.Pause(ms);
}

// ---- Events ----

void TracingPetEvents::Start() { Handled(trace_, pet_events::kStart, [&] { inner_.Start(); }); }
void TracingPetEvents::Timer(TimerMessage message) {
    Handled(trace_, pet_events::Timer(message), [&] { inner_.Timer(message); });
}
void TracingPetEvents::LeftButtonDown() { Handled(trace_, pet_events::kLeftButtonDown, [&] { inner_.LeftButtonDown(); }); }
void TracingPetEvents::RightButtonDown() {
    Handled(trace_, pet_events::kRightButtonDown, [&] { inner_.RightButtonDown(); });
}
void TracingPetEvents::TrayNotify(TrayEvent event) {
    Handled(trace_, pet_events::TrayNotify(event), [&] { inner_.TrayNotify(event); });
}
void TracingPetEvents::DpiChanged(int dpi, const Rect& suggested) {
    Handled(trace_, pet_events::DpiChanged(dpi, suggested), [&] { inner_.DpiChanged(dpi, suggested); });
}
void TracingPetEvents::EndSession() { Handled(trace_, pet_events::kEndSession, [&] { inner_.EndSession(); }); }
void TracingPetEvents::Destroy() { Handled(trace_, pet_events::kDestroy, [&] { inner_.Destroy(); }); }
void TracingPetEvents::Presence(PresenceEvent event) {
    Handled(trace_, pet_events::Presence(event), [&] { inner_.Presence(event); });
}
// Calling the pet
void TracingPetEvents::CalledBack() { Handled(trace_, pet_events::kCalledBack, [&] { inner_.CalledBack(); }); }

void TracingCareMenuEvents::Open() { Handled(trace_, care_events::kOpen, [&] { inner_.Open(); }); }
void TracingCareMenuEvents::Toggle(Ability ability) {
    Handled(trace_, care_events::Toggle(ability), [&] { inner_.Toggle(ability); });
}
void TracingCareMenuEvents::CursorWatchTick() {
    Handled(trace_, care_events::kCursorWatchTick, [&] { inner_.CursorWatchTick(); });
}
void TracingCareMenuEvents::OpenFoodMenu() { Handled(trace_, care_events::kOpenFoodMenu, [&] { inner_.OpenFoodMenu(); }); }
void TracingCareMenuEvents::Quit() { Handled(trace_, care_events::kQuit, [&] { inner_.Quit(); }); }
void TracingCareMenuEvents::Ok() { Handled(trace_, care_events::kOk, [&] { inner_.Ok(); }); }
void TracingCareMenuEvents::Cancel() { Handled(trace_, care_events::kCancel, [&] { inner_.Cancel(); }); }
void TracingCareMenuEvents::Destroyed() { Handled(trace_, care_events::kDestroyed, [&] { inner_.Destroyed(); }); }

void TracingFoodMenuEvents::Open() { Handled(trace_, food_events::kOpen, [&] { inner_.Open(); }); }
void TracingFoodMenuEvents::Select(int food) {
    Handled(trace_, food_events::Select(food), [&] { inner_.Select(food); });
}
void TracingFoodMenuEvents::Feed() { Handled(trace_, food_events::kFeed, [&] { inner_.Feed(); }); }
void TracingFoodMenuEvents::Ok() { Handled(trace_, food_events::kOk, [&] { inner_.Ok(); }); }
void TracingFoodMenuEvents::Cancel() { Handled(trace_, food_events::kCancel, [&] { inner_.Cancel(); }); }
void TracingFoodMenuEvents::Destroyed() { Handled(trace_, food_events::kDestroyed, [&] { inner_.Destroyed(); }); }

}  // namespace pomki::trace
