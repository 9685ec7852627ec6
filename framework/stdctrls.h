// The standard controls: labels, edits and memos over the system EDIT class,
// push buttons, check boxes and radio buttons over the system BUTTON class,
// and the framework-painted group box. Win32 only.
#pragma once

#include <memory>
#include <string>

#include "forms.h"

ORVANE_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter)
ORVANE_ENUM(TTextLayout, tlTop, tlCenter, tlBottom)

// A caption drawn on its parent: no window, no focus. With AutoSize it takes
// the size of its text (keeping its width when it wraps words).
class TLabel : public TGraphicControl {
    ORVANE_CLASS(TLabel, TGraphicControl)
    explicit TLabel(TComponent* AOwner);

    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TTextLayout GetLayout() const { return layout_; }
    void SetLayout(TTextLayout value);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool GetShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);

    void Loaded() override;

protected:
    void Paint() override;
    void AdjustBounds();
    void CMTextChanged(TMessage& Message) override;
    void CMFontChanged(TMessage& Message) override;

private:
    UINT TextFormat() const;

    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool autoSize_ = true;
    bool showAccelChar_ = true;
};
