// The option menus, About and exit on the in-memory form.
#include <gtest/gtest.h>

#include "app/ForLedra.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_system.h"
#include "ledra_version.h"

namespace {

using ledra::app::ForLedra;
using ledra::fakes::FakeForm;
using ledra::fakes::FakeSystem;

struct Options : ::testing::Test {
  FakeSystem sys;
  FakeForm f;
  ForLedra form{sys, f.controls};
};

TEST_F(Options, TopmostToggleOnceAndTwice) {
  ASSERT_TRUE(f.menu_show.checked());
  form.menu_show_Click();
  EXPECT_FALSE(f.menu_show.checked());
  ASSERT_EQ(sys.setWindowPosCalls.size(), 1u);
  EXPECT_EQ(sys.setWindowPosCalls[0].window, f.window.hwnd);
  EXPECT_EQ(sys.setWindowPosCalls[0].insertAfter, -2);  // HWND_NOTOPMOST
  EXPECT_EQ(sys.setWindowPosCalls[0].flags, 3u);        // no size, no move

  form.menu_show_Click();
  EXPECT_TRUE(f.menu_show.checked());
  ASSERT_EQ(sys.setWindowPosCalls.size(), 2u);
  EXPECT_EQ(sys.setWindowPosCalls[1].insertAfter, -1);  // HWND_TOPMOST
  EXPECT_EQ(sys.setWindowPosCalls[1].flags, 3u);
}

TEST_F(Options, AutoMinimiseOnlyTogglesItsCheckMark) {
  form.meun_usemin_Click();
  EXPECT_FALSE(f.meun_usemin.checked());
  form.meun_usemin_Click();
  EXPECT_TRUE(f.meun_usemin.checked());
  EXPECT_TRUE(sys.calls.empty());
  EXPECT_FALSE(f.window.isMinimized);
}

TEST_F(Options, AboutBoxTitleAndOwner) {
  form.menu_about_Click();
  sys.platformId = 1;
  form.Click("menu_about");
  ASSERT_EQ(sys.aboutBoxes.size(), 2u);
  for (const auto& a : sys.aboutBoxes) {
    EXPECT_EQ(a.title, "Ledra For Win9x/WinNT (" LEDRA_VERSION ")");  // the version of CMakeLists.txt
    EXPECT_EQ(a.owner, f.window.hwnd);
    EXPECT_EQ(a.icon, f.window.iconHandle);
    EXPECT_NE(a.text.find("Ledra"), std::string::npos);
    EXPECT_EQ(a.text.find('@'), std::string::npos);  // no made-up address
  }
}

TEST_F(Options, ExitEndsTheProgram) {
  EXPECT_TRUE(form.Click("menu_exit"));
  EXPECT_TRUE(f.window.ended);
  EXPECT_TRUE(sys.messageBoxes.empty());
}

}  // namespace
