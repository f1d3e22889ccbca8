#include "core/trace/replay.h"

#include <memory>
#include <optional>
#include <vector>

#include "core/app/program.h"
#include "core/trace/calls.h"

namespace pomki::trace {

namespace {

// The core and the trace went apart.
struct Difference {
    std::string what;
};
// The trace ends where the core goes on: the process was killed there.
struct TraceEnded {};

struct Line {
    int number = 0;      // in the file, from 1
    std::string text;    // without indentation, "> ", "} " or " {"
    enum Kind { Event, Call, Begin, End } kind = Call;

    // The call without its answer, and the answer ("" for none).
    std::string_view CallPart() const { return std::string_view(text).substr(0, AnswerAt()); }
    std::string_view AnswerPart() const {
        const std::size_t at = AnswerAt();
        return at == text.size() ? std::string_view() : std::string_view(text).substr(at + 3);
    }

private:
    // Where " = " stands outside quoted texts, or the end.
    std::size_t AnswerAt() const {
        bool quoted = false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\\' && quoted) {
                ++i;
            } else if (text[i] == '"') {
                quoted = !quoted;
            } else if (!quoted && text.compare(i, 3, " = ") == 0) {
                return i;
            }
        }
        return text.size();
    }
};

std::vector<Line> Lines(std::string_view text) {
    std::vector<Line> lines;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        while (!raw.empty() && raw.front() == ' ') raw.remove_prefix(1);
        if (raw.empty() || raw.front() == '#') continue;
        Line line;
        line.number = number;
        if (raw.starts_with("> ")) {
            line.kind = Line::Event;
            raw.remove_prefix(2);
        } else if (raw.starts_with("} ")) {
            line.kind = Line::End;
            raw.remove_prefix(2);
        } else if (raw.ends_with(" {")) {
            line.kind = Line::Begin;
            raw.remove_suffix(2);
        }
        line.text = std::string(raw);
        lines.push_back(std::move(line));
    }
    return lines;
}

class Replayer;

// ---- The ports, answering from the trace ----

class ReplayWindow final : public PetWindowPort {
public:
    explicit ReplayWindow(Replayer& r) : r_(r) {}
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
    Replayer& r_;
};

class ReplayDesktop final : public DesktopPort {
public:
    explicit ReplayDesktop(Replayer& r) : r_(r) {}
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
    Replayer& r_;
};

class ReplayRandom final : public RandomSource {
public:
    explicit ReplayRandom(Replayer& r) : r_(r) {}
    int Next(int modulus) override;

private:
    Replayer& r_;
};

class ReplayCarePort final : public CarePort {
public:
    explicit ReplayCarePort(Replayer& r) : r_(r) {}
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
    Replayer& r_;
};

class ReplayFoodPort final : public FoodPort {
public:
    explicit ReplayFoodPort(Replayer& r) : r_(r) {}
    void Show(const FoodMenuView& view) override;
    void EnableFeed(bool enabled) override;
    void Close(bool ok) override;

private:
    Replayer& r_;
};

class ReplayFiles final : public FileStore {
public:
    explicit ReplayFiles(Replayer& r) : r_(r) {}
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
    Replayer& r_;
};

class ReplayClock final : public KeeperClock {
public:
    explicit ReplayClock(Replayer& r) : r_(r) {}
    int64_t NowMs() override;
    void Pause(int ms) override;

private:
    Replayer& r_;
};

// ---- The replay ----

class Replayer {
public:
    explicit Replayer(std::string_view text)
        : lines_(Lines(text)), window_(*this), desktop_(*this), random_(*this), carePort_(*this), foodPort_(*this),
          files_(*this), clock_(*this), program_(files_, clock_), pet_(program_.ConnectPet(window_, desktop_, random_)) {}

    ReplayOutcome Run();

    // The next line must be this act (a call with no answer).
    void Act(std::string_view call) {
        const Line& line = Take(call);
        if (line.kind != Line::Call || !line.AnswerPart().empty()) Differ(call, line);
    }
    // The next line must be this call; returns its answer.
    std::string_view Asked(std::string_view call) {
        const Line& line = Take(call);
        if (line.kind != Line::Call || line.AnswerPart().empty()) Differ(call, line);
        return line.AnswerPart();
    }
    // The next line must be the start of this modal call; the events inside it are replayed
    // until its end line, whose answer is returned.
    std::string_view Modal(std::string_view call) {
        const Line& begin = Take(call);
        if (begin.kind != Line::Begin) Differ(call, begin);
        for (;;) {
            if (next_ >= lines_.size()) throw TraceEnded{};
            const Line& line = lines_[next_];
            if (line.kind == Line::End) {
                ++next_;
                if (line.CallPart() != call) Differ("the end of " + std::string(call), line);
                return line.AnswerPart();
            }
            if (line.kind != Line::Event) Differ("the end of " + std::string(call) + " or an event inside it", line);
            ++next_;
            Dispatch(line);
        }
    }

    ReplayCarePort& carePort() { return carePort_; }
    ReplayFoodPort& foodPort() { return foodPort_; }
    Program& program() { return program_; }
    std::vector<std::unique_ptr<MenuRules<CareMenuEvents>>>& careMenus() { return careMenus_; }
    std::vector<std::unique_ptr<MenuRules<FoodMenuEvents>>>& foodMenus() { return foodMenus_; }

    // Reads an answer, a bad one being a difference at the line just taken.
    template <typename Reading>
    auto Read(Reading read, std::string_view answer) {
        try {
            return read(answer);
        } catch (const FormatError& e) {
            throw Difference{Where(lines_[next_ - 1]) + ": cannot read the answer \"" + std::string(answer) +
                             "\": " + e.what()};
        }
    }

    const Line& Take(std::string_view call) {
        if (next_ >= lines_.size()) throw TraceEnded{};
        const Line& line = lines_[next_++];
        if (line.kind == Line::Event || line.CallPart() != call) Differ(call, line);
        return line;
    }

    // A difference at the line just taken.
    [[noreturn]] void DifferHere(const std::string& what) { throw Difference{Where(lines_[next_ - 1]) + ": " + what}; }

private:
    [[noreturn]] void Differ(std::string_view call, const Line& line) {
        const char* kind = line.kind == Line::Event ? "> " : line.kind == Line::End ? "} " : "";
        throw Difference{Where(line) + ": the core called\n    " + std::string(call) + "\nwhere the trace has\n    " +
                         kind + line.text};
    }

    std::string Where(const Line& line) const {
        return "line " + std::to_string(line.number) + " (event " + std::to_string(events_) + ", tick " +
               std::to_string(ticks_) + ")";
    }

    void Dispatch(const Line& line);

    std::vector<Line> lines_;
    std::size_t next_ = 0;
    int events_ = 0;
    int ticks_ = 0;

    ReplayWindow window_;
    ReplayDesktop desktop_;
    ReplayRandom random_;
    ReplayCarePort carePort_;
    ReplayFoodPort foodPort_;
    ReplayFiles files_;
    ReplayClock clock_;
    Program program_;
    PetEvents& pet_;
    std::vector<std::unique_ptr<MenuRules<CareMenuEvents>>> careMenus_;
    std::vector<std::unique_ptr<MenuRules<FoodMenuEvents>>> foodMenus_;
};

void Replayer::Dispatch(const Line& line) {
    ++events_;
    const std::string_view text = line.text;
    Reader reader(text);
    const std::string name(reader.Word());
    try {
        if (name.starts_with("pet.")) {
            if (name == pet_events::kStart) pet_.Start();
            else if (name == "pet.Timer") {
                TimerMessage message;
                message.id = static_cast<int>(reader.Int());
                const std::string_view at = reader.Word();
                if (!at.starts_with("@")) throw FormatError("no @time in a timer message");
                message.time = static_cast<uint32_t>(Reader(at.substr(1)).Int());
                if (IsTick(message.id)) ++ticks_;
                pet_.Timer(message);
            } else if (name == pet_events::kLeftButtonDown) pet_.LeftButtonDown();
            else if (name == pet_events::kRightButtonDown) pet_.RightButtonDown();
            else if (name == "pet.TrayNotify") pet_.TrayNotify(TrayEventNamed(reader.Word()));
            else if (name == "pet.DpiChanged") {
                const int dpi = static_cast<int>(reader.Int());
                pet_.DpiChanged(dpi, reader.Rect());
            } else if (name == pet_events::kEndSession) pet_.EndSession();
            else if (name == "pet.Presence") pet_.Presence(PresenceEventNamed(reader.Word()));
            else if (name == pet_events::kDestroy) pet_.Destroy();
            // Calling the pet
            else if (name == pet_events::kCalledBack) pet_.CalledBack();
            else throw FormatError("an unknown event");
        } else if (name.starts_with("care.")) {
            if (careMenus_.empty()) throw Difference{Where(line) + ": an event of a care menu that is not open: " + line.text};
            CareMenuEvents& care = careMenus_.back()->events();
            if (name == care_events::kOpen) care.Open();
            else if (name == "care.Toggle") care.Toggle(static_cast<Ability>(reader.Int()));
            else if (name == care_events::kCursorWatchTick) care.CursorWatchTick();
            else if (name == care_events::kOpenFoodMenu) care.OpenFoodMenu();
            else if (name == care_events::kQuit) care.Quit();
            else if (name == care_events::kOk) care.Ok();
            else if (name == care_events::kCancel) care.Cancel();
            else if (name == care_events::kDestroyed) care.Destroyed();
            else throw FormatError("an unknown event");
        } else if (name.starts_with("food.")) {
            if (foodMenus_.empty()) throw Difference{Where(line) + ": an event of a food menu that is not open: " + line.text};
            FoodMenuEvents& food = foodMenus_.back()->events();
            if (name == food_events::kOpen) food.Open();
            else if (name == "food.Select") food.Select(static_cast<int>(reader.Int()));
            else if (name == food_events::kFeed) food.Feed();
            else if (name == food_events::kOk) food.Ok();
            else if (name == food_events::kCancel) food.Cancel();
            else if (name == food_events::kDestroyed) food.Destroyed();
            else throw FormatError("an unknown event");
        } else {
            throw FormatError("an unknown event");
        }
    } catch (const FormatError& e) {
        throw Difference{Where(line) + ": cannot read the event \"" + line.text + "\": " + e.what()};
    }
    // The core has handled the event: the trace must have no more calls of it.
    if (next_ < lines_.size() && (lines_[next_].kind == Line::Call || lines_[next_].kind == Line::Begin)) {
        throw Difference{Where(lines_[next_]) + ": the core made no more calls for the event \"" + line.text +
                         "\", where the trace goes on with\n    " + lines_[next_].text};
    }
}

ReplayOutcome Replayer::Run() {
    ReplayOutcome outcome;
    try {
        while (next_ < lines_.size()) {
            const Line& line = lines_[next_++];
            if (line.kind != Line::Event) {
                throw Difference{Where(line) + ": an event was expected, the trace has\n    " + line.text};
            }
            Dispatch(line);
        }
        outcome.ok = true;
        outcome.message = "the core made every call of the trace";
    } catch (const Difference& d) {
        outcome.message = d.what;
    } catch (const TraceEnded&) {
        outcome.ok = true;
        outcome.cutShort = true;
        outcome.message = "the core made every call of the trace; the trace ends inside event " +
                          std::to_string(events_) + " (the process was stopped there)";
    }
    outcome.events = events_;
    outcome.ticks = ticks_;
    return outcome;
}

// ---- The ports ----

WindowRef ReplayWindow::PetWindow() { return r_.Read(ReadWindow, r_.Asked(window_calls::kPetWindow)); }
Rect ReplayWindow::PetRect() { return r_.Read(ReadRect, r_.Asked(window_calls::kPetRect)); }
int ReplayWindow::Dpi() { return static_cast<int>(r_.Read(ReadInt, r_.Asked(window_calls::kDpi))); }
void ReplayWindow::LoadFrames(int scale) { r_.Act(window_calls::LoadFrames(scale)); }
void ReplayWindow::ReleaseFrames() { r_.Act(window_calls::kReleaseFrames); }
void ReplayWindow::ApplyFrameRegion(int frameSlot) { r_.Act(window_calls::ApplyFrameRegion(frameSlot)); }
void ReplayWindow::SetRect(const Rect& rect) { r_.Act(window_calls::SetRect(rect)); }
void ReplayWindow::PlacePet(ZOrder z, int32_t x, int32_t y) { r_.Act(window_calls::PlacePet(z, x, y)); }
void ReplayWindow::Show() { r_.Act(window_calls::kShow); }
void ReplayWindow::StartTimer(PetTimer timer, int intervalMs) { r_.Act(window_calls::StartTimer(timer, intervalMs)); }
void ReplayWindow::StopTimer(PetTimer timer) { r_.Act(window_calls::StopTimer(timer)); }
void ReplayWindow::HoldPose(double seconds) { r_.Act(window_calls::HoldPose(seconds)); }
void ReplayWindow::DragPet() { r_.Modal(window_calls::kDragPet); }
bool ReplayWindow::RunCareMenu() {
    r_.careMenus().push_back(r_.program().ConnectCareMenu(r_.carePort()));
    const std::string_view answer = r_.Modal(window_calls::kRunCareMenu);
    r_.careMenus().pop_back();
    return r_.Read(ReadBool, answer);
}
void ReplayWindow::ShowNotice(const FileNotice& notice) { r_.Modal(window_calls::ShowNotice(notice)); }
void ReplayWindow::BringCareMenuToFront() { r_.Act(window_calls::kBringCareMenuToFront); }
void ReplayWindow::AddTrayIcon() { r_.Act(window_calls::kAddTrayIcon); }
void ReplayWindow::RemoveTrayIcon() { r_.Act(window_calls::kRemoveTrayIcon); }
void ReplayWindow::Quit() { r_.Act(window_calls::kQuit); }

WindowRef ReplayDesktop::ForegroundWindow() { return r_.Read(ReadWindow, r_.Asked(desktop_calls::kForegroundWindow)); }
Rect ReplayDesktop::WindowRect(WindowRef window) { return r_.Read(ReadRect, r_.Asked(desktop_calls::WindowRect(window))); }
WindowFacts ReplayDesktop::DescribeWindow(WindowRef window) {
    return r_.Read(ReadFacts, r_.Asked(desktop_calls::DescribeWindow(window)));
}
UserNotificationState ReplayDesktop::NotificationState() {
    return r_.Read(ReadNotificationState, r_.Asked(desktop_calls::kNotificationState));
}
std::vector<Rect> ReplayDesktop::WorkAreas() { return r_.Read(ReadRects, r_.Asked(desktop_calls::kWorkAreas)); }
Point ReplayDesktop::CursorPos() { return r_.Read(ReadPoint, r_.Asked(desktop_calls::kCursorPos)); }
void ReplayDesktop::PlaySoundEffect(int soundId) { r_.Act(desktop_calls::PlaySoundEffect(soundId)); }
void ReplayDesktop::DrawShotMark(Point at) { r_.Act(desktop_calls::DrawShotMark(at)); }
void ReplayDesktop::ShowMessageBox(std::wstring_view text, std::wstring_view caption) {
    r_.Modal(desktop_calls::ShowMessageBox(text, caption));
}
void ReplayDesktop::Retitle(WindowRef window, std::wstring_view title) { r_.Act(desktop_calls::Retitle(window, title)); }
void ReplayDesktop::Minimise(WindowRef window) { r_.Act(desktop_calls::Minimise(window)); }
std::vector<Monitor> ReplayDesktop::Monitors() { return r_.Read(ReadMonitors, r_.Asked(desktop_calls::kMonitors)); }

int ReplayRandom::Next(int modulus) {
    const int64_t value = r_.Read(ReadInt, r_.Asked(RandomNext(modulus)));
    if (value < 0 || value >= modulus) {
        r_.DifferHere("the trace draws " + std::to_string(value) + " from 0.." + std::to_string(modulus - 1));
    }
    return static_cast<int>(value);
}

void ReplayCarePort::Show(const CareMenuView& view) { r_.Act(care_calls::Show(view)); }
void ReplayCarePort::SetCheck(Ability ability, bool checked) { r_.Act(care_calls::SetCheck(ability, checked)); }
Point ReplayCarePort::CursorPos() { return r_.Read(ReadPoint, r_.Asked(care_calls::kCursorPos)); }
void ReplayCarePort::StartCursorWatch() { r_.Act(care_calls::kStartCursorWatch); }
void ReplayCarePort::StopCursorWatch() { r_.Act(care_calls::kStopCursorWatch); }
void ReplayCarePort::OpenClock() { r_.Act(care_calls::kOpenClock); }
void ReplayCarePort::CloseClock() { r_.Act(care_calls::kCloseClock); }
void ReplayCarePort::OpenSweep() { r_.Act(care_calls::kOpenSweep); }
void ReplayCarePort::CloseSweep() { r_.Act(care_calls::kCloseSweep); }
void ReplayCarePort::RunFoodMenu() {
    r_.foodMenus().push_back(r_.program().ConnectFoodMenu(r_.foodPort()));
    r_.Modal(care_calls::kRunFoodMenu);
    r_.foodMenus().pop_back();
}
void ReplayCarePort::Quit() { r_.Act(care_calls::kQuit); }
void ReplayCarePort::Close(bool ok) { r_.Act(care_calls::Close(ok)); }

void ReplayFoodPort::Show(const FoodMenuView& view) { r_.Act(food_calls::Show(view)); }
void ReplayFoodPort::EnableFeed(bool enabled) { r_.Act(food_calls::EnableFeed(enabled)); }
void ReplayFoodPort::Close(bool ok) { r_.Act(food_calls::Close(ok)); }

std::wstring ReplayFiles::ProgramFolder() { return r_.Read(ReadText, r_.Asked(file_calls::kProgramFolder)); }
ReadResult ReplayFiles::ReadAll(const std::wstring& path) {
    return r_.Read(ReadReadResult, r_.Asked(file_calls::ReadAll(path)));
}
WriteReport ReplayFiles::ReplaceAtomically(const std::wstring& path, std::string_view bytes) {
    return r_.Read(ReadWriteReport, r_.Asked(file_calls::ReplaceAtomically(path, bytes)));
}
void ReplayFiles::RemoveLeftovers(const std::wstring& path) { r_.Act(file_calls::RemoveLeftovers(path)); }
// Where the pet can be kept
WriteReport ReplayFiles::ProbeReplace(const std::wstring& path) {
    return r_.Read(ReadWriteReport, r_.Asked(file_calls::ProbeReplace(path)));
}
std::wstring ReplayFiles::UserDataFolder() { return r_.Read(ReadText, r_.Asked(file_calls::kUserDataFolder)); }
std::wstring ReplayFiles::TemporaryFolder() { return r_.Read(ReadText, r_.Asked(file_calls::kTemporaryFolder)); }
WriteReport ReplayFiles::Rename(const std::wstring& from, const std::wstring& to) {
    return r_.Read(ReadWriteReport, r_.Asked(file_calls::Rename(from, to)));
}

int64_t ReplayClock::NowMs() { return r_.Read(ReadInt, r_.Asked(clock_calls::kNowMs)); }
void ReplayClock::Pause(int ms) { r_.Act(clock_calls::Pause(ms)); }

}  // namespace

ReplayOutcome Replay(std::string_view traceText) {
    Replayer replayer(traceText);
    return replayer.Run();
}

}  // namespace pomki::trace
