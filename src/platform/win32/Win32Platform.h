#pragma once
#include <windows.h>

#include "platform/Platform.h"

namespace qm::platform {

class Win32Platform : public Platform {
public:
    ~Win32Platform() override;
    int MsgBox(const std::string& text, int style, const std::string& title) override;
    bool AnotherInstanceRunning(const std::string& folder) override;

private:
    HANDLE instanceMutex_ = nullptr;
};

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

}  // namespace qm::platform
