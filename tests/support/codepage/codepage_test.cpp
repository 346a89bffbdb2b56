#include "support/codepage/codepage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/heap/heap.h"

namespace morvane {
namespace {

// Runs utf8_to_utf16 and returns the units, or nullopt-like empty + flag.
struct Decoded {
  bool ok;
  std::u16string units;
};

Decoded decode_utf8(const std::string& bytes) {
  char16_t* units = reinterpret_cast<char16_t*>(1);
  size_t length = 12345;
  bool ok = utf8_to_utf16(bytes.c_str(), &units, &length);
  Decoded result{ok, {}};
  if (ok) {
    result.units.assign(units, length);
    EXPECT_EQ(units[length], 0) << "result must be NUL-terminated";
    heap_free(units);
  } else {
    EXPECT_EQ(units, nullptr);
  }
  return result;
}

std::u16string decode(const char* text, CodePage code_page) {
  size_t length = 99;
  char16_t* units = decode_narrow(text, code_page, &length);
  std::u16string result = units == nullptr ? std::u16string() : std::u16string(units, length);
  if (units == nullptr) {
    EXPECT_EQ(length, 0u);
  }
  heap_free(units);
  return result;
}

std::string to_utf8(const std::u16string& units) {
  char* text = utf16_to_utf8(units.data(), units.size());
  std::string result(text);
  heap_free(text);
  return result;
}

std::string to_latin1(const char16_t* units, size_t count) {
  char* text = utf16_to_latin1(units, count);
  EXPECT_EQ(text[count], '\0');
  std::string result(text, count);
  heap_free(text);
  return result;
}

TEST(CodePageNames, EveryAliasInAnyLetterCase) {
  const char* latin1[] = {"iso88591",  "iso8859-1",  "iso8859_1", "iso-88591",
                          "iso-8859-1", "iso-8859_1", "iso_88591", "iso_8859-1",
                          "iso_8859_1", "Latin1",     "Latin-1",   "Latin_1",
                          "LATIN1",     "ISO-8859-1", "latin_1"};
  for (const char* name : latin1) EXPECT_EQ(codepage_from_name(name), codepage_latin1) << name;
  for (const char* name : {"utf8", "utf-8", "utf_8", "UTF-8", "Utf_8", "UTF8"}) {
    EXPECT_EQ(codepage_from_name(name), codepage_utf8) << name;
  }
}

TEST(CodePageNames, UnknownNamesAreInvalid) {
  for (const char* name : {"", "iso-8859-15", "utf-16", "cp1252", "utf", "utf-8 ", " utf8",
                           "latin", "iso8859", "\xC3\xA9"}) {
    EXPECT_EQ(codepage_from_name(name), codepage_invalid) << name;
  }
  EXPECT_EQ(codepage_from_name(nullptr), codepage_invalid);
}

TEST(Utf8Count, LeadByteTableAndCutSequences) {
  size_t count = 7;
  EXPECT_TRUE(utf8_count(nullptr, &count));
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(utf8_count("", &count));
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(utf8_count("a\xC3\xA9\xE2\x82\xAC", &count));
  EXPECT_EQ(count, 3u);
  // Continuation bytes are not examined by the count, only lead bytes.
  EXPECT_TRUE(utf8_count("\xC3" "a", &count));
  EXPECT_EQ(count, 1u);
  EXPECT_FALSE(utf8_count("\x80", &count));        // continuation as lead
  EXPECT_FALSE(utf8_count("a\xFE", &count));       // never a lead byte
  EXPECT_FALSE(utf8_count("a\xFF", &count));
  EXPECT_FALSE(utf8_count("\xE2\x82", &count));    // 3-byte sequence cut by the end
  EXPECT_FALSE(utf8_count("\xFC\x80\x80", &count)); // 6-byte sequence cut
}

TEST(Utf8Count, SequenceLengthsByLeadByte) {
  EXPECT_EQ(utf8_sequence_length(0x00), 1);
  EXPECT_EQ(utf8_sequence_length(0x7F), 1);
  EXPECT_EQ(utf8_sequence_length(0x80), 0);
  EXPECT_EQ(utf8_sequence_length(0xBF), 0);
  EXPECT_EQ(utf8_sequence_length(0xC0), 2);
  EXPECT_EQ(utf8_sequence_length(0xDF), 2);
  EXPECT_EQ(utf8_sequence_length(0xE0), 3);
  EXPECT_EQ(utf8_sequence_length(0xEF), 3);
  EXPECT_EQ(utf8_sequence_length(0xF0), 4);
  EXPECT_EQ(utf8_sequence_length(0xF7), 4);
  EXPECT_EQ(utf8_sequence_length(0xF8), 5);
  EXPECT_EQ(utf8_sequence_length(0xFB), 5);
  EXPECT_EQ(utf8_sequence_length(0xFC), 6);
  EXPECT_EQ(utf8_sequence_length(0xFD), 6);
  EXPECT_EQ(utf8_sequence_length(0xFE), 0);
  EXPECT_EQ(utf8_sequence_length(0xFF), 0);
}

TEST(Utf8Decode, AcceptsWellFormedAndOverlongBmpValues) {
  EXPECT_EQ(decode_utf8("\xC3\xA9").units, u"\u00E9");
  EXPECT_EQ(decode_utf8("\xE2\x82\xAC").units, u"\u20AC");
  EXPECT_EQ(decode_utf8("\xEF\xBF\xBF").units, u"\uFFFF");
  // Encoded surrogates are not rejected.
  EXPECT_EQ(decode_utf8("\xED\xA0\x80").units, std::u16string(1, char16_t(0xD800)));
  // Overlong forms pass when their value is at most 0xFFFF, whatever length.
  EXPECT_EQ(decode_utf8("\xC1\x81").units, u"A");
  EXPECT_EQ(decode_utf8("\xE0\x81\x81").units, u"A");
  EXPECT_EQ(decode_utf8("\xF0\x80\x81\x81").units, u"A");
  EXPECT_EQ(decode_utf8("\xF8\x80\x80\x81\x81").units, u"A");
  EXPECT_EQ(decode_utf8("\xFC\x80\x80\x80\x81\x81").units, u"A");
  // An overlong 0 yields a 0 unit inside the text.
  Decoded zero = decode_utf8("a\xC0\x80" "b");
  ASSERT_TRUE(zero.ok);
  EXPECT_EQ(zero.units, std::u16string(u"a\0b", 3));
}

TEST(Utf8Decode, RejectsBadContinuationsAndValuesAboveBmp) {
  EXPECT_FALSE(decode_utf8("\xC3" "a").ok);          // continuation not 10xxxxxx
  EXPECT_FALSE(decode_utf8("\xE2\x82\xC0").ok);
  EXPECT_FALSE(decode_utf8("\xF0\x90\x80\x80").ok);  // U+10000
  EXPECT_FALSE(decode_utf8("\xF4\x8F\xBF\xBF").ok);  // U+10FFFF
  EXPECT_FALSE(decode_utf8("\xF8\x88\x80\x80\x80").ok);
  EXPECT_FALSE(decode_utf8("\xFD\xBF\xBF\xBF\xBF\xBF").ok);  // wraps, stays above
  EXPECT_FALSE(decode_utf8("ab\xE2\x82").ok);        // cut by the end of the text
  EXPECT_FALSE(decode_utf8("\x80").ok);
  Decoded empty = decode_utf8("");
  EXPECT_TRUE(empty.ok);
  EXPECT_TRUE(empty.units.empty());
}

TEST(Utf8Decode, WritesExactlyCountPlusOneUnits) {
  const char* text = "x\xC3\xA9\xE2\x82\xAC";
  size_t count = 0;
  ASSERT_TRUE(utf8_count(text, &count));
  std::vector<char16_t> out(count + 4, 0xAAAA);
  ASSERT_TRUE(utf8_decode(text, out.data()));
  EXPECT_EQ(out[0], u'x');
  EXPECT_EQ(out[1], 0x00E9);
  EXPECT_EQ(out[2], 0x20AC);
  EXPECT_EQ(out[3], 0);
  EXPECT_EQ(out[4], 0xAAAA);
  EXPECT_EQ(out[5], 0xAAAA);
}

TEST(DecodeNarrow, Latin1WidensEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::u16string units = decode(all.c_str(), codepage_latin1);
  ASSERT_EQ(units.size(), 255u);
  for (int b = 1; b < 256; ++b) EXPECT_EQ(units[b - 1], b);
}

TEST(DecodeNarrow, BadUtf8FallsBackToLatin1ForTheWholeText) {
  EXPECT_EQ(decode("\xC3\xA9", codepage_utf8), u"\u00E9");
  EXPECT_EQ(decode("\xE9t\xE9", codepage_utf8), u"\u00E9t\u00E9");
  // One 4-byte sequence: the whole text falls back, one unit per byte.
  EXPECT_EQ(decode("a\xF0\x9F\x98\x80", codepage_utf8), u"a\u00F0\u009F\u0098\u0080");
  // Valid start, bad end: nothing of the UTF-8 reading survives.
  EXPECT_EQ(decode("\xC3\xA9\xE2\x82", codepage_utf8), u"\u00C3\u00A9\u00E2\u0082");
}

TEST(DecodeNarrow, EmptyTextsNeverThrowAndUnknownCodePagesDo) {
  EXPECT_EQ(decode(nullptr, codepage_utf8), u"");
  EXPECT_EQ(decode("", codepage_invalid), u"");
  EXPECT_EQ(decode(nullptr, static_cast<CodePage>(77)), u"");
  size_t length = 0;
  EXPECT_THROW(decode_narrow("a", codepage_invalid, &length), illegal_codepage);
  EXPECT_THROW(decode_narrow("a", static_cast<CodePage>(-1), &length), illegal_codepage);
  try {
    decode_narrow("x", static_cast<CodePage>(3), &length);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Illegal Codepage");
  }
}

TEST(Utf16ToUtf8, EncodesEachUnitByItself) {
  EXPECT_EQ(to_utf8(u"A"), "A");
  EXPECT_EQ(to_utf8(u"\u00E9"), "\xC3\xA9");
  EXPECT_EQ(to_utf8(u"\u07FF\u0800"), "\xDF\xBF\xE0\xA0\x80");
  EXPECT_EQ(to_utf8(u"\u20AC"), "\xE2\x82\xAC");
  // A surrogate pair becomes two 3-byte sequences.
  EXPECT_EQ(to_utf8(u"\U0001F600"), "\xED\xA0\xBD\xED\xB8\x80");
  EXPECT_EQ(utf16_to_utf8(nullptr, 3), nullptr);
  EXPECT_EQ(to_utf8(u""), "");
}

TEST(Utf16ToUtf8, MixedRunsAcrossTheFourUnitSteps) {
  // Every alignment of a non-ASCII unit inside runs of ASCII.
  for (size_t n = 0; n < 13; ++n) {
    for (size_t at = 0; at < n; ++at) {
      std::u16string units(n, u'x');
      units[at] = 0x20AC;
      std::string expected(at, 'x');
      expected += "\xE2\x82\xAC";
      expected += std::string(n - at - 1, 'x');
      EXPECT_EQ(to_utf8(units), expected) << n << " " << at;
    }
  }
}

TEST(Utf16ToLatin1, KeepsLowBytesOnAlignedAndUnalignedSources) {
  std::vector<char16_t> buffer(40);
  for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<char16_t>(0x0141 + i * 0x101);
  for (size_t offset = 0; offset < 4; ++offset) {
    for (size_t count = 0; count + offset <= buffer.size(); count += 3) {
      std::string bytes = to_latin1(buffer.data() + offset, count);
      ASSERT_EQ(bytes.size(), count);
      for (size_t i = 0; i < count; ++i) {
        EXPECT_EQ(static_cast<unsigned char>(bytes[i]), buffer[offset + i] & 0xFF);
      }
    }
  }
  EXPECT_EQ(to_latin1(u"\u0141\u20AC", 2), "\x41\xAC");
  EXPECT_EQ(utf16_to_latin1(nullptr, 2), nullptr);
}

TEST(RoundTrip, BmpUnitsSurviveUtf8) {
  std::u16string units;
  for (char32_t c = 1; c <= 0xFFFF; c += 7) units.push_back(static_cast<char16_t>(c));
  Decoded back = decode_utf8(to_utf8(units));
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(back.units, units);
}

}  // namespace
}  // namespace morvane
