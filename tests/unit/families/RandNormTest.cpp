// The normal draw of the response imitation.

#include <gtest/gtest.h>

#include <cmath>

#include "families/RandNorm.h"

using namespace omi;

TEST(RandNorm, TableInverseHitsItsPointsAndClamps) {
    // Φ(1) = 0.841345, Φ(1.96) = 0.975002: the inverse gives the table's y.
    EXPECT_NEAR(NormalQuantileTable(0.841345), 1.00, 1e-4);
    EXPECT_NEAR(NormalQuantileTable(0.975002), 1.96, 1e-4);
    EXPECT_EQ(NormalQuantileTable(0.5), 0.0);
    EXPECT_EQ(NormalQuantileTable(0.4), 0.0);
    EXPECT_EQ(NormalQuantileTable(0.99999), 3.99);
    EXPECT_EQ(NormalQuantileTable(1.0), 3.99);
}

TEST(RandNorm, DrawsStayWithinAndLookNormal) {
    SeedImitation(7);
    double sum = 0, sum2 = 0;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        const double v = RandNorm(100, 10);
        ASSERT_LE(std::abs(v - 100), 39.9 + 1e-9);
        sum += v;
        sum2 += v * v;
    }
    const double mean = sum / n;
    const double sd = std::sqrt(sum2 / n - mean * mean);
    EXPECT_NEAR(mean, 100, 0.2);
    EXPECT_NEAR(sd, 10, 0.2);
}

TEST(RandNorm, SeedRepeatsTheDrawsAndIntegersRound) {
    SeedImitation(42);
    const double a = RandNorm(0, 255), b = RandUniform();
    SeedImitation(42);
    EXPECT_EQ(RandNorm(0, 255), a);
    EXPECT_EQ(RandUniform(), b);
    for (int i = 0; i < 1000; ++i) {
        const int k = RandInt(3);
        ASSERT_GE(k, 0);
        ASSERT_LE(k, 2);
        const double u = RandUniform();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
    }
}
