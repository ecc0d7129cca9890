#include "ui/placement.h"

#include <gtest/gtest.h>

namespace {

TEST(CenterOver, CentresOverTheMainWindow) {
  auto p = ui::CenterOver(100, 80, 500, 400, 300, 100, 1280, 1024);
  EXPECT_TRUE(p.setLeft);
  EXPECT_EQ(p.left, 200);
  EXPECT_TRUE(p.setTop);
  EXPECT_EQ(p.top, 230);
}

TEST(CenterOver, HalfRoundsTowardZero) {
  // (501 - 300) / 2 = 100.5 -> 100; (-7) / 2 = -3.5 -> -3 then + 10 = 7.
  auto p = ui::CenterOver(0, 10, 501, 93, 300, 100, 1280, 1024);
  EXPECT_EQ(p.left, 100);
  EXPECT_EQ(p.top, 7);
}

TEST(CenterOver, NegativeFallsBackToScreenCentre) {
  // Main window mostly beyond the screen's left edge, dialog wider than it.
  auto p = ui::CenterOver(-400, 50, 300, 400, 500, 100, 1280, 1024);
  EXPECT_TRUE(p.setLeft);
  EXPECT_EQ(p.left, 390);
  auto q = ui::CenterOver(50, -900, 500, 400, 300, 100, 1280, 1024);
  EXPECT_EQ(q.top, 462);
}

TEST(CenterOver, ZeroOrLessKeepsTheDesignValue) {
  // Exactly 0 is not applied.
  auto p = ui::CenterOver(0, 0, 300, 100, 300, 100, 1280, 1024);
  EXPECT_FALSE(p.setLeft);
  EXPECT_FALSE(p.setTop);
  // Dialog wider than the screen: even the screen centre is negative.
  auto q = ui::CenterOver(-2000, 0, 100, 100, 1400, 100, 1280, 1024);
  EXPECT_FALSE(q.setLeft);
}

TEST(ClampToWorkArea, KeepsWhatIsReachableAndPullsBackTheRest) {
  const ui::Rect area{0, 0, 1280, 1000};
  auto same = [](ui::Rect a, ui::Rect b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
  };
  // Reachable bounds stay, partly beyond the left edge included.
  EXPECT_TRUE(same(ui::ClampToWorkArea({120, 130, 640, 480}, area), {120, 130, 640, 480}));
  EXPECT_TRUE(same(ui::ClampToWorkArea({-30, 40, 300, 200}, area), {-30, 40, 300, 200}));
  // A minimised window's old rectangle, or far off screen: back in reach.
  EXPECT_TRUE(same(ui::ClampToWorkArea({-32000, -32000, 160, 24}, area), {-128, 0, 160, 32}));
  EXPECT_TRUE(same(ui::ClampToWorkArea({5000, 4000, 300, 200}, area), {1248, 968, 300, 200}));
  // Extreme stored values: no overflow, no larger than the work area.
  const int big = 0x7FFFFFFF, small = -big - 1;
  EXPECT_TRUE(same(ui::ClampToWorkArea({big, big, big, big}, area), {1248, 968, 1280, 1000}));
  EXPECT_TRUE(same(ui::ClampToWorkArea({small, small, small, small}, area), {0, 0, 32, 32}));
  // A work area that does not start at the origin.
  EXPECT_TRUE(same(ui::ClampToWorkArea({0, 0, 300, 200}, {100, 50, 800, 600}), {0, 50, 300, 200}));
}

}  // namespace
