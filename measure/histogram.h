// LatencyHistogram: durations in nanoseconds counted in log-linear buckets,
// in constant memory (about 19 KiB), with no allocation after construction.
//
// Values below 64 ns have a bucket each. Above, every power of two
// [2^e, 2^(e+1)) is cut into 64 equal buckets, so a bucket is at most 1/64
// of its lower bound wide; a percentile is answered with the middle of its
// bucket, within 0.8% of the true value (and never outside min..max, which
// are kept exactly, as are the count and the sum). Values of 2^42 ns (73
// minutes) and more share the last bucket.
//
// Not thread-safe: each histogram has one writer; histograms of different
// writers are merged when they are read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace tarnwick {

class LatencyHistogram {
 public:
  static constexpr int kSubBits = 6;
  static constexpr uint64_t kSubBuckets = uint64_t{1} << kSubBits;  // per power of two
  static constexpr int kTopExponent = 42;                           // 2^42 ns and above: last bucket
  static constexpr size_t kBuckets = kSubBuckets * (kTopExponent - kSubBits + 1);

  void record(int64_t nanoseconds);
  void merge(const LatencyHistogram& other);
  void reset();

  uint64_t count() const { return count_; }
  int64_t min() const { return count_ == 0 ? 0 : min_; }
  int64_t max() const { return max_; }
  double mean() const { return count_ == 0 ? 0.0 : static_cast<double>(sum_) / static_cast<double>(count_); }
  // The standard deviation of the recorded values (population), from the
  // exact sum of squares kept beside the buckets.
  double stddev() const;
  // The value at fraction q (0 < q <= 1) of the recorded values: the
  // smallest value that at least q * count values do not exceed. 0 when empty.
  int64_t percentile(double q) const;

  // The histogram as it is kept, for reports that are merged later: the
  // buckets that are not empty (index, count), and the exact totals.
  struct Parts {
    std::vector<std::pair<uint32_t, uint64_t>> buckets;
    uint64_t count = 0;
    int64_t min = 0;
    int64_t max = 0;
    int64_t sum = 0;
    double sum_squares = 0;
  };
  Parts parts() const;
  // Rebuilds a histogram from its parts; false (and the histogram left
  // empty) when they do not agree: an index out of range, counts that do
  // not add up to the total, extremes out of order.
  bool restore(const Parts& parts);

  // The bucket a value falls into, and the value a bucket stands for (its
  // middle); public for the tests of the bucket layout.
  static size_t bucket_of(int64_t nanoseconds);
  static int64_t bucket_middle(size_t bucket);

 private:
  std::array<uint64_t, kBuckets> buckets_{};
  uint64_t count_ = 0;
  int64_t min_ = 0;
  int64_t max_ = 0;
  int64_t sum_ = 0;
  double sum_squares_ = 0;
};

}  // namespace tarnwick
