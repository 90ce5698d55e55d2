#include "app/Settings.h"

#include "store/DataFile.h"

namespace qm::app {

std::string RememberedUser(platform::Platform& os) { return os.GetSetting(kAppTitle, "login", "user", ""); }

void RememberUser(platform::Platform& os, const std::string& name) { os.SaveSetting(kAppTitle, "login", "user", name); }

void ForgetRememberedUser(platform::Platform& os) { os.DeleteSetting(kAppTitle, "login", "user"); }

void UpdateStartupEntry(platform::Platform& os, const std::string& appPath, bool on) {
    const std::string program = store::PathIn(appPath, std::string(kProgramName) + ".exe");
    os.SetStartWithWindows(kProgramName, "\"" + program + "\"", on);
}

}  // namespace qm::app
