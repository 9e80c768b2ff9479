// Word size and drive space as the probes report them inside the 32-bit bed.
#include <windows.h>

#include <gtest/gtest.h>

#include "engine/install_state.h"
#include "engine/system_probes.h"

namespace {

class SystemProbes : public ::testing::Test {
 protected:
  void SetUp() override { ResetInstallState(); }
};

// The bed is a 32-bit Wine prefix, so Windows reports an x86 machine.
TEST_F(SystemProbes, WordSizeOfThe32BitBed) {
  installState.osBits = 99;
  EXPECT_EQ(32, ProbeWindowsBits());
  EXPECT_EQ(32u, installState.osBits);
}

TEST_F(SystemProbes, DiskSpaceOfDriveC) {
  ULARGE_INTEGER callerFree, total, free;
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"C:\\", &callerFree, &total, &free));
  ProbeDiskSpace('C');
  EXPECT_EQ(total.QuadPart, installState.diskTotalBytes);
  EXPECT_GT(installState.diskFreeBytes, 0u);
  EXPECT_LE(installState.diskFreeBytes, installState.diskTotalBytes);
  // Free space moves with the rest of the machine; allow 64 MiB of drift.
  const uint64_t drift = installState.diskFreeBytes > free.QuadPart
                             ? installState.diskFreeBytes - free.QuadPart
                             : free.QuadPart - installState.diskFreeBytes;
  EXPECT_LT(drift, 64ull << 20);
}

TEST_F(SystemProbes, MissingDriveGivesZeros) {
  const DWORD drives = GetLogicalDrives();
  char missing = 0;
  for (int i = 25; i >= 3 && !missing; --i)
    if (!(drives & (1u << i))) missing = static_cast<char>('A' + i);
  ASSERT_NE(0, missing) << "every drive letter is taken";
  installState.diskTotalBytes = 1;
  installState.diskFreeBytes = 1;
  ProbeDiskSpace(missing);
  EXPECT_EQ(0u, installState.diskTotalBytes);
  EXPECT_EQ(0u, installState.diskFreeBytes);
}

}  // namespace
