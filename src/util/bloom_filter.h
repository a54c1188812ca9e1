// A set of texts kept in a fixed amount of memory (a Bloom filter): MayContain never says no
// for a text that was added, and says yes for about 1 % of the texts that were not, as long
// as no more than the expected number were added. More texts raise that share, never the
// memory. A caller that must be sure asks whoever holds the real set when the answer is yes.
// Not thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/text.h"

namespace zem {

class BloomFilter {
  public:
    // About ten bits for each expected text; never less than 8 KiB.
    explicit BloomFilter(size_t expectedCount);

    void Add(TextView text);
    bool MayContain(TextView text) const;

  private:
    template <class Visit>
    void ForEachBit(TextView text, Visit visit) const;

    std::vector<uint64_t> words_;
    uint64_t bitMask_ = 0;
};

}  // namespace zem
