// The program's entry point on Windows: start-up, then the login dialog; the
// program runs as long as one of its forms is loaded.
#include <windows.h>

#include "app/Startup.h"
#include "forms/Forms.h"
#include "forms/FrmLogin.h"
#include "platform/files.h"
#include "platform/win32/Win32Platform.h"
#include "skin/Skin.h"
#include "tray/win32/Win32TrayIcon.h"
#include "ui/win32/Win32Host.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    qm::platform::Win32Platform os;
    qm::app::AppContext app;
    app.AppPath = qm::store::GetAppPath();
    app.ExeFile = qm::platform::ProgramFileName();
    switch (qm::app::StartUp(app, os)) {
        case qm::app::StartResult::AlreadyRunning: return 0;
        case qm::app::StartResult::DataFileRefused: return 2;
        case qm::app::StartResult::Ready: break;
    }
    qm::ui::Win32Host host(instance, os);
    qm::skin::MSkinner skin(host.Dpi());
    host.InstallSkin([&skin](HWND form) { skin.AttachSkin(form); });
    qm::tray::Win32TrayIcon tray(host);
    app.Tray = &tray;
    qm::gen::SystemRandom random;
    app.Random = &random;
    qm::forms::Forms forms(app, host);
    forms.Login().Show();
    const int code = host.Run();
    tray.Remove();
    // Should the loop end another way, the data file still goes back to rest.
    if (app.DbConn.IsOpen()) qm::app::CloseDataFile(app);
    // Everything the run keeps is written and the data file is at rest: the
    // process ends here, and the system takes back its memory at once.
    // Handing back every account's row and cell one by one first took tens
    // of milliseconds of the exit at 100,000 accounts, for nothing.
    ExitProcess(static_cast<UINT>(code));
}
