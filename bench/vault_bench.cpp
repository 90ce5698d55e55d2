// The figures of strong protection, printed: one derivation of the login
// key at the program's cost; the login to a filled main window at 10,000
// accounts for a protected user beside a legacy one; switching 10,000
// accounts on; a new password for a protected user of 10,000 accounts. Built natively and for Windows, so that the figures that
// matter can be taken under Wine:
//   build/native/bin/qm_vault_bench
//   scripts/wine-exec build/windows/bin/qm_vault_bench.exe
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#endif

#include "app/Startup.h"
#include "book.h"
#include "forms/Forms.h"
#include "forms/FrmLogin.h"
#include "forms/FrmMain.h"
#include "ui/test/TestHost.h"
#include "vault/Protection.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kAccounts = 10000;
constexpr int kRuns = 5;

double msOf(const std::function<void()>& work) {
    const auto t0 = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// The processor time this thread spent, in ms: on a busy machine it says
// what a derivation costs better than the time on the wall.
double threadMs() {
#ifdef _WIN32
    FILETIME created, ended, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    const auto ms = [](FILETIME f) { return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e4; };
    return ms(kernel) + ms(user);
#else
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
#endif
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A run of the program over `folder`: started, the login dialog shown.
struct Run {
    qm::ui::TestHost host;
    qm::app::AppContext app;
    std::unique_ptr<qm::forms::Forms> forms;
    explicit Run(const std::string& folder) {
        app.AppPath = folder;
        qm::app::StartUp(app, host.os);
        forms = std::make_unique<qm::forms::Forms>(app, host);
        forms->Login().Show();
    }
    ~Run() {
        forms.reset();
        qm::app::CloseDataFile(app);
    }
    // From the login button to the main window with its list filled.
    double logIn() {
        qm::forms::FrmLogin& login = forms->Login();
        login.CbUser.SetText(qm::bench::kBookUser);
        login.TxtPass.SetText(qm::bench::kBookPassword);
        return msOf([&] { login.CmdLogin.RaiseClick(); });
    }
    double switchOn() {
        const qm::vault::Proven proven = app.Secrets.Prove(app.DbConn, app.RsUser, qm::bench::kBookPassword);
        return msOf([&] { qm::vault::SwitchOn(app.DbConn, app.RsUser, app.Secrets, proven, qm::bench::kBookPassword); });
    }
    // A new password and back, as the user dialog gives it: proven, then
    // every secret sealed again under a new key. Times the first.
    double newPassword() {
        const auto change = [&](const char* from, const char* to) {
            const qm::vault::Proven proven = app.Secrets.Prove(app.DbConn, app.RsUser, from);
            return msOf([&] { qm::vault::NewPassword(app.DbConn, app.RsUser, app.Secrets, proven, to); });
        };
        const double ms = change(qm::bench::kBookPassword, "another-pw9");
        change("another-pw9", qm::bench::kBookPassword);
        return ms;
    }
};

std::string freshBook(const std::filesystem::path& root, const char* name) {
    const auto folder = root / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    qm::bench::WriteBook(folder.string(), kAccounts, {});
    return folder.string();
}

}  // namespace

int main() {
    const auto root = std::filesystem::temp_directory_path() / "qm_vault_bench";
    std::printf("strong protection, median of %d runs\n", kRuns);

    std::vector<double> derive, deriveCpu;
    for (int i = 0; i < kRuns; ++i) {
        const double cpu = threadMs();
        derive.push_back(msOf([] { qm::vault::DeriveForNothing("abc123", qm::vault::kDefaultCost); }));
        deriveCpu.push_back(threadMs() - cpu);
    }
    std::printf("derivation (Argon2id, %llu passes, %llu MiB of memory): %.0f ms (%.0f ms of processor time)\n",
                static_cast<unsigned long long>(qm::vault::kDefaultCost.Passes),
                static_cast<unsigned long long>(qm::vault::kDefaultCost.MemoryBytes >> 20), median(derive),
                median(deriveCpu));

    const std::string legacy = freshBook(root, "legacy");
    const std::string protectedBook = freshBook(root, "protected");
    std::vector<double> switching;
    for (int i = 0; i < kRuns; ++i) {
        const std::string folder = freshBook(root, "switching");
        Run run(folder);
        run.logIn();
        switching.push_back(run.switchOn());
    }
    {
        Run run(protectedBook);
        run.logIn();
        run.switchOn();
    }
    std::printf("switching %zu accounts on (one derivation included): %.0f ms\n", kAccounts, median(switching));
    {
        Run run(protectedBook);
        run.logIn();
        std::vector<double> renew;
        for (int i = 0; i < kRuns; ++i) renew.push_back(run.newPassword());
        std::printf("a new password, protected user of %zu accounts (a new data key, every secret sealed again, one "
                    "derivation included): %.0f ms\n",
                    kAccounts, median(renew));
    }

    for (const auto& [what, folder] : {std::pair{"legacy", legacy}, std::pair{"protected", protectedBook}}) {
        std::vector<double> login;
        for (int i = 0; i < kRuns; ++i) login.push_back(Run(folder).logIn());
        std::printf("login to the filled main window at %zu accounts, %s user: %.0f ms\n", kAccounts, what, median(login));
    }
    {
        Run run(protectedBook);
        run.logIn();
        qm::forms::FrmMain& main = run.forms->Main();
        run.app.RsUser["ShowPassword"] = false;
        std::vector<double> fill;
        for (int i = 0; i < kRuns; ++i) fill.push_back(msOf([&] {
            main.RequeryData();
            for (size_t r = 0; r < 30 && r < main.ListViewUser.Count(); ++r) main.ListViewUser.CellText(r, 3);
        }));
        std::printf("list fill with passwords shown, 30 rows drawn, protected: %.1f ms\n", median(fill));
    }
    std::filesystem::remove_all(root);
}
