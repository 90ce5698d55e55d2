#pragma once
// The peers of each kind of control, one source file per kind.
#include "ui/win32/Win32Peer.h"

namespace qm::ui {

// The form's own window, made by the host; the peer keeps its caption, size,
// visibility and window state.
class FormPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;
    void Sync(Prop what) override;
};

// A timer ticks through the form's window, under the timer's id.
class TimerPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;
    void Sync(Prop what) override;
    void Tick() { static_cast<Timer&>(control).RaiseTick(); }
};

class LabelPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;
    void Create(HWND parent, int id) override;
    void OnCommand(int code) override;
    LRESULT OnCtlColor(HDC dc) override;

protected:
    void SyncOwn(Prop what) override;
};

class TextBoxPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;
    void Create(HWND parent, int id) override;
    void Sync(Prop what) override;
    void OnCommand(int code) override;
    LRESULT OnCtlColor(HDC dc) override;
    bool OnOwnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool TakesEveryKey() const override { return static_cast<TextBox&>(control).CapturesKeys; }

protected:
    void SyncOwn(Prop what) override;

private:
    // Tells the model what the control holds now, however it came to hold it.
    void takeText();
    // Overwrites what the control holds, then empties it.
    void erase();
    HWND spin_ = nullptr;  // the up-down arrows of a number box; they go with the box's parent
};

class ComboBoxPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;
    void Create(HWND parent, int id) override;
    void OnCommand(int code) override;
    LRESULT OnCtlColor(HDC dc) override;

protected:
    void SyncOwn(Prop what) override;
    int ExtraHeight() const override;
};

class ListBoxPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;
    void Create(HWND parent, int id) override;
    void OnCommand(int code) override;
    LRESULT OnCtlColor(HDC dc) override;

protected:
    void SyncOwn(Prop what) override;
};

class CommandButtonPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;
    void Create(HWND parent, int id) override;
    void OnCommand(int code) override;

protected:
    void SyncOwn(Prop what) override;
};

class CheckBoxPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;
    void Create(HWND parent, int id) override;
    void OnCommand(int code) override;

protected:
    void SyncOwn(Prop what) override;
};

class ProgressBarPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;
    void Create(HWND parent, int id) override;

protected:
    void SyncOwn(Prop what) override;
};

// A picture box: a coloured panel that other controls sit in.
class PictureBoxPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;
    void Create(HWND parent, int id) override;
};

// Shapes and images, drawn from their models.
class PaintedPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;
    void Create(HWND parent, int id) override;
};

class TreeViewPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;
    void Create(HWND parent, int id) override;
    LRESULT OnNotify(NMHDR& hdr) override;

protected:
    void SyncOwn(Prop what) override;

private:
    std::vector<HTREEITEM> items_;  // the tree's items by node index
    std::vector<TreeView::Node> shown_;  // the nodes as the items were made from them
};

class ListViewPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;
    void Create(HWND parent, int id) override;
    LRESULT OnNotify(NMHDR& hdr) override;
    bool OnOwnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

protected:
    void SyncOwn(Prop what) override;

private:
    void syncColumns();
    std::wstring cellText_;  // the cell handed to the control, kept alive until the next one
    int shownSel_ = -1;      // the row the control shows selected (one at most: LVS_SINGLESEL)
    std::vector<std::wstring> sentTitles_;  // the columns' titles as last set
};

// The window classes of picture boxes and painted controls.
void RegisterPanelClasses(HINSTANCE instance);

}  // namespace qm::ui
