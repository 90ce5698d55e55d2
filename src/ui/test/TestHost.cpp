#include "ui/test/TestHost.h"

namespace qm::ui {

void TestHost::Show(Form& form, bool modal, Form*) {
    shown.push_back(form.Name() + (modal ? " (modal)" : ""));
    FormActivated(form);
    if (!modal) return;
    if (auto it = scripts_.find(form.Name()); it != scripts_.end()) it->second(form);
    if (form.IsLoaded()) form.RequestClose();
}

void TestHost::PopupMenu(Form&, MenuItem& menu, MenuItem* defaultItem) {
    popups.push_back({menu.Name(), defaultItem ? defaultItem->Name() : ""});
    const std::string choice = std::move(nextMenuChoice);
    nextMenuChoice.clear();
    for (MenuItem* item : menu.Items)
        if (item->Name() == choice && item->Enabled() && item->Visible()) item->RaiseClick();
}

}  // namespace qm::ui
