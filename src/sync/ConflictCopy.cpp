#include "sync/ConflictCopy.h"

#include <string>

#include "store/TextRules.h"

namespace qm::sync {

namespace {

std::string folded(std::string_view s) {
    std::string f(s);
    for (char& c : f)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return f;
}

// "(N)" with N a whole number, as Windows and several services number a copy.
bool numbered(std::string_view middle) {
    for (size_t open = middle.find('('); open != std::string_view::npos; open = middle.find('(', open + 1)) {
        size_t at = open + 1;
        while (at < middle.size() && middle[at] >= '0' && middle[at] <= '9') ++at;
        if (at > open + 1 && at < middle.size() && middle[at] == ')') return true;
    }
    return false;
}

}  // namespace

bool IsConflictCopy(std::string_view fileName, std::string_view candidate) {
    const size_t dot = fileName.rfind('.');
    const std::string_view stem = fileName.substr(0, dot == std::string_view::npos || dot == 0 ? fileName.size() : dot);
    const std::string_view extension = fileName.substr(stem.size());
    const std::string name = folded(candidate);
    if (name.size() <= fileName.size() || store::CompareNoCase(name.substr(0, stem.size()), stem) != 0 ||
        store::CompareNoCase(name.substr(name.size() - extension.size()), extension) != 0)
        return false;
    const std::string_view middle = std::string_view(name).substr(stem.size(), name.size() - fileName.size());
    return middle.find("conflict") != std::string_view::npos || middle.find("冲突") != std::string_view::npos ||
           numbered(middle);
}

}  // namespace qm::sync
