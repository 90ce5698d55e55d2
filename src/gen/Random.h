#pragma once
// Where the generator's chances come from. The program draws from the
// system's cryptographic source; a test may stand in a source it can replay.
#include <cstddef>
#include <cstdint>
#include <functional>

namespace qm::gen {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A number in [0, bound), every one equally likely; bound is at least 1.
    virtual uint32_t Uniform(uint32_t bound) = 0;
};

// The system's cryptographic source, through libsodium.
class SystemRandom : public RandomSource {
public:
    SystemRandom();
    uint32_t Uniform(uint32_t bound) override;
};

// Draws from a source of random bytes (a test replays its own). A number is taken from four bytes and
// drawn again when it falls in the short tail that would make the low
// numbers likelier than the high ones, so each of `bound` outcomes has the
// same chance whatever the bound.
class BytesRandom : public RandomSource {
public:
    using Fill = std::function<void(uint8_t* bytes, size_t count)>;
    explicit BytesRandom(Fill fill) : fill_(std::move(fill)) {}
    uint32_t Uniform(uint32_t bound) override;

private:
    Fill fill_;
};

}  // namespace qm::gen
