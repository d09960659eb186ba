#include "setup/installlib/dialogforms.h"
#include "setup/installlib/dialogplacement.h"

#include <gtest/gtest.h>

using namespace installlib;

namespace {

// The nine positions on screens of several sizes: a swapped sign or a
// missing caption height puts the wizard off the screen's edge.
TEST(DialogPlacement, NinePositionsOnScreensOfSeveralSizes)
{
    struct Case {
        TScreenMetrics screen;
        int w, h;
    };
    for (const Case& c : { Case { { 640, 480, 18 }, 478, 395 }, Case { { 1024, 768, 22 }, 478, 395 },
             Case { { 1920, 1080, 30 }, 474, 146 } }) {
        const TScreenMetrics& s = c.screen;
        int cx = (s.Width - c.w) / 2, cy = (s.Height - c.h) / 2;
        int right = s.Width - c.w, bottom = s.Height - s.CaptionHeight - c.h;
        auto at = [&](TQuorleDialogPosition p, int l, int t) { return PlaceDialog(p, l, t, c.w, c.h, s, crTruncate); };
        EXPECT_EQ(at(qdpCenterLeft, 5, 7), (TDialogPlace { 5, cy + 7 }));
        EXPECT_EQ(at(qdpCenter, 5, 7), (TDialogPlace { cx + 5, cy + 7 }));
        EXPECT_EQ(at(qdpCenterRight, 5, 7), (TDialogPlace { right - 5, cy + 7 }));
        EXPECT_EQ(at(qdpBottomLeft, 5, 7), (TDialogPlace { 5, bottom - 7 }));
        EXPECT_EQ(at(qdpBottomCenter, 5, 7), (TDialogPlace { cx + 5, bottom - 7 }));
        EXPECT_EQ(at(qdpBottomRight, 0, 0), (TDialogPlace { right, bottom }));
        EXPECT_EQ(at(qdpTopLeft, 5, 7), (TDialogPlace { 5, 7 }));
        EXPECT_EQ(at(qdpTopCenter, 5, 7), (TDialogPlace { cx + 5, 7 }));
        EXPECT_EQ(at(qdpTopRight, 5, 7), (TDialogPlace { right - 5, 7 }));
        // Bottom right with no offsets: the right edge on the screen's,
        // the bottom one caption height above the screen's.
        TDialogPlace corner = at(qdpBottomRight, 0, 0);
        EXPECT_EQ(corner.Left + c.w, s.Width);
        EXPECT_EQ(corner.Top + c.h + s.CaptionHeight, s.Height);
    }
}

// The wizard truncates the centre, the copy windows round it halves to
// even: one pixel apart on odd differences, and negative for a window
// wider than the screen.
TEST(DialogPlacement, WizardTruncatesCopyWindowsRound)
{
    TScreenMetrics screen { 640, 480, 18 };
    EXPECT_EQ(PlaceDialog(qdpCenter, 0, 0, 473, 395, screen, crTruncate).Left, 83);
    EXPECT_EQ(PlaceDialog(qdpCenter, 0, 0, 473, 395, screen, crRound).Left, 84);
    EXPECT_EQ(PlaceDialog(qdpCenter, 0, 0, 475, 395, screen, crRound).Left, 82);
    EXPECT_EQ(PlaceDialog(qdpCenter, 0, 0, 475, 395, screen, crTruncate).Left, 82);
    EXPECT_EQ(PlaceDialog(qdpCenter, 0, 0, 641, 480, screen, crTruncate).Left, 0); // -0.5 truncates to 0
    EXPECT_EQ(PlaceDialog(qdpCenter, 0, 0, 643, 480, screen, crRound).Left, -2);
}

// The wizard window takes the manager's size before it is placed, and its
// pages follow the display panel when it is resized.
TEST(DialogPlacement, WizardWindowPlacesItselfWithItsSize)
{
    DefaultScreenMetrics() = { 800, 600, 18 };
    TBaseFormContainer wizard;
    EXPECT_EQ(wizard.Width(), 478);
    EXPECT_EQ(wizard.Height(), 395);
    EXPECT_EQ(wizard.Caption(), "BaseFormContainer");
    wizard.SetBounds(0, 0, 500, 400);
    wizard.PlaceOnScreen(qdpBottomRight, 10, 20);
    EXPECT_EQ(wizard.Left(), 800 - 500 - 10);
    EXPECT_EQ(wizard.Top(), 600 - 18 - 400 - 20);
    EXPECT_EQ(wizard.Width(), 500);
    DefaultScreenMetrics() = TScreenMetrics();
}

} // namespace
