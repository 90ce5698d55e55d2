// Where a form's window goes: wholly inside the work area of its monitor.
#include "ui/Placement.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <utility>

namespace qm::ui {
void PrintTo(const ScreenRect& r, std::ostream* os) {
    *os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}
}  // namespace qm::ui

using qm::ui::ScreenRect;

namespace {
// 1024x768 with the taskbar along the bottom, the left or the top, and a
// second monitor left of and above the primary one, with no taskbar.
const ScreenRect kBottomBar{0, 0, 1024, 738}, kLeftBar{60, 0, 1024, 768}, kTopBar{0, 40, 1024, 768},
    kSecond{-1280, -200, 0, 824};
}  // namespace

TEST(Placement, EveryWindowEndsInsideTheWorkAreaOrWithItsCaptionInIt) {
    struct Row {
        const char* what;
        ScreenRect work, wanted;
        bool resizable;
        int minWidth, minHeight;
        ScreenRect expected;
    };
    const Row rows[] = {
        {"main window at 144 DPI", kBottomBar, {-91, -35, 1115, 774}, true, 0, 0, {0, 0, 1024, 738}},
        {"fixed dialog too large", kBottomBar, {-91, -35, 1115, 774}, false, 0, 0, {0, 0, 1206, 809}},
        {"too tall only", kBottomBar, {100, -35, 600, 774}, true, 0, 0, {100, 0, 600, 738}},
        {"no smaller than its minimum", kBottomBar, {-91, -35, 1115, 774}, true, 1100, 700, {0, 0, 1100, 738}},
        {"exactly fitting", kBottomBar, {0, 0, 1024, 738}, false, 0, 0, {0, 0, 1024, 738}},
        {"fitting, never grown", kBottomBar, {0, 0, 1024, 738}, true, 1100, 800, {0, 0, 1024, 738}},
        {"fitting, one pixel off", kBottomBar, {1, 1, 1025, 739}, true, 0, 0, {0, 0, 1024, 738}},
        {"inside already", kBottomBar, {100, 100, 500, 400}, true, 0, 0, {100, 100, 500, 400}},
        {"off the left", kBottomBar, {-50, 100, 350, 400}, false, 0, 0, {0, 100, 400, 400}},
        {"off the right", kBottomBar, {900, 100, 1300, 400}, false, 0, 0, {624, 100, 1024, 400}},
        {"off the top", kBottomBar, {100, -20, 500, 280}, false, 0, 0, {100, 0, 500, 300}},
        {"under the taskbar", kBottomBar, {100, 600, 500, 900}, false, 0, 0, {100, 438, 500, 738}},
        {"under a taskbar on the left", kLeftBar, {0, 100, 400, 400}, false, 0, 0, {60, 100, 460, 400}},
        {"too large, taskbar on the left", kLeftBar, {-20, -10, 1100, 800}, false, 0, 0, {60, 0, 1180, 810}},
        {"under a taskbar on top", kTopBar, {0, 0, 1100, 900}, false, 0, 0, {0, 40, 1100, 940}},
        {"shrunk below a taskbar on top", kTopBar, {0, 0, 1100, 900}, true, 0, 0, {0, 40, 1024, 768}},
        {"second monitor, off its right", kSecond, {-300, 0, 100, 300}, false, 0, 0, {-400, 0, 0, 300}},
        {"second monitor, too large", kSecond, {-1400, -300, 100, 900}, true, 0, 0, {-1280, -200, 0, 824}},
        {"second monitor, fixed, too large", kSecond, {-1400, -300, 100, 1200}, false, 0, 0, {-1280, -200, 220, 1300}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(qm::ui::FitIntoWorkArea(r.work, r.wanted, r.resizable, r.minWidth, r.minHeight), r.expected);
    }
}

TEST(Placement, AWindowThatFitsIsCentredOnTheWorkAreaItself) {
    for (const ScreenRect& work : {kBottomBar, kLeftBar, kTopBar, kSecond})
        for (const auto& [w, h] : {std::pair{400, 300}, {401, 301}, {work.Width(), work.Height()}}) {
            const ScreenRect r = qm::ui::CentredOn(work, w, h);
            SCOPED_TRACE(testing::PrintToString(work) + " " + std::to_string(w) + "x" + std::to_string(h));
            EXPECT_EQ(r.Width(), w);
            EXPECT_EQ(r.Height(), h);
            EXPECT_LE(std::abs((r.left - work.left) - (work.right - r.right)), 1);
            EXPECT_LE(std::abs((r.top - work.top) - (work.bottom - r.bottom)), 1);
            EXPECT_EQ(qm::ui::FitIntoWorkArea(work, r, false), r) << "already inside";
        }
}
