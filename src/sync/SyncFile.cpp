#include "sync/SyncFile.h"

#include <set>

namespace qm::sync {

namespace {

void putNumber(Secret& out, uint64_t v, int size) {
    for (int i = 0; i < size; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void putText(Secret& out, std::string_view text) {
    putNumber(out, text.size(), 4);
    out.append(text.data(), text.size());
}

void putVersion(Secret& out, const Version& v) {
    for (int f = 0; f < kFieldCount; ++f) putText(out, FieldText(v, f));
    putNumber(out, static_cast<uint64_t>(v.Changed), 8);
}

// Reads what Serialise wrote; any read past the end, or a count that more
// bytes than are left could not hold, fails the whole read.
class Reader {
public:
    explicit Reader(std::string_view in) : in_(in) {}
    bool ok() const { return ok_; }
    bool done() const { return ok_ && at_ == in_.size(); }

    uint64_t number(int size) {
        if (!ok_ || in_.size() - at_ < static_cast<size_t>(size)) return fail();
        uint64_t v = 0;
        for (int i = 0; i < size; ++i) v |= uint64_t{static_cast<unsigned char>(in_[at_ + i])} << (8 * i);
        at_ += size;
        return v;
    }
    int64_t time() { return static_cast<int64_t>(number(8)); }
    // A count of items each at least `least` bytes long.
    size_t count(size_t least) {
        const uint64_t n = number(4);
        if (ok_ && n > (in_.size() - at_) / least) return fail();
        return static_cast<size_t>(n);
    }
    std::string_view text() {
        const size_t n = static_cast<size_t>(number(4));
        if (!ok_ || in_.size() - at_ < n) return fail(), std::string_view();
        const std::string_view t = in_.substr(at_, n);
        at_ += n;
        return t;
    }
    bool version(Version& v) {
        for (int f = 0; f < kFieldCount; ++f) SetField(v, f, text());
        v.Changed = time();
        return ok_;
    }

private:
    uint64_t fail() {
        ok_ = false;
        return 0;
    }
    std::string_view in_;
    size_t at_ = 0;
    bool ok_ = true;
};

constexpr size_t kLeastVersion = kFieldCount * 4 + 8;

}  // namespace

Secret Serialise(const Book& book) {
    Secret out;
    putNumber(out, static_cast<uint64_t>(book.LoginChanged), 8);
    putNumber(out, book.Categories.size(), 4);
    for (const Category& c : book.Categories) {
        putText(out, c.Name);
        putNumber(out, static_cast<uint64_t>(c.Icon), 8);
    }
    putNumber(out, book.Removed.size(), 4);
    for (const Removal& r : book.Removed) {
        putText(out, r.Id);
        putNumber(out, static_cast<uint64_t>(r.When), 8);
    }
    putNumber(out, book.Accounts.size(), 4);
    for (const Account& a : book.Accounts) {
        putText(out, a.Id);
        putNumber(out, static_cast<uint64_t>(a.Created), 8);
        putNumber(out, a.Binned ? 1 : 0, 1);
        putNumber(out, static_cast<uint64_t>(a.Binned.value_or(0)), 8);
        putNumber(out, a.History.size() + 1, 4);
        putVersion(out, a.Current);
        for (const Version& v : a.History) putVersion(out, v);
    }
    return out;
}

std::optional<Book> Parse(std::string_view content) {
    Reader in(content);
    Book book;
    book.LoginChanged = in.time();
    book.Categories.resize(in.count(4 + 8));
    for (Category& c : book.Categories) {
        c.Name = in.text();
        c.Icon = in.time();
        if (c.Icon < 0) return std::nullopt;
    }
    std::set<std::string_view> ids;
    book.Removed.resize(in.count(4 + 8));
    for (Removal& r : book.Removed) {
        r.Id = in.text();
        r.When = in.time();
        if (!IsAccountId(r.Id) || !ids.insert(r.Id).second) return std::nullopt;
    }
    ids.clear();
    book.Accounts.resize(in.count(4 + 8 + 1 + 8 + 4 + kLeastVersion));
    for (Account& a : book.Accounts) {
        a.Id = in.text();
        a.Created = in.time();
        const uint64_t binned = in.number(1);
        const int64_t when = in.time();
        if (binned > 1 || !IsAccountId(a.Id) || !ids.insert(a.Id).second) return std::nullopt;
        if (binned) a.Binned = when;
        const size_t versions = in.count(kLeastVersion);
        if (versions == 0 || !in.version(a.Current)) return std::nullopt;
        a.History.resize(versions - 1);
        for (Version& v : a.History) in.version(v);
    }
    if (!in.done()) return std::nullopt;
    return book;
}

std::string WriteSyncFile(const Book& book, const vault::SyncKey& key) { return vault::SealSync(Serialise(book), key); }

namespace {
ReadSync bookOf(vault::OpenedSync opened) {
    ReadSync out;
    out.Result = opened.Result;
    if (opened.Result != vault::SyncOpen::Opened) return out;
    std::optional<Book> book = Parse(opened.Content);
    if (!book) {
        out.Result = vault::SyncOpen::Damaged;
        return out;
    }
    out.Contents = std::move(*book);
    out.Key = std::move(opened.Key);
    return out;
}
}  // namespace

ReadSync ReadSyncFile(std::string_view file, std::string_view password) { return bookOf(vault::OpenSync(file, password)); }

ReadSync ReadSyncFile(std::string_view file, const std::shared_ptr<vault::SyncKey>& key) {
    return bookOf(vault::OpenSync(file, key));
}

}  // namespace qm::sync
