#include "util/bloom_filter.h"

#include <algorithm>
#include <bit>

#include "util/text_helpers.h"

namespace zem {

namespace {

constexpr int kBitsPerText = 7;  // with ten bits a text, the fewest false yeses
constexpr size_t kMinimumBits = size_t{1} << 16;

uint64_t Mix(uint64_t value) {  // splitmix64's finalizer
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ull;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebull;
    return value ^ (value >> 31);
}

}  // namespace

BloomFilter::BloomFilter(size_t expectedCount) {
    const size_t bits = std::bit_ceil(std::max(kMinimumBits, expectedCount * 10));
    words_.assign(bits / 64, 0);
    bitMask_ = bits - 1;
}

// The text's bits come from two hashes of it (h1 + i * h2), which is as good as seven
// independent ones for this purpose.
template <class Visit>
void BloomFilter::ForEachBit(TextView text, Visit visit) const {
    const uint64_t first = Mix(HashText64(text));
    const uint64_t step = Mix(first) | 1;
    for (int i = 0; i < kBitsPerText; ++i)
        visit((first + static_cast<uint64_t>(i) * step) & bitMask_);
}

void BloomFilter::Add(TextView text) {
    ForEachBit(text, [this](uint64_t bit) { words_[bit / 64] |= uint64_t{1} << (bit % 64); });
}

bool BloomFilter::MayContain(TextView text) const {
    bool all = true;
    ForEachBit(text, [&](uint64_t bit) { all = all && (words_[bit / 64] >> (bit % 64) & 1); });
    return all;
}

}  // namespace zem
