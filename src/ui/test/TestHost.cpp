#include "ui/test/TestHost.h"

namespace qm::ui {

void TestHost::Show(Form& form, bool modal, Form*) {
    shown.push_back(form.Name() + (modal ? " (modal)" : ""));
    form.Activate();
    if (!modal) return;
    if (auto it = scripts_.find(form.Name()); it != scripts_.end()) it->second(form);
    if (form.IsLoaded()) form.RequestClose();
}

}  // namespace qm::ui
