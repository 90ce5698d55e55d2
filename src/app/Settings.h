#pragma once
// What the program keeps outside the data file: the last user's name in the
// settings store, and the entry that starts the program with Windows.
#include <string>

#include "platform/Platform.h"

namespace qm::app {

inline constexpr const char* kAppTitle = "Pelquin";  // the settings store's application name
inline constexpr const char* kProgramName = "Quillmere";

std::string RememberedUser(platform::Platform& os);
void RememberUser(platform::Platform& os, const std::string& name);
void ForgetRememberedUser(platform::Platform& os);

// Adds or removes the start-with-Windows entry for the program file
// `exeFile` in `appPath`, named after the file without its extension. The
// command is the program's full path in quotes, so that a folder with spaces
// cannot turn it into another program's name. False when the entry could not
// be made so.
bool UpdateStartupEntry(platform::Platform& os, const std::string& appPath, const std::string& exeFile, bool on);

}  // namespace qm::app
