// What a wiped buffer leaves in its memory: nothing of the text it held,
// whether the text lived in a block of its own or inside the object.
#include "platform/Wiped.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>

using qm::platform::WipedString;

TEST(Wiped, NothingOfTheTextStaysInItsMemory) {
    for (const char* secret : {"short pw", "a password long enough for a block of its own"}) {
        SCOPED_TRACE(secret);
        // A string cut short keeps the rest of its text beyond its end.
        std::string plain = secret;
        plain.resize(2);
        qm::platform::Wipe(plain);
        EXPECT_TRUE(std::all_of(plain.data(), plain.data() + plain.capacity(), [](char c) { return c == 0; }));
        // A text short enough to live inside the object itself.
        alignas(WipedString) unsigned char storage[sizeof(WipedString)];
        auto* wiped = new (storage) WipedString(secret);
        wiped->~WipedString();
        EXPECT_EQ(std::search(storage, storage + sizeof storage, secret, secret + 5), storage + sizeof storage);
    }
}
