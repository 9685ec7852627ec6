// Items a form adds to its window's system menu. They come after a
// separator, below the system's own; the skin's copy of the system menu is
// built from the same menu, so skinned and plain frames show them alike.
// A choice reaches the form as WM_SYSCOMMAND with the item's identifier; an
// item may carry a short cut, shown beside its caption and taken from the
// keyboard while the form is active. Win32 only.
//
//   items_.Add("Level history...", scCtrl | 'H', [this] { ShowHistory(); });
//   items_.Attach(Handle());                      // once the window exists
//   ... WM_SYSCOMMAND:  if (items_.SysCommand(Message.WParam)) return;
//   ... OnShortCut:     Handled = items_.ShortCut(ShortCut);
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/menus.h"

class TSystemMenuItems {
public:
    // The handler runs when the item is chosen or its short cut pressed.
    void Add(const std::string& caption, TShortCut shortCut, std::function<void()> onClick);
    int Count() const { return static_cast<int>(items_.size()); }
    // The system command identifier of the item at index.
    UINT Command(int index) const;

    // Appends the items to wnd's system menu. Call again for a window made
    // anew; a menu that already holds them is left as it is.
    void Attach(HWND wnd);
    // True, after running its handler, when the command is one of ours.
    bool SysCommand(WPARAM command);
    // True, after running its handler, when the key is one of ours.
    bool ShortCut(TShortCut shortCut);

private:
    struct TItem {
        std::string caption;
        TShortCut shortCut;
        std::function<void()> onClick;
    };
    std::vector<TItem> items_;
};
