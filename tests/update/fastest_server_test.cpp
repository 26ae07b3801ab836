#include "update/fastest_server.h"

#include <gtest/gtest.h>

namespace brimsel {
namespace {

TEST(FastestServerTest, StrictlySmallerTimeBelow100000MsWinsSoTheEarlierRowKeepsATie) {
  FastestServer fastest;
  EXPECT_EQ(fastest.Row(), -1);  // none until a probe passes
  EXPECT_EQ(fastest.BestMs(), 100000);
  fastest.Offer(0, 100000);
  fastest.Offer(1, 250000);
  EXPECT_EQ(fastest.Row(), -1);
  fastest.Offer(2, 99999);
  EXPECT_EQ(fastest.Row(), 2);
  fastest.Offer(3, 120);
  fastest.Offer(4, 120);
  EXPECT_EQ(fastest.Row(), 3);
  fastest.Offer(5, 119);
  fastest.Offer(6, 300);
  EXPECT_EQ(fastest.Row(), 5);
  EXPECT_EQ(fastest.BestMs(), 119);
}

}  // namespace
}  // namespace brimsel
