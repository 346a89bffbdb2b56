#include "measure/histogram.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace tarnwick {

size_t LatencyHistogram::bucket_of(int64_t nanoseconds) {
  if (nanoseconds < 0) nanoseconds = 0;
  auto value = static_cast<uint64_t>(nanoseconds);
  if (value < kSubBuckets) return static_cast<size_t>(value);
  int exponent = 63 - std::countl_zero(value);
  if (exponent >= kTopExponent) return kBuckets - 1;
  int shift = exponent - kSubBits;
  uint64_t sub = (value >> shift) - kSubBuckets;
  return static_cast<size_t>(kSubBuckets * static_cast<uint64_t>(exponent - kSubBits + 1) + sub);
}

int64_t LatencyHistogram::bucket_middle(size_t bucket) {
  if (bucket < kSubBuckets) return static_cast<int64_t>(bucket);
  size_t group = bucket / kSubBuckets;  // 1 for [2^6, 2^7), ...
  uint64_t sub = bucket % kSubBuckets;
  int shift = static_cast<int>(group) - 1;
  uint64_t lower = (kSubBuckets + sub) << shift;
  uint64_t width = uint64_t{1} << shift;
  return static_cast<int64_t>(lower + width / 2);
}

void LatencyHistogram::record(int64_t nanoseconds) {
  if (nanoseconds < 0) nanoseconds = 0;
  ++buckets_[bucket_of(nanoseconds)];
  if (count_ == 0 || nanoseconds < min_) min_ = nanoseconds;
  if (nanoseconds > max_) max_ = nanoseconds;
  ++count_;
  sum_ += nanoseconds;
  sum_squares_ += static_cast<double>(nanoseconds) * static_cast<double>(nanoseconds);
}

void LatencyHistogram::merge(const LatencyHistogram& other) {
  if (other.count_ == 0) return;
  for (size_t i = 0; i < kBuckets; ++i) buckets_[i] += other.buckets_[i];
  min_ = count_ == 0 ? other.min_ : std::min(min_, other.min_);
  max_ = std::max(max_, other.max_);
  count_ += other.count_;
  sum_ += other.sum_;
  sum_squares_ += other.sum_squares_;
}

double LatencyHistogram::stddev() const {
  if (count_ < 2) return 0.0;
  const double n = static_cast<double>(count_);
  const double mean = static_cast<double>(sum_) / n;
  return std::sqrt(std::max(0.0, sum_squares_ / n - mean * mean));
}

void LatencyHistogram::reset() { *this = LatencyHistogram(); }

LatencyHistogram::Parts LatencyHistogram::parts() const {
  Parts parts;
  for (size_t i = 0; i < kBuckets; ++i) {
    if (buckets_[i] != 0) parts.buckets.emplace_back(static_cast<uint32_t>(i), buckets_[i]);
  }
  parts.count = count_;
  parts.min = min();
  parts.max = max_;
  parts.sum = sum_;
  parts.sum_squares = sum_squares_;
  return parts;
}

bool LatencyHistogram::restore(const Parts& parts) {
  reset();
  uint64_t total = 0;
  for (const auto& [index, count] : parts.buckets) {
    if (index >= kBuckets || count > parts.count - total) {
      reset();
      return false;
    }
    buckets_[index] += count;
    total += count;
  }
  if (total != parts.count || parts.min < 0 || parts.min > parts.max || parts.sum < 0) {
    reset();
    return false;
  }
  count_ = parts.count;
  min_ = parts.min;
  max_ = parts.count == 0 ? 0 : parts.max;
  sum_ = parts.sum;
  sum_squares_ = parts.sum_squares;
  return true;
}

int64_t LatencyHistogram::percentile(double q) const {
  if (count_ == 0) return 0;
  q = std::clamp(q, 0.0, 1.0);
  auto rank = static_cast<uint64_t>(std::ceil(q * static_cast<double>(count_)));
  rank = std::clamp<uint64_t>(rank, 1, count_);
  uint64_t seen = 0;
  for (size_t i = 0; i < kBuckets; ++i) {
    seen += buckets_[i];
    if (seen >= rank) return std::clamp(bucket_middle(i), min_, max_);
  }
  return max_;
}

}  // namespace tarnwick
