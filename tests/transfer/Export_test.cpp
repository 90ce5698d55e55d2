// The export: what it leaves in freed memory, the rows it must leave out,
// and the file it writes beside others in a folder.
#include "transfer/Export.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <set>

#include "platform/files.h"
#include "store/Statement.h"
#include "support/store_fixture.h"

#ifdef _WIN32
#include <malloc.h>
#else
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace qm::transfer;

// Every block the program frees passes here; while a test watches for a
// text, a freed block still holding it is remembered.
namespace {

std::atomic<const std::string*> gWatched{nullptr};
std::atomic<size_t> gWatchedCount{0};
std::atomic<bool> gFoundInFreed{false};

size_t blockSize(void* p) {
#ifdef _WIN32
    return _msize(p);
#else
    return malloc_usable_size(p);
#endif
}

void inspectFreed(void* p) noexcept {
    const std::string* watched = gWatched.load();
    if (!p || !watched) return;
    const char* block = static_cast<const char*>(p);
    const size_t size = blockSize(p);
    for (size_t w = 0; w < gWatchedCount.load(); ++w) {
        const std::string& needle = watched[w];
        for (size_t i = 0; i + needle.size() <= size; ++i)
            if (std::memcmp(block + i, needle.data(), needle.size()) == 0) gFoundInFreed = true;
    }
}

}  // namespace

void* operator new(std::size_t n) {
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return ::operator new(n); }
void operator delete(void* p) noexcept {
    inspectFreed(p);
    std::free(p);
}
void operator delete[](void* p) noexcept { ::operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { ::operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { ::operator delete(p); }

namespace {

// Stands for the program's one place for secrets, which never stores a
// text as it is: a damaged text does not open.
std::string hex(std::string_view s) {
    std::string out;
    for (const unsigned char c : s) out += "0123456789abcdef"[c >> 4], out += "0123456789abcdef"[c & 15];
    return out;
}
const SecretSeal kSeal{[](SecretField, std::string_view plain) { return hex(plain); },
                       [](SecretField, std::string_view stored) -> std::optional<std::string> {
                           if (stored.size() % 2 || stored.find_first_not_of("0123456789abcdef") != stored.npos)
                               return std::nullopt;
                           std::string plain(stored.size() / 2, '\0');  // made whole at once: no growth to free
                           for (size_t i = 0; i < plain.size(); ++i)
                               plain[i] = static_cast<char>(std::stoi(std::string(stored.substr(2 * i, 2)), nullptr, 16));
                           return plain;
                       }};
const std::string kDamaged = "not sealed";

class ExportTest : public qm::test::StoreTest {
protected:
    void account(const std::string& name, const std::string& password, const std::string& remarks) {
        qm::store::Statement st(conn.Handle(),
                                "INSERT INTO AccountData (UserName, TypeName, AccountName, AccountID, AccountPassword, "
                                "RegDate, URL, Remarks) VALUES ('amy', '其它', ?1, 'amy', ?2, '2008-03-05', '', ?3)");
        st.Bind(1, qm::store::Value(name));
        st.Bind(2, qm::store::Value(password == kDamaged ? password : hex(password)));
        st.Bind(3, qm::store::Value(remarks == kDamaged ? remarks : hex(remarks)));
        st.Step();
    }
    std::string read(const std::string& path) {
        const auto bytes = qm::platform::ReadWholeFile(path);
        return std::string(bytes.begin(), bytes.end());
    }
    std::string row(const std::string& name, const std::string& password, const std::string& remarks) {
        std::string out = "其它,";
        AppendCsvField(out, name);
        out += ",amy,";
        AppendCsvField(out, password);
        out += ',';
        out += ',';
        AppendCsvField(out, remarks);
        return out + ",2008-03-05\r\n";
    }
    const std::string header = "\xEF\xBB\xBF" + std::string(kExportHeader) + "\r\n";
};

}  // namespace

TEST_F(ExportTest, AnAccountThatWillNotOpenIsLeftOutAndNamedAndTheRestWrittenExactly) {
    // Long texts: a short one lives inside its string, where no freed block holds it.
    const std::string secrets[] = {"first password of some length 1", "second password, \"quoted\" 2",
                                   "a remark that is long enough\r\nto matter", "password whose remark is damaged",
                                   "remark whose password is damaged"};
    account("=HYPERLINK(\"http://x\",\"y\")", secrets[0], "");
    account(" both ", secrets[1], secrets[2]);
    account("remark damaged", secrets[3], kDamaged);
    account("password damaged", kDamaged, secrets[4]);
    account("both damaged", kDamaged, kDamaged);
    // Enough after them that the text grows past what it held them in.
    std::string expected = header + row("=HYPERLINK(\"http://x\",\"y\")", secrets[0], "") + row(" both ", secrets[1], secrets[2]);
    for (size_t i = 0; i < 40; ++i) {
        account("filler " + std::to_string(i), "filler password " + std::to_string(i), "");
        expected += row("filler " + std::to_string(i), "filler password " + std::to_string(i), "");
    }
    const std::string path = dir.file("out.csv");

    gWatchedCount = std::size(secrets);
    gWatched = secrets;
    gFoundInFreed = false;
    ExportResult result;
    try {
        result = WriteExport(conn, "amy", kSeal, path);
    } catch (...) {
        gWatched = nullptr;
        throw;
    }
    gWatched = nullptr;
    EXPECT_FALSE(gFoundInFreed) << "a freed block still held a deciphered text";

    EXPECT_EQ(result.written, 42u);
    EXPECT_EQ(result.damaged, (std::vector<std::string>{"remark damaged", "password damaged", "both damaged"}));
    EXPECT_EQ(read(path), expected);
}

TEST_F(ExportTest, TheTemporaryFileIsNewPrivateAndOneLeftBehindGoesAtTheNextExport) {
    account("mail", "pw", "");
    namespace fs = std::filesystem;
    const auto plant = [&](const std::string& name) {
        qm::platform::ReplaceFileContents(dir.file(name), std::vector<unsigned char>{'o', 'l', 'd'});
    };
    // Left by an export that died before its rename: removed. Another
    // program's files, and a stale one in another folder, are not.
    const std::string prefix = qm::platform::kPrivateTempPrefix;
    const std::string stale = prefix + "0123456789abcdef.tmp";
    const std::string kept[] = {prefix + "0123.tmp", prefix + "0123456789abcdefg.tmp", prefix + "0123456789abcdex.tmp",
                                "notes.txt", "out.csv.txt"};
    fs::create_directory(qm::test::PathOf(dir.file("share")));
    fs::create_directory(qm::test::PathOf(dir.file("other")));
    plant("share/" + stale);
    for (const std::string& name : kept) plant("share/" + name);
    plant("other/" + stale);
    plant("share/out.csv");  // an older export, replaced whole
    const std::string target = dir.file("share/out.csv");
#ifndef _WIN32
    // A link planted where a temporary file of a fixed name would go: never
    // followed, whatever the name the export picks.
    fs::create_symlink(qm::test::PathOf(dir.file("other/" + stale)), qm::test::PathOf(target + ".qmtmp"));
    const mode_t mask = ::umask(0);
#endif
    const ExportResult result = WriteExport(conn, "amy", kSeal, target);
#ifndef _WIN32
    ::umask(mask);
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "readable by its owner only";
    fs::remove(qm::test::PathOf(target + ".qmtmp"));
#endif
    EXPECT_EQ(result.written, 1u);
    EXPECT_EQ(read(target), header + row("mail", "pw", ""));
    EXPECT_EQ(read(dir.file("other/" + stale)), "old");
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(qm::test::PathOf(dir.file("share"))))
        left.insert(qm::test::Utf8(entry.path().filename()));
    std::set<std::string> expected(std::begin(kept), std::end(kept));
    expected.insert("out.csv");
    EXPECT_EQ(left, expected) << "no temporary file is left, a stale one is gone";
}
