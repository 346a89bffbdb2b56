#include "ql_client/core/text.h"

#include <cstdint>

namespace ql {

namespace {

// Decodes the UTF-8 sequence at text[*at] and moves past it. Returns the
// code point, or -1 for a malformed sequence (then moves one byte on).
int32_t decode_one(std::string_view text, size_t* at) {
  auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  uint8_t lead = byte(*at);
  int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || *at + length > text.size()) {
    ++*at;
    return -1;
  }
  int32_t value = length == 1 ? lead : lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    uint8_t next = byte(*at + i);
    if ((next & 0xC0) != 0x80) {
      ++*at;
      return -1;
    }
    value = (value << 6) | (next & 0x3F);
  }
  static constexpr int32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++*at;
    return -1;
  }
  *at += length;
  return value;
}

}  // namespace

StatementText read_statement(std::string_view text, bool standard_strings) {
  StatementText statement;
  statement.info = sqltext::classify(text, sqltext::Dialect::postgres, standard_strings);
  statement.utf8 = statement.info.unicode;
  statement.text = text.substr(statement.info.body);
  return statement;
}

std::string latin1_to_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    auto byte = static_cast<uint8_t>(c);
    if (byte < 0x80) {
      out.push_back(c);
    } else {
      out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
  return out;
}

std::string utf8_to_latin1(std::string_view text) {
  std::string out(text.size(), '\0');
  out.resize(utf8_to_latin1(text, out.data()));
  return out;
}

size_t utf8_to_latin1(std::string_view text, char* out) {
  size_t at = 0, written = 0;
  while (at < text.size()) {
    int32_t value = decode_one(text, &at);
    out[written++] = value >= 0 && value <= 0xFF ? static_cast<char>(value) : '?';
  }
  return written;
}

bool valid_utf8(std::string_view text) {
  size_t at = 0;
  while (at < text.size()) {
    if (decode_one(text, &at) < 0) return false;
  }
  return true;
}

}  // namespace ql
