#include "core/pet/pet.h"

#include <vector>

#include "core/base/pixel_scale.h"
#include "core/pet/call_back.h"
#include "core/pet/dpi_change.h"
#include "resource_ids.h"

namespace pomki {

int BehaviourIntervalMs(const PetState& pet) { return pet.IsOn(FastMove) ? kFastIntervalMs : kSlowIntervalMs; }

void ClearStartUpFlags(PetState& pet) { pet.abilityOn[Clock] = 0; }

bool OpensCareMenu(TrayEvent event) {
    switch (event) {
    case TrayEvent::LeftButtonUp:
    case TrayEvent::RightButtonUp:
    case TrayEvent::Select:
    case TrayEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

bool IsTick(int timerId) {
    return timerId != static_cast<int>(PetTimer::Autosave) && timerId != static_cast<int>(PetTimer::PresenceCheck);
}

void Pet::Start() {
    PetWindowPort& window = ports_.window;
    window.AddTrayIcon();
    LoadFrames(PixelScaleForDpi(window.Dpi()));
    // The dialog template's size follows its font and the DPI: the pet takes its frames'
    // size where it stands.
    const Rect at = window.PetRect();
    window.SetRect(SquareAt(Point{at.left, at.top}, walk_.Size()));
    // Until the first tick the pet is where it stands: a care menu opened before then shows it
    // there.
    walk_.petX = at.left;
    walk_.petY = at.top;

    const LoadResult loaded = keeper_.Load(pet_);
    if (const std::optional<FileNotice> moved = keeper_.MovedNotice()) window.ShowNotice(*moved);
    if (const std::optional<FileNotice> notice = NoticeAfterLoad(loaded)) {
        window.ShowNotice(*notice);
        // Set-up still finishes; the window's modal loop then ends on the quit request.
        if (notice->endsProgram) window.Quit();
    }
    ClearStartUpFlags(pet_);
    window.ApplyFrameRegion(walk_.FrameSlot());
    StartBehaviourTimer();
    window.StartTimer(PetTimer::Autosave, kAutosaveIntervalMs);
    window.StartTimer(PetTimer::PresenceCheck, kPresenceCheckMs);
    window.Show();
}

void Pet::Timer(TimerMessage message) {
    if (message.id == static_cast<int>(PetTimer::Autosave)) {
        SaveChanges();
    } else if (message.id == static_cast<int>(PetTimer::PresenceCheck)) {
        Follow(presence_.Notified(ports_.desktop.NotificationState() == UserNotificationState::NotPresent));
    } else {
        tick_.Run();
    }
}

void Pet::Presence(PresenceEvent event) {
    // Nobody is there to read a box about a failed save: the next autosave after the user is
    // back tells it.
    if (SavesAtOnce(event)) keeper_.SaveChanges(pet_);
    Follow(presence_.Apply(event));
}

void Pet::Follow(UserPresence::Change change) {
    if (change == UserPresence::Change::None) return;
    const bool away = change == UserPresence::Change::Gone;
    behaviourTimer_.SetAway(away);
    // Nothing changes while nobody is there: the autosave timer rests too.
    if (away) {
        ports_.window.StopTimer(PetTimer::Autosave);
    } else {
        ports_.window.StartTimer(PetTimer::Autosave, kAutosaveIntervalMs);
    }
}

void Pet::LeftButtonDown() {
    ports_.desktop.PlaySoundEffect(IDS_SOUND_PET);
    pet_.stress = pet_.stress > kStressMin ? pet_.stress - 1 : kStressMin;
    walk_.roamMode = RoamFree;
    StartBehaviourTimer();
    dragging_ = true;
    ports_.window.DragPet();
    dragging_ = false;
}

void Pet::TrayNotify(TrayEvent event) {
    if (OpensCareMenu(event)) OpenCareMenu();
}

void Pet::DpiChanged(int dpi, const Rect& /*suggested*/) {
    DpiChangeFacts facts;
    facts.before = ports_.window.PetRect();
    facts.dpi = dpi;
    const std::vector<Monitor> monitors = ports_.desktop.Monitors();
    facts.monitors = monitors;
    if (dragging_) facts.dragCursor = ports_.desktop.CursorPos();
    const Rect placed = RectAfterDpiChange(facts);

    const int scale = PixelScaleForDpi(dpi);
    if (scale != walk_.scale) {
        LoadFrames(scale);
        ports_.window.ApplyFrameRegion(walk_.FrameSlot());
    }
    ports_.window.SetRect(placed);
    // The pet stands there now, also for a care menu opened before the next tick.
    walk_.petX = placed.left;
    walk_.petY = placed.top;
}

void Pet::EndSession() { keeper_.SaveAtExit(pet_); }

void Pet::Destroy() {
    ports_.window.RemoveTrayIcon();
    ports_.window.ReleaseFrames();
    if (const std::optional<FileNotice> notice = NoticeAfterSave(keeper_.SaveAtExit(pet_))) {
        ports_.window.ShowNotice(*notice);
    }
}

void Pet::CalledBack() {
    // One question after the other, in this order (arguments would be asked in any order).
    const Point cursor = ports_.desktop.CursorPos();
    const std::vector<Rect> workAreas = ports_.desktop.WorkAreas();
    const Point corner = CallBackCorner(workAreas, cursor, walk_.Size());
    walk_.petX = corner.x;
    walk_.petY = corner.y;
    walk_.roamMode = RoamFree;
    walk_.framePhase = 0;
    walk_.frameBase = WalkingFrameBase(pet_, walk_.heading);
    ports_.window.ApplyFrameRegion(walk_.FrameSlot());
    ports_.window.PlacePet(CallBackPlacement(pet_), corner.x, corner.y);
    if (!careMenuOpen_) StartBehaviourTimer();
}

void Pet::SaveChanges() {
    const SaveOutcome outcome = keeper_.SaveChanges(pet_);
    if (outcome == SaveOutcome::Saved) saveFailureTold_ = false;
    // Told at once, and once until a save succeeds again: the box is modal, and the saves that
    // come while it is open (the next minute's, a meal's) fail the same way.
    const std::optional<FileNotice> notice = NoticeAfterSave(outcome);
    if (!notice || saveFailureTold_) return;
    saveFailureTold_ = true;
    ports_.window.ShowNotice(*notice);
}

void Pet::OpenCareMenu() {
    if (careMenuOpen_) {
        ports_.window.BringCareMenuToFront();
        return;
    }
    PetWindowPort& window = ports_.window;
    behaviourTimer_.Stop();
    window.ApplyFrameRegion(walk_.FrameSlot());
    window.PlacePet(ShowOffPlacement(pet_), walk_.petX, walk_.petY);
    careMenuOpen_ = true;
    const bool ok = window.RunCareMenu();
    careMenuOpen_ = false;
    // The menu changes FastMove: the interval is chosen now.
    if (ok) StartBehaviourTimer();
}

void Pet::StartBehaviourTimer() { behaviourTimer_.Start(BehaviourIntervalMs(pet_)); }

void Pet::LoadFrames(int scale) {
    walk_.scale = scale;
    ports_.window.LoadFrames(scale);
}

}  // namespace pomki
