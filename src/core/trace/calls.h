// The text of every call across the core's ports and of every event handed to the core, and
// of what each call answers: written by the tracing decorators (tracing.h) and compared and
// read back by the replay (replay.h), so that both always agree on every word.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/care/care_menu.h"
#include "core/care/food_menu.h"
#include "core/pet/desktop_port.h"
#include "core/pet/pet.h"
#include "core/pet/pet_window_port.h"
#include "core/state/pet_keeper.h"
#include "core/state/save_file.h"
#include "core/trace/trace_text.h"

namespace pomki::trace {

// ---- Names of enumerations ----
const char* NameOf(ZOrder z);
const char* NameOf(PetTimer timer);
const char* NameOf(TrayEvent event);
const char* NameOf(UserNotificationState state);
const char* NameOf(PresenceEvent event);
PresenceEvent PresenceEventNamed(std::string_view name);
const char* NameOf(WriteReport::Step step);
const char* NameOf(FileError error);
ZOrder ZOrderNamed(std::string_view name);
PetTimer PetTimerNamed(std::string_view name);
TrayEvent TrayEventNamed(std::string_view name);
UserNotificationState NotificationStateNamed(std::string_view name);
WriteReport::Step WriteStepNamed(std::string_view name);
FileError FileErrorNamed(std::string_view name);

// ---- The pet window (win) ----
namespace window_calls {
inline constexpr std::string_view kPetWindow = "win.PetWindow";
inline constexpr std::string_view kPetRect = "win.PetRect";
inline constexpr std::string_view kDpi = "win.Dpi";
inline constexpr std::string_view kReleaseFrames = "win.ReleaseFrames";
inline constexpr std::string_view kShow = "win.Show";
inline constexpr std::string_view kDragPet = "win.DragPet";
inline constexpr std::string_view kRunCareMenu = "win.RunCareMenu";
inline constexpr std::string_view kAddTrayIcon = "win.AddTrayIcon";
inline constexpr std::string_view kRemoveTrayIcon = "win.RemoveTrayIcon";
inline constexpr std::string_view kQuit = "win.Quit";
std::string LoadFrames(int scale);
std::string ApplyFrameRegion(int frameSlot);
std::string SetRect(const Rect& rect);
std::string PlacePet(ZOrder z, int32_t x, int32_t y);
std::string StartTimer(PetTimer timer, int intervalMs);
std::string StopTimer(PetTimer timer);
std::string HoldPose(double seconds);
std::string ShowNotice(const FileNotice& notice);
// The open care menu
inline constexpr std::string_view kBringCareMenuToFront = "win.BringCareMenuToFront";
}  // namespace window_calls

// ---- The desktop (desk) ----
namespace desktop_calls {
inline constexpr std::string_view kForegroundWindow = "desk.ForegroundWindow";
inline constexpr std::string_view kNotificationState = "desk.NotificationState";
inline constexpr std::string_view kWorkAreas = "desk.WorkAreas";
inline constexpr std::string_view kCursorPos = "desk.CursorPos";
std::string WindowRect(WindowRef window);
std::string DescribeWindow(WindowRef window);
std::string PlaySoundEffect(int soundId);
std::string DrawShotMark(Point at);
std::string ShowMessageBox(std::wstring_view text, std::wstring_view caption);
std::string Retitle(WindowRef window, std::wstring_view title);
std::string Minimise(WindowRef window);
// The monitors and their scale
inline constexpr std::string_view kMonitors = "desk.Monitors";
}  // namespace desktop_calls

// ---- The random source (rand) ----
std::string RandomNext(int modulus);

// ---- The care menu's window (care) ----
namespace care_calls {
inline constexpr std::string_view kCursorPos = "care.CursorPos";
inline constexpr std::string_view kStartCursorWatch = "care.StartCursorWatch";
inline constexpr std::string_view kStopCursorWatch = "care.StopCursorWatch";
inline constexpr std::string_view kOpenClock = "care.OpenClock";
inline constexpr std::string_view kCloseClock = "care.CloseClock";
inline constexpr std::string_view kOpenSweep = "care.OpenSweep";
inline constexpr std::string_view kCloseSweep = "care.CloseSweep";
inline constexpr std::string_view kRunFoodMenu = "care.RunFoodMenu";
inline constexpr std::string_view kQuit = "care.Quit";
std::string Show(const CareMenuView& view);
std::string SetCheck(Ability ability, bool checked);
std::string Close(bool ok);
}  // namespace care_calls

// ---- The food menu's window (food) ----
namespace food_calls {
std::string Show(const FoodMenuView& view);
std::string EnableFeed(bool enabled);
std::string Close(bool ok);
}  // namespace food_calls

// ---- The file store (file) and the keeper's clock (clock) ----
namespace file_calls {
inline constexpr std::string_view kProgramFolder = "file.ProgramFolder";
std::string ReadAll(const std::wstring& path);
std::string ReplaceAtomically(const std::wstring& path, std::string_view bytes);
std::string RemoveLeftovers(const std::wstring& path);
// Where the pet can be kept
inline constexpr std::string_view kUserDataFolder = "file.UserDataFolder";
inline constexpr std::string_view kTemporaryFolder = "file.TemporaryFolder";
std::string ProbeReplace(const std::wstring& path);
std::string Rename(const std::wstring& from, const std::wstring& to);
}  // namespace file_calls
namespace clock_calls {
inline constexpr std::string_view kNowMs = "clock.NowMs";
std::string Pause(int ms);
}  // namespace clock_calls

// ---- Answers ----
std::string Answer(int64_t value);
std::string Answer(bool value);
std::string Answer(WindowRef window);
std::string Answer(const Rect& rect);
std::string Answer(Point point);
std::string Answer(const WindowFacts& facts);
std::string Answer(UserNotificationState state);
std::string Answer(const std::vector<Rect>& rects);
std::string Answer(const ReadResult& read);
std::string Answer(const WriteReport& report);
std::string Answer(const std::wstring& text);

int64_t ReadInt(std::string_view answer);
bool ReadBool(std::string_view answer);
WindowRef ReadWindow(std::string_view answer);
Rect ReadRect(std::string_view answer);
Point ReadPoint(std::string_view answer);
WindowFacts ReadFacts(std::string_view answer);
UserNotificationState ReadNotificationState(std::string_view answer);
std::vector<Rect> ReadRects(std::string_view answer);
ReadResult ReadReadResult(std::string_view answer);
WriteReport ReadWriteReport(std::string_view answer);
std::wstring ReadText(std::string_view answer);

// The monitors: "l,t,r,b dpi=N" for each, or "none".
std::string Answer(const std::vector<Monitor>& monitors);
std::vector<Monitor> ReadMonitors(std::string_view answer);

// ---- Events ----
namespace pet_events {
inline constexpr std::string_view kStart = "pet.Start";
inline constexpr std::string_view kLeftButtonDown = "pet.LeftButtonDown";
inline constexpr std::string_view kRightButtonDown = "pet.RightButtonDown";
inline constexpr std::string_view kEndSession = "pet.EndSession";
inline constexpr std::string_view kDestroy = "pet.Destroy";
// Calling the pet
inline constexpr std::string_view kCalledBack = "pet.CalledBack";
std::string Timer(TimerMessage message);
std::string TrayNotify(TrayEvent event);
std::string DpiChanged(int dpi, const Rect& suggested);
std::string Presence(PresenceEvent event);
}  // namespace pet_events
namespace care_events {
inline constexpr std::string_view kOpen = "care.Open";
inline constexpr std::string_view kCursorWatchTick = "care.CursorWatchTick";
inline constexpr std::string_view kOpenFoodMenu = "care.OpenFoodMenu";
inline constexpr std::string_view kQuit = "care.Quit";
inline constexpr std::string_view kOk = "care.Ok";
inline constexpr std::string_view kCancel = "care.Cancel";
inline constexpr std::string_view kDestroyed = "care.Destroyed";
std::string Toggle(Ability ability);
}  // namespace care_events
namespace food_events {
inline constexpr std::string_view kOpen = "food.Open";
inline constexpr std::string_view kFeed = "food.Feed";
inline constexpr std::string_view kOk = "food.Ok";
inline constexpr std::string_view kCancel = "food.Cancel";
inline constexpr std::string_view kDestroyed = "food.Destroyed";
std::string Select(int food);
}  // namespace food_events

}  // namespace pomki::trace
