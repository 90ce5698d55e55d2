#include "app/Settings.h"

#include "store/DataFile.h"

namespace qm::app {

std::string RememberedUser(platform::Platform& os) { return os.GetSetting(kAppTitle, "login", "user", ""); }

void RememberUser(platform::Platform& os, const std::string& name) { os.SaveSetting(kAppTitle, "login", "user", name); }

void ForgetRememberedUser(platform::Platform& os) { os.DeleteSetting(kAppTitle, "login", "user"); }

bool UpdateStartupEntry(platform::Platform& os, const std::string& appPath, const std::string& exeFile, bool on) {
    const size_t dot = exeFile.find_last_of('.');
    const std::string name = dot == std::string::npos || dot == 0 ? exeFile : exeFile.substr(0, dot);
    return os.SetStartWithWindows(name, "\"" + store::PathIn(appPath, exeFile) + "\"", on);
}

}  // namespace qm::app
