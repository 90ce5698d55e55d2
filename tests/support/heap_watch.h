#pragma once
// Watches the heap for copies of a secret (or of any of a few). While a watch is on, every block
// given back through operator delete is searched before it goes, and the
// blocks taken since the watch began that are still held can be searched at
// any time. The program's strings, forms and other objects all come from
// operator new; SQLite's and libsodium's memory does not, and is not seen.
#include <initializer_list>
#include <string>
#include <string_view>

#include "text/wipe.h"

namespace qm::test {

class HeapWatch {
public:
    // `secret` must not itself live in a block of operator new (a literal
    // does not), or it would count as a copy.
    explicit HeapWatch(std::string_view secret) : HeapWatch({secret}) {}
    // Up to eight texts, each looked for on its own.
    explicit HeapWatch(std::initializer_list<std::string_view> secrets);
    ~HeapWatch();
    HeapWatch(const HeapWatch&) = delete;
    HeapWatch& operator=(const HeapWatch&) = delete;

    // Blocks given back, since the watch began, with a secret still in them.
    int FreedCopies() const;
    // Blocks taken since the watch began, still held, with the secret in them.
    int LiveCopies() const;
    // More blocks were held at once than the watch can follow: LiveCopies
    // missed some.
    bool Overflowed() const;
};

// Types `text` into a text box one key at a time, as its control reports
// typing, and wipes the test's own copy: only the program's copies remain.
template <class Box>
void TypeKeyByKey(Box& box, std::string_view text) {
    std::string typed;
    typed.reserve(text.size());
    for (char c : text) {
        typed += c;
        box.UserSetText(typed);
    }
    text::WipeString(typed);
}

}  // namespace qm::test
