#include "support/local_book_standin.h"

#include <map>
#include <utility>

#include "store/UserOptions.h"
#include "sync/LocalBook.h"

namespace qm {
namespace {
struct Stored {
    sync::Book Book;
    std::string Damaged;
};
std::map<std::pair<store::Connection*, std::string>, Stored>& books() {
    static std::map<std::pair<store::Connection*, std::string>, Stored> all;
    return all;
}
}  // namespace

void test::DamageLocalBook(store::Connection& db, const std::string& user, const std::string& account) {
    books()[{&db, user}].Damaged = account;
}

void test::ForgetLocalBooks() { books().clear(); }

sync::LocalRead sync::ReadLocalBook(store::Connection& db, const vault::Secrets&, const std::string& user) {
    const Stored& s = books()[{&db, user}];
    LocalRead read;
    if (!s.Damaged.empty()) {
        read.DamagedAccount = s.Damaged;
        return read;
    }
    read.Contents = s.Book;
    read.Contents->LoginChanged = store::UserOptions(db, user).GetInt("LoginChanged", 0);
    return read;
}

void sync::WriteLocalBook(store::Connection& db, const vault::Secrets&, const std::string& user, const Book&,
                          const Book& merged) {
    books()[{&db, user}].Book = merged;
    store::UserOptions(db, user).SetInt("LoginChanged", merged.LoginChanged);
}

}  // namespace qm
