#include "transfer/Import.h"

#include <algorithm>
#include <unordered_map>
#include <stdexcept>

#include "platform/CrashPoint.h"
#include "platform/Wiped.h"
#include "store/Accounts.h"
#include "store/Connection.h"
#include "store/Statement.h"
#include "store/TextRules.h"
#include "text/pinyin.h"
#include "text/utf.h"

namespace qm::transfer {

namespace {

std::string folded(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Text a reader of tables would not take for one: zero bytes, or control
// characters that no export writes.
bool looksBinary(std::string_view text) {
    size_t controls = 0;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 0) return true;
        if (b < 0x20 && b != '\t' && b != '\r' && b != '\n' && b != '\f') ++controls;
    }
    return controls * 100 > text.size();
}

void exec(store::Connection& db, const char* sql) {
    if (const int rc = sqlite3_exec(db.Handle(), sql, nullptr, nullptr, nullptr); rc != SQLITE_OK)
        throw store::StoreError(std::string(sql) + ": " + sqlite3_errmsg(db.Handle()), rc);
}

const char* fieldName(int which) {
    static const char* names[] = {"分类", "帐号名称", "用户名", "密码", "网址", "日期", "备注"};
    return names[which];
}

}  // namespace

SourceFile ReadSource(std::string_view bytes, std::optional<Encoding> encoding) {
    if (bytes.size() > kMaxImportBytes)
        throw ImportError(0, "文件太大,超过了 " + std::to_string(kMaxImportBytes >> 20) + " MB,不像是导出的帐号表格");
    SourceFile src;
    src.encoding = encoding ? *encoding : DetectEncoding(bytes);
    if (!encoding && src.encoding == Encoding::Utf8) {
        const std::string_view body = bytes.substr(0, 3) == "\xEF\xBB\xBF" ? bytes.substr(3) : bytes;
        if (!IsValidUtf8(body)) throw ImportError(0, "这不是文本文件");
    }
    std::string text = DecodeText(bytes, src.encoding);
    // The decoded file holds every password in it: wiped however the reading ends.
    struct WipeAtEnd {
        std::string& text;
        ~WipeAtEnd() { platform::Wipe(text); }
    } wipeAtEnd{text};
    if (looksBinary(text)) throw ImportError(0, "这不是文本文件");
    if (text.find_first_not_of(" \t\r\n,") == std::string::npos) throw ImportError(0, "文件是空的");
    try {
        CsvRow header = ReadFirstRecord(text);
        const bool anyName = std::any_of(header.fields.begin(), header.fields.end(), [](const std::string& h) {
            return h.find_first_not_of(" \t") != std::string::npos;
        });
        if (header.fields.size() < 2 || !anyName) throw ImportError(header.line, "第一行没有可用的列名");
        Recognised r = Recognise(header.fields);
        src.format = r.id;
        src.map = std::move(r.map);
        src.header = std::move(header.fields);
        src.rows = ReadCsv(text, EscapeOf(src.format));
    } catch (const CsvError& e) {
        throw ImportError(e.Line, e.what());
    }
    if (!src.rows.empty()) src.rows.erase(src.rows.begin());
    return src;
}

std::string AccountKey(std::string_view category, std::string_view name, std::string_view user) {
    std::string key = folded(category);
    key += '\x1F';
    key += folded(name);
    key += '\x1F';
    key += folded(user);
    return key;
}

Book ReadBook(store::Connection& db, const std::string& user) {
    Book book;
    store::Statement types(db.Handle(), "SELECT TypeName FROM AccountType WHERE UserName = ?1 ORDER BY icoIndex");
    types.Bind(1, store::Value(user));
    while (types.Step()) book.categories.push_back(types.Column(0).Text());
    store::Statement accounts(db.Handle(), "SELECT TypeName, AccountName, AccountID FROM AccountData WHERE UserName = ?1");
    accounts.Bind(1, store::Value(user));
    while (accounts.Step())
        book.keys.insert(AccountKey(accounts.Cell(0).text, accounts.Cell(1).text, accounts.Cell(2).text));
    return book;
}

Plan MakePlan(const SourceFile& source, const Book& book, DuplicateChoice duplicates) {
    Plan plan;
    std::unordered_set<std::string> keys = book.keys;
    std::unordered_map<std::string, std::string> categories;  // folded -> as it will be stored
    for (const std::string& c : book.categories) categories.emplace(folded(c), c);
    std::unordered_set<std::string> inBook;
    for (const auto& [f, c] : categories) inBook.insert(f);
    std::unordered_map<std::string, size_t> perCategory;  // folded -> index into plan.perCategory
    // Per duplicated account, the number its next copy tries first: a file of
    // many equal rows numbers its copies without counting up from 2 each time.
    std::unordered_map<std::string, int> nextCopy;
    const RowMapper mapper(source.format, source.map, source.header);

    plan.rows.reserve(source.rows.size());
    for (const CsvRow& row : source.rows) {
        Candidate c = mapper.Map(row);
        PlannedRow p{c.line, std::move(c.account), Outcome::Import, std::move(c.skip)};
        Account& a = p.account;
        if (p.reason.empty()) {
            const std::string* fields[] = {&a.category, &a.name, &a.user, &a.password, &a.url, &a.date, &a.remarks};
            for (int i = 0; i < 7; ++i)
                if (text::Utf16Length(*fields[i]) > kMaxTextLength) {
                    p.reason = std::string(fieldName(i)) + "超过 " + std::to_string(kMaxTextLength) + " 个字符";
                    break;
                }
        }
        if (!p.reason.empty()) {
            p.outcome = Outcome::Skip;
            ++plan.skipped;
            plan.rows.push_back(std::move(p));
            continue;
        }
        // The record dialog dates a new account with the day it is made.
        if (a.date.empty()) a.date = book.today;
        // A category of another letter case is the one the book has, or the one met first.
        const auto stored = categories.emplace(folded(a.category), a.category).first;
        a.category = stored->second;

        std::string key = AccountKey(a.category, a.name, a.user);
        if (keys.count(key)) {
            if (duplicates == DuplicateChoice::Skip) {
                p.outcome = Outcome::Duplicate;
                p.reason = "与已有帐号重复";
                ++plan.duplicates;
                plan.rows.push_back(std::move(p));
                continue;
            }
            const std::string base = a.name;
            int& n = nextCopy.try_emplace(key, 2).first->second;
            for (;; ++n) {
                a.name = base + " (" + std::to_string(n) + ")";
                if (!keys.count(AccountKey(a.category, a.name, a.user))) break;
            }
            ++n;
            p.reason = "重复,导入为副本";
            key = AccountKey(a.category, a.name, a.user);
        }
        keys.insert(std::move(key));
        ++plan.imported;
        // Only a category that receives an account is made.
        const auto [slot, first] = perCategory.emplace(stored->first, plan.perCategory.size());
        if (first) {
            plan.perCategory.emplace_back(a.category, 0);
            if (!inBook.count(stored->first)) plan.newCategories.push_back(a.category);
        }
        ++plan.perCategory[slot->second].second;
        plan.rows.push_back(std::move(p));
    }
    return plan;
}

ImportWriter::ImportWriter(store::Connection& db, std::string user, const Plan& plan, const SecretSeal& secrets,
                           int64_t now)
    : db_(db), user_(std::move(user)), plan_(plan), secrets_(secrets), total_(plan.imported), now_(now) {
    exec(db_, "BEGIN IMMEDIATE");
    open_ = true;
    try {
        store::Statement type(db_.Handle(), "INSERT INTO AccountType (UserName, TypeName, icoIndex) VALUES (?1, ?2, 11)");
        for (const std::string& c : plan_.newCategories) {
            type.Bind(1, store::Value(user_));
            type.Bind(2, store::Value(c));
            type.Step();
            type.Reset();
        }
        insert_ = std::make_unique<store::Statement>(
            db_.Handle(),
            "INSERT INTO AccountData (UserName, TypeName, AccountName, AccountPY, AccountID, AccountPassword, RegDate, "
            "URL, Remarks, AccountGuid, CreatedTime, ChangedTime, OtpSecret) "
            "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?11, ?12)");
    } catch (...) {
        Rollback();
        throw;
    }
}

ImportWriter::~ImportWriter() {
    if (open_) Rollback();
}

void ImportWriter::write(const PlannedRow& row) {
    const Account& a = row.account;
    const std::string identity = store::NewAccountIdentity();
    store::Statement& st = *insert_;
    st.Bind(1, store::Value(user_));
    st.Bind(2, store::Value(a.category));
    st.Bind(3, store::Value(a.name));
    st.Bind(4, store::Value(text::PinyinInitials(a.name)));
    st.Bind(5, store::Value(a.user));
    st.Bind(6, store::Value(secrets_.Seal(SecretField::AccountPassword, a.password, identity)));
    st.Bind(7, store::Value(a.date));
    st.Bind(8, store::Value(a.url));
    st.Bind(9, store::Value(secrets_.Seal(SecretField::Remarks, a.remarks, identity)));
    st.Bind(10, store::Value(identity));
    st.Bind(11, store::Value(now_));
    st.Bind(12, store::Value(secrets_.Seal(SecretField::OtpSecret, a.otpSecret, identity)));
    st.Step();
    st.Reset();
}

bool ImportWriter::Step(size_t count) {
    if (!open_) throw std::logic_error("the import was already ended");
    try {
        for (; next_ < plan_.rows.size() && count > 0; ++next_) {
            const PlannedRow& row = plan_.rows[next_];
            if (row.outcome != Outcome::Import) continue;
            write(row);
            --count;
            if (++written_ == (total_ + 1) / 2) QM_CRASH_POINT("import.halfway");
        }
    } catch (...) {
        Rollback();
        throw;
    }
    return next_ < plan_.rows.size();
}

void ImportWriter::Commit() {
    while (Step(1024)) {
    }
    insert_.reset();
    exec(db_, "COMMIT");
    open_ = false;
}

void ImportWriter::Rollback() {
    insert_.reset();
    if (open_ && !sqlite3_get_autocommit(db_.Handle())) sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    open_ = false;
}

size_t WriteImport(store::Connection& db, const std::string& user, const Plan& plan, const SecretSeal& secrets,
                   int64_t now) {
    ImportWriter writer(db, user, plan, secrets, now);
    writer.Commit();
    return writer.Written();
}

}  // namespace qm::transfer
