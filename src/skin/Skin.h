#pragma once
// The skin engine's one entry: forms call it from their load with their
// window. The flat light-blue look comes with the skin engine itself; until
// then the system's own drawing stands.
#include <windows.h>

namespace qm::skin {

inline void AttachSkin(HWND) {}

}  // namespace qm::skin
