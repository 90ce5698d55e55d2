#include "skin/States.h"

#include <algorithm>

namespace qm::skin {

void ButtonFade::start(Reaction& r) {
    if (timer_) return;  // the running fade carries on toward the new face
    timer_ = true;
    r.startTimer = true;
}

void ButtonFade::stop(Reaction& r) {
    if (timer_) r.stopTimer = true;
    timer_ = false;
}

bool ButtonFade::ignored(Reaction& r) {
    if (enabled_) return false;
    // A disabled button that still holds the mouse (it was pressed as it was
    // disabled) goes on showing the disabled face.
    tracking_ = false;
    stop(r);
    return true;
}

ButtonFade::Reaction ButtonFade::MouseMove(bool elsewhere) {
    Reaction r;
    if (ignored(r)) return r;
    if (!tracking_) {
        // The hot face fades in.
        tracking_ = true;
        r.trackLeave = true;
        state_ = Hot;
        alpha_ = 0;
        start(r);
    } else if (elsewhere) {
        stop(r);
        alpha_ = 255;
        r.blends.push_back(blend());
    }
    return r;
}

ButtonFade::Reaction ButtonFade::MouseLeave() {
    // Back from most of the hot face, then the normal face fades in over it.
    Reaction r;
    if (ignored(r)) return r;
    tracking_ = false;
    state_ = Hot;
    alpha_ = 140;
    r.blends.push_back(blend());
    state_ = Normal;
    alpha_ = 0;
    start(r);
    return r;
}

ButtonFade::Reaction ButtonFade::Press() {
    Reaction r;
    if (ignored(r)) return r;
    stop(r);
    state_ = Pressed;
    alpha_ = 255;
    r.blends.push_back(blend());
    alpha_ = 0;
    return r;
}

ButtonFade::Reaction ButtonFade::Release() {
    Reaction r;
    if (ignored(r)) return r;
    tracking_ = false;
    state_ = Normal;
    alpha_ = 60;
    start(r);
    return r;
}

ButtonFade::Reaction ButtonFade::SpaceUp() {
    Reaction r;
    if (ignored(r)) return r;
    tracking_ = false;
    alpha_ = 0;
    state_ = Normal;
    start(r);
    return r;
}

ButtonFade::Reaction ButtonFade::Tick() {
    Reaction r;
    if (!timer_) return r;  // a tick still queued when the fade ended
    r.blends.push_back(blend());
    alpha_ += kStep;
    if (alpha_ >= 256) {
        stop(r);
        alpha_ = 0;
    }
    return r;
}

ButtonFade::Reaction ButtonFade::Paint() {
    Reaction r;
    stop(r);
    alpha_ = 255;
    r.blends.push_back(blend());
    return r;
}

ButtonFade::Reaction ButtonFade::FocusChanged() {
    Reaction r;
    alpha_ = 0;
    start(r);
    return r;
}

ButtonFade::Reaction ButtonFade::EnableChanged(bool enabled) {
    Reaction r;
    enabled_ = enabled;
    state_ = enabled ? Normal : Disabled;
    stop(r);
    alpha_ = 255;
    r.blends.push_back(blend());
    return r;
}

int ComboStateOnDown(bool onButton, int current) { return onButton ? Pressed : current; }

int ComboStateOnMove(bool leftDown, bool onButton) {
    if (!onButton) return Normal;
    return leftDown ? Pressed : Hot;
}

int ComboStateOnUp(bool pointerOverControl) { return pointerOverControl ? Hot : Normal; }

std::vector<HeaderTrack::Repaint> HeaderTrack::change(int pressed, int hot) {
    const int touched[] = {pressed_, hot_, pressed, hot};
    int before[4];
    for (int i = 0; i < 4; ++i) before[i] = StateOf(touched[i]);
    pressed_ = pressed;
    hot_ = hot;
    std::vector<Repaint> out;
    for (int i = 0; i < 4; ++i) {
        const int item = touched[i];
        if (item < 0 || StateOf(item) == before[i]) continue;
        if (std::none_of(out.begin(), out.end(), [&](const Repaint& r) { return r.item == item; }))
            out.push_back({item, StateOf(item)});
    }
    return out;
}

std::vector<HeaderTrack::Repaint> HeaderTrack::Down(int item) { return change(item, item); }

std::vector<HeaderTrack::Repaint> HeaderTrack::Move(int item) { return change(pressed_, item); }

std::vector<HeaderTrack::Repaint> HeaderTrack::Up(int item) { return change(-1, item); }

std::vector<HeaderTrack::Repaint> HeaderTrack::Leave() { return change(-1, -1); }

}  // namespace qm::skin
