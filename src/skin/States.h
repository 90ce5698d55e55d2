#pragma once
// What each skinned control shows, decided apart from drawing it: the push
// button's states and its fade, the combo box's drop button, the check and
// option boxes, the list header's hot and pressed items. The window side
// feeds in what happened and draws what these return.
#include <vector>

namespace qm::skin {

// The states a face is drawn in; their numbers index the skin images.
enum State { Normal = 0, Hot = 1, Pressed = 2, Disabled = 3 };

// A push button's face blends over what is on the screen with an opacity of
// 0 to 255; a fade repeats the blend on every tick of a 15 ms timer, 3 more
// each time, until it passes 255.
class ButtonFade {
public:
    static constexpr int kTimerId = 1;
    static constexpr int kTickMs = 15;
    static constexpr int kStep = 3;

    // One blend to draw now: the face of `state` at opacity `alpha`.
    struct Blend {
        int state;
        int alpha;
    };
    struct Reaction {
        std::vector<Blend> blends;  // in this order
        bool startTimer = false;
        bool stopTimer = false;
        bool trackLeave = false;  // ask the system for a mouse-leave message
    };

    explicit ButtonFade(bool enabled) : state_(enabled ? Normal : Disabled), enabled_(enabled) {}

    // The mouse moved over the button; `elsewhere` when the pointer is in fact over another window.
    Reaction MouseMove(bool elsewhere);
    Reaction MouseLeave();
    // The left button went down (or was double-clicked), or Space went down.
    Reaction Press();
    // The left button went up.
    Reaction Release();
    Reaction SpaceUp();
    // The fade timer ticked.
    Reaction Tick();
    // The button must be drawn whole (its paint message): the current face, opaque.
    Reaction Paint();
    // The focus came or went: the faces were drawn again, fade to them.
    Reaction FocusChanged();
    // The button was enabled or disabled: the face for that, at once, and a
    // disabled button shows the disabled face whatever it was doing.
    Reaction EnableChanged(bool enabled);

    int State() const { return state_; }
    int Alpha() const { return alpha_; }
    bool TimerRunning() const { return timer_; }
    bool Tracking() const { return tracking_; }

private:
    void start(Reaction& r);
    void stop(Reaction& r);
    bool ignored(Reaction& r);
    Blend blend() const { return {enabled_ ? state_ : Disabled, alpha_}; }

    int state_;
    bool enabled_;
    int alpha_ = 0;
    bool timer_ = false;
    bool tracking_ = false;
};

// A combo box's drop button, a check box, an option button: one state, and
// the mouse tracking that brings the leave message.
struct MouseState {
    int state = Normal;
    bool tracking = false;
};

// The drop button's state for the mouse events of a combo box. `onButton`:
// the pointer is over the drop button (always true for a drop-down list,
// which is all button).
int ComboStateOnDown(bool onButton, int current);
int ComboStateOnMove(bool leftDown, bool onButton);
int ComboStateOnUp(bool pointerOverControl);

// Which header items to draw again, and how, after a mouse event.
// Every event keeps what is on the screen equal to StateOf for every item:
// the item held down pressed, else the item under the pointer hot while no
// item is held, all others normal.
class HeaderTrack {
public:
    struct Repaint {
        int item;
        int state;
        bool operator==(const Repaint&) const = default;
    };
    // `item`: the item under the pointer, -1 for none.
    std::vector<Repaint> Down(int item);
    std::vector<Repaint> Move(int item);
    std::vector<Repaint> Up(int item);
    std::vector<Repaint> Leave();

    int PressedItem() const { return pressed_; }
    int HotItem() const { return hot_; }
    // How to draw `item` in a whole paint.
    int StateOf(int item) const {
        if (item < 0) return Normal;
        if (item == pressed_) return Pressed;
        return item == hot_ && pressed_ < 0 ? Hot : Normal;
    }

private:
    std::vector<Repaint> change(int pressed, int hot);

    int pressed_ = -1;
    int hot_ = -1;
};

}  // namespace qm::skin
