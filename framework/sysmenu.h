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
    // The system command identifier of the item at index, in the order
    // added. It depends on nothing else, so that another process that knows
    // a window's items can choose one.
    static constexpr UINT Command(int index) { return kFirstCommand + static_cast<UINT>(index) * kCommandStep; }
    // The identifier of the item with this caption; 0 for none.
    UINT CommandOf(const std::string& caption) const;

    // Appends the items to wnd's system menu. Call again for a window made
    // anew; a menu that already holds them is left as it is.
    void Attach(HWND wnd);
    // True, after running its handler, when the command is one of ours.
    bool SysCommand(WPARAM command);
    // True, after running its handler, when the key is one of ours.
    bool ShortCut(TShortCut shortCut);

private:
    // Below the system's own commands (0xF000 and up), with the low four
    // bits clear, which the system uses for itself.
    static constexpr UINT kFirstCommand = 0x0100;
    static constexpr UINT kCommandStep = 0x10;

    struct TItem {
        std::string caption;
        TShortCut shortCut;
        std::function<void()> onClick;
    };
    std::vector<TItem> items_;
};
