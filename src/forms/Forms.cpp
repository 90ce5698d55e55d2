#include "forms/Forms.h"

#include "forms/FrmData.h"
#include "forms/FrmLogin.h"
#include "forms/FrmMain.h"
#include "forms/FrmNewUser.h"
#include "forms/FrmTrayMenu.h"

namespace qm::forms {

Forms::Forms(app::AppContext& app, ui::FormHost& host) : app_(app), host_(host) {}

Forms::~Forms() = default;

template <class F>
F& Forms::get(std::unique_ptr<F>& slot) {
    if (slot && slot->WasUnloaded()) retired_.push_back(std::move(slot));
    if (!slot) slot = std::make_unique<F>(*this);
    return *slot;
}

FrmLogin& Forms::Login() { return get(login_); }
FrmNewUser& Forms::NewUser() { return get(newUser_); }
FrmMain& Forms::Main() { return get(main_); }
FrmData& Forms::Data() { return get(data_); }
FrmTrayMenu& Forms::TrayMenu() { return get(trayMenu_); }

}  // namespace qm::forms
