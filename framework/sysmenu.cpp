#include "framework/sysmenu.h"

void TSystemMenuItems::Add(const std::string& caption, TShortCut shortCut, std::function<void()> onClick)
{
    items_.push_back({caption, shortCut, std::move(onClick)});
}

UINT TSystemMenuItems::CommandOf(const std::string& caption) const
{
    for (int i = 0; i < Count(); ++i)
        if (items_[static_cast<size_t>(i)].caption == caption) return Command(i);
    return 0;
}

void TSystemMenuItems::Attach(HWND wnd)
{
    HMENU menu = wnd ? GetSystemMenu(wnd, FALSE) : nullptr;
    if (!menu || items_.empty() || GetMenuState(menu, Command(0), MF_BYCOMMAND) != static_cast<UINT>(-1)) return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    for (int i = 0; i < Count(); ++i) {
        const TItem& item = items_[static_cast<size_t>(i)];
        std::string text = item.caption;
        if (item.shortCut != scNone) text += "\t" + ShortCutToText(item.shortCut);
        AppendMenuA(menu, MF_STRING, Command(i), text.c_str());
    }
}

bool TSystemMenuItems::SysCommand(WPARAM command)
{
    const UINT id = static_cast<UINT>(command) & 0xFFF0;
    for (int i = 0; i < Count(); ++i)
        if (id == Command(i)) {
            if (const auto& click = items_[static_cast<size_t>(i)].onClick) click();
            return true;
        }
    return false;
}

bool TSystemMenuItems::ShortCut(TShortCut shortCut)
{
    for (const TItem& item : items_)
        if (item.shortCut != scNone && item.shortCut == shortCut) {
            if (item.onClick) item.onClick();
            return true;
        }
    return false;
}
