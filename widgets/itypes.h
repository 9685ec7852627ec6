// Enumerations shared by the instrument widgets and their drawing helpers.
// Portable: the names are what layouts store.
#pragma once

#include "components/typinfo.h"

ORVANE_ENUM(TiBevelStyle, ibsNone, ibsRaised, ibsLowered)
ORVANE_ENUM(TiRepaintType, irtInvalidate, irtBackGround, irtNone)
ORVANE_ENUM(TiOrientation, ioVertical, ioHorizontal)
ORVANE_ENUM(TiOrientationSide, iosBottomRight, iosTopLeft)
