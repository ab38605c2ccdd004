#include <gtest/gtest.h>

#include "fakes/fake_system.h"
#include "performance/memory_status.h"

namespace {

using ledra::fakes::FakeSystem;
using ledra::performance::GetMemoryStatus;
using Figures = FakeSystem::MemoryFigures;

// 512 MB of RAM, a 2 GB address space, a 1.25 GB commit limit.
constexpr Figures kMachine{.totalPhys = 536870912,
                           .availPhys = 209715200,
                           .totalPageFile = 1342177280,
                           .availPageFile = 858993664,
                           .totalVirtual = 2147352576,
                           .availVirtual = 2040528896};

TEST(MemoryStatus, NtFieldsInPhysicalVirtualPageFileOrder) {
  FakeSystem sys;
  sys.setMemoryStatusEx(kMachine);
  EXPECT_EQ(GetMemoryStatus(sys), "536870912,209715200,2147352576,2040528896,1342177280,858993664");
  EXPECT_EQ(sys.count("globalMemoryStatus"), 0u);
}

TEST(MemoryStatus, NtBeyond4GBKeepsEveryDigit) {
  FakeSystem sys;
  sys.setMemoryStatusEx({.totalPhys = 68719476736ull,  // 64 GB
                         .availPhys = 0,
                         .totalPageFile = 922337203685477ull,  // the largest count carried
                         .availPageFile = 1,
                         .totalVirtual = 4294836224ull,
                         .availVirtual = 4294836223ull});
  EXPECT_EQ(GetMemoryStatus(sys), "68719476736,0,4294836224,4294836223,922337203685477,1");
}

TEST(MemoryStatus, NtFallsBackToTheOlderCall) {
  FakeSystem unavailable;  // no GlobalMemoryStatusEx on this system
  unavailable.setMemoryStatus(kMachine);
  EXPECT_EQ(GetMemoryStatus(unavailable), "536870912,209715200,2147352576,2040528896,1342177280,858993664");
  EXPECT_EQ(unavailable.count("globalMemoryStatusEx"), 1u);

  FakeSystem tooLarge;  // a figure past what the text can carry
  Figures huge = kMachine;
  huge.totalPageFile = 922337203685478ull;
  tooLarge.setMemoryStatusEx(huge);
  tooLarge.setMemoryStatus(
      {.totalPhys = 1, .availPhys = 2, .totalPageFile = 3, .availPageFile = 4, .totalVirtual = 5, .availVirtual = 6});
  EXPECT_EQ(GetMemoryStatus(tooLarge), "1,2,5,6,3,4");

  FakeSystem wide(8);  // a 64-bit program's older call: whole SIZE_T counts, 128 TiB of address space
  wide.setMemoryStatus({.totalPhys = 8589934592ull,
                        .availPhys = 4294967296ull,
                        .totalPageFile = 3,
                        .availPageFile = 4,
                        .totalVirtual = 140737488224256ull,
                        .availVirtual = 140737488224255ull});
  EXPECT_EQ(GetMemoryStatus(wide), "8589934592,4294967296,140737488224256,140737488224255,3,4");
  // Counts past what the figures carry are capped there, each on its own.
  wide.setMemoryStatus({.totalPhys = 8589934592ull,
                        .availPhys = 1,
                        .totalPageFile = 922337203685478ull,
                        .availPageFile = UINT64_MAX,
                        .totalVirtual = 922337203685477ull,
                        .availVirtual = 2});
  EXPECT_EQ(GetMemoryStatus(wide), "8589934592,1,922337203685477,2,922337203685477,922337203685477");
}

TEST(MemoryStatus, NineXLiftsNegativeReadingsBy4GB) {
  FakeSystem sys;
  sys.platformId = 1;                             // VER_PLATFORM_WIN32_WINDOWS
  sys.setMemoryStatusEx(kMachine);                // must not be used on 9x
  sys.setMemoryStatus({.totalPhys = 0xFFFF0000u,  // -65536 as a signed word
                       .availPhys = 0,
                       .totalPageFile = 2147483647u,
                       .availPageFile = 0x80000000u,  // -2147483648
                       .totalVirtual = 0xFFFFFFFFu,   // -1
                       .availVirtual = 4096});
  EXPECT_EQ(GetMemoryStatus(sys), "4294901760,0,4294967295,4096,2147483647,2147483648");
  EXPECT_EQ(sys.count("globalMemoryStatusEx"), 0u);
}

TEST(MemoryStatus, AZeroedAnswerStillGivesSixFields) {
  FakeSystem sys;
  sys.platformId = 1;
  sys.memoryStatus.assign(32, std::byte{0});
  EXPECT_EQ(GetMemoryStatus(sys), "0,0,0,0,0,0");
}

}  // namespace
