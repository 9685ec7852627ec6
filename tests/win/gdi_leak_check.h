// Test fixtures that fail a test which leaves GDI objects, device contexts
// or windows behind, by the framework's own live counts.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/forms.h"
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

// For tests of controls in windows: the exceptions the application reports
// are gathered in Errors rather than shown in a box nobody closes. A fixture
// that frees its forms does so before it calls this TearDown; the device
// contexts the controls cached are given back before the count.
class TWindowLeakCheckedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        windows0_ = TResourceCount::Windows;
        gdi0_ = TResourceCount::GdiObjects;
        Application->OnException = [this](TObject*, Exception& e) { Errors.push_back(e.Message); };
    }
    void TearDown() override
    {
        Application->OnException = nullptr;
        TControlCanvas::FreeDeviceContexts();
        EXPECT_EQ(TResourceCount::Windows, windows0_) << "windows left behind";
        EXPECT_EQ(TResourceCount::GdiObjects, gdi0_) << "GDI objects left behind";
    }

    std::vector<std::string> Errors;

private:
    int windows0_ = 0, gdi0_ = 0;
};
