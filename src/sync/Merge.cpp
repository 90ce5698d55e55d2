#include "sync/Merge.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "store/TextRules.h"

namespace qm::sync {

namespace {

using Chain = std::vector<const Version*>;

Chain chainOf(const Account& a) {
    Chain c{&a.Current};
    for (const Version& v : a.History) c.push_back(&v);
    return c;
}

int compareContent(const Version& a, const Version& b) {
    for (int f = 0; f < kFieldCount; ++f)
        if (const int c = FieldText(a, f).compare(FieldText(b, f)); c != 0) return c;
    return 0;
}

// The later of two versions; in the same second the greater content, so
// that both PCs pick the same one.
bool later(const Version& a, const Version& b) {
    if (a.Changed != b.Changed) return a.Changed > b.Changed;
    return compareContent(a, b) > 0;
}

// The last version both chains share: the one nearest both currents, a
// version a sync carried over (its time too) before one that only reads the
// same (a version restored from the history is a new one).
const Version* ancestor(const Chain& a, const Chain& b) {
    const Version* best = nullptr;
    std::tuple<bool, size_t, int64_t> bestKey{};
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < b.size(); ++j) {
            if (!a[i]->SameContent(*b[j])) continue;
            const std::tuple<bool, size_t, int64_t> key{a[i]->Changed != b[j]->Changed, i + j,
                                                        -std::max(a[i]->Changed, b[j]->Changed)};
            if (!best || key < bestKey || (key == bestKey && compareContent(*a[i], *best) > 0)) {
                best = a[i];
                bestKey = key;
            }
        }
    return best;
}

struct MergedVersions {
    Version Current;
    std::vector<Version> History;
    bool Conflict = false;
};

MergedVersions mergeVersions(const Account& a, const Account& b) {
    const Version &x = a.Current, &y = b.Current;
    const Chain ca = chainOf(a), cb = chainOf(b);
    MergedVersions m;
    if (x.SameContent(y)) {
        m.Current = later(x, y) ? x : y;
    } else if (const Version* base = ancestor(ca, cb)) {
        m.Current = x;
        for (int f = 0; f < kFieldCount; ++f) {
            const std::string_view xv = FieldText(x, f), yv = FieldText(y, f), bv = FieldText(*base, f);
            if (xv == yv || yv == bv) continue;
            if (xv != bv) {
                m.Conflict = true;
                if (!later(y, x)) continue;
            }
            SetField(m.Current, f, yv);
        }
        m.Current.Changed = m.Current.SameContent(x)   ? x.Changed
                            : m.Current.SameContent(y) ? y.Changed
                                                       : std::max(x.Changed, y.Changed);
    } else {
        m.Conflict = true;
        m.Current = later(x, y) ? x : y;
    }
    // Every version either side knew, once each, newest first: the losing
    // side's current version among them.
    for (const Chain* c : {&ca, &cb})
        for (const Version* v : *c) {
            if (v->SameContent(m.Current)) continue;
            auto same = std::find_if(m.History.begin(), m.History.end(), [&](const Version& h) { return h.SameContent(*v); });
            if (same == m.History.end()) m.History.push_back(*v);
            else same->Changed = std::max(same->Changed, v->Changed);
        }
    std::sort(m.History.begin(), m.History.end(), [](const Version& p, const Version& q) { return later(p, q); });
    return m;
}

// A live account the other side has put in the bin comes back only when it
// was changed after that.
bool changedAfter(const Account& live, const Account& binned) {
    return live.Current.Changed > *binned.Binned && live.Current != binned.Current;
}

struct MergedAccount {
    Account Result;
    bool Conflict = false;
};

MergedAccount mergeAccounts(const Account& a, const Account& b) {
    if (a == b) return {a, false};
    MergedVersions v = mergeVersions(a, b);
    MergedAccount m;
    m.Result.Id = a.Id;
    m.Result.Created = std::min(a.Created, b.Created);
    m.Result.Current = std::move(v.Current);
    m.Result.History = std::move(v.History);
    m.Conflict = v.Conflict;
    if (a.Binned && b.Binned) {
        m.Result.Binned = std::max(*a.Binned, *b.Binned);
    } else if (a.Binned || b.Binned) {
        const Account& binned = a.Binned ? a : b;
        const Account& live = a.Binned ? b : a;
        // An edit against a deletion is a conflict; a restore from the bin is not.
        if (!changedAfter(live, binned)) m.Result.Binned = binned.Binned;
        else if (!live.Current.SameContent(binned.Current)) m.Conflict = true;
    }
    return m;
}

// What makes two identities one account: both PCs imported the same row.
Secret sameRowKey(const Account& a) {
    Secret key;
    for (char c : a.Current.Category) key += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    for (std::string_view part : {std::string_view(a.Current.Name), std::string_view(a.Current.User),
                                  std::string_view(a.Current.Password)}) {
        key += '\0';
        key += part;
    }
    return key;
}

bool older(const Account* a, const Account* b) { return std::tie(a->Created, a->Id) < std::tie(b->Created, b->Id); }

int64_t lastChange(const Account& a) {
    int64_t t = a.Current.Changed;
    for (const Version& v : a.History) t = std::max(t, v.Changed);
    return t;
}

std::map<std::string, const Account*> byId(const Book& book) {
    std::map<std::string, const Account*> m;
    for (const Account& a : book.Accounts) m.emplace(a.Id, &a);
    return m;
}

void reportSide(Side side, const Book& before, const Book& merged, const std::map<std::string, std::string>& aliases,
                const std::set<std::string>& conflicts, MergeReport& report) {
    const auto had = byId(before);
    const auto has = byId(merged);
    std::map<std::string, std::string> keptFor;  // the identity kept -> the one joined to it
    for (const auto& [dropped, kept] : aliases) keptFor[kept] = dropped;
    const auto find = [](const std::map<std::string, const Account*>& m, const std::string& id) -> const Account* {
        auto it = m.find(id);
        return it == m.end() ? nullptr : it->second;
    };
    for (const Account& m : merged.Accounts) {
        if (m.Binned) continue;
        const Account* s = find(had, m.Id);
        if (const auto joined = keptFor.find(m.Id); !s && joined != keptFor.end()) s = find(had, joined->second);
        Change c{side, ChangeKind::Added, m.Id, m.Current.Name, "", conflicts.count(m.Id) > 0};
        if (s && !s->Binned) {
            c.Kind = ChangeKind::Updated;
            for (int f = 0; f < kFieldCount; ++f)
                if (FieldText(s->Current, f) != FieldText(m.Current, f))
                    c.Fields += std::string(c.Fields.empty() ? "" : "、") + FieldName(f);
            if (c.Fields.empty()) continue;
        }
        report.Changes.push_back(std::move(c));
    }
    for (const Account& s : before.Accounts) {
        if (s.Binned) continue;
        const auto alias = aliases.find(s.Id);
        const Account* m = find(has, alias == aliases.end() ? s.Id : alias->second);
        if (!m || m->Binned) report.Changes.push_back({side, ChangeKind::Deleted, s.Id, s.Current.Name, "", false});
    }
}

}  // namespace

const char* SideName(Side side) { return side == Side::Local ? "本机" : "同步文件"; }

std::string MergeReport::Summary() const {
    return "新增 " + std::to_string(Added) + ",更新 " + std::to_string(Updated) + ",删除 " + std::to_string(Deleted) +
           ",冲突 " + std::to_string(Conflicts);
}

MergeResult Merge(const Book& localIn, const Book& remoteIn, int64_t now) {
    Book local = localIn, remote = remoteIn;
    Canonicalise(local);
    Canonicalise(remote);
    MergeResult out;
    Book& merged = out.Merged;

    std::map<std::string, int64_t> removed;
    for (const Book* b : {&local, &remote})
        for (const Removal& r : b->Removed) {
            if (r.When < now - kRemovalKept) continue;
            auto [it, fresh] = removed.emplace(r.Id, r.When);
            if (!fresh) it->second = std::max(it->second, r.When);
        }

    std::set<std::string> conflicts;
    // Accounts new on one side only, live: candidates for the same row imported on both.
    std::vector<const Account*> newHere, newThere;
    std::vector<Account> accounts;
    const auto mine = byId(local), theirs = byId(remote);
    std::set<std::string> ids;
    for (const auto& [id, a] : mine) ids.insert(id);
    for (const auto& [id, a] : theirs) ids.insert(id);
    for (const std::string& id : ids) {
        const auto l = mine.find(id), r = theirs.find(id);
        if (l != mine.end() && r != theirs.end()) {
            MergedAccount m = mergeAccounts(*l->second, *r->second);
            if (m.Conflict) conflicts.insert(id);
            accounts.push_back(std::move(m.Result));
            continue;
        }
        const Account& lone = l != mine.end() ? *l->second : *r->second;
        const auto record = removed.find(id);
        if (record != removed.end()) {
            if (lone.Binned || lone.Current.Changed <= record->second) continue;  // removed on both
            conflicts.insert(id);  // changed on one side after the other removed it: it comes back
        } else if (!lone.Binned) {
            (l != mine.end() ? newHere : newThere).push_back(&lone);
        }
        accounts.push_back(lone);
    }

    // The same row imported on both PCs under two identities becomes one
    // account under the older identity; the other is removed on both.
    std::map<std::string, std::string> aliases;
    std::map<Secret, std::pair<std::vector<const Account*>, std::vector<const Account*>>> rows;
    for (const Account* a : newHere) rows[sameRowKey(*a)].first.push_back(a);
    for (const Account* a : newThere) rows[sameRowKey(*a)].second.push_back(a);
    std::map<std::string, Account> joined;
    for (auto& [key, sides] : rows) {
        std::sort(sides.first.begin(), sides.first.end(), older);
        std::sort(sides.second.begin(), sides.second.end(), older);
        for (size_t i = 0; i < std::min(sides.first.size(), sides.second.size()); ++i) {
            const Account* keep = sides.first[i];
            const Account* drop = sides.second[i];
            if (older(drop, keep)) std::swap(keep, drop);
            MergedAccount m = mergeAccounts(*keep, *drop);
            m.Result.Id = keep->Id;
            if (m.Conflict) conflicts.insert(keep->Id);
            aliases[drop->Id] = keep->Id;
            removed[drop->Id] = std::max(now, lastChange(*drop));
            joined[keep->Id] = std::move(m.Result);
        }
    }
    for (Account& a : accounts) {
        if (aliases.count(a.Id)) continue;
        if (auto j = joined.find(a.Id); j != joined.end()) a = std::move(j->second);
        if (a.History.size() > kHistoryCap) a.History.resize(kHistoryCap);
        removed.erase(a.Id);
        merged.Accounts.push_back(std::move(a));
    }
    for (const auto& [id, when] : removed) merged.Removed.push_back({id, when});

    std::map<std::string, Category> categories;
    const auto folded = [](std::string_view name) {
        std::string f(name);
        for (char& c : f)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        return f;
    };
    for (const Book* b : {&local, &remote})
        for (const Category& c : b->Categories) {
            auto [it, fresh] = categories.emplace(folded(c.Name), c);
            if (!fresh && std::tie(c.Name, it->second.Icon) < std::tie(it->second.Name, c.Icon)) it->second = c;
        }
    // An account is never left under a category neither side lists.
    for (const Account& a : merged.Accounts)
        if (!a.Binned && !a.Current.Category.empty()) categories.emplace(folded(a.Current.Category), Category{a.Current.Category, 0});
    for (auto& [name, c] : categories) merged.Categories.push_back(std::move(c));
    merged.LoginChanged = std::max(local.LoginChanged, remote.LoginChanged);
    Canonicalise(merged);

    MergeReport& report = out.Report;
    reportSide(Side::Local, local, merged, aliases, conflicts, report);
    reportSide(Side::Remote, remote, merged, aliases, conflicts, report);
    for (const Change& c : report.Changes)
        (c.Kind == ChangeKind::Added ? report.Added : c.Kind == ChangeKind::Updated ? report.Updated : report.Deleted)++;
    report.Conflicts = static_cast<int>(conflicts.size());
    report.LocalChanged = merged != local;
    report.RemoteChanged = merged != remote;
    return out;
}

}  // namespace qm::sync
