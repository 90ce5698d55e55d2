#pragma once
// A book of accounts for the benchmarks, written with the program's own
// code: the start-up makes the data file, the registration dialog registers
// the user, the accounts go in as the record dialog would leave them, and
// the program's end puts the file at rest.
#include <cstddef>
#include <string>
#include <vector>

namespace qm::bench {

inline constexpr const char* kBookUser = "amy";
inline constexpr const char* kBookPassword = "abc123";

// Writes SystemData.dat, at rest, into `folder` (which must exist): the user
// kBookUser with `accounts` accounts spread over the nine categories. Returns,
// for each text of `finds`, how many accounts the quick find shows for it.
std::vector<size_t> WriteBook(const std::string& folder, size_t accounts, const std::vector<std::string>& finds);

}  // namespace qm::bench
