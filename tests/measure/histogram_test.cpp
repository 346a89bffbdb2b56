// The latency histogram against exact percentiles of known distributions.
#include "measure/histogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace tarnwick {
namespace {

// The value at fraction q of sorted `values`, by the histogram's rule: the
// smallest value that at least q * n values do not exceed.
int64_t exact_percentile(const std::vector<int64_t>& sorted, double q) {
  auto rank = static_cast<size_t>(std::ceil(q * static_cast<double>(sorted.size())));
  return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

void expect_within_one_percent(std::vector<int64_t> values, const char* what) {
  LatencyHistogram histogram;
  for (int64_t v : values) histogram.record(v);
  std::sort(values.begin(), values.end());
  for (double q : {0.01, 0.10, 0.50, 0.90, 0.99, 0.999, 1.0}) {
    int64_t exact = exact_percentile(values, q);
    int64_t got = histogram.percentile(q);
    EXPECT_LE(std::abs(static_cast<double>(got - exact)), 0.01 * static_cast<double>(exact) + 0.5)
        << what << " q=" << q << " exact " << exact << " got " << got;
  }
  EXPECT_EQ(histogram.count(), values.size());
  EXPECT_EQ(histogram.min(), values.front());
  EXPECT_EQ(histogram.max(), values.back());
  double sum = 0;
  for (int64_t v : values) sum += static_cast<double>(v);
  EXPECT_NEAR(histogram.mean(), sum / static_cast<double>(values.size()), 1e-6 * histogram.mean());
}

TEST(LatencyHistogram, PercentilesOfKnownDistributionsAreWithinOnePercent) {
  std::mt19937_64 random(42);
  std::vector<int64_t> uniform, exponential, lognormal, bimodal;
  std::uniform_int_distribution<int64_t> flat(1000, 5000000);
  std::exponential_distribution<double> decay(1.0 / 250000.0);
  std::lognormal_distribution<double> skewed(std::log(300000.0), 1.2);
  for (int i = 0; i < 200000; ++i) {
    uniform.push_back(flat(random));
    exponential.push_back(static_cast<int64_t>(decay(random)) + 1);
    lognormal.push_back(static_cast<int64_t>(skewed(random)) + 1);
    // Fast statements with a slow tail of 2%: the p99 lands in the tail.
    bimodal.push_back(i % 50 == 0 ? 300000000 + i : 200000 + i % 1000);
  }
  expect_within_one_percent(uniform, "uniform");
  expect_within_one_percent(exponential, "exponential");
  expect_within_one_percent(lognormal, "lognormal");
  expect_within_one_percent(bimodal, "bimodal");
}

TEST(LatencyHistogram, EveryBucketHoldsItsValuesWithinOnePercent) {
  // Small values are exact; above, the middle of a value's bucket is within
  // 1% of it, across the whole range up to the last bucket.
  for (int64_t v = 0; v < 64; ++v) EXPECT_EQ(LatencyHistogram::bucket_middle(LatencyHistogram::bucket_of(v)), v);
  size_t previous = 0;
  for (double x = 64; x < std::ldexp(1.0, LatencyHistogram::kTopExponent); x *= 1.0037) {
    auto v = static_cast<int64_t>(x);
    size_t bucket = LatencyHistogram::bucket_of(v);
    EXPECT_GE(bucket, previous);  // buckets grow with the value
    EXPECT_LT(bucket, LatencyHistogram::kBuckets);
    previous = bucket;
    double middle = static_cast<double>(LatencyHistogram::bucket_middle(bucket));
    EXPECT_LE(std::abs(middle - static_cast<double>(v)) / static_cast<double>(v), 0.01) << v;
  }
  // Beyond the range and below zero: the end buckets, never out of bounds.
  EXPECT_EQ(LatencyHistogram::bucket_of(INT64_MAX), LatencyHistogram::kBuckets - 1);
  EXPECT_EQ(LatencyHistogram::bucket_of(-5), 0u);
}

TEST(LatencyHistogram, MergedHistogramsAnswerAsOneAndEmptyOnesAnswerZero) {
  LatencyHistogram empty;
  EXPECT_EQ(empty.percentile(0.5), 0);
  EXPECT_EQ(empty.min(), 0);
  EXPECT_EQ(empty.mean(), 0.0);

  LatencyHistogram a, b, all;
  for (int64_t v = 1; v <= 10000; ++v) {
    (v % 3 == 0 ? a : b).record(v * 997);
    all.record(v * 997);
  }
  a.merge(b);
  a.merge(empty);
  for (double q : {0.5, 0.9, 0.99}) EXPECT_EQ(a.percentile(q), all.percentile(q));
  EXPECT_EQ(a.count(), all.count());
  EXPECT_EQ(a.min(), all.min());
  EXPECT_EQ(a.max(), all.max());

  a.reset();
  EXPECT_EQ(a.count(), 0u);
  a.record(7);
  EXPECT_EQ(a.percentile(0.99), 7);
}

}  // namespace
}  // namespace tarnwick
