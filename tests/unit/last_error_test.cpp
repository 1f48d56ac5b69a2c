#include <gtest/gtest.h>

#include <thread>

#include "platform/last_error.h"

TEST(LastError, IsKeptPerThread) {
  platform::SetLastError(1223);
  std::uint32_t seenByOtherThread = 1;
  std::thread([&] { seenByOtherThread = platform::GetLastError(); }).join();
  EXPECT_EQ(seenByOtherThread, 0u);
  EXPECT_EQ(platform::GetLastError(), 1223u);
}
