#pragma once
// The maker's web address: the forum button, the main window's address label
// and the About box show and open it. A packager sets it at configure time
// with -DQM_MAKER_URL=...; it is defined in this one place.
#ifndef QM_MAKER_URL
#define QM_MAKER_URL "https://quillmere.example.org/"
#endif

namespace qm::app {

inline constexpr const char* kMakerWebAddress = QM_MAKER_URL;

}  // namespace qm::app
