// The sync file: a book comes back whole with its password only; any other
// file, damaged, newer or under another password, is refused with its reason.
#include <gtest/gtest.h>
#include <sodium.h>

#include "sync/SyncFile.h"

using namespace qm::sync;
using qm::vault::SyncOpen;

namespace {

constexpr qm::vault::DerivationCost kCheap{1, 64 * 1024};

Book sampleBook() {
    Book b;
    b.LoginChanged = 1700000000;
    b.Categories = {{"网站", 3}, {"Bank", 0}};
    Version v;
    v.Category = "网站", v.Name = "工商银行网银", v.User = "zhangsan_1984", v.Password = std::string("Pa\0ss词", 8);
    v.Registered = "2019-05-06", v.Address = "https://bank.example/login", v.Remarks = "备注:U盾 PIN", v.Changed = 1700000100;
    v.Otp = "otpauth://totp/Bank:zhangsan?secret=JBSWY3DPEHPK3PXP";
    Version old = v;
    old.Password = "older-secret", old.Changed = 1600000000;
    b.Accounts.push_back({std::string(32, 'a'), 1500000000, v, {old, old}, std::nullopt});
    v.Name = "回收站里的", v.Password = "", v.Remarks = "", v.Otp = "";
    b.Accounts.push_back({"0123456789abcdef0123456789abcdef", 1, v, {}, int64_t{1700000200}});
    b.Removed = {{std::string(32, 'f'), 1690000000}};
    return b;
}

std::string checksum(std::string_view data) {
    std::string sum(16, '\0');
    crypto_generichash(reinterpret_cast<unsigned char*>(sum.data()), 16,
                       reinterpret_cast<const unsigned char*>(data.data()), data.size(), nullptr, 0);
    return sum;
}

}  // namespace

TEST(SyncFile, ABookComesBackWholeAndTheKeyItOpenedWithWritesItBack) {
    const Book book = sampleBook();
    const std::string file = WriteSyncFile(book, qm::vault::SyncKey::Make("登录密码 1", kCheap));
    const ReadSync read = ReadSyncFile(file, "登录密码 1");
    ASSERT_EQ(read.Result, SyncOpen::Opened);
    EXPECT_EQ(read.Contents, book);
    ASSERT_TRUE(read.Key);
    const std::string again = WriteSyncFile(read.Contents, *read.Key);
    EXPECT_NE(again, file) << "each sealing takes a fresh nonce";
    EXPECT_EQ(ReadSyncFile(again, "登录密码 1").Contents, book);
    EXPECT_EQ(ReadSyncFile(WriteSyncFile(Book{}, *read.Key), "登录密码 1").Contents, Book{});
    EXPECT_EQ(qm::vault::OpenSync(qm::vault::SealSync("", *read.Key), "登录密码 1").Result, SyncOpen::Opened);
}

// The file lies in a folder another company's program copies: nothing a user
// typed may show in its bytes, in the clear or as hexadecimal.
TEST(SyncFile, NoNameUserPasswordOrRemarkShowsInTheFile) {
    const Book book = sampleBook();
    const std::string file = WriteSyncFile(book, qm::vault::SyncKey::Make("pw", kCheap));
    for (const std::string word : {"工商银行", "zhangsan", "older-secret", "U盾", "bank.example", "2019-05-06", "网站", "JBSWY3DP"}) {
        EXPECT_EQ(file.find(word), std::string::npos) << word;
        EXPECT_EQ(file.find(qm::vault::ToHex(word)), std::string::npos) << word;
    }
}

TEST(SyncFile, EveryDamagedOtherOrNewerFileIsRefusedWithItsReason) {
    const std::string file = WriteSyncFile(sampleBook(), qm::vault::SyncKey::Make("pw", kCheap));
    const auto refused = [](std::string_view bytes, std::string_view password) {
        const ReadSync r = ReadSyncFile(bytes, password);
        EXPECT_TRUE(r.Contents == Book{} && !r.Key) << "something of a refused file came back";
        return r.Result;
    };
    for (size_t at = 0; at < file.size(); ++at) {
        std::string flipped = file;
        flipped[at] ^= 0x20;
        EXPECT_EQ(refused(flipped, "pw"), at < 7 ? SyncOpen::NotSyncFile : SyncOpen::Damaged) << "byte " << at;
    }
    const size_t lineEnd = file.find('\n');
    const auto resummed = [&](std::string s) { return s.replace(s.size() - 16, 16, checksum(s.substr(0, s.size() - 16))); };
    const auto withHeader = [&](const std::string& header) {
        return resummed(header + file.substr(lineEnd));
    };
    const std::string header = file.substr(0, lineEnd);
    struct Row {
        const char* what;
        std::string bytes;
        const char* password;
        SyncOpen result;
    };
    const Row rows[] = {
        {"wrong password", file, "pW", SyncOpen::WrongPassword},
        {"empty password", file, "", SyncOpen::WrongPassword},
        {"empty file", "", "pw", SyncOpen::NotSyncFile},
        {"a CSV export", "TypeName,AccountName\n", "pw", SyncOpen::NotSyncFile},
        {"cut short", file.substr(0, file.size() - 1), "pw", SyncOpen::Damaged},
        {"header only", resummed(header + "\n" + std::string(16, '\0')), "pw", SyncOpen::Damaged},
        {"sealed body cut, checksum redone", resummed(file.substr(0, file.size() - 17) + std::string(16, '\0')), "pw",
         SyncOpen::WrongPassword},
        {"version 2", withHeader("QMSYNC 2" + header.substr(8)), "pw", SyncOpen::Newer},
        {"version 10", withHeader("QMSYNC 10" + header.substr(8)), "pw", SyncOpen::Newer},
        {"version 0", withHeader("QMSYNC 0" + header.substr(8)), "pw", SyncOpen::Damaged},
        {"absurd memory", withHeader(header.substr(0, header.rfind(' ')) + " 99999999999999"), "pw", SyncOpen::Damaged},
        {"extra field", withHeader(header + " 1"), "pw", SyncOpen::Damaged},
        {"short salt", withHeader("QMSYNC 1 00" + header.substr(header.find(' ', 9))), "pw", SyncOpen::Damaged},
    };
    for (const Row& r : rows) EXPECT_EQ(refused(r.bytes, r.password), r.result) << r.what;
    for (SyncOpen s : {SyncOpen::NotSyncFile, SyncOpen::Newer, SyncOpen::Damaged, SyncOpen::WrongPassword})
        EXPECT_NE(qm::vault::SyncOpenMessage(s), nullptr);
}

// A content the seal let through is still read with care: every cut, a byte
// too many and an identity that is not one leave nothing half-read.
TEST(SyncFile, AMalformedContentIsRefusedWhole) {
    const Book book = sampleBook();
    const Secret content = Serialise(book);
    ASSERT_EQ(Parse(content), book);
    for (size_t n = 0; n < content.size(); ++n) EXPECT_FALSE(Parse(std::string_view(content).substr(0, n))) << n;
    EXPECT_FALSE(Parse(std::string(content) + '\0'));
    for (const char* id : {"0123456789ABCDEF0123456789ABCDEF", "0123456789abcdef0123456789abcde", ""}) {
        Book bad = book;
        bad.Accounts[1].Id = id;
        EXPECT_FALSE(Parse(Serialise(bad))) << id;
    }
    Book twice = book;
    twice.Accounts[1].Id = twice.Accounts[0].Id;
    EXPECT_FALSE(Parse(Serialise(twice)));
    Book one;
    one.Accounts.push_back(book.Accounts[1]);
    Secret bin = Serialise(one);
    bin[8 + 4 + 4 + 4 + 4 + 32 + 8] = 2;  // the bin's flag: neither in nor out
    EXPECT_FALSE(Parse(bin));
}

// The key a login derived opens the file it was derived for, and a file
// sealed anew (another salt or cost) is told apart without a derivation.
TEST(SyncFile, AKeyAtHandOpensOnlyTheFileOfItsSaltAndCost) {
    const Book book = sampleBook();
    auto key = std::make_shared<qm::vault::SyncKey>(qm::vault::SyncKey::Make("pw", kCheap));
    const std::string file = WriteSyncFile(book, *key);
    auto otherSalt = std::make_shared<qm::vault::SyncKey>(qm::vault::SyncKey::Make("pw", kCheap));
    auto otherCost = std::make_shared<qm::vault::SyncKey>(*key);
    otherCost->Cost.Passes += 1;
    auto otherMemory = std::make_shared<qm::vault::SyncKey>(*key);
    otherMemory->Cost.MemoryBytes *= 2;
    std::string damaged = file;
    damaged[damaged.size() / 2] ^= 1;
    const struct {
        const char* name;
        std::string file;
        std::shared_ptr<qm::vault::SyncKey> key;
        SyncOpen result;
    } rows[] = {{"its own", file, key, SyncOpen::Opened},       {"another salt", file, otherSalt, SyncOpen::WrongPassword},
                {"more passes", file, otherCost, SyncOpen::WrongPassword},
                {"more memory", file, otherMemory, SyncOpen::WrongPassword},
                {"none", file, nullptr, SyncOpen::WrongPassword}, {"damaged", damaged, key, SyncOpen::Damaged},
                {"not a sync file", "QM", key, SyncOpen::NotSyncFile}};
    for (const auto& r : rows) {
        const ReadSync read = ReadSyncFile(r.file, r.key);
        EXPECT_EQ(read.Result, r.result) << r.name;
        if (r.result == SyncOpen::Opened) EXPECT_EQ(read.Contents, book);
    }
}
