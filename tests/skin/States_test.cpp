#include "skin/States.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using namespace qm::skin;

namespace {

// Ticks until the fade ends; each tick must blend `state`.
int ticksToEnd(ButtonFade& fade, int state) {
    int ticks = 0;
    while (fade.TimerRunning() && ticks < 1000) {
        const auto r = fade.Tick();
        EXPECT_EQ(r.blends.size(), 1u);
        if (!r.blends.empty()) {
            EXPECT_EQ(r.blends[0].state, state);
        }
        ++ticks;
    }
    return ticks;
}

}  // namespace

TEST(SkinButtonFade, FadesTakeTheirTicksFromWhereTheyStart) {
    ButtonFade fade(true);
    auto r = fade.MouseMove(false);  // the hot face fades in from 0
    EXPECT_TRUE(r.trackLeave);
    EXPECT_TRUE(r.startTimer);
    EXPECT_TRUE(r.blends.empty());
    EXPECT_EQ(ticksToEnd(fade, Hot), 86);
    EXPECT_EQ(fade.Alpha(), 0);

    fade.Press();
    fade.Release();  // from 60
    EXPECT_EQ(fade.Alpha(), 60);
    EXPECT_EQ(ticksToEnd(fade, Normal), 66);

    r = fade.MouseMove(false);
    r = fade.MouseLeave();  // the hot face at 140, then the normal face from 0 over it
    ASSERT_EQ(r.blends.size(), 1u);
    EXPECT_EQ(r.blends[0].state, Hot);
    EXPECT_EQ(r.blends[0].alpha, 140);
    EXPECT_EQ(fade.State(), Normal);
    EXPECT_EQ(ticksToEnd(fade, Normal), 86);
}

TEST(SkinButtonFade, TheLastBlendOfAFadeIsTheLastStepBelow256) {
    ButtonFade fade(true);
    fade.MouseMove(false);
    int last = -1;
    while (fade.TimerRunning()) last = fade.Tick().blends.at(0).alpha;
    EXPECT_EQ(last, 255);
    EXPECT_TRUE(fade.Tick().blends.empty()) << "a tick still queued after the fade paints nothing";
}

TEST(SkinButtonFade, PressingShowsThePressedFaceAtOnceAndStopsAFade) {
    ButtonFade fade(true);
    fade.MouseMove(false);
    fade.Tick();
    const auto r = fade.Press();
    EXPECT_TRUE(r.stopTimer);
    ASSERT_EQ(r.blends.size(), 1u);
    EXPECT_EQ(r.blends[0].state, Pressed);
    EXPECT_EQ(r.blends[0].alpha, 255);
    EXPECT_FALSE(fade.TimerRunning());
    EXPECT_EQ(fade.Alpha(), 0);
    // A new fade is not started twice while one runs.
    fade.Release();
    EXPECT_FALSE(fade.MouseMove(false).startTimer);
}

TEST(SkinButtonFade, MovingWhileTrackingOverAnotherWindowShowsTheFaceAtOnce) {
    ButtonFade fade(true);
    fade.MouseMove(false);
    EXPECT_TRUE(fade.MouseMove(false).blends.empty()) << "over the button itself the fade carries on";
    const auto r = fade.MouseMove(true);
    EXPECT_TRUE(r.stopTimer);
    ASSERT_EQ(r.blends.size(), 1u);
    EXPECT_EQ(r.blends[0].state, Hot);
    EXPECT_EQ(r.blends[0].alpha, 255);
}

TEST(SkinButtonFade, SpaceUpAndFocusFadeFromNothing) {
    ButtonFade fade(true);
    fade.Press();
    auto r = fade.SpaceUp();
    EXPECT_TRUE(r.startTimer);
    EXPECT_EQ(fade.State(), Normal);
    EXPECT_EQ(fade.Alpha(), 0);
    EXPECT_FALSE(fade.Tracking());
    ticksToEnd(fade, Normal);
    r = fade.FocusChanged();
    EXPECT_TRUE(r.startTimer);
    EXPECT_EQ(ticksToEnd(fade, Normal), 86);
}

TEST(SkinButtonFade, ADisabledButtonShowsTheDisabledFaceWhateverWasStored) {
    ButtonFade fade(true);
    fade.Press();  // stored: pressed, opacity 0
    auto r = fade.EnableChanged(false);
    ASSERT_EQ(r.blends.size(), 1u);
    EXPECT_EQ(r.blends[0].state, Disabled);
    EXPECT_EQ(r.blends[0].alpha, 255) << "an opacity of 0 left by the press would show nothing";
    fade.FocusChanged();  // the focus leaves as the button is disabled
    EXPECT_EQ(fade.Tick().blends.at(0).state, Disabled);
    EXPECT_EQ(fade.Paint().blends.at(0).state, Disabled);

    // A button disabled while held down still gets the mouse's release.
    for (auto event : {&ButtonFade::Release, &ButtonFade::Press, &ButtonFade::MouseLeave, &ButtonFade::SpaceUp}) {
        EXPECT_TRUE((fade.*event)().blends.empty());
        EXPECT_EQ(fade.State(), Disabled);
    }
    EXPECT_TRUE(fade.MouseMove(false).blends.empty());
    EXPECT_FALSE(fade.TimerRunning());
    EXPECT_FALSE(fade.Tracking());
    EXPECT_EQ(fade.State(), Disabled);

    ButtonFade born(false);
    EXPECT_EQ(born.State(), Disabled);
    EXPECT_EQ(born.Paint().blends.at(0).state, Disabled);
    r = born.EnableChanged(true);
    EXPECT_EQ(r.blends.at(0).state, Normal);
}

TEST(SkinButtonFade, APaintStopsTheFadeAndDrawsTheCurrentFaceOpaque) {
    ButtonFade fade(true);
    fade.MouseMove(false);
    const auto r = fade.Paint();
    EXPECT_TRUE(r.stopTimer);
    ASSERT_EQ(r.blends.size(), 1u);
    EXPECT_EQ(r.blends[0].state, Hot);
    EXPECT_EQ(r.blends[0].alpha, 255);
    EXPECT_FALSE(fade.TimerRunning());
}

TEST(SkinComboStates, TheDropButtonFollowsTheMouse) {
    EXPECT_EQ(ComboStateOnDown(true, Hot), Pressed);
    EXPECT_EQ(ComboStateOnDown(false, Hot), Hot) << "a press in an editable combo's text is no press of the button";
    EXPECT_EQ(ComboStateOnMove(true, true), Pressed);
    EXPECT_EQ(ComboStateOnMove(false, true), Hot);
    EXPECT_EQ(ComboStateOnMove(false, false), Normal);
    EXPECT_EQ(ComboStateOnUp(true), Hot);
    EXPECT_EQ(ComboStateOnUp(false), Normal);
}

TEST(SkinHeaderTrack, WhatIsOnTheScreenAlwaysMatchesTheTrackedItems) {
    // A screen of five items, drawn only through the repaints; after every
    // event it must show what a whole paint would show.
    HeaderTrack track;
    std::map<int, int> screen;
    std::mt19937 random(7);
    for (int step = 0; step < 2000; ++step) {
        const int item = static_cast<int>(random() % 6) - 1;
        std::vector<HeaderTrack::Repaint> repaints;
        switch (random() % 4) {
            case 0: repaints = track.Down(item); break;
            case 1: repaints = track.Move(item); break;
            case 2: repaints = track.Up(item); break;
            default: repaints = track.Leave(); break;
        }
        for (const auto& r : repaints) {
            ASSERT_GE(r.item, 0);
            screen[r.item] = r.state;
        }
        for (int i = 0; i < 5; ++i) ASSERT_EQ(screen[i], track.StateOf(i)) << "step " << step << " item " << i;
    }
}

TEST(SkinHeaderTrack, HotUnderThePointerPressedWhileHeldNormalAfterLeaving) {
    HeaderTrack track;
    EXPECT_EQ(track.Move(1), (std::vector<HeaderTrack::Repaint>{{1, Hot}}));
    EXPECT_EQ(track.Move(2), (std::vector<HeaderTrack::Repaint>{{1, Normal}, {2, Hot}}));
    EXPECT_EQ(track.Down(2), (std::vector<HeaderTrack::Repaint>{{2, Pressed}}));
    EXPECT_TRUE(track.Move(3).empty()) << "while an item is held, no other turns hot";
    EXPECT_EQ(track.StateOf(2), Pressed);
    EXPECT_EQ(track.Up(3), (std::vector<HeaderTrack::Repaint>{{2, Normal}, {3, Hot}}));
    EXPECT_EQ(track.Leave(), (std::vector<HeaderTrack::Repaint>{{3, Normal}}));
    EXPECT_EQ(track.HotItem(), -1);
    EXPECT_EQ(track.PressedItem(), -1);
    EXPECT_TRUE(track.Down(-1).empty());
}
