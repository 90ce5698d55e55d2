// What a locked program's memory gives away, read from outside as any
// program of the same user could: the login password must be in it neither
// as the box's UTF-16 nor as the program's UTF-8.
#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "gui_support.h"

using namespace qm::gui_test;

namespace {

// Where the shell of the 1024x768 virtual desktop puts the program's icon.
constexpr POINT kIcon{1012, 758};

// How many times `needle` occurs in the writable memory of `process`.
int CopiesIn(HANDLE process, std::string_view needle) {
    int copies = 0;
    std::vector<char> bytes;
    MEMORY_BASIC_INFORMATION region{};
    for (auto* at = static_cast<char*>(nullptr); VirtualQueryEx(process, at, &region, sizeof region) == sizeof region;
         at = static_cast<char*>(region.BaseAddress) + region.RegionSize) {
        const DWORD writable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
        if (region.State != MEM_COMMIT || !(region.Protect & writable) || (region.Protect & PAGE_GUARD)) continue;
        bytes.resize(region.RegionSize);
        SIZE_T read = 0;
        if (!ReadProcessMemory(process, region.BaseAddress, bytes.data(), bytes.size(), &read)) continue;
        const std::string_view seen(bytes.data(), read);
        for (size_t i = seen.find(needle); i != std::string_view::npos; i = seen.find(needle, i + 1)) ++copies;
    }
    return copies;
}

int Utf16CopiesIn(HANDLE process, const std::wstring& text) {
    return CopiesIn(process, std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)));
}

// Types with the X server's keys, as a hand on the keyboard does.
bool TypeWithKeys(const std::wstring& text) { return Xdotool(L"type --delay 40 " + text); }

}  // namespace

TEST(Memory, ALockedProgramHoldsTheLoginPasswordInNeitherEncoding) {
    const std::wstring password = L"Vq7Kw3Zp9LxRt2Hm5Ns8Bc4Df6Gj";
    // A heap's free list writes over the start of a block given back; the
    // rest of a copy stays readable, so the search is for the tail.
    const std::wstring tail = password.substr(12);
    const std::string utf8 = Utf8Of(tail);
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND login = WaitForWindow(p.info.dwProcessId, L"登录", 15000);
    ASSERT_TRUE(login && BringToFront(login));
    PressKey('N', true);
    HWND dialog = WaitForWindow(p.info.dwProcessId, L"注册新用户", 10000);
    ASSERT_TRUE(dialog && BringToFront(dialog));
    TypeText(L"mona");
    PressKey(VK_TAB);
    TypeText(password);
    PressKey(VK_TAB);
    TypeText(password);
    PressKey(VK_RETURN);
    Answer(WaitForBoxSaying(p, L"注册成功,请登录!"));
    ASSERT_TRUE(BringToFront(login));
    ASSERT_TRUE(TypeWithKeys(password));
    // The reading sees what the program holds: the typed password, before it is used.
    EXPECT_TRUE(WaitUntil([&] { return Utf16CopiesIn(p.info.hProcess, tail) >= 1; }, 5000)) << "the login box holds it";
    EXPECT_GE(CopiesIn(p.info.hProcess, utf8), 1) << "the box's model holds it";
    PressKey(VK_RETURN);
    HWND main = WaitForWindow(p.info.dwProcessId, L"Ostrevin V1.0 正式版 --- 当前用户:mona", 10000);
    ASSERT_NE(main, nullptr);

    PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, 5000));
    Sleep(300);  // the shell draws the icon
    ASSERT_TRUE(ChooseFromMenu(kIcon, 'L')) << "the tray menu locks";
    Answer(WaitForBoxSaying(p, L"Quillmere已处锁定锁定状态!"));

    EXPECT_EQ(Utf16CopiesIn(p.info.hProcess, tail), 0) << "UTF-16, as the boxes held it";
    EXPECT_EQ(CopiesIn(p.info.hProcess, utf8), 0) << "UTF-8, as the program holds text";
}
