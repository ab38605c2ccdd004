#include <gtest/gtest.h>

#include "app/ForLedra.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_system.h"

TEST(Smoke, FormLoads) {
  ledra::fakes::FakeSystem sys;
  ledra::fakes::FakeForm f;
  ledra::app::ForLedra form(sys, f.controls);
  form.Form_Load();
  form.Timer1_Timer();
  EXPECT_EQ(f.StatusBar1.panelText(1), "进程数: 0");
}
