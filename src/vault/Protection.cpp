#include "vault/Protection.h"

#include <stdexcept>

#include "platform/CrashPoint.h"
#include "store/Connection.h"
#include "store/Recordset.h"
#include "store/TextRules.h"
#include "store/UserOptions.h"

namespace qm::vault {

namespace {

// Runs `work` as one transaction on `db`; on an error none of it stays and
// `users` reads its row as it stands again.
template <class F>
void allOrNothing(store::Connection& db, store::Recordset& users, const char* name, F&& work) {
    try {
        store::AllOrNothing(db, name, work);
    } catch (...) {
        try {
            if (users.HasPendingChanges()) users.CancelUpdate();
            users.Requery();
        } catch (const std::exception&) {
        }
        throw;
    }
}

// Every password, remark and authenticator secret of `user`, opened in `from` and stored in `to`:
// the accounts', their earlier versions' and the recycle bin's, each bound
// to its account. A text that does not open stays as it is: it goes on
// being reported as damaged rather than becoming something else.
void restoreEvery(store::Connection& db, const std::string& user, const Sealer& from, const Sealer& to) {
    for (const char* table : {"AccountData", "AccountHistory", "RecycleBin"}) {
        store::Recordset accounts;
        accounts.Open(std::string("select * from ") + table + " where UserName = '" + store::esc(user) + "'", db);
        for (; !accounts.Eof(); accounts.MoveNext()) {
            const std::string account = accounts["AccountGuid"].Text();
            for (Field field : {Field::AccountPassword, Field::Remarks, Field::OtpSecret}) {
                const char* column = field == Field::AccountPassword ? "AccountPassword"
                                     : field == Field::Remarks       ? "Remarks"
                                                                     : "OtpSecret";
                const std::string stored = accounts[column].Text();
                if (const std::optional<SecretText> plain = from.Open(field, stored, account))
                    accounts[column] = to.Seal(field, plain->view(), account);
            }
        }
        accounts.UpdateBatch();
    }
}

void requireRight(const Proven& proven) {
    if (proven.Result != Proof::Right || !proven.Form) throw std::logic_error("the login password was not proven");
}

}  // namespace

void SwitchOn(store::Connection& db, store::Recordset& users, Secrets& secrets, const Proven& proven,
              std::string_view password) {
    requireRight(proven);
    if (proven.Form->Sealed()) return;
    const std::string user = users["UserName"].Text();
    std::shared_ptr<const DataKey> key = DataKey::Random();
    const KeyRow row = KeyRow::Make(*key, password, secrets.Cost);
    const Sealer sealed = secrets.SealedUnder(key);
    allOrNothing(db, users, "protect_on", [&] {
        WriteKeyRow(db, user, row);
        QM_CRASH_POINT("protect.on.key");
        restoreEvery(db, user, *proven.Form, sealed);
        QM_CRASH_POINT("protect.on.accounts");
        users["UserPassword"] = std::string(kProtectedLogin);
        users.Update();
        store::UserOptions(db, user).SetBool(store::kStrongProtection, true);
        QM_CRASH_POINT("protect.on.written");
    });
    secrets.Adopt(sealed);
}

void SwitchOff(store::Connection& db, store::Recordset& users, Secrets& secrets, const Proven& proven,
               std::string_view password) {
    requireRight(proven);
    if (!proven.Form->Sealed()) return;
    const std::string user = users["UserName"].Text();
    const Sealer legacy = secrets.Legacy();
    allOrNothing(db, users, "protect_off", [&] {
        restoreEvery(db, user, *proven.Form, legacy);
        QM_CRASH_POINT("protect.off.accounts");
        users["UserPassword"] = secrets.LegacyLogin(password);
        users.Update();
        DeleteKeyRow(db, user);
        store::UserOptions(db, user).SetBool(store::kStrongProtection, false);
        QM_CRASH_POINT("protect.off.written");
    });
    secrets.Adopt(legacy);
}

void NewPassword(store::Connection& db, store::Recordset& users, Secrets& secrets, const Proven& proven,
                 std::string_view newPassword) {
    requireRight(proven);
    const std::string user = users["UserName"].Text();
    if (!proven.Form->Sealed()) {
        users["UserPassword"] = secrets.LegacyLogin(newPassword);
        users.Update();
        secrets.RememberLogin(newPassword);
        return;
    }
    // A new data key, not only the old one sealed again: whoever knew the
    // old password and kept the old key row (an older backup) must open
    // nothing written from now on, nor anything of today's book.
    std::shared_ptr<const DataKey> key = DataKey::Random();
    const KeyRow row = KeyRow::Make(*key, newPassword, secrets.Cost);
    const Sealer sealed = secrets.SealedUnder(key);
    allOrNothing(db, users, "new_password", [&] {
        WriteKeyRow(db, user, row);
        QM_CRASH_POINT("password.key.written");
        restoreEvery(db, user, *proven.Form, sealed);
        QM_CRASH_POINT("password.accounts");
    });
    secrets.Adopt(sealed);
    secrets.RememberLogin(newPassword);
}

}  // namespace qm::vault
