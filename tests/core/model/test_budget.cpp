#include "model/SignalSet.h"

#include <gtest/gtest.h>

using namespace zelmar;

TEST(StoredSize, NineBytesForEveryEightSamplesRoundedUp)
{
    EXPECT_EQ(storedSizeFor(0), 0);
    EXPECT_EQ(storedSizeFor(1), 2);
    EXPECT_EQ(storedSizeFor(7), 8);
    EXPECT_EQ(storedSizeFor(8), 9);
    EXPECT_EQ(storedSizeFor(9), 11);
}
