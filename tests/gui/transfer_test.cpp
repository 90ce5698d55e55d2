// Import and export through the real windows: the system's open dialog, the
// preview, the list that shows what came in; the export's warning, password
// dialog and save dialog, and the file's bytes.
#include <gtest/gtest.h>

#include <cstdio>

#include <windows.h>

#include "gui_support.h"
#include "platform/files.h"

using namespace qm::gui_test;

namespace {

bool chooseInFileDialog(const Process& p, const std::wstring& title, const std::wstring& path, const wchar_t* shot) {
    HWND dialog = WaitForWindow(p.info.dwProcessId, title, 10000);
    if (!dialog) return false;
    HWND name = GetDlgItem(dialog, 0x480);  // edt1, the file name
    if (!name) name = FindDescendant(dialog, L"Edit");
    if (!name) return false;
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    if (shot) SaveScreenshot(dialog, shot);
    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    return WaitUntil([&] { return !IsWindow(dialog); }, 10000);
}

void press(HWND dialog, const wchar_t* caption) { PostMessageW(FindDescendant(dialog, L"Button", caption), BM_CLICK, 0, 0); }

std::string bytesOf(const std::string& path) {
    const auto bytes = qm::platform::ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(Transfer, ImportThroughThePreviewThenExportTheSameAccounts) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"fay", L"abc123");
    ASSERT_NE(main, nullptr);
    HWND list = FindDescendant(main, L"SysListView32");
    ASSERT_TRUE(AddAccount(p, main, L"其它", L"论坛", L"fay", L"pw1234"));
    const std::string in = "name,url,username,password,note\r\n"
                           "例子.com,https://www.例子.com/,amy,\"p,\"\"w\",\"第一行\r\n第二行\"\r\n"
                           "qq.com,https://qq.com/,bob,=1+2,\r\n";
    qm::platform::ReplaceFileContents(copy.folderUtf8() + "\\in.csv", std::vector<unsigned char>(in.begin(), in.end()));

    PostMessageW(FindDescendant(main, L"Button", L"工具(&T)"), BM_CLICK, 0, 0);
    HWND tools = WaitForWindow(p.info.dwProcessId, L"工具", 10000);
    ASSERT_NE(tools, nullptr);
    SaveScreenshot(tools, L"tools-transfer");
    press(tools, L"导入数据(&I)");
    ASSERT_TRUE(chooseInFileDialog(p, L"选择要导入的文件", copy.folder() + L"\\in.csv", nullptr));
    HWND preview = WaitForWindow(p.info.dwProcessId, L"导入数据", 10000);
    ASSERT_NE(preview, nullptr);
    EXPECT_NE(FindChildWithText(preview, L"文件格式:Chrome / Edge 浏览器"), nullptr);
    HWND rows = FindDescendant(preview, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(rows) == 2; }, 5000));
    EXPECT_EQ(ListViewCell(rows, 0, 3), L"例子.com");
    SaveScreenshot(preview, L"import-preview");
    press(preview, L"开始导入(&S)");
    HWND done = WaitForMessageBox(p.info.dwProcessId, 10000);
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(MessageBoxText(done).rfind(L"导入完成", 0), 0u) << Utf8Of(MessageBoxText(done));
    Answer(done);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(preview); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return ListViewCount(list) == 3; }, 5000)) << "the main window shows the import";

    press(tools, L"导出数据(&X)");
    HWND warning = WaitForMessageBox(p.info.dwProcessId, 10000);
    ASSERT_NE(warning, nullptr);
    EXPECT_NE(MessageBoxText(warning).find(L"明文"), std::wstring::npos);
    EXPECT_NE(MessageBoxText(warning).find(L"不要用 Excel、WPS 等电子表格软件打开"), std::wstring::npos);
    PressButton(warning, IDYES);
    HWND verify = WaitForWindow(p.info.dwProcessId, L"验证登录密码", 10000);
    ASSERT_TRUE(verify && BringToFront(verify));
    TypeText(L"abc123");
    SaveScreenshot(verify, L"export-verify");
    PressKey(VK_RETURN);
    ASSERT_TRUE(chooseInFileDialog(p, L"保存导出文件", copy.folder() + L"\\out.csv", nullptr));
    Answer(WaitForBoxSaying(p, L"导出完成,共导出 3 个帐号。"));
    // The browser's rows carry no date: they take the day of the import.
    SYSTEMTIME now;
    GetLocalTime(&now);
    char today[16];
    std::snprintf(today, sizeof today, "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
    EXPECT_EQ(bytesOf(copy.folderUtf8() + "\\out.csv"),
              "\xEF\xBB\xBFGroup,Title,Username,Password,URL,Notes,Created,TOTP\r\n"
              "网站帐号,例子.com,amy,\"p,\"\"w\",https://www.例子.com/,\"第一行\r\n第二行\"," + std::string(today) + ",\r\n"
              "网站帐号,qq.com,bob,=1+2,https://qq.com/,," + today + ",\r\n"
              "其它,论坛,fay,pw1234,,,,\r\n");

    press(tools, L"关闭(&C)");
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(tools); }, 5000));
    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}
