// Live counts of the GDI objects, device contexts and windows the framework
// creates. GetGuiResources answers 0 under Wine, so leak tests (and the
// panel's soak run) read these instead. Every handle the framework creates
// is owned by an RAII holder that counts it in and out here.
#pragma once

#include <atomic>

struct TResourceCount {
    static std::atomic<int> GdiObjects;     // pens, brushes, fonts, bitmaps, regions, icons
    static std::atomic<int> DeviceContexts; // memory DCs and window DCs held
    static std::atomic<int> Windows;        // windows created by the framework and not yet destroyed
};
