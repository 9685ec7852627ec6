// A test fixture that fails a test which leaves GDI objects or device
// contexts behind, by the framework's own live counts.
#pragma once

#include <gtest/gtest.h>

#include "framework/resourcecount.h"

class TGdiLeakCheckedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gdi0_ = TResourceCount::GdiObjects;
        dc0_ = TResourceCount::DeviceContexts;
    }
    void TearDown() override
    {
        EXPECT_EQ(TResourceCount::GdiObjects, gdi0_) << "GDI objects left behind";
        EXPECT_EQ(TResourceCount::DeviceContexts, dc0_) << "device contexts left behind";
    }

private:
    int gdi0_ = 0, dc0_ = 0;
};
