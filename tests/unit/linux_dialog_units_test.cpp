// The Preferences dialog's layout in pixels: dialog units converted as the
// classic dialog manager does for its 6x13 base units.
#include <gtest/gtest.h>

#include "platform/linux/gui/dialog_units.h"

namespace tickwell::linux_gui {
namespace {

TEST(LinuxDialogUnits, MulDivRoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDiv(55, 6, 4), 83);    // 82.5
    EXPECT_EQ(MulDiv(50, 13, 8), 81);   // 81.25
    EXPECT_EQ(MulDiv(15, 13, 8), 24);   // 24.375
    EXPECT_EQ(MulDiv(25, 13, 8), 41);   // 40.625
    EXPECT_EQ(MulDiv(-55, 6, 4), -83);  // -82.5
    EXPECT_EQ(MulDiv(0, 6, 4), 0);
}

TEST(LinuxDialogUnits, TemplateSizesBecomeThePixelsWindowsShows) {
    // The dialog: 222x71 units.
    EXPECT_EQ(DialogX(222), 333);
    EXPECT_EQ(DialogY(71), 115);
    // OK at (165, 50) sized 50x14; the field's 30x10 and the arrows' 9 units.
    EXPECT_EQ(DialogX(165), 248);
    EXPECT_EQ(DialogX(50), 75);
    EXPECT_EQ(DialogY(14), 23);
    EXPECT_EQ(DialogX(30), 45);
    EXPECT_EQ(DialogY(10), 16);
    EXPECT_EQ(DialogX(9), 14);  // 13.5 rounds up
    EXPECT_EQ(DialogX(5), 8);   // 7.5 rounds up
    EXPECT_EQ(DialogY(5), 8);
}

}  // namespace
}  // namespace tickwell::linux_gui
