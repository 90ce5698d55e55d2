#include "forms/Forms.h"

#include "forms/FrmAbout.h"
#include "forms/FrmData.h"
#include "forms/FrmFind.h"
#include "forms/FrmLogin.h"
#include "forms/FrmLoosenLock.h"
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
FrmFind& Forms::Find() { return get(find_); }
FrmAbout& Forms::About() { return get(about_); }

void Forms::UnloadAll(const ui::Form* except) {
    for (ui::Form* f : std::initializer_list<ui::Form*>{login_.get(), newUser_.get(), data_.get(), find_.get(),
                                                        about_.get(), loosenLock_.get(), trayMenu_.get(),
                                                        main_.get()})
        if (f && f != except && f->IsLoaded()) f->Unload();
}
FrmTrayMenu& Forms::TrayMenu() { return get(trayMenu_); }
FrmLoosenLock& Forms::LoosenLock() { return get(loosenLock_); }

void FillCategories(app::AppContext& app, ui::ComboBox& box) {
    app.RsType.Requery();
    for (app.RsType.MoveFirst(); !app.RsType.Eof(); app.RsType.MoveNext()) box.AddItem(app.RsType["TypeName"].Text());
}

}  // namespace qm::forms
