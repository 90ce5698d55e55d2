#pragma once
// The test double of the platform: message boxes are recorded and answered
// from a script; the instance test answers what the test says.
#include <deque>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace qm::platform {

class FakePlatform : public Platform {
public:
    struct Box {
        std::string text;
        int style;
        std::string title;
    };

    int MsgBox(const std::string& text, int style, const std::string& title) override {
        boxes.push_back({text, style, title});
        if (answers.empty()) return (style & 7) == vbYesNo ? vbYes : vbOK;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    bool AnotherInstanceRunning(const std::string&) override { return otherInstance; }

    std::vector<Box> boxes;    // every box shown, in order
    std::deque<int> answers;   // answers for the next boxes; default OK / Yes
    bool otherInstance = false;
};

}  // namespace qm::platform
