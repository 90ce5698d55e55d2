// The export: what it leaves in freed memory, the rows it must leave out,
// and the file it writes among others in a folder; and what the import's
// reading of a file leaves in freed memory.
#include "transfer/Export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/files.h"
#include "store/Statement.h"
#include "support/heap_watch.h"
#include "support/store_fixture.h"
#include "text/codepage.h"
#include "text/utf.h"
#include "transfer/Import.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace qm::transfer;

namespace {

// Stands for the one place for secrets, which never stores a text as it
// is and binds it to its account; a damaged text, or one opened for another
// account, does not open. An opened text is made whole at once.
const SecretSeal kSeal{[](SecretField, std::string_view p, std::string_view account) {
                           return std::string(account) + "~" + std::string(p.rbegin(), p.rend());
                       },
                       [](SecretField, std::string_view s, std::string_view account) -> std::optional<std::string> {
                           if (!s.starts_with(std::string(account) + "~")) return std::nullopt;
                           return std::string(s.rbegin(), s.rend() - 1 - account.size());
                       }};
const std::string kDamaged = "damaged";

class ExportTest : public qm::test::StoreTest {
protected:
    void account(const std::string& name, const std::string& password, const std::string& remarks) {
        qm::store::Statement st(conn.Handle(),
                                "INSERT INTO AccountData (UserName, TypeName, AccountName, AccountID, AccountPassword, "
                                "RegDate, URL, Remarks, AccountGuid) VALUES ('amy', '其它', ?1, 'amy', ?2, '2008-03-05', '', ?3, ?4)");
        const std::string id = "id-" + name;
        st.Bind(1, qm::store::Value(name));
        st.Bind(2, qm::store::Value(password == kDamaged ? password : kSeal.Seal(SecretField::AccountPassword, password, id)));
        st.Bind(3, qm::store::Value(remarks == kDamaged ? remarks : kSeal.Seal(SecretField::Remarks, remarks, id)));
        st.Bind(4, qm::store::Value(id));
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
        return out + "2008-03-05,\r\n";  // no authenticator secret
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
    ExportResult result;
    {
        const qm::test::HeapWatch watch({secrets[0], secrets[1], secrets[2], secrets[3], secrets[4]});
        EXPECT_NO_THROW(result = WriteExport(conn, "amy", kSeal, dir.file("out.csv")));
        EXPECT_EQ(watch.FreedCopies(), 0) << "a freed block still held a deciphered text";
    }
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

TEST(ImportReadTest, NoFreedBlockKeepsAPasswordOfTheFileInAnyEncoding) {
    // Long texts: a short one lives inside its string, where no freed block holds it.
    const std::vector<std::string> secrets = {"第一个密码 first password", "second password, quite long"};
    std::string text = "name,url,username,password\r\n";
    for (int i = 0; i < 40; ++i) text += "site" + std::to_string(i) + ",https://a.example/,amy,filler's password " + std::to_string(i) + "\r\n";
    text += "mail,https://mail.example/,amy," + secrets[0] + "\r\nbank,https://bank.example/,amy," + secrets[1] + "\r\n";
    const std::u16string wide = qm::text::Utf8ToUtf16(text);
    std::string utf16le = "\xFF\xFE";
    for (char16_t u : wide) utf16le += static_cast<char>(u & 0xFF), utf16le += static_cast<char>(u >> 8);
    // A stray byte is read as UTF-8 only when the preview is told to.
    const struct { const char* name; std::string bytes; std::optional<Encoding> chosen; } files[] = {
        {"UTF-8", "\xEF\xBB\xBF" + text, std::nullopt}, {"UTF-8 with a stray byte", text + "\xFF", Encoding::Utf8},
        {"UTF-16 LE", utf16le, std::nullopt}, {"GB18030", qm::text::ToGb18030(text), std::nullopt}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        const qm::test::HeapWatch watch({secrets[0], secrets[1]});
        {
            SourceFile source = ReadSource(f.bytes, f.chosen);
            ASSERT_GE(source.rows.size(), 42u);  // the stray byte makes a row of its own
            EXPECT_EQ(source.rows[40].fields[3], secrets[0]);
            // As the preview does when it closes.
            for (CsvRow& row : source.rows)
                for (std::string& field : row.fields) Wipe(field);
        }
        EXPECT_EQ(watch.FreedCopies(), 0) << "a freed block still held a password of the file";
    }
}
