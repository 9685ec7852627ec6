#include "runtime/colors.h"

#include <iterator>

#include "runtime/sysutils.h"

namespace {

struct ColorName {
    TColor color;
    const char* name;
};

constexpr ColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
};

} // namespace

bool ColorToIdent(TColor color, std::string& ident)
{
    for (const auto& c : kColorNames)
        if (c.color == color) {
            ident = c.name;
            return true;
        }
    return false;
}

bool IdentToColor(const std::string& ident, TColor& color)
{
    for (const auto& c : kColorNames)
        if (SameText(ident, c.name)) {
            color = c.color;
            return true;
        }
    return false;
}

std::string ColorToString(TColor color)
{
    std::string name;
    if (ColorToIdent(color, name)) return name;
    return "$" + IntToHex(static_cast<uint32_t>(color), 8);
}

TColor StringToColor(const std::string& text)
{
    TColor color;
    if (IdentToColor(Trim(text), color)) return color;
    const std::string t = Trim(text);
    // StrToInt keeps to signed 32 bits; system colours are written as the
    // unsigned pattern, so hexadecimal is read as 32 raw bits here.
    std::string digits;
    if (!t.empty() && t[0] == '$')
        digits = t.substr(1);
    else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X'))
        digits = t.substr(2);
    if (!digits.empty() && digits.size() <= 8) {
        uint32_t v = 0;
        bool ok = true;
        for (char ch : digits) {
            int d = ch >= '0' && ch <= '9'   ? ch - '0'
                    : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
                    : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
                                             : -1;
            if (d < 0) {
                ok = false;
                break;
            }
            v = v << 4 | static_cast<uint32_t>(d);
        }
        if (ok) return static_cast<TColor>(v);
    }
    return StrToInt(t);
}
