#pragma once
// Named places where a write is half done. A test-only build of the program
// (QM_CRASH_POINTS defined) ends itself abruptly at the one the environment
// names, so that tests can prove the data file survives a death there. In
// every other build QM_CRASH_POINT expands to nothing and no name is kept.
namespace qm::platform {
// How a process that died at its crash point ends.
inline constexpr int kCrashPointExitCode = 77;
}  // namespace qm::platform

#ifdef QM_CRASH_POINTS
namespace qm::platform {
// Ends the process at once, with no clean-up of any kind, when QM_CRASH_AT
// names `name` ("name", or "name#N" for its Nth passing).
void CrashPointReached(const char* name);
}  // namespace qm::platform
#define QM_CRASH_POINT(name) ::qm::platform::CrashPointReached(name)
#else
#define QM_CRASH_POINT(name) ((void)0)
#endif
