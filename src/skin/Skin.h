#pragma once
// The skin engine's one entry. The program makes one MSkinner and installs it
// into the form host, whose forms call AttachSkin from their load: the form
// and every window inside it are then drawn in the flat light-blue skin,
// each control chosen by its window class (and a button by its style), and
// message boxes, dialogs and drop-down lists are picked up as they appear.
#include <windows.h>

#include <memory>

namespace qm::skin {

class MSkinner {
public:
    // `dpi`: the screen's, at which the skin's images are drawn.
    explicit MSkinner(int dpi);
    // Windows still skinned go back to their own drawing.
    ~MSkinner();
    MSkinner(const MSkinner&) = delete;
    MSkinner& operator=(const MSkinner&) = delete;

    // The forms' entry: builds the skin's images when none are ready, then SkinWindow.
    int AttachSkin(HWND hwnd);
    // Skins the window, and a form's descendants with it: 1 when it was
    // skinned now; 0 for a null window, one already skinned, or one of
    // another thread.
    int SkinWindow(HWND hwnd);
    // Gives the window (and a form's descendants) back its own drawing: 1 when it did.
    int UnskinWindow(HWND hwnd);

    // How many windows are skinned now; the images go with the last of them.
    int SkinnedCount() const;
    bool SkinImagesReady() const;

    struct Engine;

private:
    std::unique_ptr<Engine> engine_;
};

}  // namespace qm::skin
