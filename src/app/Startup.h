#pragma once
// The program's start and the store's side of its end.
#include "app/AppContext.h"
#include "platform/Platform.h"

namespace qm::app {

enum class StartResult {
    Ready,            // the data file is open with its record sets: show the first window
    AlreadyRunning,   // another instance owns this folder; it was said and nothing was touched
    DataFileRefused,  // the data file cannot be used; it was said and the file is as it was
};

StartResult StartUp(AppContext& app, platform::Platform& os);

// Closes the connection and puts the data file back into its at-rest form.
// Errors are swallowed step by step, as at every end of the program; a file
// that is no longer plain is never enciphered a second time.
void CloseDataFile(AppContext& app);

// The login dialog unloads: without a login the program ends, so the store closes.
void LoginDialogClosed(AppContext& app);

}  // namespace qm::app
