#pragma once
// The one-time code of a secret at a moment: HOTP's dynamic truncation of an
// HMAC of the time step's number (RFC 4226 and RFC 6238).
#include <cstdint>
#include <string>

#include "otp/Secret.h"

namespace qm::otp {

// The code at `unixTime` (seconds since 1970, UTC): `digits` decimal digits,
// or Steam's five characters. A time before 1970 counts as 1970. `params`
// are as ParseSecret makes them (a period of at least one second).
std::string CodeAt(const Params& params, int64_t unixTime);

// Seconds until the code of `unixTime` changes: period down to 1.
int SecondsLeft(const Params& params, int64_t unixTime);

}  // namespace qm::otp
