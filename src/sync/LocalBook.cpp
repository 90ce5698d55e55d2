#include "sync/LocalBook.h"

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string_view>

#include "platform/CrashPoint.h"
#include "store/Accounts.h"
#include "store/History.h"
#include "store/Connection.h"
#include "store/Statement.h"
#include "store/TextRules.h"
#include "store/UserOptions.h"
#include "text/pinyin.h"
#include "vault/Secrets.h"

namespace qm::sync {

namespace {

// The model's fields are the history's columns, in the same order.
static_assert(kFieldCount == static_cast<int>(store::kVersionFields));
static_assert(std::string_view(store::kVersionColumns[3]) == "AccountPassword" &&
              std::string_view(store::kVersionColumns[6]) == "Remarks" &&
              std::string_view(store::kVersionColumns[7]) == "OtpSecret");

std::optional<vault::Field> secretOf(int field) {
    switch (field) {
    case 3: return vault::Field::AccountPassword;
    case 6: return vault::Field::Remarks;
    case 7: return vault::Field::OtpSecret;
    default: return std::nullopt;
    }
}

// The icon of a category the user made (the record dialog's, the bin's when
// the category is gone).
constexpr int64_t kOwnCategoryIcon = 11;

std::string versionColumns() {
    std::string list;
    for (const char* c : store::kVersionColumns) list += std::string(list.empty() ? "" : ", ") + c;
    return list;
}

void requireUnlocked(const vault::Secrets& secrets) {
    if (secrets.Locked()) throw std::logic_error("the sync needs the user's secrets unlocked");
}

std::string textAt(const store::Statement& st, int column) { return st.Column(column).Text(); }

// A version from the columns of `st` from `first` on (the fields in
// kVersionColumns' order, then ChangedTime), its secrets opened for the
// account `id`; false when one does not open.
bool readVersion(const store::Statement& st, int first, const vault::Secrets& secrets, const std::string& id, Version& v) {
    for (int f = 0; f < kFieldCount; ++f) {
        if (const std::optional<vault::Field> kind = secretOf(f)) {
            const std::optional<vault::SecretText> plain = secrets.Open(*kind, st.Cell(first + f).text, id);
            if (!plain) return false;
            SetField(v, f, plain->view());
        } else {
            SetField(v, f, textAt(st, first + f));
        }
    }
    v.Changed = st.Column(first + kFieldCount).Int();
    return true;
}

void runOnce(store::Statement& st) {
    while (st.Step()) {
    }
    st.Reset();
}

// The statements of one write, each prepared when first needed and reused.
class Writer {
public:
    Writer(store::Connection& db, const vault::Secrets& secrets, const std::string& user)
        : db_(db), secrets_(secrets), user_(user) {}

    // A new row of the book or the bin; a binned account takes its category's icon.
    void Insert(const Account& a) {
        const std::string columns = "UserName, AccountGuid, CreatedTime, AccountPY, " + versionColumns() + ", ChangedTime";
        const std::string values = "?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13";
        store::Statement& st =
            a.Binned ? prepare(insertBin_, "INSERT INTO RecycleBin (" + columns + ", icoIndex, DeletedTime) VALUES (" + values +
                                               ", coalesce((SELECT icoIndex FROM AccountType WHERE UserName = ?1 AND "
                                               "TypeName = ?5 ORDER BY TypeName = ?5 COLLATE BINARY DESC LIMIT 1), " +
                                               std::to_string(kOwnCategoryIcon) + "), ?14)")
                     : prepare(insertBook_, "INSERT INTO AccountData (" + columns + ") VALUES (" + values + ")");
        bindAccount(st, a, nullptr);
        runOnce(st);
    }

    // The row stays where it is; a secret whose text did not change keeps its stored form.
    void Update(const Account& was, const Account& a) {
        const std::optional<int64_t> row = rowOf(a.Binned.has_value(), a.Id);
        if (!row) return Insert(a);  // gone since it was read: the merged book says it is there
        std::string sets = "CreatedTime = ?3, AccountPY = ?4";
        for (int f = 0; f < kFieldCount; ++f) {
            const std::string column = store::kVersionColumns[f], mark = "?" + std::to_string(5 + f);
            sets += ", " + column + " = " + (secretOf(f) ? "coalesce(" + mark + ", " + column + ")" : mark);
        }
        sets += ", ChangedTime = ?13";
        store::Statement& st =
            a.Binned ? prepare(updateBin_, "UPDATE RecycleBin SET " + sets + ", DeletedTime = ?14" + kThisRow)
                     : prepare(updateBook_, "UPDATE AccountData SET " + sets + kThisRow);
        bindAccount(st, a, &was.Current);
        st.Bind(15, store::Value(*row));
        runOnce(st);
    }

    // The account's rows in the book and the bin.
    void Remove(const std::string& id) {
        for (const bool bin : {false, true}) {
            const std::optional<int64_t> row = rowOf(bin, id);
            if (!row) continue;
            store::Statement& s =
                prepare(bin ? removeBin_ : removeBook_, std::string("DELETE FROM ") + (bin ? "RecycleBin" : "AccountData") + kThisRow);
            s.Bind(1, store::Value(user_));
            s.Bind(2, store::Value(id));
            s.Bind(15, store::Value(*row));
            runOnce(s);
        }
    }

    // The account's earlier versions become `history` (newest first), each
    // replaced when the next newer one was made, or, when a clock that was
    // slow made that one earlier, when the version after it was replaced:
    // the history is read newest first by that time.
    void WriteHistory(const std::string& id, const Version& current, const std::vector<Version>& history) {
        store::Statement& drop = prepare(dropHistory_, "DELETE FROM AccountHistory WHERE UserName = ?1 AND AccountGuid = ?2");
        drop.Bind(1, store::Value(user_));
        drop.Bind(2, store::Value(id));
        runOnce(drop);
        store::Statement& add = prepare(addHistory_, "INSERT INTO AccountHistory (UserName, AccountGuid, " + versionColumns() +
                                                         ", ChangedTime, ReplacedTime) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, "
                                                         "?8, ?9, ?10, ?11, ?12)");
        std::vector<int64_t> replaced(history.size());
        for (size_t i = 0; i < history.size(); ++i)
            replaced[i] = i == 0 ? current.Changed : std::min(replaced[i - 1], history[i - 1].Changed);
        // Oldest first: of two versions of one second, the newer is the later row.
        for (size_t i = history.size(); i-- > 0;) {
            add.Bind(1, store::Value(user_));
            add.Bind(2, store::Value(id));
            for (int f = 0; f < kFieldCount; ++f) add.Bind(3 + f, store::Value(stored(history[i], f, id)));
            add.Bind(3 + kFieldCount, store::Value(history[i].Changed));
            add.Bind(4 + kFieldCount, store::Value(replaced[i]));
            runOnce(add);
        }
    }

    void Forget(const std::string& id) {
        store::Statement& st = prepare(forget_, "DELETE FROM RemovedAccounts WHERE UserName = ?1 AND AccountGuid = ?2");
        st.Bind(1, store::Value(user_));
        st.Bind(2, store::Value(id));
        runOnce(st);
    }
    void Remember(const Removal& r) {
        store::Statement& st = prepare(remember_, "INSERT INTO RemovedAccounts (UserName, AccountGuid, RemovedTime) VALUES (?1, ?2, ?3)");
        st.Bind(1, store::Value(user_));
        st.Bind(2, store::Value(r.Id));
        st.Bind(3, store::Value(r.When));
        runOnce(st);
    }

private:
    // Neither table has an index by identity (older versions read their
    // files): each account's row is found once, with one pass over the user's rows.
    static constexpr const char* kThisRow = " WHERE rowid = ?15 AND UserName = ?1 AND AccountGuid = ?2";
    std::optional<int64_t> rowOf(bool bin, const std::string& id) {
        std::optional<std::map<std::string, int64_t>>& rows = bin ? binRows_ : bookRows_;
        if (!rows) {
            rows.emplace();
            store::Statement st(db_.Handle(), std::string("SELECT rowid, AccountGuid FROM ") + (bin ? "RecycleBin" : "AccountData") +
                                                  " WHERE UserName = ?1");
            st.Bind(1, store::Value(user_));
            while (st.Step()) rows->emplace(textAt(st, 1), st.Column(0).Int());
        }
        const auto it = rows->find(id);
        return it == rows->end() ? std::nullopt : std::optional<int64_t>(it->second);
    }

    store::Statement& prepare(std::optional<store::Statement>& st, const std::string& sql) {
        if (!st) st.emplace(db_.Handle(), sql);
        return *st;
    }

    // The field as the record dialog stores it: a secret sealed to the account.
    std::string stored(const Version& v, int field, const std::string& id) const {
        const std::optional<vault::Field> kind = secretOf(field);
        return kind ? secrets_.Seal(*kind, FieldText(v, field), id) : std::string(FieldText(v, field));
    }

    // ?1 user, ?2 identity, ?3 created, ?4 initials, ?5.. the fields, ?13 changed, ?14 deleted.
    // With `was`, a secret that reads the same is bound as nothing: the stored form stays.
    void bindAccount(store::Statement& st, const Account& a, const Version* was) {
        st.Bind(1, store::Value(user_));
        st.Bind(2, store::Value(a.Id));
        st.Bind(3, store::Value(a.Created));
        st.Bind(4, store::Value(text::PinyinInitials(a.Current.Name)));
        for (int f = 0; f < kFieldCount; ++f) {
            const bool kept = was && secretOf(f) && FieldText(*was, f) == FieldText(a.Current, f);
            st.Bind(5 + f, kept ? store::Value() : store::Value(stored(a.Current, f, a.Id)));
        }
        st.Bind(5 + kFieldCount, store::Value(a.Current.Changed));
        if (a.Binned) st.Bind(6 + kFieldCount, store::Value(*a.Binned));
    }

    store::Connection& db_;
    const vault::Secrets& secrets_;
    const std::string& user_;
    std::optional<store::Statement> insertBook_, insertBin_, updateBook_, updateBin_, removeBook_, removeBin_,
        dropHistory_, addHistory_, forget_, remember_;
    std::optional<std::map<std::string, int64_t>> bookRows_, binRows_;
};

// Categories the merged book lists are made when the data file has none of
// that name (ASCII case ignored, as the record dialog matches a typed one),
// and take the merged icon when their exact name is known; none is deleted.
void writeCategories(store::Connection& db, const std::string& user, const Book& before, const Book& merged) {
    std::vector<std::string> known;
    for (const Category& c : before.Categories) known.push_back(c.Name);
    const auto knownNoCase = [&](const std::string& name) {
        for (const std::string& k : known)
            if (store::CompareNoCase(k, name) == 0) return true;
        return false;
    };
    std::optional<store::Statement> add, icon;
    for (const Category& c : merged.Categories) {
        const auto same = std::find_if(before.Categories.begin(), before.Categories.end(),
                                       [&](const Category& b) { return b.Name == c.Name; });
        if (same != before.Categories.end()) {
            if (same->Icon == c.Icon) continue;
            if (!icon)
                icon.emplace(db.Handle(),
                             "UPDATE AccountType SET icoIndex = ?3 WHERE UserName = ?1 AND TypeName = ?2 COLLATE BINARY");
            icon->Bind(1, store::Value(user));
            icon->Bind(2, store::Value(c.Name));
            icon->Bind(3, store::Value(c.Icon));
            runOnce(*icon);
        } else if (!c.Name.empty() && !knownNoCase(c.Name)) {
            if (!add) add.emplace(db.Handle(), "INSERT INTO AccountType (UserName, TypeName, icoIndex) VALUES (?1, ?2, ?3)");
            add->Bind(1, store::Value(user));
            add->Bind(2, store::Value(c.Name));
            add->Bind(3, store::Value(c.Icon));
            runOnce(*add);
            known.push_back(c.Name);
        }
    }
}

std::map<std::string_view, const Account*> byId(const Book& book) {
    std::map<std::string_view, const Account*> m;
    for (const Account& a : book.Accounts) m.emplace(a.Id, &a);
    return m;
}

}  // namespace

LocalRead ReadLocalBook(store::Connection& db, const vault::Secrets& secrets, const std::string& user) {
    requireUnlocked(secrets);
    LocalRead out;
    Book book;
    std::map<std::string, size_t, std::less<>> at;  // identity -> its place in book.Accounts
    const std::string columns = versionColumns();
    for (const bool binned : {false, true}) {
        store::Statement st(db.Handle(), "SELECT AccountGuid, CreatedTime, " + columns + ", ChangedTime" +
                                             (binned ? ", DeletedTime FROM RecycleBin" : " FROM AccountData") +
                                             " WHERE UserName = ?1");
        st.Bind(1, store::Value(user));
        while (st.Step()) {
            Account a;
            a.Id = textAt(st, 0);
            a.Created = st.Column(1).Int();
            if (!IsAccountId(a.Id) || at.count(a.Id) || !readVersion(st, 2, secrets, a.Id, a.Current)) {
                out.DamagedAccount = textAt(st, 3);
                return out;
            }
            if (binned) a.Binned = st.Column(3 + kFieldCount).Int();
            at.emplace(a.Id, book.Accounts.size());
            book.Accounts.push_back(std::move(a));
        }
    }
    {
        store::Statement st(db.Handle(), "SELECT AccountGuid, " + columns +
                                             ", ChangedTime FROM AccountHistory WHERE UserName = ?1 "
                                             "ORDER BY ReplacedTime DESC, ChangedTime DESC, rowid DESC");
        st.Bind(1, store::Value(user));
        while (st.Step()) {
            const auto it = at.find(st.Cell(0).text);
            if (it == at.end()) continue;  // versions of no account of the book: not the book's
            Account& a = book.Accounts[it->second];
            if (a.History.size() >= kHistoryCap) continue;
            Version v;
            if (!readVersion(st, 1, secrets, a.Id, v)) {
                out.DamagedAccount = a.Current.Name;
                return out;
            }
            a.History.push_back(std::move(v));
        }
    }
    {
        // A record of an account the book holds again (a restore brought it
        // back) would take it from the other PCs: the account is what stands.
        std::map<std::string, int64_t> removed;
        store::Statement st(db.Handle(), "SELECT AccountGuid, RemovedTime FROM RemovedAccounts WHERE UserName = ?1");
        st.Bind(1, store::Value(user));
        while (st.Step()) {
            const std::string id = textAt(st, 0);
            if (!IsAccountId(id) || at.count(id)) continue;
            const int64_t when = st.Column(1).Int();
            auto [it, fresh] = removed.emplace(id, when);
            if (!fresh) it->second = std::max(it->second, when);
        }
        for (const auto& [id, when] : removed) book.Removed.push_back({id, when});
    }
    {
        std::set<std::string> seen;
        store::Statement st(db.Handle(), "SELECT TypeName, icoIndex FROM AccountType WHERE UserName = ?1 ORDER BY rowid");
        st.Bind(1, store::Value(user));
        while (st.Step()) {
            Category c{textAt(st, 0), st.Column(1).Int()};
            if (st.Column(1).IsNull() || c.Icon < 0) c.Icon = kOwnCategoryIcon;
            if (seen.insert(c.Name).second) book.Categories.push_back(std::move(c));
        }
    }
    book.LoginChanged = store::UserOptions(db, user).GetInt(store::kLoginChanged, 0);
    Canonicalise(book);
    out.Contents = std::move(book);
    return out;
}

void WriteLocalBook(store::Connection& db, const vault::Secrets& secrets, const std::string& user, const Book& before,
                    const Book& merged) {
    requireUnlocked(secrets);
    const auto had = byId(before), has = byId(merged);
    store::AllOrNothing(db, "sync_local", [&] {
        writeCategories(db, user, before, merged);
        Writer w(db, secrets, user);
        // Rows are found by identity alone: two accounts of one category,
        // name and user name are two rows, each written as itself.
        for (const Account& a : merged.Accounts) {
            const auto old = had.find(a.Id);
            if (old == had.end()) {
                w.Insert(a);
            } else if (old->second->Binned.has_value() != a.Binned.has_value()) {
                w.Remove(a.Id);
                w.Insert(a);
            } else if (old->second->Current != a.Current || old->second->Created != a.Created ||
                       old->second->Binned != a.Binned) {
                w.Update(*old->second, a);
            }
        }
        for (const Account& a : before.Accounts)
            if (!has.count(a.Id)) w.Remove(a.Id);
        QM_CRASH_POINT("sync.local");
        for (const Account& a : merged.Accounts) {
            const auto old = had.find(a.Id);
            // The newest earlier version was replaced when the current one was made.
            const bool same = old == had.end() ? a.History.empty()
                                               : old->second->History == a.History &&
                                                     (a.History.empty() || old->second->Current.Changed == a.Current.Changed);
            if (!same) w.WriteHistory(a.Id, a.Current, a.History);
        }
        for (const Account& a : before.Accounts)
            if (!has.count(a.Id)) w.WriteHistory(a.Id, a.Current, {});

        std::map<std::string_view, int64_t> recorded, kept;
        for (const Removal& r : before.Removed) recorded.emplace(r.Id, r.When);
        for (const Removal& r : merged.Removed) kept.emplace(r.Id, r.When);
        for (const auto& [id, when] : recorded)
            if (const auto k = kept.find(id); k == kept.end() || k->second != when) w.Forget(std::string(id));
        for (const Removal& r : merged.Removed)
            if (const auto h = recorded.find(r.Id); h == recorded.end() || h->second != r.When) w.Remember(r);

        if (merged.LoginChanged != before.LoginChanged)
            store::UserOptions(db, user).SetInt(store::kLoginChanged, merged.LoginChanged);
    });
}

}  // namespace qm::sync
