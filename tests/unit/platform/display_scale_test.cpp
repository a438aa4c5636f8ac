// The desktop scale from the X resource database's Xft.dpi and the ORVANTA_SCALE override.
#include "platform/DisplayScale.h"

#include <gtest/gtest.h>

namespace {

using platform::DesktopScaleFrom;
using platform::XftDpi;

TEST(XftDpi, IsReadFromItsOwnLineAndTheLastEntryWins) {
  EXPECT_EQ(XftDpi("Xft.dpi:\t192\n"), 192.0);
  EXPECT_EQ(XftDpi("Xft.antialias:\t1\nXft.dpi:  144 \nXcursor.size:\t24"), 144.0);
  EXPECT_EQ(XftDpi("Xft.dpi:\t96\nXft.dpi:\t120\n"), 120.0);
  // Other names that merely contain it, and values that are not a positive number, are not it.
  EXPECT_EQ(XftDpi("*Xft.dpi.extra:\t192\nMyXft.dpi:\t192\n"), std::nullopt);
  EXPECT_EQ(XftDpi("Xft.dpi:\tlarge\n"), std::nullopt);
  EXPECT_EQ(XftDpi("Xft.dpi:\t-96\n"), std::nullopt);
  EXPECT_EQ(XftDpi(""), std::nullopt);
}

TEST(DesktopScale, TheOverrideFrom1To3WinsThenTheDpiAt96PerHundredPercent) {
  EXPECT_EQ(DesktopScaleFrom(nullptr, 192.0), 2.0);
  EXPECT_EQ(DesktopScaleFrom(nullptr, 144.0), 1.5);
  EXPECT_EQ(DesktopScaleFrom(nullptr, std::nullopt), 1.0);
  EXPECT_EQ(DesktopScaleFrom("1", 192.0), 1.0);
  EXPECT_EQ(DesktopScaleFrom("2.5", std::nullopt), 2.5);
  // An override that is no scale from 1 to 3 is ignored, not half-used.
  EXPECT_EQ(DesktopScaleFrom("", 192.0), 2.0);
  EXPECT_EQ(DesktopScaleFrom("200%", 192.0), 2.0);
  EXPECT_EQ(DesktopScaleFrom("4", 96.0), 1.0);
  EXPECT_EQ(DesktopScaleFrom("0.5", 96.0), 1.0);
}

}  // namespace
