#include "tray/ModShortcut.h"

#include <algorithm>

namespace qm::tray {

void ModShortcut::InitHotKeyTable(int16_t highest) {
    HotKeyCount = std::max<int16_t>(highest, -1);
    HotKeyTable.assign(static_cast<size_t>(HotKeyCount + 1), HotKeyEntry{});
    KeySwallowed = false;
}

void ModShortcut::SetHotKeyTexts(const std::array<std::string, 3>& texts) {
    for (size_t i = 0; i < texts.size() && i < HotKeyTable.size(); ++i) HotKeyTable[i].ActionText = texts[i];
}

}  // namespace qm::tray
