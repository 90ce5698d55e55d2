// The export: what it leaves in freed memory, the rows it must leave out,
// and the file it writes among others in a folder.
#include "transfer/Export.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <set>

#include "platform/files.h"
#include "store/Statement.h"
#include "support/store_fixture.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace qm::transfer;

// Every block freed through operator delete passes here; while a test
// watches for texts, a freed block still holding one of them is noted.
namespace {
std::atomic<const std::vector<std::string>*> gWatched{nullptr};
std::atomic<bool> gFoundInFreed{false};
}  // namespace

namespace {
void release(void* p) noexcept {
    if (const std::vector<std::string>* watched = gWatched.load(); p && watched) {
#ifdef _WIN32
        const size_t size = _msize(p);
#else
        const size_t size = malloc_usable_size(p);
#endif
        for (const std::string& text : *watched)
            for (size_t i = 0; i + text.size() <= size; ++i)
                if (std::memcmp(static_cast<const char*>(p) + i, text.data(), text.size()) == 0) gFoundInFreed = true;
    }
    std::free(p);
}
void* take(std::size_t n) {
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t n) { return take(n); }
void* operator new[](std::size_t n) { return take(n); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
// The sanitizers' own nothrow forms would otherwise meet the free above.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return std::malloc(n ? n : 1); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return std::malloc(n ? n : 1); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }

namespace {

// Stands for the one place for secrets, which never stores a text as it
// is; a damaged text does not open. An opened text is made whole at once.
const SecretSeal kSeal{[](SecretField, std::string_view p) { return "~" + std::string(p.rbegin(), p.rend()); },
                       [](SecretField, std::string_view s) -> std::optional<std::string> {
                           if (!s.starts_with('~')) return std::nullopt;
                           return std::string(s.rbegin(), s.rend() - 1);
                       }};
const std::string kDamaged = "damaged";

class ExportTest : public qm::test::StoreTest {
protected:
    void account(const std::string& name, const std::string& password, const std::string& remarks) {
        qm::store::Statement st(conn.Handle(),
                                "INSERT INTO AccountData (UserName, TypeName, AccountName, AccountID, AccountPassword, "
                                "RegDate, URL, Remarks) VALUES ('amy', '其它', ?1, 'amy', ?2, '2008-03-05', '', ?3)");
        st.Bind(1, qm::store::Value(name));
        st.Bind(2, qm::store::Value(password == kDamaged ? password : kSeal.Seal(SecretField::AccountPassword, password)));
        st.Bind(3, qm::store::Value(remarks == kDamaged ? remarks : kSeal.Seal(SecretField::Remarks, remarks)));
        st.Step();
    }
    static std::string read(const std::string& path) {
        const auto bytes = qm::platform::ReadWholeFile(path);
        return std::string(bytes.begin(), bytes.end());
    }
    static std::string row(const std::string& name, const std::string& password, const std::string& remarks) {
        std::string out;
        for (const std::string& field : {std::string("其它"), name, std::string("amy"), password, std::string(), remarks})
            AppendCsvField(out, field), out += ',';
        return out + "2008-03-05\r\n";
    }
    const std::string header = "\xEF\xBB\xBF" + std::string(kExportHeader) + "\r\n";
};

}  // namespace

TEST_F(ExportTest, AnAccountThatWillNotOpenIsLeftOutAndNamedAndNoFreedBlockKeepsAText) {
    // Long texts: a short one lives inside its string, where no freed block holds it.
    const std::vector<std::string> secrets = {"first password of some length", "second password, \"quoted\"",
                                              "a remark long enough\r\nto matter", "password whose remark is damaged",
                                              "remark whose password is damaged"};
    account("=HYPERLINK(\"http://x\",\"y\")", secrets[0], "");
    account(" both ", secrets[1], secrets[2]);
    account("remark damaged", secrets[3], kDamaged);
    account("password damaged", kDamaged, secrets[4]);
    account("both damaged", kDamaged, kDamaged);
    // Enough after them that the text grows past the block that held them.
    std::string expected = header + row("=HYPERLINK(\"http://x\",\"y\")", secrets[0], "") + row(" both ", secrets[1], secrets[2]);
    for (const std::string i : {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "16"}) {
        account("filler " + i, "filler's password " + i, "");
        expected += row("filler " + i, "filler's password " + i, "");
    }
    gFoundInFreed = false;
    gWatched = &secrets;
    ExportResult result;
    EXPECT_NO_THROW(result = WriteExport(conn, "amy", kSeal, dir.file("out.csv")));
    gWatched = nullptr;
    EXPECT_FALSE(gFoundInFreed) << "a freed block still held a deciphered text";
    EXPECT_EQ(result.written, 18u);
    EXPECT_EQ(result.damaged, (std::vector<std::string>{"remark damaged", "password damaged", "both damaged"}));
    EXPECT_EQ(read(dir.file("out.csv")), expected);
}

TEST_F(ExportTest, TheTemporaryFileIsNewPrivateAndOneLeftBehindGoesAtTheNextExport) {
    namespace fs = std::filesystem;
    account("mail", "pw", "");
    const auto plant = [&](const std::string& name) { qm::platform::ReplaceFileContents(dir.file(name), {'o', 'l', 'd'}); };
    // Left by an export that died before its rename: removed. Another
    // program's files, and a stale one in another folder, are not.
    const std::string prefix = qm::platform::kPrivateTempPrefix, stale = prefix + "0123456789abcdef.tmp";
    const std::set<std::string> kept = {prefix + "0123.tmp", prefix + "0123456789abcdefg.tmp",
                                        prefix + "0123456789abcdex.tmp", "out.csv.txt"};
    for (const char* folder : {"share", "other"}) fs::create_directory(qm::test::PathOf(dir.file(folder)));
    for (const std::string& name : kept) plant("share/" + name);
    for (const char* name : {"share/out.csv", "other/victim"}) plant(name);
    plant("share/" + stale);
    plant("other/" + stale);
    const std::string target = dir.file("share/out.csv");
#ifndef _WIN32
    // A link where a temporary file of a fixed name would go is never followed.
    fs::create_symlink(qm::test::PathOf(dir.file("other/victim")), qm::test::PathOf(target + ".qmtmp"));
#endif
    EXPECT_EQ(WriteExport(conn, "amy", kSeal, target).written, 1u);
    EXPECT_EQ(read(target), header + row("mail", "pw", ""));
    EXPECT_EQ(read(dir.file("other/victim")) + read(dir.file("other/" + stale)), "oldold");
#ifndef _WIN32
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "readable by its owner only";
    fs::remove(qm::test::PathOf(target + ".qmtmp"));
#endif
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(qm::test::PathOf(dir.file("share"))))
        left.insert(qm::test::Utf8(entry.path().filename()));
    std::set<std::string> expected = kept;
    expected.insert("out.csv");
    EXPECT_EQ(left, expected) << "no temporary file is left, the stale one is gone";
}
