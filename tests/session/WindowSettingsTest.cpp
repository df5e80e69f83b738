#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "session/RecentProjects.h"
#include "session/WindowLayout.h"
#include "support/TempDir.h"

namespace tarnel {
namespace {

using Strings = std::vector<std::string>;

class WindowSettingsTest : public ::testing::Test {
 protected:
  std::string Ini(std::string_view bytes) { return NativeToEngine(dir.Write("tarnel.ini", bytes)); }
  test::TempDir dir;
};

TEST_F(WindowSettingsTest, RecentListPutsTheLatestFirstMovesDuplicatesUpAndKeepsEight) {
  RecentProjects recent;
  for (int i = 1; i <= 10; ++i) recent.Add("/p/" + std::to_string(i) + ".vbp");
  EXPECT_EQ(recent.Paths(), (Strings{"/p/10.vbp", "/p/9.vbp", "/p/8.vbp", "/p/7.vbp", "/p/6.vbp",
                                     "/p/5.vbp", "/p/4.vbp", "/p/3.vbp"}));
  recent.Add("/p/5.vbp");
  EXPECT_EQ(recent.Paths().size(), 8u);
  EXPECT_EQ(recent.Paths()[0], "/p/5.vbp");
  EXPECT_EQ(recent.Paths()[1], "/p/10.vbp");
  EXPECT_EQ(std::count(recent.Paths().begin(), recent.Paths().end(), "/p/5.vbp"), 1);
  recent.Remove("/p/10.vbp");
  recent.Add("");
  EXPECT_EQ(recent.Paths().size(), 7u);
  EXPECT_EQ(recent.Paths()[1], "/p/9.vbp");
}

TEST_F(WindowSettingsTest, RecentSectionRoundTripsAndKeepsTheUsersOtherKeys) {
  const std::string ini =
      Ini("[Exec]\r\nt=&T,X,P\r\n[Recent]\r\nnote=mine\r\nFile1=/a.vbp\r\nFile2=\r\n"
          "File3=/a.vbp\r\nFile4=/b.vbp\r\nFile9=/ignored.vbp\r\nOpenFolder=/x/\r\n");
  RecentProjects recent;
  recent.Load(ProfileFile(ini));
  EXPECT_EQ(recent.Paths(), (Strings{"/a.vbp", "/b.vbp"}));
  EXPECT_EQ(recent.Folder("Open"), "/x/");
  EXPECT_EQ(recent.Folder("Save"), "");
  recent.Add("/c.vbp");
  recent.SetFolder("Save", "/y/");
  recent.Save(ini);
  EXPECT_EQ(test::ReadNative(dir.File("tarnel.ini")),
            "[Exec]\r\nt=&T,X,P\r\n[Recent]\r\nnote=mine\r\nFile1=/c.vbp\r\nFile2=/a.vbp\r\n"
            "File3=/b.vbp\r\nFile9=/ignored.vbp\r\nOpenFolder=/x/\r\nSaveFolder=/y/\r\n");
  RecentProjects again;
  again.Load(ProfileFile(ini));
  EXPECT_EQ(again.Paths(), (Strings{"/c.vbp", "/a.vbp", "/b.vbp"}));
}

TEST_F(WindowSettingsTest, LayoutRoundTripsAndGarbageFallsBackToTheDesign) {
  const std::string ini = Ini("[Window]\r\nKeep=me\r\n[Date]\r\nLast=x\r\n");
  WindowLayout layout;
  layout.Geometry = ScreenRect{-1200, 40, 1000, 700};
  layout.Maximized = true;
  layout.TreeWidth = 260;
  layout.CallerShare = 4321;
  layout.SourceFont = "IPAGothic,pt,11.5";
  layout.CallerColumns = {120, 50, 80, 80, 30, 30, 60};
  layout.CalleeColumns = {90, 50};
  SaveWindowLayout(ini, layout);
  const WindowLayout back = LoadWindowLayout(ProfileFile(ini));
  EXPECT_EQ(back.Geometry, layout.Geometry);
  EXPECT_TRUE(back.Maximized);
  EXPECT_EQ(back.TreeWidth, 260);
  EXPECT_EQ(back.CallerShare, 4321);
  EXPECT_EQ(back.SourceFont, layout.SourceFont);
  EXPECT_EQ(back.CallerColumns, layout.CallerColumns);
  EXPECT_EQ(back.CalleeColumns, layout.CalleeColumns);
  EXPECT_EQ(GetProfileString(ini, "Window", "Keep"), "me");
  EXPECT_EQ(GetProfileString(ini, "Date", "Last"), "x");

  const std::string bad =
      Ini("[Window]\r\nLeft=10\r\nTop=ten\r\nWidth=800\r\nHeight=600\r\nTreeWidth=-5\r\n"
          "CallerShare=10000\r\nCallerColumns=100,,30\r\nCalleeColumns=99999999999\r\nMaximized="
          "yes\r\n");
  const WindowLayout garbage = LoadWindowLayout(ProfileFile(bad));
  EXPECT_FALSE(garbage.Geometry.has_value());
  EXPECT_FALSE(garbage.Maximized);
  EXPECT_EQ(garbage.TreeWidth, 0);
  EXPECT_EQ(garbage.CallerShare, 0);
  EXPECT_TRUE(garbage.CallerColumns.empty());
  EXPECT_TRUE(garbage.CalleeColumns.empty());
}

TEST_F(WindowSettingsTest, AWindowFitsOnlyWhollyInsideOneScreenAndLargeEnoughToUse) {
  const std::vector<ScreenRect> screens{{0, 0, 1600, 1000}, {1600, 0, 1280, 1024}};
  EXPECT_TRUE(FitsAnyScreen({100, 100, 800, 600}, screens));
  EXPECT_TRUE(FitsAnyScreen({1700, 50, 1280 - 100, 900}, screens));  // on the second screen
  EXPECT_FALSE(FitsAnyScreen({1500, 100, 400, 300}, screens));       // across both
  EXPECT_FALSE(FitsAnyScreen({-1200, 40, 1000, 700}, screens));      // a screen that is gone
  EXPECT_FALSE(FitsAnyScreen({0, 0, 1600, 1001}, screens));
  EXPECT_FALSE(FitsAnyScreen({10, 10, 50, 30}, screens));  // too small to use
  EXPECT_FALSE(FitsAnyScreen({2147483000, 0, 2000, 500}, {{0, 0, 2147483647, 1000}}));
  EXPECT_FALSE(FitsAnyScreen({100, 100, 800, 600}, {}));
}

}  // namespace
}  // namespace tarnel
