#include "util/bloom_filter.h"

#include <gtest/gtest.h>

#include <string>

namespace zem::test {
namespace {

Text Id(int i) {
    const std::string digits = std::to_string(i);
    return u"WEB" + Text(digits.begin(), digits.end());
}

TEST(BloomFilterTest, NeverMissesWhatWasAddedAndRarelyClaimsWhatWasNot) {
    for (const size_t expected : {size_t{0}, size_t{20000}}) {
        const int added = expected ? static_cast<int>(expected) : 5000;
        BloomFilter filter(expected);
        for (int i = 0; i < added; ++i)
            filter.Add(Id(i));
        for (int i = 0; i < added; ++i)
            ASSERT_TRUE(filter.MayContain(Id(i))) << i;
        int claimed = 0;
        for (int i = added; i < added + 20000; ++i)
            claimed += filter.MayContain(Id(i)) ? 1 : 0;
        EXPECT_LT(claimed, 20000 * 2 / 100) << expected;
    }
    EXPECT_FALSE(BloomFilter(10).MayContain(u""));
}

}  // namespace
}  // namespace zem::test
