// A modeless dialog that belongs to its window: it is made and shown by Open, freed when its
// window is destroyed, and a process-wide pointer (the holder) names it while it lives, so a
// destroyed window is never reached through a stale pointer.
#pragma once

#include <windows.h>

#include <memory>

#include "win/framework/dialog.h"

namespace pomki::win {

template <typename Derived>
class CModelessDialog : public CDialog {
public:
    // Makes the window and shows it with `showCommand`. Returns the new dialog (also put in `holder`), or nullptr
    // when the window could not be made.
    static Derived* Open(Derived*& holder, int showCommand = SW_SHOWNORMAL) {
        std::unique_ptr<Derived> dialog(new Derived());
        // On failure no window holds the object any more (or ever did): it is ours to free.
        if (!dialog->Create()) return nullptr;
        dialog->holder_ = &holder;
        dialog->ShowWindow(showCommand);
        holder = dialog.release();
        return holder;
    }

    ~CModelessDialog() override {
        if (holder_ && *holder_ == static_cast<Derived*>(this)) *holder_ = nullptr;
    }

protected:
    explicit CModelessDialog(int templateId) : CDialog(templateId) {}

    // Set by Open once the window owns this object.
    void PostNcDestroy() override {
        if (holder_) delete this;
    }

private:
    Derived** holder_ = nullptr;
};

}  // namespace pomki::win
