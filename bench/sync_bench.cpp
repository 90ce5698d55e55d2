// The figures of a sync's local side over 10,000 accounts, printed: the
// book read from the data file, merged with the sync file's book, the merged
// book written back and sealed for the sync file; once with 100 accounts
// changed on each side, once with nothing changed. For a legacy and a
// protected user. The sync file's key is derived once, before the timing and
// at a cheap cost: its derivation is the login's, timed by qm_vault_bench.
// Built natively and for Windows:
//   build/native/bin/qm_sync_bench
//   scripts/wine-exec build/windows/bin/qm_sync_bench.exe
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

#include "app/Startup.h"
#include "book.h"
#include "forms/Forms.h"
#include "forms/FrmLogin.h"
#include "sync/LocalBook.h"
#include "sync/Merge.h"
#include "sync/SyncFile.h"
#include "ui/test/TestHost.h"
#include "vault/Protection.h"

namespace {

using Clock = std::chrono::steady_clock;
using qm::sync::Book;
constexpr size_t kAccounts = 10000;
constexpr size_t kChanged = 100;
constexpr int kRuns = 3;
constexpr int64_t kNow = 1800000000;

double msOf(const std::function<void()>& work) {
    const auto t0 = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A run of the program over `folder`, logged in.
struct Run {
    qm::ui::TestHost host;
    qm::app::AppContext app;
    std::unique_ptr<qm::forms::Forms> forms;
    Run(const std::string& folder, bool protect) {
        app.AppPath = folder;
        qm::app::StartUp(app, host.os);
        forms = std::make_unique<qm::forms::Forms>(app, host);
        qm::forms::FrmLogin& login = forms->Login();
        login.Show();
        login.CbUser.SetText(qm::bench::kBookUser);
        login.TxtPass.SetText(qm::bench::kBookPassword);
        login.CmdLogin.RaiseClick();
        if (protect && !app.Secrets.Protected()) {
            const qm::vault::Proven proven = app.Secrets.Prove(app.DbConn, app.RsUser, qm::bench::kBookPassword);
            qm::vault::SwitchOn(app.DbConn, app.RsUser, app.Secrets, proven, qm::bench::kBookPassword);
        }
    }
    ~Run() {
        forms.reset();
        qm::app::CloseDataFile(app);
    }
    Book read() { return *qm::sync::ReadLocalBook(app.DbConn, app.Secrets, qm::bench::kBookUser).Contents; }
};

// Each of `count` accounts from `first` on, every `step`th, gets a new
// password at `when`, its version before kept in its history.
void edit(Book& book, size_t first, size_t step, size_t count, int64_t when, const char* text) {
    for (size_t i = first, n = 0; n < count && i < book.Accounts.size(); i += step, ++n) {
        qm::sync::Account& a = book.Accounts[i];
        a.History.insert(a.History.begin(), a.Current);
        if (a.History.size() > qm::sync::kHistoryCap) a.History.pop_back();
        a.Current.Password = std::string(text) + std::to_string(i);
        a.Current.Changed = when;
    }
}

struct Phases {
    std::vector<double> read, merge, write, seal, total;
    void print(const char* what) const {
        std::printf("  %s: read %.0f ms, merge %.0f ms, write back %.0f ms, sync file sealed %.0f ms; in all %.0f ms\n", what,
                    median(read), median(merge), median(write), median(seal), median(total));
    }
};

// One sync as the program makes it: what the merge says changed is written.
void sync(Run& run, const Book& remote, const qm::vault::SyncKey& key, Phases& p) {
    Book local, merged;
    qm::sync::MergeReport report;
    std::string file;
    double read = 0, merge = 0, write = 0, seal = 0;
    const double total = msOf([&] {
        read = msOf([&] { local = run.read(); });
        merge = msOf([&] {
            qm::sync::MergeResult m = qm::sync::Merge(local, remote, kNow);
            merged = std::move(m.Merged);
            report = std::move(m.Report);
        });
        write = msOf([&] {
            if (report.LocalChanged)
                qm::sync::WriteLocalBook(run.app.DbConn, run.app.Secrets, qm::bench::kBookUser, local, merged);
        });
        seal = msOf([&] {
            if (report.RemoteChanged) file = qm::sync::WriteSyncFile(merged, key);
        });
    });
    p.read.push_back(read), p.merge.push_back(merge), p.write.push_back(write), p.seal.push_back(seal);
    p.total.push_back(total);
}

}  // namespace

int main() {
    const auto root = std::filesystem::temp_directory_path() / "qm_sync_bench";
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "base");
    qm::bench::WriteBook((root / "base").string(), kAccounts, {});
    const qm::vault::SyncKey key = qm::vault::SyncKey::Make(qm::bench::kBookPassword, {1, 64 * 1024});
    std::printf("a sync of %zu accounts, median of %d runs\n", kAccounts, kRuns);

    for (const bool protect : {false, true}) {
        std::printf("%s user:\n", protect ? "protected" : "legacy");
        Phases changed, unchanged;
        for (int r = 0; r < kRuns; ++r) {
            const auto folder = root / "run";
            std::filesystem::remove_all(folder);
            std::filesystem::copy(root / "base", folder, std::filesystem::copy_options::recursive);
            Run run(folder.string(), protect);
            // The sync file holds the book as it was, 100 accounts changed on
            // another PC; this PC has changed 100 others since.
            const Book shared = run.read();
            Book remote = shared, here = shared;
            edit(remote, 0, 98, kChanged, kNow - 20, "remote-");
            edit(here, 49, 98, kChanged, kNow - 10, "local-");
            qm::sync::WriteLocalBook(run.app.DbConn, run.app.Secrets, qm::bench::kBookUser, shared, here);
            sync(run, remote, key, changed);
            // Again: both sides now hold the merged book.
            const Book now = run.read();
            sync(run, now, key, unchanged);
        }
        changed.print("100 changed on each side");
        unchanged.print("nothing changed");
    }
    {
        Run run((root / "base").string(), false);
        const Book book = run.read();
        std::vector<double> serialise;
        size_t bytes = 0;
        for (int r = 0; r < kRuns; ++r) serialise.push_back(msOf([&] { bytes = qm::sync::Serialise(book).size(); }));
        std::printf("the book serialised alone: %.1f ms, %zu bytes\n", median(serialise), bytes);
    }
    std::filesystem::remove_all(root);
}
