// Start and login over a book of 100,000 accounts, with and without ten
// earlier versions of each and 1,000 accounts in the recycle bin: the start
// deciphers the whole file, then the login proves the password, lets go of
// what waited too long in the bin and reads the user's accounts. The history
// is not read; what it costs is the bytes the start deciphers.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/Options.h"
#include "app/Startup.h"
#include "book.h"
#include "crypto/SimpleXOR.h"
#include "store/Connection.h"
#include "store/DataFile.h"
#include "ui/test/TestHost.h"

namespace {

constexpr size_t kAccounts = 100000;

std::string prepared(bool withHistory) {
    const auto folder = std::filesystem::temp_directory_path() / (withHistory ? "qm_loginbench_history" : "qm_loginbench");
    const std::string data = (folder / qm::store::kDataFileName).string();
    if (std::filesystem::exists(data)) return folder.string();
    std::filesystem::create_directories(folder);
    qm::bench::WriteBook(folder.string(), kAccounts, {});
    if (withHistory) {
        qm::crypto::clsSimpleXOR x;
        x.DecryptFile(data, data, qm::crypto::kDataFileKey);
        {
            qm::store::Connection c;
            c.Open(data);
            c.Execute("begin");
            for (int k = 1; k <= 10; ++k)
                c.Execute("insert into AccountHistory (UserName, AccountGuid, TypeName, AccountName, AccountID, "
                          "AccountPassword, RegDate, URL, Remarks, ChangedTime, ReplacedTime) select UserName, AccountGuid, "
                          "TypeName, AccountName, AccountID, AccountPassword, RegDate, 'http://old.example/" +
                          std::to_string(k) + "', Remarks, ChangedTime - " + std::to_string(86400 * k) +
                          ", ChangedTime - " + std::to_string(86400 * (k - 1)) + " from AccountData");
            // A thousand accounts deleted yesterday: none is old enough to go at the login.
            c.Execute("insert into RecycleBin (UserName, TypeName, AccountName, AccountPY, AccountID, AccountPassword, "
                      "RegDate, URL, Remarks, AccountGuid, CreatedTime, ChangedTime, icoIndex, DeletedTime) select UserName, "
                      "TypeName, AccountName, AccountPY, AccountID, AccountPassword, RegDate, URL, Remarks, AccountGuid, "
                      "CreatedTime, ChangedTime, 11, ChangedTime from AccountData where rowid <= 1000");
            c.Execute("delete from AccountData where rowid <= 1000");
            c.Execute("commit");
        }
        x.EncryptFile(data, data, qm::crypto::kDataFileKey);
    }
    return folder.string();
}

void BM_StartAndLogIn(benchmark::State& state) {
    const std::string folder = prepared(state.range(0) != 0);
    for (auto _ : state) {
        qm::ui::TestHost host;
        qm::app::AppContext app;
        app.AppPath = folder;
        qm::app::StartUp(app, host.os);
        app.RsUser.Filter("UserName = 'amy'");
        app.Secrets.Cost = {1, 64 * 1024};
        app.Secrets.LogIn(app.DbConn, app.RsUser, qm::bench::kBookPassword);
        app.CurrentUser = qm::bench::kBookUser;
        qm::app::PurgeRecycleBin(app, host.os.nowUtc);
        app.RsData.Open("select * from AccountData where UserName = 'amy'", app.DbConn);
        benchmark::DoNotOptimize(app.RsData.RecordCount());
        state.PauseTiming();
        qm::app::CloseDataFile(app);
        state.ResumeTiming();
    }
    state.counters["file_MB"] =
        static_cast<double>(std::filesystem::file_size(std::filesystem::path(folder) / qm::store::kDataFileName)) / 1e6;
}

}  // namespace

BENCHMARK(BM_StartAndLogIn)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
