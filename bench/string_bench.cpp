// WString copies against std::u16string copies, and the UTF-16 conversions
// against glibc's iconv on the same text.
//
//   make bench     (or build-bench/bench/string_bench)
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "support/codepage/codepage.h"
#include "support/heap/heap.h"
#include "support/string/wstring.h"

using namespace morvane;

namespace {

// Text of `units` units: mostly ASCII, with accented Latin-1 letters and,
// when `beyond_latin1`, some units that need three UTF-8 bytes.
std::u16string sample_text(size_t units, bool beyond_latin1) {
  std::u16string text;
  const char16_t* words[] = {u"select ", u"caf\u00E9 ", u"r\u00E9sum\u00E9 ", u"from ",
                             u"na\u00EFve ", u"t ", u"where ", u"\u20AC42 "};
  const size_t word_count = beyond_latin1 ? 8 : 7;
  for (size_t i = 0; text.size() < units; ++i) text += words[i % word_count];
  text.resize(units);
  return text;
}

void BM_WStringCopy(benchmark::State& state) {
  std::u16string text = sample_text(static_cast<size_t>(state.range(0)), true);
  WString source(text.data(), text.size());
  for (auto _ : state) {
    WString copy(source);
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_WStringCopy)->Arg(16)->Arg(512)->Arg(8192)->Arg(65536);

void BM_U16StringCopy(benchmark::State& state) {
  std::u16string source = sample_text(static_cast<size_t>(state.range(0)), true);
  for (auto _ : state) {
    std::u16string copy(source);
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_U16StringCopy)->Arg(16)->Arg(512)->Arg(8192)->Arg(65536);

constexpr size_t kConversionUnits = 64 * 1024;

void set_rate(benchmark::State& state, size_t units) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * units * 2));
}

void BM_Utf16ToUtf8(benchmark::State& state) {
  std::u16string text = sample_text(kConversionUnits, true);
  for (auto _ : state) {
    char* out = utf16_to_utf8(text.data(), text.size());
    benchmark::DoNotOptimize(out);
    heap_free(out);
  }
  set_rate(state, text.size());
}
BENCHMARK(BM_Utf16ToUtf8);

void BM_Utf16ToLatin1(benchmark::State& state) {
  std::u16string text = sample_text(kConversionUnits, false);
  for (auto _ : state) {
    char* out = utf16_to_latin1(text.data(), text.size());
    benchmark::DoNotOptimize(out);
    heap_free(out);
  }
  set_rate(state, text.size());
}
BENCHMARK(BM_Utf16ToLatin1);

// The peer: glibc's iconv into a buffer made once (it allocates nothing per
// call, which favours it).
void run_iconv(benchmark::State& state, const char* to, bool beyond_latin1) {
  std::u16string text = sample_text(kConversionUnits, beyond_latin1);
  iconv_t cd = iconv_open(to, "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv_open failed");
    return;
  }
  std::vector<char> out(text.size() * 3 + 1);
  for (auto _ : state) {
    char* in = reinterpret_cast<char*>(text.data());
    size_t in_left = text.size() * 2;
    char* dst = out.data();
    size_t out_left = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &in_left, &dst, &out_left) == static_cast<size_t>(-1)) {
      state.SkipWithError("iconv failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  iconv_close(cd);
  set_rate(state, text.size());
}

void BM_IconvUtf16ToUtf8(benchmark::State& state) { run_iconv(state, "UTF-8", true); }
BENCHMARK(BM_IconvUtf16ToUtf8);

void BM_IconvUtf16ToLatin1(benchmark::State& state) { run_iconv(state, "ISO-8859-1", false); }
BENCHMARK(BM_IconvUtf16ToLatin1);

}  // namespace
