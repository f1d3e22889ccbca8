#include "core/pet/pet.h"

#include <vector>

#include "core/base/pixel_scale.h"
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

    if (const std::optional<FileNotice> notice = NoticeAfterLoad(keeper_.Load(pet_))) {
        window.ShowNotice(*notice);
        // Set-up still finishes; the window's modal loop then ends on the quit request.
        if (notice->endsProgram) window.Quit();
    }
    ClearStartUpFlags(pet_);
    window.ApplyFrameRegion(walk_.FrameSlot());
    StartBehaviourTimer();
    window.StartTimer(PetTimer::Autosave, kAutosaveIntervalMs);
    window.Show();
}

void Pet::Timer(TimerMessage message) {
    if (message.id == static_cast<int>(PetTimer::Autosave)) {
        keeper_.SaveChanges(pet_);
        return;
    }
    tick_.Run();
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

void Pet::SaveChanges() { keeper_.SaveChanges(pet_); }

void Pet::OpenCareMenu() {
    if (careMenuOpen_) {
        ports_.window.BringCareMenuToFront();
        return;
    }
    PetWindowPort& window = ports_.window;
    window.StopTimer(PetTimer::Behaviour);
    window.ApplyFrameRegion(walk_.FrameSlot());
    window.PlacePet(ShowOffPlacement(pet_), walk_.petX, walk_.petY);
    careMenuOpen_ = true;
    const bool ok = window.RunCareMenu();
    careMenuOpen_ = false;
    // The menu changes FastMove: the interval is chosen now.
    if (ok) StartBehaviourTimer();
}

void Pet::StartBehaviourTimer() { ports_.window.StartTimer(PetTimer::Behaviour, BehaviourIntervalMs(pet_)); }

void Pet::LoadFrames(int scale) {
    walk_.scale = scale;
    ports_.window.LoadFrames(scale);
}

}  // namespace pomki
