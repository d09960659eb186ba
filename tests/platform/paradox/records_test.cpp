#include "platform/paradox/paradox.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

using paradox::Records;
using paradox::Value;

Records::Row makeRow(std::size_t i, std::size_t width)
{
    Records::Row r;
    for (std::size_t f = 0; f < width; ++f) {
        if (f % 3 == 0)
            r.emplace_back("a text long enough to live outside the string " + std::to_string(i * width + f));
        else if (f % 3 == 1)
            r.emplace_back(double(i) + 0.5 * double(f));
        else
            r.emplace_back();
    }
    return r;
}

// Catches values landing in the wrong record or lost while the one block of
// values grows (past the huge-page sizes) and moves its texts.
TEST(Records, KeepEveryRecordInOrderWhileGrowing)
{
    constexpr std::size_t kWidth = 23, kCount = 6000;
    Records recs;
    for (std::size_t i = 0; i < kCount; ++i)
        recs.push_back(makeRow(i, kWidth));
    ASSERT_EQ(recs.size(), kCount);
    EXPECT_EQ(recs.width(), kWidth);
    for (std::size_t i = 0; i < kCount; i += 997) {
        const Records::Row want = makeRow(i, kWidth);
        ASSERT_EQ(recs[i].size(), kWidth);
        EXPECT_TRUE(std::equal(recs[i].begin(), recs[i].end(), want.begin(), want.end())) << i;
    }
    std::size_t seen = 0;
    for (const auto& r : recs)
        EXPECT_EQ(r[1], Value(double(seen++) + 0.5)) << seen;
    EXPECT_EQ(seen, kCount);

    const auto rows = recs.rows();
    ASSERT_EQ(rows.size(), kCount);
    EXPECT_EQ(rows[kCount - 1], makeRow(kCount - 1, kWidth));
    EXPECT_EQ(Records(rows), recs);

    Records copy = recs;
    copy[17][4] = std::string("changed");
    EXPECT_FALSE(copy == recs);
    EXPECT_EQ(recs[17][4], makeRow(17, kWidth)[4]);
}

// Catches a record of another size being stored, which would shift every
// record after it.
TEST(Records, RefuseARecordOfAnotherSize)
{
    Records recs = { { std::string("BC547"), 45.0 }, { std::string("2N3055"), 60.0 } };
    EXPECT_THROW(recs.push_back({ std::string("TIP31") }), std::invalid_argument);
    EXPECT_THROW(recs.appendBlank(3), std::invalid_argument);
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[1][0], Value("2N3055"));

    recs.clear();
    EXPECT_TRUE(recs.empty());
    recs.push_back({ std::string("TIP31") });
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs.width(), 1u);

    Records blank;
    const auto r = blank.appendBlank(4);
    EXPECT_EQ(r.size(), 4u);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(blank[0][3]));
}

} // namespace
