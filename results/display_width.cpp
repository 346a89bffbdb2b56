// Column counts of UTF-8 text. The ranges follow Unicode's East Asian Width
// property (W and F) and its emoji presentation blocks, and its
// nonspacing marks for the zero-width ones; they are a compact
// approximation that covers the scripts and symbols met in practice.
#include "results/display_width.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace tarnwick {

namespace {

struct Range {
  uint32_t first;
  uint32_t last;
};

// Sorted, not overlapping.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
    {0x0E31, 0x0E31}, {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF},
    {0x200B, 0x200F}, {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF},
    {0xE0100, 0xE01EF},
};

constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},
    {0x23F0, 0x23F0},   {0x23F3, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},
    {0x2648, 0x2653},   {0x267F, 0x267F},   {0x2693, 0x2693},   {0x26A1, 0x26A1},
    {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},   {0x26CE, 0x26CE},
    {0x26D4, 0x26D4},   {0x26EA, 0x26EA},   {0x26F2, 0x26F3},   {0x26F5, 0x26F5},
    {0x26FA, 0x26FA},   {0x26FD, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},
    {0x2728, 0x2728},   {0x274C, 0x274C},   {0x274E, 0x274E},   {0x2753, 0x2755},
    {0x2757, 0x2757},   {0x2795, 0x2797},   {0x27B0, 0x27B0},   {0x27BF, 0x27BF},
    {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},   {0x2B55, 0x2B55},   {0x2E80, 0x303E},
    {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},
    {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},
    {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x16FE0, 0x16FE4},
    {0x17000, 0x18CFF}, {0x1B000, 0x1B2FF}, {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF},
    {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F251}, {0x1F300, 0x1F320},
    {0x1F32D, 0x1F335}, {0x1F337, 0x1F37C}, {0x1F37E, 0x1F393}, {0x1F3A0, 0x1F3CA},
    {0x1F3CF, 0x1F3D3}, {0x1F3E0, 0x1F3F0}, {0x1F3F4, 0x1F3F4}, {0x1F3F8, 0x1F43E},
    {0x1F440, 0x1F440}, {0x1F442, 0x1F4FC}, {0x1F4FF, 0x1F53D}, {0x1F54B, 0x1F54E},
    {0x1F550, 0x1F567}, {0x1F57A, 0x1F57A}, {0x1F595, 0x1F596}, {0x1F5A4, 0x1F5A4},
    {0x1F5FB, 0x1F64F}, {0x1F680, 0x1F6C5}, {0x1F6CC, 0x1F6CC}, {0x1F6D0, 0x1F6D2},
    {0x1F6D5, 0x1F6D7}, {0x1F6DC, 0x1F6DF}, {0x1F6EB, 0x1F6EC}, {0x1F6F4, 0x1F6FC},
    {0x1F7E0, 0x1F7EB}, {0x1F7F0, 0x1F7F0}, {0x1F90C, 0x1F93A}, {0x1F93C, 0x1F945},
    {0x1F947, 0x1F9FF}, {0x1FA70, 0x1FAFF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

constexpr uint64_t kHighBits = 0x8080808080808080;

template <size_t N>
bool in(const Range (&ranges)[N], uint32_t code_point) {
  const Range* end = ranges + N;
  const Range* found = std::upper_bound(ranges, end, code_point,
                                        [](uint32_t cp, const Range& r) { return cp < r.first; });
  return found != ranges && code_point <= std::prev(found)->last;
}

// The length of the UTF-8 sequence at `text` (at most `left` bytes) and its
// code point; 0 when the bytes are not a valid sequence.
size_t decode(const unsigned char* text, size_t left, uint32_t* code_point) {
  unsigned char lead = text[0];
  size_t length;
  uint32_t value;
  if (lead < 0x80) {
    *code_point = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (length > left) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((text[i] & 0xC0) != 0x80) return 0;
    value = (value << 6) | (text[i] & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not valid.
  if ((length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFF)) ||
      (value >= 0xD800 && value <= 0xDFFF)) {
    return 0;
  }
  *code_point = value;
  return length;
}

}  // namespace

int code_point_width(uint32_t code_point) {
  if (code_point < 0x300) return 1;
  if (in(kZeroWidth, code_point)) return 0;
  return in(kWide, code_point) ? 2 : 1;
}

int64_t utf8_display_width(const char* text, size_t length) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  int64_t width = 0;
  for (size_t at = 0; at < length;) {
    // Runs of ASCII, one column a byte, go eight bytes at a time: most
    // texts are nothing else, and the renderer measures each twice.
    while (length - at >= sizeof(uint64_t)) {
      uint64_t word;
      std::memcpy(&word, bytes + at, sizeof word);
      if ((word & kHighBits) != 0) break;
      at += sizeof word;
      width += sizeof word;
    }
    if (at == length) break;
    uint32_t code_point = 0;
    size_t step = decode(bytes + at, length - at, &code_point);
    if (step == 0) {
      ++width;
      ++at;
      continue;
    }
    width += code_point_width(code_point);
    at += step;
  }
  return width;
}

}  // namespace tarnwick
