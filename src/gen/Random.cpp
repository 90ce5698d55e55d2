#include "gen/Random.h"

#include <sodium.h>

#include <stdexcept>

namespace qm::gen {

SystemRandom::SystemRandom() {
    if (sodium_init() < 0) throw std::runtime_error("libsodium could not start");
}

uint32_t SystemRandom::Uniform(uint32_t bound) { return bound < 2 ? 0 : randombytes_uniform(bound); }

}  // namespace qm::gen
