// One clickable object in a skinned window's non-client area: a caption-bar
// button or a menu-bar item. The frame keeps at most one of them "hot" (state
// hot or pressed) and routes non-client mouse input to it.
#pragma once

#include <windows.h>

class TWinSkinForm;

// Object states; the numbers double as the image frame drawn for the state.
constexpr int NCStateNormal = 1;
constexpr int NCStatePressed = 2;
constexpr int NCStateHot = 3;

class TNCObject {
public:
    explicit TNCObject(TWinSkinForm* owner) : Owner(owner) {}
    virtual ~TNCObject() = default;
    TNCObject(const TNCObject&) = delete;
    TNCObject& operator=(const TNCObject&) = delete;

    virtual void MouseDown() {}
    virtual void MouseUp() {}
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual void Draw() {}

    TWinSkinForm* Owner;
    RECT BoundsRect{};  // window coordinates
    bool Visible = false;
    int State = NCStateNormal;
    bool Enabled = true;
};
