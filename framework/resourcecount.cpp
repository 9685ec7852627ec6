#include "framework/resourcecount.h"

std::atomic<int> TResourceCount::GdiObjects{0};
std::atomic<int> TResourceCount::DeviceContexts{0};
std::atomic<int> TResourceCount::Windows{0};
