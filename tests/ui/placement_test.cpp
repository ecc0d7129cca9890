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

}  // namespace
