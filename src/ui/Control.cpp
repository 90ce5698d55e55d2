#include "ui/Control.h"

#include "ui/Form.h"

namespace qm::ui {

Control::Control(Form* form, std::string name) : form_(form), name_(std::move(name)) {
    if (form_) form_->Register(this);
}

void Control::Move(int left, int top, int width, int height) {
    if (left_ == left && top_ == top && width_ == width && height_ == height) return;
    left_ = left, top_ = top, width_ = width, height_ = height;
    changed(Prop::Geometry);
}

void Control::SetFocus() {
    if (form_) form_->SetFocusTo(this);
}

bool Control::HasFocus() const { return form_ && form_->ActiveControl() == this; }

}  // namespace qm::ui
