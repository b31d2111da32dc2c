// The clipboard's text of a double reads back as exactly the same double.
#include "app/valuetext.h"

#include <gtest/gtest.h>

TEST(ValueTextReadBack, DoublesComeBackExactly) {
    for (double x : {0.1, 0.1 + 0.2, -2.5, 1e300, 5e-324, 123456789.125, 0.0}) {
        double back = -1;
        EXPECT_TRUE(valuetext::ReadDouble(valuetext::DoubleToStr(x), back)) << x;
        EXPECT_EQ(back, x);
    }
    EXPECT_EQ(valuetext::DoubleToStr(0.1 + 0.2), "0.30000000000000004");
}
