#include "store/Accounts.h"

#include <sodium.h>

#include <stdexcept>
#include <vector>

#include "store/Connection.h"
#include "store/Statement.h"

namespace qm::store {

std::string NewAccountIdentity() {
    if (sodium_init() < 0) throw std::runtime_error("libsodium could not start");
    unsigned char bytes[16];
    randombytes_buf(bytes, sizeof bytes);
    char hex[sizeof bytes * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, bytes, sizeof bytes);
    return std::string(hex, sizeof bytes * 2);
}

bool LacksIdentities(Connection& db) {
    Statement has(db.Handle(),
                  "SELECT 1 FROM pragma_table_info('AccountData') WHERE name = 'AccountGuid'");
    if (!has.Step()) return true;
    Statement st(db.Handle(), "SELECT EXISTS (SELECT 1 FROM AccountData WHERE AccountGuid IS NULL OR AccountGuid = '')");
    return st.Step() && st.Cell(0).integer != 0;
}

void GiveIdentities(Connection& db, int64_t now) {
    std::vector<int64_t> rows;
    {
        Statement st(db.Handle(), "SELECT rowid FROM AccountData WHERE AccountGuid IS NULL OR AccountGuid = ''");
        while (st.Step()) rows.push_back(st.Cell(0).integer);
    }
    if (rows.empty()) return;
    Statement set(db.Handle(),
                  "UPDATE AccountData SET AccountGuid = ?1, CreatedTime = coalesce(CreatedTime, ?2), "
                  "ChangedTime = coalesce(ChangedTime, ?2) WHERE rowid = ?3");
    for (const int64_t row : rows) {
        set.Bind(1, Value(NewAccountIdentity()));
        set.Bind(2, Value(now));
        set.Bind(3, Value(row));
        set.Step();
        set.Reset();
    }
}

}  // namespace qm::store
