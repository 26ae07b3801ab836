#include "net/fastest_server.h"

#include <gtest/gtest.h>

namespace brimsel {
namespace {

TEST(FastestServerTest, NoneChosenUntilAProbePasses) {
  FastestServer fastest;
  EXPECT_EQ(fastest.Row(), -1);
  EXPECT_EQ(fastest.BestMs(), 100000);
}

TEST(FastestServerTest, StrictlySmallerTimeWinsSoTheEarlierRowKeepsATie) {
  FastestServer fastest;
  fastest.Offer(0, 120);
  fastest.Offer(1, 120);
  EXPECT_EQ(fastest.Row(), 0);
  fastest.Offer(2, 119);
  EXPECT_EQ(fastest.Row(), 2);
  fastest.Offer(3, 300);
  EXPECT_EQ(fastest.Row(), 2);
  EXPECT_EQ(fastest.BestMs(), 119);
}

TEST(FastestServerTest, TimesOf100000MsOrMoreAreNeverChosen) {
  FastestServer fastest;
  fastest.Offer(0, 100000);
  fastest.Offer(1, 250000);
  EXPECT_EQ(fastest.Row(), -1);
  fastest.Offer(2, 99999);
  EXPECT_EQ(fastest.Row(), 2);
}

}  // namespace
}  // namespace brimsel
