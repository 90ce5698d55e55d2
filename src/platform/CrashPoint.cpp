// Built only into the test-only program: see CrashPoint.h.
#include "platform/CrashPoint.h"

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace qm::platform {

void CrashPointReached(const char* name) {
    static int passes = 0;
    const char* wanted = std::getenv("QM_CRASH_AT");
    if (!wanted) return;
    const std::string target = wanted;
    const size_t hash = target.find('#');
    if (target.substr(0, hash) != name) return;
    const int nth = hash == std::string::npos ? 1 : std::atoi(target.c_str() + hash + 1);
    if (++passes < nth) return;
    // As a power cut or a task manager would: no destructor, no flush, no
    // handler of the program's own runs.
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), kCrashPointExitCode);
#endif
    _exit(kCrashPointExitCode);
}

}  // namespace qm::platform
