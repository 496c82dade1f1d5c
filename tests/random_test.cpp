#include <gtest/gtest.h>

#include "engine/random.h"

namespace tessalume {
namespace {

TEST(RndField, SeedZeroGivesTheKnownStateAndWords)
{
    RndField field;
    field.Seed(0);
    EXPECT_EQ(field.x0, 2513651531u);
    EXPECT_EQ(field.x1, 56422903u);
    EXPECT_EQ(field.x2, 4249065823u);
    EXPECT_EQ(field.x3, 1576818171u);
    EXPECT_EQ(field.carry, 860525097u);
    const uint32_t expected[] = {1445749771u, 2509506533u, 1448685498u, 3417165405u, 488436217u};
    for (uint32_t word : expected) EXPECT_EQ(field.NextWord(), word);
}

// Makes the next step return the word `target` by solving for x0 with the others zero.
uint32_t StepTo(RndField& field, uint32_t target)
{
    field.x0 = 0;
    field.x1 = 0;
    field.x2 = 0;
    field.x3 = 0;
    field.carry = target;
    return target;
}

TEST(RndField, UniformRoundsTheWordToSinglePrecisionFirst)
{
    RndField field;
    StepTo(field, 4294967168u);
    EXPECT_EQ(field.NextUniform(), 1.0f);
    StepTo(field, 4294967167u);
    EXPECT_LT(field.NextUniform(), 1.0f);
    StepTo(field, 0u);
    EXPECT_EQ(field.NextUniform(), 0.0f);
}

TEST(RndField, CoinIsFalseAtExactlyHalf)
{
    RndField field;
    StepTo(field, 0x80000000u);
    EXPECT_FALSE(field.NextCoin());
    StepTo(field, 0x80000001u);
    EXPECT_TRUE(field.NextCoin());
}

}  // namespace
}  // namespace tessalume
