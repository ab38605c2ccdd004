// The Performance page's arithmetic as the 32-bit build computes it (x87 doubles), where
// a quotient that is exact in a 64-bit double can land just below a whole number.
#include <gtest/gtest.h>

#include "common/number_text.h"
#include "performance/cpu_usage.h"
#include "performance/meter_graph.h"

namespace {

using ledra::common::sizeText;
using ledra::performance::cpuPercent;
using ledra::performance::meterLevel;

TEST(PerformanceArithmetic, MeterLevelsMatchWholeNumberArithmetic) {
  for (int v = -1; v <= 120; ++v) {
    const int expected = v < 0 ? -1 : std::min(v * 27 / 100, 27);
    EXPECT_EQ(meterLevel(v), expected) << v;
  }
  EXPECT_EQ(meterLevel(60.9375), 16);
}

TEST(PerformanceArithmetic, CpuWorkedValues) {
  EXPECT_EQ(cpuPercent(9'000'000, 10'000'000, 1), 10);
  EXPECT_EQ(cpuPercent(9'050'000, 10'000'000, 1), 10);
  EXPECT_EQ(cpuPercent(8'950'000, 10'000'000, 1), 11);
  EXPECT_EQ(cpuPercent(8'950'500, 10'000'000, 1), 11);  // the tie goes to the even 0.8950
  EXPECT_EQ(cpuPercent(10'000'000, 10'000'000, 2), 50);
  EXPECT_EQ(cpuPercent(20'000'000, 10'000'000, 4), 50);
  EXPECT_EQ(cpuPercent(0, 0, 1), 100);
  EXPECT_EQ(cpuPercent(11'000'000, 10'000'000, 1), 0);
  EXPECT_EQ(cpuPercent(1, 3, 3), 89);  // thirds: x = 100 - 11.11 + 0.5
  EXPECT_EQ(cpuPercent(1, 1, 0), -1);
}

TEST(PerformanceArithmetic, SizeTexts) {
  EXPECT_EQ(sizeText(327155712, "."), "312 MB");
  EXPECT_EQ(sizeText(1048576000, "."), "1000 MB");
  EXPECT_EQ(sizeText(5368709120.0, "."), "5.00 GB");
  EXPECT_EQ(sizeText(9000000, ","), "8,58 MB");
  EXPECT_EQ(sizeText(1049000000, "."), "0.98 GB");
  EXPECT_EQ(ledra::common::significantText(1000000003.0 / 1024, "."), "976562.502929688");
}

}  // namespace
