// The shipped program killed at random moments of a scripted session (add,
// find, edit, delete, exit), again and again on one data file: after every
// kill the next start opens the file and every committed account is there.
// The seed is printed; QM_KILL_SEED=<seed> replays a run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <map>
#include <random>
#include <thread>

#include "crash_support.h"
#include "crypto/SimpleXOR.h"

using namespace qm::gui_test;

namespace {

constexpr int kKills = 20;
// A whole session takes about three seconds under Wine: kill moments are
// spread over it, from before the start's first step to after the exit.
constexpr DWORD kLatestKillMs = 3500;

// What the test knows of one added account: its category, user name and password as stored.
struct Added {
    std::string type, id, password;
    bool operator==(const Added&) const = default;
};
using Model = std::map<std::string, Added>;  // by account name

std::wstring nameOf(int session) { return L"kill" + std::to_wstring(session) + L"号"; }

bool findText(HWND main, const std::wstring& text, int rows) {
    HWND box = FindDescendant(main, L"Edit");
    HWND list = FindDescendant(main, L"SysListView32");
    if (!box || !list) return false;
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return WaitUntil([&] { return !IsWindow(list) || ListViewCount(list) == rows; }, 5000) && IsWindow(list);
}

// Runs the script until it ends or the program dies; each change starts only
// after the one before was seen finished with the program still alive.
// Returns the states a death may have left: the last finished one, or the
// one after the change in flight; and whether the session ended normally.
struct Outcome {
    Model done, next;
    bool ended = false;
};
Outcome runSession(Process& p, int n, const Model& start, const std::string& stored) {
    Model done = start, next = start;
    const auto fail = [&] { return Outcome{done, next, false}; };
    const auto alive = [&] { return WaitForSingleObject(p.info.hProcess, 0) == WAIT_TIMEOUT; };
    const auto commit = [&](bool seen) {
        if (!seen || !alive()) return false;
        done = next;
        return true;
    };

    // A start that refuses the file says so in a message box instead of the login dialog.
    HWND refusal = nullptr;
    WaitUntil(
        [&] {
            refusal = WaitForMessageBox(p.info.dwProcessId, 0);
            return refusal || WaitForWindow(p.info.dwProcessId, L"登录", 0) || !alive();
        },
        15000);
    if (refusal) ADD_FAILURE() << "the start refused the file: " << Utf8Of(MessageBoxText(refusal));
    HWND main = refusal || !alive() ? nullptr : LogIn(p);
    if (!main || !alive()) return fail();
    HWND list = FindDescendant(main, L"SysListView32");
    const std::wstring name = nameOf(n), id = L"id" + std::to_wstring(n), password = L"pw" + std::to_wstring(n);
    const std::string key = Utf8Of(name);

    next[key] = {"其它", Utf8Of(id), stored};
    if (!commit(AddAccount(p, main, L"其它", name, id, password))) return fail();

    if (!findText(main, name, 1) || !alive()) return fail();
    if (!SelectRow(list, 0) || !alive()) return fail();
    Press(main, L"修改(&E)");
    HWND dialog = WaitForWindow(p.info.dwProcessId, L"修改资料", 10000);
    HWND idBox = dialog ? FindDescendant(dialog, L"Edit", id) : nullptr;
    if (!idBox) return fail();
    next[key].id = Utf8Of(id) + "x";
    SendMessageW(idBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>((id + L"x").c_str()));
    Press(dialog, L"保存(&S)");
    if (!commit(WaitUntil([&] { return !IsWindow(dialog); }, 5000))) return fail();

    // The account of the session before, when it was kept.
    const std::string earlier = Utf8Of(nameOf(n - 1));
    if (done.count(earlier)) {
        if (!findText(main, nameOf(n - 1), 1) || !alive()) return fail();
        if (!SelectRow(list, 0) || !alive()) return fail();
        Press(main, L"删除(&D)");
        HWND question = WaitForMessageBox(p.info.dwProcessId, 10000);
        if (!question) return fail();
        next.erase(earlier);
        PressButton(question, IDYES);
        if (!commit(WaitUntil([&] { return ListViewCount(list) == 0; }, 5000))) return fail();
    }
    QuitProgram(main);
    return Outcome{done, next, p.WaitForExit(10000) == 0};
}

}  // namespace

TEST(RandomKills, TwentyKillsInARowLoseNoCommittedAccount) {
    unsigned seed = std::random_device{}();
    if (const char* replay = std::getenv("QM_KILL_SEED")) seed = static_cast<unsigned>(std::strtoul(replay, nullptr, 10));
    std::cout << "random kills: seed " << seed << " (QM_KILL_SEED=" << seed << " replays it)" << std::endl;
    RecordProperty("seed", std::to_string(seed));
    std::mt19937 rng(seed);

    ProgramCopy copy;
    PrepareBook(copy, 12);
    const Accounts book = ReadAccounts(copy.dataFileUtf8());
    qm::crypto::clsSimpleXOR cipher;
    Model model;
    int kills = 0, sessions = 0;
    while (kills < kKills && sessions < 3 * kKills) {
        const int n = ++sessions;
        const DWORD delay = std::uniform_int_distribution<DWORD>(0, kLatestKillMs)(rng);
        SCOPED_TRACE("session " + std::to_string(n) + ", kill after " + std::to_string(delay) + " ms");
        Process p;
        // A start that failed (seen once under Wine, just after a run had ended) is tried once more.
        if (!StartShipped(copy, p)) {
            std::cout << "session " << n << ": no start (Windows error " << GetLastError() << "), once more" << std::endl;
            Sleep(500);
            ASSERT_TRUE(StartShipped(copy, p)) << "Windows error " << GetLastError();
        }
        HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        bool killed = false;
        std::thread killer([&] {
            if (WaitForSingleObject(stop, delay) == WAIT_TIMEOUT && WaitForSingleObject(p.info.hProcess, 0) == WAIT_TIMEOUT)
                killed = TerminateProcess(p.info.hProcess, 9) != FALSE;
        });
        const std::string stored =
            cipher.EncryptString("pw" + std::to_string(n), qm::crypto::kAccountPasswordKey);
        const Outcome outcome = runSession(p, n, model, stored);
        SetEvent(stop);
        killer.join();
        CloseHandle(stop);
        ASSERT_NE(p.WaitForExit(15000), -1);
        if (killed)
            ++kills;
        else
            ASSERT_TRUE(outcome.ended) << "not killed, yet the session did not end normally: the start refused the file?";

        // The accounts as the next start finds them.
        const Accounts found = ReadAccounts(copy.dataFileUtf8());
        Accounts kept;
        Model added;
        for (const AccountRow& row : found) {
            if (Column(row, "AccountName").rfind("kill", 0) == 0)
                added[Column(row, "AccountName")] = {Column(row, "TypeName"), Column(row, "AccountID"),
                                                     Column(row, "AccountPassword")};
            else
                kept.insert(row);
        }
        ASSERT_EQ(kept, book) << "the book's accounts are all there, exactly";
        ASSERT_TRUE(added == outcome.done || added == outcome.next)
            << added.size() << " added accounts found; " << outcome.done.size() << " committed, " << outcome.next.size()
            << " with the change in flight";
        std::cout << "session " << n << ": " << (killed ? "killed after " + std::to_string(delay) + " ms" : "ended")
                  << ", " << added.size() << " added accounts kept"
                  << (added == outcome.done ? "" : " (with the change in flight)") << std::endl;
        model = added;
    }
    EXPECT_EQ(kills, kKills);
    std::cout << "random kills: " << kills << " kills in " << sessions << " sessions, seed " << seed << std::endl;

    // And the last word: the program opens the file and the user logs in.
    const Accounts last = OpenLogInAndQuit(copy);
    EXPECT_EQ(last.size(), book.size() + model.size());
}
