#include "store/UserOptions.h"

#include <charconv>
#include <stdexcept>

#include "store/Connection.h"
#include "store/Recordset.h"
#include "store/TextRules.h"

namespace qm::store {

namespace {
std::string rowsOf(const std::string& user, std::string_view name) {
    return "select * from UserOptions where UserName = '" + esc(user) + "' and Name = '" + esc(name) + "'";
}
}  // namespace

std::string UserOptions::Get(std::string_view name, std::string_view fallback) const {
    if (user_.empty() || !db_.IsOpen()) return std::string(fallback);
    Recordset rs;
    rs.Open(rowsOf(user_, name), db_);
    if (rs.Eof() || rs["Value"].IsNull()) return std::string(fallback);
    return rs["Value"].Text();
}

int64_t UserOptions::GetInt(std::string_view name, int64_t fallback) const {
    const std::string text = Get(name);
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty() ? v : fallback;
}

void UserOptions::Set(std::string_view name, std::string_view value) {
    if (user_.empty()) throw std::logic_error("no user is logged in");
    Recordset rs;
    rs.Open(rowsOf(user_, name), db_);
    if (rs.Eof()) {
        rs.AddNew();
        rs["UserName"] = user_;
        rs["Name"] = std::string(name);
    }
    rs["Value"] = std::string(value);
    rs.Update();
}

}  // namespace qm::store
