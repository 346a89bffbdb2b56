#include "support/codepage/codepage.h"

#include <array>
#include <bit>
#include <cstring>

#include "support/heap/heap.h"

namespace morvane {

static_assert(std::endian::native == std::endian::little,
              "the four-unit conversion loops assume little-endian words");

namespace {

// Names in lookup order; the first that matches decides.
struct CodePageName {
  const char* name;
  CodePage code_page;
};

constexpr CodePageName kCodePageNames[] = {
    {"iso88591", codepage_latin1},   {"iso8859-1", codepage_latin1},
    {"iso8859_1", codepage_latin1},  {"iso-88591", codepage_latin1},
    {"iso-8859-1", codepage_latin1}, {"iso-8859_1", codepage_latin1},
    {"iso_88591", codepage_latin1},  {"iso_8859-1", codepage_latin1},
    {"iso_8859_1", codepage_latin1}, {"Latin1", codepage_latin1},
    {"Latin-1", codepage_latin1},    {"Latin_1", codepage_latin1},
    {"utf8", codepage_utf8},         {"utf-8", codepage_utf8},
    {"utf_8", codepage_utf8},
};

bool equal_ignoring_ascii_case(const char* a, const char* b) {
  for (;; ++a, ++b) {
    unsigned char x = static_cast<unsigned char>(*a);
    unsigned char y = static_cast<unsigned char>(*b);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
    if (x == 0) return true;
  }
}

constexpr std::array<uint8_t, 256> make_sequence_lengths() {
  std::array<uint8_t, 256> table{};
  for (int b = 0; b < 256; ++b) {
    uint8_t n = 0;
    if (b <= 0x7F) n = 1;
    else if (b <= 0xBF) n = 0;
    else if (b <= 0xDF) n = 2;
    else if (b <= 0xEF) n = 3;
    else if (b <= 0xF7) n = 4;
    else if (b <= 0xFB) n = 5;
    else if (b <= 0xFD) n = 6;
    table[static_cast<size_t>(b)] = n;
  }
  return table;
}

constexpr std::array<uint8_t, 256> kSequenceLength = make_sequence_lengths();

// Subtracted after accumulating a sequence of length 1 to 6: removes the
// marker bits of the lead and continuation bytes in one step.
constexpr uint32_t kSequenceOffset[6] = {0x00000000u, 0x00003080u, 0x000E2080u,
                                         0x03C82080u, 0xFA082080u, 0x82082080u};

// Four units with their high bits clear in every position but the low 7.
constexpr uint64_t kNonAsciiMask = 0xFF80FF80FF80FF80ull;

uint64_t load_four_units(const char16_t* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// The low bytes of four little-endian units packed into four bytes.
uint32_t pack_low_bytes(uint64_t w) {
  return static_cast<uint32_t>((w & 0xFF) | ((w >> 8) & 0xFF00) |
                               ((w >> 16) & 0xFF0000) | ((w >> 24) & 0xFF000000));
}

void store_four_bytes(char* out, uint32_t bytes) {
  std::memcpy(out, &bytes, sizeof bytes);
}

size_t utf8_encoded_size(const char16_t* units, size_t count) {
  size_t bytes = 0;
  for (size_t i = 0; i < count; ++i) {
    char16_t u = units[i];
    bytes += 1 + (u >= 0x80) + (u >= 0x800);
  }
  return bytes;
}

char* encode_unit_utf8(char16_t u, char* out) {
  if (u < 0x80) {
    *out++ = static_cast<char>(u);
  } else if (u < 0x800) {
    *out++ = static_cast<char>(0xC0 | (u >> 6));
    *out++ = static_cast<char>(0x80 | (u & 0x3F));
  } else {
    *out++ = static_cast<char>(0xE0 | (u >> 12));
    *out++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (u & 0x3F));
  }
  return out;
}

}  // namespace

CodePage codepage_from_name(const char* name) {
  if (name == nullptr) return codepage_invalid;
  for (const CodePageName& entry : kCodePageNames) {
    if (equal_ignoring_ascii_case(name, entry.name)) return entry.code_page;
  }
  return codepage_invalid;
}

int utf8_sequence_length(unsigned char lead) { return kSequenceLength[lead]; }

char* utf16_to_utf8(const char16_t* units, size_t count) {
  if (units == nullptr) return nullptr;
  char* text = heap_allocate_array<char>(utf8_encoded_size(units, count) + 1);
  char* out = text;
  size_t i = 0;
  // Runs of ASCII go four units at a time; any other group unit by unit.
  for (; i + 4 <= count; i += 4) {
    uint64_t word = load_four_units(units + i);
    if ((word & kNonAsciiMask) == 0) {
      store_four_bytes(out, pack_low_bytes(word));
      out += 4;
    } else {
      for (size_t k = 0; k < 4; ++k) out = encode_unit_utf8(units[i + k], out);
    }
  }
  for (; i < count; ++i) out = encode_unit_utf8(units[i], out);
  *out = '\0';
  return text;
}

char* utf16_to_latin1(const char16_t* units, size_t count) {
  if (units == nullptr) return nullptr;
  char* text = heap_allocate_array<char>(count + 1);
  size_t i = 0;
  if ((reinterpret_cast<uintptr_t>(units) & 3) == 0) {
    // Aligned source: one 64-bit load brings four units.
    const auto* aligned = static_cast<const char16_t*>(__builtin_assume_aligned(units, 4));
    for (; i + 4 <= count; i += 4) {
      store_four_bytes(text + i, pack_low_bytes(load_four_units(aligned + i)));
    }
  } else {
    // Unaligned source: four separate unit loads per step.
    for (; i + 4 <= count; i += 4) {
      uint32_t packed = static_cast<uint32_t>(units[i] & 0xFF) |
                        static_cast<uint32_t>(units[i + 1] & 0xFF) << 8 |
                        static_cast<uint32_t>(units[i + 2] & 0xFF) << 16 |
                        static_cast<uint32_t>(units[i + 3] & 0xFF) << 24;
      store_four_bytes(text + i, packed);
    }
  }
  for (; i < count; ++i) text[i] = static_cast<char>(units[i] & 0xFF);
  text[count] = '\0';
  return text;
}

bool utf8_count(const char* text, size_t* count) {
  *count = 0;
  if (text == nullptr) return true;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  size_t characters = 0;
  while (*p != 0) {
    int n = kSequenceLength[*p];
    if (n == 0) return false;
    // The step must land on or before the end: a NUL inside the sequence
    // means it was cut off. Checking byte by byte never reads past the NUL.
    for (int k = 1; k < n; ++k) {
      if (p[k] == 0) return false;
    }
    ++characters;
    p += n;
  }
  *count = characters;
  return true;
}

bool utf8_decode(const char* text, char16_t* out) {
  if (text != nullptr) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != 0) {
      if (*p < 0x80) {
        *out++ = *p++;
        continue;
      }
      int n = kSequenceLength[*p];
      if (n == 0) return false;
      uint32_t value = *p;
      for (int k = 1; k < n; ++k) {
        // A NUL fails this test too, so the loop never passes the end.
        if ((p[k] & 0xC0) != 0x80) return false;
        value = value * 64 + p[k];
      }
      value -= kSequenceOffset[n - 1];
      if (value > 0xFFFF) return false;
      *out++ = static_cast<char16_t>(value);
      p += n;
    }
  }
  *out = 0;
  return true;
}

bool utf8_to_utf16(const char* text, char16_t** units, size_t* length) {
  *units = nullptr;
  size_t count = 0;
  if (!utf8_count(text, &count)) return false;
  char16_t* result = heap_allocate_array<char16_t>(count + 1);
  if (!utf8_decode(text, result)) {
    heap_free(result);
    return false;
  }
  *units = result;
  *length = count;
  return true;
}

void latin1_to_utf16(const char* text, size_t count, char16_t* out) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  for (size_t i = 0; i < count; ++i) out[i] = bytes[i];
  out[count] = 0;
}

char16_t* decode_narrow(const char* text, CodePage code_page, size_t* length) {
  *length = 0;
  if (text == nullptr || *text == '\0') return nullptr;
  if (code_page != codepage_latin1 && code_page != codepage_utf8) throw illegal_codepage();
  if (code_page == codepage_utf8) {
    char16_t* units = nullptr;
    if (utf8_to_utf16(text, &units, length)) return units;
  }
  size_t count = std::strlen(text);
  char16_t* units = heap_allocate_array<char16_t>(count + 1);
  latin1_to_utf16(text, count, units);
  *length = count;
  return units;
}

}  // namespace morvane
