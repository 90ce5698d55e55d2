#include "store/History.h"

#include "store/Connection.h"
#include "store/Recordset.h"
#include "store/Statement.h"

namespace qm::store {

namespace {

std::string columnList() {
    std::string list;
    for (const char* c : kVersionColumns) list += std::string(c) + ", ";
    return list;
}

// Newest first. Two changes within one second keep the order they were
// written in: a compaction renumbers rows but keeps their order.
constexpr const char* kNewestFirst = " ORDER BY ReplacedTime DESC, ChangedTime DESC, rowid DESC";

}  // namespace

Version VersionOf(Recordset& rs) {
    Version v;
    for (size_t f = 0; f < kVersionFields; ++f) v[f] = rs[kVersionColumns[f]].Text();
    v.ChangedTime = rs["ChangedTime"].Int();
    return v;
}

void KeepVersion(Connection& db, const std::string& user, const std::string& account, const Version& before,
                 int64_t replaced) {
    {
        std::string marks;
        for (size_t f = 0; f < kVersionFields; ++f) marks += "?, ";
        Statement add(db.Handle(), "INSERT INTO AccountHistory (UserName, AccountGuid, " + columnList() +
                                       "ChangedTime, ReplacedTime) VALUES (?, ?, " + marks + "?, ?)");
        int n = 1;
        add.Bind(n++, Value(user));
        add.Bind(n++, Value(account));
        for (const std::string& field : before.Fields) add.Bind(n++, Value(field));
        add.Bind(n++, Value(before.ChangedTime));
        add.Bind(n++, Value(replaced));
        add.Step();
    }
    Statement trim(db.Handle(),
                   std::string("DELETE FROM AccountHistory WHERE UserName = ?1 AND AccountGuid = ?2 AND rowid NOT IN "
                               "(SELECT rowid FROM AccountHistory WHERE UserName = ?1 AND AccountGuid = ?2") +
                       kNewestFirst + " LIMIT ?3)");
    trim.Bind(1, Value(user));
    trim.Bind(2, Value(account));
    trim.Bind(3, Value(static_cast<int64_t>(kHistoryKept)));
    trim.Step();
}

std::vector<Version> ReadVersions(Connection& db, const std::string& user, const std::string& account) {
    Statement st(db.Handle(), "SELECT " + columnList() +
                                  "ChangedTime, ReplacedTime FROM AccountHistory WHERE UserName = ? AND AccountGuid = ?" +
                                  kNewestFirst);
    st.Bind(1, Value(user));
    st.Bind(2, Value(account));
    std::vector<Version> versions;
    while (st.Step()) {
        Version v;
        for (size_t f = 0; f < kVersionFields; ++f) v[f] = st.Column(static_cast<int>(f)).Text();
        v.ChangedTime = st.Column(static_cast<int>(kVersionFields)).Int();
        v.ReplacedTime = st.Column(static_cast<int>(kVersionFields) + 1).Int();
        versions.push_back(std::move(v));
    }
    return versions;
}

}  // namespace qm::store
