#include "gen/Generator.h"

namespace qm::gen {

namespace {
// The words, one a line, packed at build time from a word list made for phrases.
#include "wordlist.inc"
}  // namespace

const std::vector<std::string_view>& Words() {
    static const std::vector<std::string_view> words = [] {
        std::vector<std::string_view> list;
        const std::string_view all(kWordLines, sizeof kWordLines - 1);
        for (size_t at = 0; at < all.size();) {
            const size_t end = all.find('\n', at);
            list.push_back(all.substr(at, end - at));
            at = end + 1;
        }
        return list;
    }();
    return words;
}

}  // namespace qm::gen
