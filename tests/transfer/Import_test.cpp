// Import and export: every exporter's own form, the encodings, the plan's
// verdicts, and the writes that must be all or nothing.
#include "transfer/Import.h"

#include <gtest/gtest.h>

#include <tuple>

#include "otp/Code.h"
#include "otp/Secret.h"
#include "store/Statement.h"
#include "support/field_seal.h"
#include "support/store_fixture.h"
#include "text/codepage.h"
#include "text/utf.h"
#include "transfer/Export.h"

using namespace qm::transfer;

namespace {

const SecretSeal& kSeal = qm::test::kFieldSeal;

auto tie(const Account& a) { return std::tie(a.category, a.name, a.user, a.password, a.url, a.date, a.remarks); }

Plan plan(std::string_view bytes, const Book& book = {}, DuplicateChoice d = DuplicateChoice::Skip) {
    return MakePlan(ReadSource(bytes), book, d);
}

}  // namespace

TEST(ImportFormats, EachExportersOwnFormImportsAsAUserExpects) {
    struct Case {
        const char* text;
        FormatId format;
        size_t imported, skipped;
        Account first;
    };
    const Case cases[] = {
        {"name,url,username,password,note\r\nexample.com,https://www.example.com:8080/a,amy,\"p\"\"w\",\"multi\nline\"\r\n",
         FormatId::Chromium, 1, 0, {"网站帐号", "example.com", "amy", "p\"w", "https://www.example.com:8080/a", "", "multi\r\nline"}},
        {"name,url,username,password\n,https://www.qq.com:443/x,u1,pw\n,,,\n", FormatId::Chromium, 1, 0,
         {"网站帐号", "qq.com", "u1", "pw", "https://www.qq.com:443/x", "", ""}},
        {"\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\",\"timeCreated\",\"timeLastUsed\","
         "\"timePasswordChanged\"\r\n\"https://mail.163.com\",\"amy\",\"pw\",,\"\",\"{g}\",\"1600000000000\",\"1600000000000\","
         "\"1600000000000\"\r\n\"chrome://FirefoxAccounts\",\"x\",\"{}\",\"Firefox Accounts credentials\",,\"{g}\",\"1\",\"1\",\"1\"",
         FormatId::Firefox, 1, 1, {"网站帐号", "mail.163.com", "amy", "pw", "https://mail.163.com", "2020-09-13", ""}},
        {"\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last Modified\",\"Created\"\n"
         "\"Root/Emails/WS\",\"Mail\",\"amy\",\"pw\",\"https://x\",\"n\",\"otpauth://totp/x?secret=AB\",\"0\","
         "\"2022-12-12T14:01:52Z\",\"2022-12-11T14:01:52Z\"\n\"Root\",\"Top\",\"bob\",\"pw2\",\"\",\"\",\"\",\"0\",\"\",\"\"\n"
         "\"Root/Recycle Bin\",\"Old\",\"bob\",\"pw3\",\"\",\"\",\"\",\"0\",\"\",\"\"\n",
         FormatId::KeePassXC, 2, 1, {"WS", "Mail", "amy", "pw", "https://x", "2022-12-11", "n"}},  // the TOTP: the account's secret
        {"\"Account\",\"Login Name\",\"Password\",\"Web Site\",\"Comments\"\r\n\"Entry \\\"q\\\"\",\"amy\",\"a\\\\b\\\"c\",\"https://k\",\"\"\r\n",
         FormatId::KeePass2, 1, 0, {"网站帐号", "Entry \"q\"", "amy", "a\\b\"c", "https://k", "", ""}},
        {"folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\r\n"
         "Work/Projects,1,login,Proj,,\"pin: 1\r\nold: 2\",0,\"https://a.com,https://b.com\",amy,pw,JBSWY\r\n"
         ",,note,Secure,text,,0,,,,",
         FormatId::Bitwarden, 1, 1,
         {"Projects", "Proj", "amy", "pw", "https://a.com", "", "自定义字段: pin: 1\r\nold: 2\r\n其他网址: https://b.com"}},
        {"url,username,password,totp,extra,name,grouping,fav\nhttp://,amy,p&amp;w,,a &amp; b,Tom &amp; Jerry,Emails\\WS,0\n"
         "http://sn,,,,secret,Note1,,0\n",
         FormatId::LastPass, 1, 1, {"WS", "Tom & Jerry", "amy", "p&amp;w", "", "", "a & b"}},
        {"Title,URL,Username,Password,Notes,OTPAuth\nexample.com (amy),https://example.com,amy,pw,\"L1\nL2\",otpauth://t?s=X",
         FormatId::Apple, 1, 0, {"网站帐号", "example.com (amy)", "amy", "pw", "https://example.com", "", "L1\r\nL2\r\nTOTP: otpauth://t?s=X"}},
        {"Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes\nBank,https://bank.cn,amy,pw,,false,false,Starter Kit,note\n",
         FormatId::OnePassword, 1, 0, {"网站帐号", "Bank", "amy", "pw", "https://bank.cn", "", "note\r\nTags: Starter Kit"}},
        {"\"UUID\",\"TITLE\",\"USERNAME\",\"PASSWORD\",\"URL\",\"URLS\",\"EMAIL\",\"NOTES\",\"SECTION 1: X\"\n"
         "\"x1\",\"Acct\",\"amy\",\"pw\",\"https://a\",\"https://a\",\"amy\",\"n\",\"\"\n\"x2\",\"Card\",\"\",\"\",\"\",\"\",\"\",\"\",\"4111\"",
         FormatId::OnePassword, 1, 1, {"网站帐号", "Acct", "amy", "pw", "https://a", "", "n"}},
        {"username,username2,username3,title,password,note,url,category,otpUrl\nTest user,alt,,Test,password123,,https://Test,Social,",
         FormatId::Dashlane, 1, 0, {"Social", "Test", "Test user", "password123", "https://Test", "", "用户名2: alt"}},
        {"folder,name,login_uri,login_username,login_password\nWork,Proj,https://a,amy,pw\n", FormatId::Bitwarden, 1, 0,
         {"Work", "Proj", "amy", "pw", "https://a", "", ""}},
        {"name,url,username,password,note\nqq,https://qq.com,amy\n", FormatId::Chromium, 1, 0,
         {"网站帐号", "qq", "amy", "", "https://qq.com", "", ""}},
        {"\xEF\xBB\xBFGroup,Title,Username,Password,URL,Notes,Created\r\nFTP/SSH,Name,u,p,,\"r\nx\",2008-03-05\r\n",
         FormatId::Quillmere, 1, 0, {"FTP/SSH", "Name", "u", "p", "", "2008-03-05", "r\nx"}},
        {"站点,帐号,密码\nqq,u,p\n", FormatId::Unknown, 1, 0, {"网站帐号", "u", "u", "p", "", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const SourceFile src = ReadSource(c.text);
        EXPECT_EQ(src.format, c.format);
        const Plan p = MakePlan(src, {}, DuplicateChoice::Skip);
        EXPECT_EQ(p.imported, c.imported);
        EXPECT_EQ(p.skipped, c.skipped);
        ASSERT_FALSE(p.rows.empty());
        EXPECT_EQ(tie(p.rows[0].account), tie(c.first));
    }
}

TEST(ImportFormats, AnAuthenticatorSecretBecomesTheAccountsAndOneThatDoesNotReadStaysInTheRemarks) {
    const std::string address = "otpauth://totp/GitHub:amy?secret=JBSWY3DPEHPK3PXP&issuer=GitHub";
    const struct {
        std::string text;
        FormatId format;
        std::string secret;  // as the user would have pasted it; "" for none
        std::string remarks;
    } cases[] = {
        {"Group,Title,Username,Password,URL,Notes,TOTP\nRoot,Mail,amy,pw,,n,\"" + address + "\"\n", FormatId::KeePassXC, address, "n"},
        {"folder,name,login_uri,login_username,login_password,login_totp\nW,P,https://a,amy,pw,jbsw y3dp ehpk 3pxp\n",
         FormatId::Bitwarden, "JBSWY3DPEHPK3PXP", ""},
        {"Title,Url,Username,Password,OTPAuth,Notes,Favorite\nBank,https://bank.cn,amy,pw,\"" + address + "\",note,false\n",
         FormatId::OnePassword, address, "note"},
        {"url,username,password,totp,extra,name,grouping\nhttps://x,amy,pw,JBSWY3DPEHPK3PXP,,X,G\n", FormatId::LastPass,
         "JBSWY3DPEHPK3PXP", ""},
        {"username,username2,title,password,note,url,category,otpSecret,otpUrl\namy,,T,pw,,https://t,S,JBSWY3DPEHPK3PXP,\"" + address +
             "\"\n",
         FormatId::Dashlane, "JBSWY3DPEHPK3PXP", ""},
        {"username,username2,title,password,note,url,category,otpSecret,otpUrl\namy,,T,pw,,https://t,S,,steam://JBSWY3DPEHPK3PXP\n",
         FormatId::Dashlane, "steam://JBSWY3DPEHPK3PXP", ""},
        {"Group,Title,Username,Password,URL,Notes,Created,TOTP\nG,T,u,p,,r,2008-03-05,\"" + address + "\"\n",
         FormatId::Quillmere, address, "r"},
        // Not a secret: left as the file had it, labelled.
        {"folder,name,login_uri,login_username,login_password,login_totp\nW,P,,amy,pw,JBSWY3DP1\n", FormatId::Bitwarden, "",
         "TOTP: JBSWY3DP1"},
        {"Group,Title,Username,Password,URL,Notes,Created,TOTP\nG,T,u,p,,r,2008-03-05,otpauth://hotp/x?secret=AAAA\n",
         FormatId::Quillmere, "", "r\r\nTOTP: otpauth://hotp/x?secret=AAAA"},
        {"username,username2,title,password,note,url,category,otpSecret,otpUrl\namy,,T,pw,,https://t,S,JBSWY3DPEHPK3PXP,GEZDGNBV\n",
         FormatId::Dashlane, "JBSWY3DPEHPK3PXP", "TOTP: GEZDGNBV"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const SourceFile src = ReadSource(c.text);
        EXPECT_EQ(src.format, c.format);
        const Plan p = MakePlan(src, {}, DuplicateChoice::Skip);
        ASSERT_EQ(p.imported, 1u);
        const Account& a = p.rows[0].account;
        EXPECT_EQ(a.remarks, c.remarks);
        if (c.secret.empty()) {
            EXPECT_EQ(a.otpSecret, "");
            continue;
        }
        // Kept as an address that reads back to the same secret.
        const qm::otp::ParsedSecret kept = qm::otp::ParseSecret(a.otpSecret), pasted = qm::otp::ParseSecret(c.secret);
        ASSERT_TRUE(kept) << a.otpSecret;
        EXPECT_TRUE(a.otpSecret.starts_with("otpauth://totp/"));
        EXPECT_EQ(kept.params->key, pasted.params->key);
        EXPECT_EQ(kept.params->encoding, pasted.params->encoding);
        EXPECT_EQ(kept.params->issuer, pasted.params->issuer);
        EXPECT_EQ(qm::otp::CodeAt(*kept.params, 1234567890), qm::otp::CodeAt(*pasted.params, 1234567890));
    }
}

TEST(ImportEncodings, GbkUtf16AndBomsReadTheSameRows) {
    const std::string text = "Title,Username,Password,Notes\r\n工商银行,amy,pw,Café 中文\r\n";
    const Plan utf8 = plan(text);
    std::u16string u16 = qm::text::Utf8ToUtf16(text);
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (char16_t c : u16) {
        le += static_cast<char>(c & 0xFF), le += static_cast<char>(c >> 8);
        be += static_cast<char>(c >> 8), be += static_cast<char>(c & 0xFF);
    }
    // Spreadsheets on Chinese Windows save code page 936; those bytes are valid Latin-1 too.
    const std::string gbk = qm::text::ToGb18030(text);
    const std::pair<std::string, Encoding> files[] = {
        {"\xEF\xBB\xBF" + text, Encoding::Utf8}, {le, Encoding::Utf16LE}, {be, Encoding::Utf16BE}, {gbk, Encoding::Gb18030}};
    for (const auto& [bytes, encoding] : files) {
        SCOPED_TRACE(EncodingName(encoding));
        EXPECT_EQ(DetectEncoding(bytes), encoding);
        const Plan p = plan(bytes);
        ASSERT_EQ(p.rows.size(), 1u);
        EXPECT_EQ(tie(p.rows[0].account), tie(utf8.rows[0].account));
    }
    // Read by hand as UTF-8, the GBK file shows replacement characters, not a fault.
    EXPECT_NE(MakePlan(ReadSource(gbk, Encoding::Utf8), {}, DuplicateChoice::Skip).rows[0].account.name, "工商银行");
}

TEST(ImportBadFiles, AreRefusedNamingTheLine) {
    const std::pair<std::string, size_t> files[] = {
        {"", 0}, {"\r\n\r\n", 0}, {std::string("PK\x03\x04\x00\x00\x08\x00", 8) + "binary", 0},
        {"\x89PNG\r\n\x1a\n\xff\xfe\xfd", 0}, {"onlyone\nx\n", 1}, {" , \nx,y\n", 1},
        {"Title,Username,Password\na,b,c\n\"open,b,c\n", 3}, {"Title,Username,Password\n\"a\"b,c,d\n", 2}};
    for (const auto& [bytes, line] : files) {
        SCOPED_TRACE(bytes);
        try {
            ReadSource(bytes);
            ADD_FAILURE() << "accepted";
        } catch (const ImportError& e) {
            EXPECT_EQ(e.Line, line);
        }
    }
}

TEST(ImportPlan, DuplicatesOfTheBookAndOfEarlierRowsAreSkippedOrCopied) {
    Book book;
    book.categories = {"网站帐号", "Mail"};
    book.keys.insert(AccountKey("网站帐号", "qq", "amy"));
    const std::string file = "Group,Title,Username,Password,URL,Notes\nRoot,QQ,AMY,1,,\nRoot/mail,x,bob,2,,\n"
                             "Root/Mail,x,bob,3,,\nRoot/New,y,,,,\nRoot/New,z,c,,,\"" + std::string(kMaxTextLength + 1, 'n') + "\"\n";
    const Plan skip = plan(file, book);
    EXPECT_EQ(std::tie(skip.imported, skip.duplicates, skip.skipped), std::make_tuple(1u, 2u, 2u));
    EXPECT_EQ(skip.rows[1].account.category, "Mail");  // the book's spelling
    EXPECT_TRUE(skip.newCategories.empty());            // "New" would hold nothing
    const Plan copy = plan(file, book, DuplicateChoice::Copy);
    EXPECT_EQ(std::tie(copy.imported, copy.duplicates, copy.skipped), std::make_tuple(3u, 0u, 2u));
    EXPECT_EQ(copy.rows[0].account.name, "QQ (2)");
    EXPECT_EQ(copy.rows[2].account.name, "x (2)");
    EXPECT_EQ(copy.perCategory, (std::vector<std::pair<std::string, size_t>>{{"网站帐号", 1}, {"Mail", 2}}));
}

TEST(ImportFormats, FirefoxRowsAreNamedAndDatedAsTheBrowserKeptThem) {
    struct Case {
        const char *url, *created, *changed;
        Outcome outcome;
        const char *name, *date;
    };
    // Milliseconds since 1970: each side of the turn of a year and of February.
    const Case cases[] = {
        {"https://mail.163.com", "1600000000000", "1600000000000", Outcome::Import, "mail.163.com", "2020-09-13"},
        {"https://a.cn", "1577836799000", "", Outcome::Import, "a.cn", "2019-12-31"},
        {"https://a.cn", "1577836800000", "", Outcome::Import, "a.cn", "2020-01-01"},
        {"https://a.cn", "1582934400000", "", Outcome::Import, "a.cn", "2020-02-29"},
        {"https://a.cn", "1583020800000", "", Outcome::Import, "a.cn", "2020-03-01"},
        {"https://bob@host.cn", "", "1582934400000", Outcome::Import, "host.cn", "2020-02-29"},
        {"https://bob:pw@www.host.cn:8080/x", "", "", Outcome::Import, "host.cn", "2026-12-07"},
        {"chrome://mailnotifier", "1612345678900", "", Outcome::Import, "mailnotifier", "2021-02-03"},
        {"chrome://Gmail-Notifier/", "", "", Outcome::Import, "Gmail-Notifier", "2026-12-07"},
        {"chrome://m", "", "", Outcome::Import, "m", "2026-12-07"},
        {"chrome://FirefoxAccounts", "1", "1", Outcome::Skip, "FirefoxAccounts", "1970-01-01"},
    };
    Book book;
    book.today = "2026-12-07";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.url) + " " + c.created + " " + c.changed);
        const std::string file = "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\","
                                 "\"timeCreated\",\"timeLastUsed\",\"timePasswordChanged\"\r\n\"" + std::string(c.url) +
                                 "\",\"amy\",\"pw\",,\"\",\"{g}\"," + c.created + ",," + c.changed;
        const Plan p = plan(file, book);
        ASSERT_EQ(p.rows.size(), 1u);
        EXPECT_EQ(p.rows[0].outcome, c.outcome);
        EXPECT_EQ(p.rows[0].account.name, c.name);
        if (c.outcome == Outcome::Import) EXPECT_EQ(p.rows[0].account.date, c.date);
    }
}

TEST(ImportFormats, AColumnTheMappingLeavesUnusedFillsNothing) {
    // The second of two columns guessed for one field is shown as not imported.
    const std::pair<std::string, Account> cases[] = {
        {"名称,网站,用户名,密码\n,qq.com,amy,pw\n", {"网站帐号", "amy", "amy", "pw", "", "", ""}},
        {"网址,url,用户名,密码\n,https://qq.com,amy,pw\n", {"网站帐号", "amy", "amy", "pw", "", "", ""}},
        {"密码,password,user,备注,notes\n,pw,amy,,n\n", {"网站帐号", "amy", "amy", "", "", "", ""}},
        {"type,name,user,password\nnote,qq,amy,pw\n", {"网站帐号", "qq", "amy", "pw", "", "", ""}},
    };
    for (const auto& [file, account] : cases) {
        SCOPED_TRACE(file);
        const SourceFile src = ReadSource(file);
        ASSERT_EQ(src.format, FormatId::Unknown);
        for (size_t i = 0; i < src.map.size(); ++i)
            for (size_t j = 0; j < i; ++j)
                if (src.map[i].target != Target::Ignore) EXPECT_NE(src.map[i].target, src.map[j].target) << i;
        const Plan p = MakePlan(src, {}, DuplicateChoice::Skip);
        ASSERT_EQ(p.rows.size(), 1u);
        EXPECT_EQ(tie(p.rows[0].account), tie(account));
    }
}

TEST(ImportPlan, CopiesOfManyEqualRowsTakeTheNextFreeNumbers) {
    Book book;
    book.keys = {AccountKey("网站帐号", "x", "amy"), AccountKey("网站帐号", "x (3)", "amy")};
    std::string file = "Title,Username,Password\n";
    for (const char* name : {"x", "X", "y", "x", "x (2)", "x", "y"}) file += std::string(name) + ",amy,pw\n";
    const Plan p = plan(file, book, DuplicateChoice::Copy);
    std::vector<std::string> names;
    for (const PlannedRow& r : p.rows) names.push_back(r.account.name);
    EXPECT_EQ(names, (std::vector<std::string>{"x (2)", "X (4)", "y", "x (5)", "x (2) (2)", "x (6)", "y (2)"}));
}

TEST(ImportBadFiles, ATooLargeFileOrTooWideRowIsRefusedSayingTheLimit) {
    const auto row = [](size_t fields) { return "a" + std::string(fields - 1, ',') + "\n"; };
    const std::string head = "Title,Username,Password\nx,amy,pw\n";
    EXPECT_EQ(ReadSource(head + row(kMaxCsvFields)).rows.size(), 2u);
    // Rows of empty fields: the whole file's cells are counted, the header's too.
    std::string many = head;
    const size_t full = (kMaxCsvCells - 6) / kMaxCsvFields;
    for (size_t i = 0; i < full; ++i) many += row(kMaxCsvFields);
    many += row(kMaxCsvCells - 6 - full * kMaxCsvFields);
    EXPECT_EQ(ReadSource(many).rows.size(), full + 2) << "exactly the most cells a file may have";
    const std::tuple<std::string, size_t, const char*> refused[] = {
        {head + row(kMaxCsvFields + 1), 3, "超过 1000 列"}, {row(kMaxCsvFields + 1) + head, 1, "超过 1000 列"},
        {many + "x\n", full + 4, "超过 400 万个单元格"}};
    for (const auto& [bytes, line, said] : refused) {
        SCOPED_TRACE(line);
        try {
            ReadSource(bytes);
            ADD_FAILURE() << "accepted";
        } catch (const ImportError& e) {
            EXPECT_EQ(e.Line, line);
            EXPECT_NE(std::string(e.what()).find(said), std::string::npos) << e.what();
        }
    }
    std::string big = head;
    big.resize(kMaxImportBytes + 1, '\n');
    try {
        ReadSource(big);
        ADD_FAILURE() << "accepted";
    } catch (const ImportError& e) {
        EXPECT_EQ(e.Line, 0u);
        EXPECT_NE(std::string(e.what()).find("超过了 64 MB"), std::string::npos) << e.what();
    }
}

class ImportWriteTest : public qm::test::StoreTest {
protected:
    static constexpr int64_t kNow = 1234;
    std::vector<std::string> dump() {
        std::vector<std::string> rows;
        // Each secret is shown with its account's identity as "#": it must be sealed for its own account.
        for (const char* sql : {"SELECT * FROM AccountType ORDER BY rowid",
                                "SELECT UserName, TypeName, AccountName, AccountPY, AccountID, "
                                "replace(AccountPassword, AccountGuid, '#'), RegDate, URL, replace(Remarks, AccountGuid, '#'), "
                                "length(AccountGuid), CreatedTime, ChangedTime FROM AccountData ORDER BY rowid"}) {
            qm::store::Statement st(conn.Handle(), sql);
            while (st.Step()) {
                std::string row;
                for (int i = 0; i < st.ColumnCount(); ++i) row += st.Column(i).Text() + "|";
                rows.push_back(row);
            }
        }
        return rows;
    }
    const std::string file = "Group,Title,Username,Password,URL,Notes\nRoot/邮箱,邮箱,a,1,,n\nRoot/邮箱,b,b,2,,\nRoot,c,c,3,,\n";
};

TEST_F(ImportWriteTest, ACancelOrAFailureHalfwayLeavesTheBookAsItWas) {
    addAccount("amy", "网站帐号", "old", "old");
    const std::vector<std::string> before = dump();
    const Plan p = MakePlan(ReadSource(file), ReadBook(conn, "amy"), DuplicateChoice::Skip);
    {
        ImportWriter w(conn, "amy", p, kSeal, kNow);
        EXPECT_TRUE(w.Step(1));
        w.Rollback();
    }
    { ImportWriter w(conn, "amy", p, kSeal, kNow); EXPECT_TRUE(w.Step(2)); }  // let go uncommitted
    int sealed = 0;
    const SecretSeal failing{[&](SecretField f, std::string_view s, std::string_view account) {
                                 if (++sealed == 3) throw std::runtime_error("disk full");
                                 return kSeal.Seal(f, s, account);
                             },
                             kSeal.Open};
    EXPECT_THROW(WriteImport(conn, "amy", p, failing, kNow), std::runtime_error);
    EXPECT_EQ(dump(), before);

    EXPECT_EQ(WriteImport(conn, "amy", p, kSeal, kNow), 3u);
    const std::vector<std::string> after = dump();
    EXPECT_EQ(after.size(), before.size() + 5);  // two new categories, three accounts
    EXPECT_EQ(after[0], "amy|邮箱|11|");
    EXPECT_EQ(after.back(), "amy|网站帐号|c|C|c|P:#|3|||R:#||32|1234|1234|");
    EXPECT_EQ(after[after.size() - 3], "amy|邮箱|邮箱|YX|a|P:#|1|||R:#|n|32|1234|1234|");
}

TEST_F(ImportWriteTest, AFailureMakingTheNewCategoriesLeavesTheBookAsItWas) {
    addAccount("amy", "网站帐号", "old", "old");
    const std::vector<std::string> before = dump();
    const Plan p = MakePlan(ReadSource(file), ReadBook(conn, "amy"), DuplicateChoice::Skip);
    ASSERT_EQ(p.newCategories, (std::vector<std::string>{"邮箱", "网站帐号"}));
    // The second new category's insert fails as on a full disk, the first one made.
    conn.Execute("CREATE TEMP TRIGGER full BEFORE INSERT ON AccountType WHEN NEW.TypeName = '网站帐号' "
                 "BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    EXPECT_ANY_THROW(WriteImport(conn, "amy", p, kSeal, kNow));
    EXPECT_EQ(dump(), before);
    EXPECT_TRUE(sqlite3_get_autocommit(conn.Handle()));  // no transaction is left open
    conn.Execute("DROP TRIGGER full");
    EXPECT_EQ(WriteImport(conn, "amy", p, kSeal, kNow), 3u);
}

TEST_F(ImportWriteTest, ExportThenImportGivesBackEveryText) {
    const std::vector<std::string> texts = {"", "plain", "a,b", "say \"hi\"", "l1\r\nl2", "l1\nl2", " lead ",
                                            "=1+2", "+86 10", "-x", "@SUM(A1)", "中文", "😀 emoji", "\\\"", "Root/x"};
    std::string file = "Group,Title,Username,Password,URL,Notes,Created\r\n";
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::string& t = texts[i];
        for (const std::string& field : {"C" + t, "N" + std::to_string(i) + t, t, t, t, t}) {
            AppendCsvField(file, field);
            file += ',';
        }
        file += "2008-03-0" + std::to_string(i % 9 + 1) + "\r\n";
    }
    const Plan in = MakePlan(ReadSource(file), {}, DuplicateChoice::Skip);
    ASSERT_EQ(in.imported, texts.size() - 1);  // the empty user name and password
    WriteImport(conn, "amy", in, kSeal, kNow);
    ExportResult result;
    const auto exported = ExportBytes(conn, "amy", kSeal, result);
    EXPECT_EQ(result.written, in.imported);
    EXPECT_EQ(std::string_view(exported).substr(0, 3 + std::string(kExportHeader).size() + 2),
              "\xEF\xBB\xBF" + std::string(kExportHeader) + "\r\n");
    const Plan back = MakePlan(ReadSource(exported), {}, DuplicateChoice::Skip);
    ASSERT_EQ(back.imported, in.imported);
    for (size_t i = 0; i < back.rows.size(); ++i) EXPECT_EQ(tie(back.rows[i].account), tie(in.rows[i + 1].account));
}

TEST_F(ImportWriteTest, ExportThenImportKeepsEachAccountsSecretSealedApart) {
    const std::string secrets[] = {"otpauth://totp/ACME%20Co:amy%40x.cn?secret=JBSWY3DPEHPK3PXP&issuer=ACME%20Co&digits=8",
                                   "", "steam://GEZDGNBVGY3TQOJQ", "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ"};
    std::string file = "Group,Title,Username,Password,URL,Notes,Created,TOTP\r\n";
    for (size_t i = 0; i < std::size(secrets); ++i) file += "G,T" + std::to_string(i) + ",u,p,,,2008-03-05," + secrets[i] + "\r\n";
    WriteImport(conn, "amy", MakePlan(ReadSource(file), {}, DuplicateChoice::Skip), kSeal, kNow);
    qm::store::Statement st(conn.Handle(), "SELECT OtpSecret, AccountGuid FROM AccountData ORDER BY rowid");
    for (size_t i = 0; st.Step(); ++i) {
        SCOPED_TRACE(i);
        const std::string stored = st.Column(0).Text();
        EXPECT_EQ(stored.empty(), secrets[i].empty());
        if (!stored.empty()) {
            EXPECT_EQ(stored.substr(0, 2 + 32 + 1), "O:" + st.Column(1).Text() + "|") << "sealed as a secret of its account";
        }
    }
    ExportResult result;
    const auto exported = ExportBytes(conn, "amy", kSeal, result);
    const Plan back = MakePlan(ReadSource(exported), {}, DuplicateChoice::Skip);
    ASSERT_EQ(back.rows.size(), std::size(secrets));
    for (size_t i = 0; i < back.rows.size(); ++i) {
        SCOPED_TRACE(secrets[i]);
        const Account& a = back.rows[i].account;
        EXPECT_EQ(a.remarks, "");
        if (secrets[i].empty()) {
            EXPECT_EQ(a.otpSecret, "");
            continue;
        }
        const qm::otp::ParsedSecret got = qm::otp::ParseSecret(a.otpSecret), want = qm::otp::ParseSecret(secrets[i]);
        ASSERT_TRUE(got);
        EXPECT_EQ(qm::otp::WriteSecret(*got.params), qm::otp::WriteSecret(*want.params));
    }
}
