#include "ql_client/core/text.h"

#include <cstdint>
#include <initializer_list>

namespace ql {

namespace {

constexpr std::string_view kMarker = "{unicode}";

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

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

StatementText strip_unicode_marker(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && is_blank(text[start])) ++start;
  if (text.size() - start < kMarker.size()) return {text, false};
  for (size_t i = 0; i < kMarker.size(); ++i) {
    if (lower(text[start + i]) != kMarker[i]) return {text, false};
  }
  return {text.substr(start + kMarker.size()), true};
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

namespace {

inline bool word_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         (static_cast<unsigned char>(c) & 0x80) != 0;
}

bool same_word(std::string_view word, std::string_view keyword) {
  if (word.size() != keyword.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (lower(word[i]) != keyword[i]) return false;
  }
  return true;
}

bool is_any(std::string_view word, std::initializer_list<std::string_view> keywords) {
  for (std::string_view keyword : keywords) {
    if (same_word(word, keyword)) return true;
  }
  return false;
}

}  // namespace

bool may_stop(std::string_view statement) {
  size_t at = 0;
  while (at < statement.size() && (statement[at] == ' ' || (statement[at] >= '\t' && statement[at] <= '\r'))) ++at;
  if (at == statement.size()) return false;
  bool first = true;
  if (statement[at] == '(') {
    first = false;
    ++at;
  }
  while (at < statement.size()) {
    if (!word_char(statement[at])) {
      ++at;
      continue;
    }
    size_t end = at;
    while (end < statement.size() && word_char(statement[end])) ++end;
    std::string_view word = statement.substr(at, end - at);
    if (first && !is_any(word, {"select", "with", "values", "table", "show", "explain", "fetch", "execute"})) {
      return false;
    }
    first = false;
    if (is_any(word, {"insert", "update", "delete", "merge"})) return false;
    at = end;
  }
  return true;
}

size_t block_comment_end(std::string_view text, size_t at) {
  int depth = 0;
  while (at + 1 < text.size()) {
    if (text[at] == '/' && text[at + 1] == '*') {
      ++depth;
      at += 2;
    } else if (text[at] == '*' && text[at + 1] == '/') {
      at += 2;
      if (--depth == 0) return at;
    } else {
      ++at;
    }
  }
  return std::string_view::npos;
}

std::string first_keyword(std::string_view statement) {
  size_t at = 0;
  while (at < statement.size()) {
    if (statement[at] == ' ' || (statement[at] >= '\t' && statement[at] <= '\r')) {
      ++at;
    } else if (statement.substr(at, 2) == "--") {
      at = statement.find('\n', at);
    } else if (statement.substr(at, 2) == "/*") {
      at = block_comment_end(statement, at);
    } else {
      break;
    }
  }
  std::string word;
  for (; at < statement.size() && word_char(statement[at]); ++at) word.push_back(lower(statement[at]));
  return word;
}

bool several_statements(std::string_view text) {
  size_t semicolon = text.find(';');
  return semicolon != std::string_view::npos && text.find_first_not_of(" \t\r\n\f\v;", semicolon) != std::string_view::npos;
}

bool first_keyword_is_any(std::string_view statement, std::initializer_list<std::string_view> keywords) {
  // Read on every statement a replay sends, so by hand: the library's
  // find_first_not_of costs a memchr a character.
  const size_t n = statement.size();
  size_t at = 0;
  while (at < n && (statement[at] == ' ' || (statement[at] >= '\t' && statement[at] <= '\r'))) ++at;
  if (at == n) return false;
  if (at + 1 < n && ((statement[at] == '-' && statement[at + 1] == '-') || (statement[at] == '/' && statement[at + 1] == '*'))) {
    return is_any(first_keyword(statement), keywords);
  }
  size_t end = at;
  while (end < n && word_char(statement[end])) ++end;
  return is_any(statement.substr(at, end - at), keywords);
}

}  // namespace ql
