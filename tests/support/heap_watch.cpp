// operator new and delete of the test program, replaced: each block carries
// its requested size in front, so a search covers exactly what was asked for
// (not a spare tail holding whatever an earlier block left there).
#include "support/heap_watch.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr size_t kHeader = 16;  // keeps the block as aligned as malloc's
constexpr size_t kSlots = size_t{1} << 18;
void* const kGone = reinterpret_cast<void*>(1);

std::atomic<bool> watching{false};
std::atomic_flag busy = ATOMIC_FLAG_INIT;
constexpr size_t kMostSecrets = 8;
std::string_view secrets[kMostSecrets];
size_t secretCount = 0;
int freedCopies = 0;
bool overflowed = false;
void* live[kSlots];  // open addressing; kGone marks a slot given back
size_t used = 0;     // slots taken, kGone included

struct Lock {
    Lock() {
        while (busy.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~Lock() { busy.clear(std::memory_order_release); }
};

size_t slotOf(const void* p) { return (reinterpret_cast<uintptr_t>(p) >> 4) * 0x9E3779B97F4A7C15ull >> (64 - 18); }

// Reads the whole block, a container's spare capacity too, which the
// address sanitizer would otherwise report; byte by byte, since its memcmp
// checks the same.
__attribute__((no_sanitize("address"))) bool holds(const void* block, size_t size, std::string_view secret) {
    if (secret.empty() || size < secret.size()) return false;
    const auto* b = static_cast<const volatile char*>(block);
    for (size_t i = 0; i + secret.size() <= size; ++i) {
        size_t k = 0;
        while (k < secret.size() && b[i + k] == secret[k]) ++k;
        if (k == secret.size()) return true;
    }
    return false;
}

bool holdsSecret(const void* block, size_t size) {
    for (size_t i = 0; i < secretCount; ++i)
        if (holds(block, size, secrets[i])) return true;
    return false;
}

size_t sizeOf(const void* user) { return *reinterpret_cast<const size_t*>(static_cast<const char*>(user) - kHeader); }

void remember(void* user) {
    if (used * 4 >= kSlots * 3) {
        overflowed = true;
        return;
    }
    for (size_t i = slotOf(user);; i = (i + 1) % kSlots)
        if (!live[i]) {
            live[i] = user;
            ++used;
            return;
        }
}

void forget(void* user) {
    for (size_t i = slotOf(user); live[i]; i = (i + 1) % kSlots)
        if (live[i] == user) {
            live[i] = kGone;
            return;
        }
}

void* take(size_t size) {
    void* raw = std::malloc(size + kHeader);
    if (!raw) return nullptr;
    *static_cast<size_t*>(raw) = size;
    void* user = static_cast<char*>(raw) + kHeader;
    if (watching.load(std::memory_order_relaxed)) {
        Lock lock;
        if (secretCount) remember(user);
    }
    return user;
}

void* takeOrThrow(size_t size) {
    if (void* p = take(size)) return p;
    throw std::bad_alloc();
}

void giveBack(void* user) noexcept {
    if (!user) return;
    if (watching.load(std::memory_order_relaxed)) {
        Lock lock;
        if (secretCount) {
            if (holdsSecret(user, sizeOf(user))) ++freedCopies;
            forget(user);
        }
    }
    std::free(static_cast<char*>(user) - kHeader);
}

}  // namespace

void* operator new(size_t size) { return takeOrThrow(size); }
void* operator new[](size_t size) { return takeOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return take(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return take(size); }
void operator delete(void* p) noexcept { giveBack(p); }
void operator delete[](void* p) noexcept { giveBack(p); }
void operator delete(void* p, size_t) noexcept { giveBack(p); }
void operator delete[](void* p, size_t) noexcept { giveBack(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { giveBack(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { giveBack(p); }

namespace qm::test {

HeapWatch::HeapWatch(std::initializer_list<std::string_view> texts) {
    Lock lock;
    secretCount = 0;
    for (std::string_view s : texts)
        if (secretCount < kMostSecrets) secrets[secretCount++] = s;
    freedCopies = 0;
    overflowed = false;
    used = 0;
    std::memset(live, 0, sizeof live);
    watching = true;
}

HeapWatch::~HeapWatch() {
    Lock lock;
    watching = false;
    secretCount = 0;
}

int HeapWatch::FreedCopies() const {
    Lock lock;
    return freedCopies;
}

int HeapWatch::LiveCopies() const {
    Lock lock;
    int copies = 0;
    for (void* p : live)
        if (p && p != kGone && holdsSecret(p, sizeOf(p))) ++copies;
    return copies;
}

bool HeapWatch::Overflowed() const {
    Lock lock;
    return overflowed;
}

}  // namespace qm::test
