// The program as its user feels it, under Windows (Wine) on the display the
// bench runs on: the start, the login, a quick-find keystroke, the exit and
// the working set, each beside its floor measured in the same run, as
// medians of several runs. It prints figures and never fails on them.
//
//   qm_bench_driver.exe [--runs N] [--keys N] [--sizes 0,10000,100000]
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "book.h"
#include "gui_support.h"
#include "store/DataFile.h"

using namespace qm::gui_test;

namespace {

constexpr wchar_t kLoginCaption[] = L"登录";
constexpr wchar_t kMainCaption[] = L"Ostrevin V1.0 正式版 --- 当前用户:amy";
constexpr wchar_t kBareCaption[] = L"Bare window";
// The quick find types "y" and "x" into an empty box: the first looks
// through the whole book, the second narrows what the first found. Then,
// into an empty box again, full pinyin: "youxian", untimed, and its last
// key "g". The table shows kFinds[kTimed[i]] for keystroke i + 1.
const std::vector<std::string> kFinds = {"y", "yx", "youxian", "youxiang"};
constexpr size_t kTimed[] = {0, 1, 3};

double nowMs() {
    static const double perMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / perMs;
}

// A visible top-level window of `pid` with `caption`, polled every
// millisecond. The caption is read without sending the process a message,
// so the polling never waits for it.
HWND pollWindow(DWORD pid, const wchar_t* caption, DWORD timeoutMs) {
    struct Find {
        DWORD pid;
        const wchar_t* caption;
        HWND found;
    };
    const double until = nowMs() + timeoutMs;
    do {
        Find f{pid, caption, nullptr};
        EnumWindows(
            [](HWND hwnd, LPARAM lp) -> BOOL {
                auto* f = reinterpret_cast<Find*>(lp);
                DWORD owner = 0;
                GetWindowThreadProcessId(hwnd, &owner);
                if (owner != f->pid || !IsWindowVisible(hwnd)) return TRUE;
                wchar_t text[128] = L"";
                GetWindowTextW(hwnd, text, 128);
                if (std::wcscmp(text, f->caption) != 0) return TRUE;
                f->found = hwnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&f));
        if (f.found) return f.found;
        Sleep(1);
    } while (nowMs() < until);
    return nullptr;
}

// Waits until the list holds `count` rows and has nothing left to paint.
// The count is asked of the program, which answers only once it is back in
// its message loop; the paint follows when nothing else waits there.
bool waitPainted(HWND list, int count, DWORD timeoutMs) {
    const double until = nowMs() + timeoutMs;
    do {
        if (ListViewCount(list) == count && !GetUpdateRect(list, nullptr, FALSE)) return true;
        Sleep(1);
    } while (nowMs() < until);
    return false;
}

size_t workingSet(HANDLE process) {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    return GetProcessMemoryInfo(process, &pmc, sizeof pmc) ? pmc.WorkingSetSize : 0;
}

// One key press and release, as the keyboard makes it; returns at once.
void pressKey(WORD vk) {
    INPUT in[2]{};
    for (INPUT& i : in) {
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    }
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

HWND childEditOf(HWND parent) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[16] = L"";
        GetClassNameW(child, cls, 16);
        if (_wcsicmp(cls, L"Edit") == 0) return child;
    }
    return nullptr;
}

std::wstring wide(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

struct Book {
    std::wstring file;          // the data file at rest
    std::vector<size_t> found;  // rows the quick find shows for each of kFinds
};

class Bench {
public:
    Bench(int keys) : keys_(keys) {}

    std::map<std::string, std::vector<double>> samples;
    std::vector<std::string> notes;

    // The bare window, then Quillmere with an empty book, one right after
    // the other, so that both meet the same load of the machine.
    void startPair(const Book& empty) {
        const double bare = bareWindow();
        if (bare < 0) return;
        ProgramCopy copy;
        CopyFileW(empty.file.c_str(), copy.dataFile().c_str(), FALSE);
        Process p;
        const double t0 = nowMs();
        if (!copy.Start(p)) return note("Quillmere.exe did not start");
        HWND login = pollWindow(p.info.dwProcessId, kLoginCaption, 60000);
        if (!login) return note("no login window");
        const double start = nowMs() - t0;
        samples["start.0"].push_back(start);
        samples["start.ratio"].push_back(start / bare);
        PostMessageW(login, WM_CLOSE, 0, 0);
        p.WaitForExit(20000);
    }

    // Returns the time to the window, or -1.
    double bareWindow() {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring command = L"\"" + ProgramFolder() + L"\\qm_bare_window.exe\"";
        Process p;
        const double t0 = nowMs();
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &p.info)) {
            note("the bare window did not start");
            return -1;
        }
        HWND window = pollWindow(p.info.dwProcessId, kBareCaption, 30000);
        if (!window) {
            note("the bare window did not show");
            return -1;
        }
        const double start = nowMs() - t0;
        samples["start.bare"].push_back(start);
        Sleep(500);
        samples["ws.bare"].push_back(static_cast<double>(workingSet(p.info.hProcess)));
        // How long Wine takes to end even a program with nothing to do.
        const double t1 = nowMs();
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (p.WaitForExit(10000) >= 0) samples["exit.bare"].push_back(nowMs() - t1);
        return start;
    }

    void program(size_t accounts, const Book& book) {
        const std::string n = std::to_string(accounts);
        ProgramCopy copy;
        if (!CopyFileW(book.file.c_str(), copy.dataFile().c_str(), FALSE)) {
            note("cannot copy the book of " + n);
            return;
        }
        SetRememberedUser(wide(qm::bench::kBookUser));
        Process p;
        const double t0 = nowMs();
        if (!copy.Start(p)) {
            note("Quillmere.exe did not start");
            return;
        }
        HWND login = pollWindow(p.info.dwProcessId, kLoginCaption, 60000);
        if (!login) {
            note("no login window with " + n + " accounts");
            return;
        }
        if (accounts > 0) samples["start." + n].push_back(nowMs() - t0);

        // The password is in the box; the clock runs from the click on 登录.
        HWND password = childEditOf(login);
        HWND button = FindDescendant(login, L"Button", L"登录(&O)");
        if (!password || !button) {
            note("the login window has no password box or button");
            return;
        }
        SendMessageW(password, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide(qm::bench::kBookPassword).c_str()));
        const double t1 = nowMs();
        PostMessageW(button, BM_CLICK, 0, 0);
        HWND main = pollWindow(p.info.dwProcessId, kMainCaption, 120000);
        HWND list = main ? FindDescendant(main, L"SysListView32") : nullptr;
        if (!list || !waitPainted(list, static_cast<int>(accounts), 120000)) {
            note("the main window did not fill with " + n + " accounts");
            return;
        }
        samples["login." + n].push_back(nowMs() - t1);
        Sleep(500);
        samples["ws." + n].push_back(static_cast<double>(workingSet(p.info.hProcess)));

        if (accounts > 0) quickFind(main, list, accounts, book);

        // The exit: from the answer "是" to the process gone.
        PostMessageW(FindDescendant(main, L"Button", L"退出(&Q)"), BM_CLICK, 0, 0);
        HWND box = WaitForMessageBox(p.info.dwProcessId, 20000);
        HWND yes = box ? GetDlgItem(box, IDYES) : nullptr;
        if (!yes) {
            note("no exit question with " + n + " accounts");
            return;
        }
        const double t2 = nowMs();
        PostMessageW(yes, BM_CLICK, 0, 0);
        if (WaitForSingleObject(p.info.hProcess, 120000) != WAIT_OBJECT_0) {
            note("the program did not end with " + n + " accounts");
            return;
        }
        const double exitMs = nowMs() - t2;
        if (qm::store::InspectDataFile(copy.dataFileUtf8()) != qm::store::FileForm::Enciphered) {
            note("the data file was not at rest after the exit with " + n + " accounts");
            return;
        }
        samples["exit." + n].push_back(exitMs);
        const std::wstring copied = copy.dataFile() + L".copy";
        const double t3 = nowMs();
        CopyFileW(copy.dataFile().c_str(), copied.c_str(), FALSE);
        samples["copy." + n].push_back(nowMs() - t3);
        DeleteFileW(copied.c_str());
    }

private:
    void note(const std::string& text) {
        notes.push_back(text);
        std::fprintf(stderr, "bench: %s\n", text.c_str());
    }

    void quickFind(HWND main, HWND list, size_t accounts, const Book& book) {
        const std::string n = std::to_string(accounts);
        HWND edit = FindDescendant(main, L"Edit");
        if (!edit || !ClickToFocus(edit)) {
            note("cannot type into the quick-find box");
            return;
        }
        const auto timed = [&](WORD key, size_t find, int sample) {
            const double t = nowMs();
            pressKey(key);
            if (!waitPainted(list, static_cast<int>(book.found[find]), 30000)) {
                note("the quick find for " + kFinds[find] + " did not show " + std::to_string(book.found[find]) + " of " +
                     n + " rows");
                return false;
            }
            samples["find" + std::to_string(sample) + "." + n].push_back(nowMs() - t);
            Sleep(50);
            return true;
        };
        const auto empty = [&] {
            SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
            if (!waitPainted(list, static_cast<int>(accounts), 30000)) {
                note("the emptied quick find did not show all rows again");
                return false;
            }
            Sleep(50);
            return true;
        };
        for (int k = 0; k < keys_; ++k) {
            if (!timed('Y', 0, 1) || !timed('X', 1, 2) || !empty()) return;
            for (const WORD key : {'Y', 'O', 'U', 'X', 'I', 'A', 'N'}) pressKey(key);
            if (!waitPainted(list, static_cast<int>(book.found[2]), 30000)) {
                note("the quick find for youxian did not show " + std::to_string(book.found[2]) + " of " + n + " rows");
                return;
            }
            Sleep(50);
            if (!timed('G', 3, 3) || !empty()) return;
        }
    }

    int keys_;
};

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

std::string fmt(const char* format, double v) {
    if (v < 0) return "—";
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string withCommas(size_t n) {
    const std::string digits = std::to_string(n);
    std::string s;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) s += ',';
        s += digits[i];
    }
    return s;
}

constexpr double kMB = 1024.0 * 1024.0;

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = 5, keys = 3;
    std::vector<size_t> sizes = {0, 10000, 100000};
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring arg = argv[i];
        if (arg == L"--runs") runs = std::max(1, _wtoi(argv[i + 1]));
        else if (arg == L"--keys") keys = std::max(1, _wtoi(argv[i + 1]));
        else if (arg == L"--sizes") {
            sizes.clear();
            for (const wchar_t* p = argv[i + 1]; *p;) {
                sizes.push_back(static_cast<size_t>(_wtoi(p)));
                while (*p && *p != L',') ++p;
                if (*p) ++p;
            }
        }
    }

    // The empty book is always there: the starts and the memory count from it.
    if (std::find(sizes.begin(), sizes.end(), size_t{0}) == sizes.end()) sizes.insert(sizes.begin(), 0);
    std::sort(sizes.begin(), sizes.end());

    // The books, written once: the store's own code makes them.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring books = std::wstring(temp) + L"qm_bench_books_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(books.c_str(), nullptr);
    std::map<size_t, Book> book;
    for (size_t n : sizes) {
        const std::wstring folder = books + L"\\" + std::to_wstring(n);
        CreateDirectoryW(folder.c_str(), nullptr);
        std::fprintf(stderr, "bench: writing a book of %zu accounts\n", n);
        book[n].found = qm::bench::WriteBook(Utf8Of(folder), n, kFinds);
        book[n].file = folder + L"\\SystemData.dat";
    }

    Bench bench(keys);
    for (int r = 1; r <= runs; ++r) {
        std::fprintf(stderr, "bench: run %d of %d\n", r, runs);
        for (int i = 0; i < 3; ++i) bench.startPair(book[0]);
        for (size_t n : sizes) bench.program(n, book[n]);
    }

    // Every sample, for whoever wants to see the spread.
    for (const auto& [key, values] : bench.samples) {
        std::fprintf(stderr, "bench: %s:", key.c_str());
        for (double v : values) std::fprintf(stderr, " %.4g", v);
        std::fprintf(stderr, "\n");
    }
    std::error_code ignored;
    std::filesystem::remove_all(books, ignored);

    const auto med = [&](const std::string& key) {
        const auto it = bench.samples.find(key);
        return it == bench.samples.end() ? -1.0 : median(it->second);
    };
    const auto ratio = [](double a, double b) { return a < 0 || b <= 0 ? -1.0 : a / b; };
    const auto met = [](bool ok, double v) { return v < 0 ? std::string("—") : ok ? std::string("yes") : std::string("no"); };

    std::printf("| What | Quillmere | Floor | Against the floor | Target | Met |\n");
    std::printf("|---|---|---|---|---|---|\n");
    const double bareStart = med("start.bare");
    for (size_t n : sizes) {
        const double s = med("start." + std::to_string(n));
        // With no accounts, the median of the ratios of the pairs started one after the other.
        const double x = n == 0 ? med("start.ratio") : ratio(s, bareStart);
        std::printf("| Start to the login window, %s accounts | %s | %s (bare window) | %s | %s | %s |\n",
                    withCommas(n).c_str(), fmt("%.0f ms", s).c_str(), fmt("%.0f ms", bareStart).c_str(),
                    fmt("%.2fx", x).c_str(), n == 0 ? "1.2x" : "", n == 0 ? met(x <= 1.2, x).c_str() : "");
    }
    for (size_t n : sizes) {
        const double v = med("login." + std::to_string(n));
        const double target = n >= 100000 ? 600 : n >= 10000 ? 100 : -1;
        std::printf("| Login to the main window filled, %s accounts | %s | | | %s | %s |\n", withCommas(n).c_str(),
                    fmt("%.0f ms", v).c_str(), target > 0 ? fmt("%.0f ms", target).c_str() : "",
                    target > 0 ? met(v <= target, v).c_str() : "");
    }
    for (size_t n : sizes) {
        if (n == 0) continue;
        for (size_t i = 0; i < std::size(kTimed); ++i) {
            const double v = med("find" + std::to_string(i + 1) + "." + std::to_string(n));
            std::printf("| Quick-find keystroke \"%s\" (%s rows shown), %s accounts | %s | | | 16 ms | %s |\n",
                        kFinds[kTimed[i]].c_str(), withCommas(book[n].found[kTimed[i]]).c_str(), withCommas(n).c_str(),
                        fmt("%.1f ms", v).c_str(), met(v <= 16, v).c_str());
        }
    }
    for (size_t n : sizes) {
        if (n == 0) continue;
        const double e = med("exit." + std::to_string(n)), c = med("copy." + std::to_string(n));
        const double x = ratio(e, c);
        std::printf("| Exit from \"是\" to the process gone, %s accounts | %s | %s (copying the file) | %s | 2x | %s |\n",
                    withCommas(n).c_str(), fmt("%.0f ms", e).c_str(), fmt("%.1f ms", c).c_str(), fmt("%.2fx", x).c_str(),
                    met(x <= 2, x).c_str());
    }
    std::printf("| The bare window's exit, from WM_CLOSE to the process gone | %s | | | | |\n",
                fmt("%.0f ms", med("exit.bare")).c_str());
    const double bareWs = med("ws.bare");
    const double emptyWs = sizes.empty() ? -1 : med("ws." + std::to_string(sizes.front()));
    for (size_t n : sizes) {
        const double w = med("ws." + std::to_string(n));
        if (n == 0) {
            const double above = w < 0 || bareWs < 0 ? -1 : (w - bareWs) / kMB;
            std::printf("| Working set after login, 0 accounts | %s | %s (bare window) | %s | 8 MB above | %s |\n",
                        fmt("%.1f MB", w / kMB).c_str(), fmt("%.1f MB", bareWs / kMB).c_str(),
                        fmt("+%.1f MB", above).c_str(), met(above <= 8, above).c_str());
        } else {
            const double perAccount = w < 0 || emptyWs < 0 || sizes.front() != 0 ? -1 : (w - emptyWs) / static_cast<double>(n);
            std::printf("| Working set after login, %s accounts | %s | %s (bare window) | %s per account | 400 B | %s |\n",
                        withCommas(n).c_str(), fmt("%.1f MB", w / kMB).c_str(), fmt("%.1f MB", bareWs / kMB).c_str(),
                        fmt("%.0f B", perAccount).c_str(), met(perAccount <= 400, perAccount).c_str());
        }
    }
    WIN32_FILE_ATTRIBUTE_DATA exe{};
    GetFileAttributesExW((ProgramFolder() + L"\\Quillmere.exe").c_str(), GetFileExInfoStandard, &exe);
    const double exeMb = static_cast<double>(exe.nFileSizeLow) / kMB;
    std::printf("| Quillmere.exe's size | %s | | | 3 MB | %s |\n", fmt("%.2f MB", exeMb).c_str(), met(exeMb < 3, exeMb).c_str());
    std::printf("\nMedians of %d runs (%d keystrokes of each kind per run, three starts with no accounts beside three\n"
                "of the bare window); 1 MB = 1,048,576 bytes.\n", runs, keys);
    for (const std::string& n : bench.notes) std::printf("Note: %s\n", n.c_str());
    return 0;
}
