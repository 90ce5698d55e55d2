#include "ui/Form.h"

#include <algorithm>

namespace qm::ui {

Form::Form(FormHost& host, std::string name) : Control(nullptr, std::move(name)), host_(host) {
    SetVisible(false);  // a loaded form stays hidden until it is shown
}

void FormHost::FormActivated(Form& form) {
    if (active_ == &form) return form.Reactivate();
    active_ = &form;
    form.Activate();
}

Form::~Form() {
    if (!loaded_) return;
    host_.FormGone(*this);
    host_.Destroy(*this);
}

void Form::Register(Control* c) {
    c->TabIndex = static_cast<int>(controls_.size());
    controls_.push_back(c);
}

void Form::Load() {
    if (loaded_) return;
    loaded_ = true;
    everLoaded_ = true;
    active_ = nullptr;
    host_.Create(*this);
    try {
        Form_Load();
    } catch (...) {
        // A form whose load failed is not left half made (hidden, with some
        // of its set-up done) for the next Show to reuse: it is gone, and the
        // error goes on to the event that showed it.
        loaded_ = false;
        active_ = nullptr;
        wipeSecrets();
        host_.FormGone(*this);
        host_.Destroy(*this);
        throw;
    }
}

void Form::Show(bool modal, Form* owner) {
    Load();
    if (!loaded_) return;  // Form_Load unloaded it again
    modal_ = modal;
    SetVisible(true);
    host_.Show(*this, modal, owner);
}

bool Form::Unload(int mode) {
    if (!loaded_) return true;
    unloadMode_ = mode;
    int cancel = 0;
    Form_QueryUnload(cancel, mode);
    if (cancel) return false;
    Form_Unload(cancel);
    if (cancel) return false;
    loaded_ = false;
    modal_ = false;
    active_ = nullptr;
    wipeSecrets();
    host_.FormGone(*this);
    host_.Destroy(*this);
    return true;
}

void Form::wipeSecrets() {
    // Before the windows go: their own copies are overwritten too.
    for (Control* c : controls_)
        if (auto* box = dynamic_cast<TextBox*>(c); box && box->Secret) box->Wipe();
}

void Form::SetWindowState(int state) {
    windowState_ = state;
    changed(Prop::WindowState);
    Form_Resize();
}

void Form::UserResized(int state) {
    if (state == windowState_ && state != vbNormal) return;
    windowState_ = state;
    Form_Resize();
}

void Form::FocusMovedTo(Control* c) {
    if (c == active_) return;
    Control* old = active_;
    active_ = c;
    if (old && old->LostFocus) old->LostFocus();
    if (c && active_ == c && c->GotFocus) c->GotFocus();
}

void Form::SetFocusTo(Control* c) {
    if (!loaded_ || !c || !c->CanFocus()) return;
    FocusMovedTo(c);
    // A LostFocus handler may have sent the focus on (back into a box whose
    // input it refused): that control keeps it.
    if (active_ == c && c->GetPeer()) c->GetPeer()->Focus();
}

}  // namespace qm::ui
