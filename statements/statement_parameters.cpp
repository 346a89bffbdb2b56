#include "statements/statement_parameters.h"

#include <algorithm>

namespace tarnwick {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A character of a name: letters, digits, _, $ and every byte of a
// multibyte character.
bool is_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || is_digit(c) || c == '_' || c == '$' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// Where a quoted text that opens at `at` with `quote` ends (just past its
// closing quote; a doubled quote stays inside, and so does an escaped one
// when `backslashes`), or npos when it is not closed.
size_t quoted_end(std::string_view text, size_t at, char quote, bool backslashes) {
  size_t i = at + 1;
  while (i < text.size()) {
    if (backslashes && text[i] == '\\') {
      i += 2;
    } else if (text[i] == quote) {
      if (i + 1 < text.size() && text[i + 1] == quote) {
        i += 2;
      } else {
        return i + 1;
      }
    } else {
      ++i;
    }
  }
  return std::string_view::npos;
}

// Where a block comment that opens at `at` ends (comments nest).
size_t comment_end(std::string_view text, size_t at) {
  int depth = 0;
  size_t i = at;
  while (i + 1 < text.size()) {
    if (text[i] == '/' && text[i + 1] == '*') {
      ++depth;
      i += 2;
    } else if (text[i] == '*' && text[i + 1] == '/') {
      i += 2;
      if (--depth == 0) return i;
    } else {
      ++i;
    }
  }
  return text.size();
}

// The length of a dollar-quote tag ($$ or $name$) at `at`, 0 when none.
size_t dollar_tag(std::string_view text, size_t at) {
  size_t i = at + 1;
  if (i < text.size() && !is_digit(text[i])) {
    while (i < text.size() && is_name_char(text[i]) && text[i] != '$') ++i;
  }
  return i < text.size() && text[i] == '$' ? i + 1 - at : 0;
}

}  // namespace

bool read_parameter_values(std::string_view detail, std::vector<std::string>* values) {
  values->clear();
  constexpr std::string_view kLead = "parameters: ";
  if (detail.substr(0, kLead.size()) != kLead) return false;
  size_t at = kLead.size();
  for (;;) {
    const std::string number = "$" + std::to_string(values->size() + 1) + " = ";
    if (detail.substr(at, number.size()) != number) return false;
    at += number.size();
    if (detail.substr(at, 4) == "NULL") {
      values->emplace_back("NULL");
      at += 4;
    } else if (at < detail.size() && detail[at] == '\'') {
      const size_t end = quoted_end(detail, at, '\'', false);
      if (end == std::string_view::npos) return false;
      values->emplace_back(detail.substr(at, end - at));
      at = end;
    } else {
      return false;
    }
    if (at == detail.size()) return true;
    if (detail.substr(at, 2) != ", ") return false;
    at += 2;
  }
}

size_t bind_parameters(std::string_view text, const std::vector<std::string>& values, std::string* out) {
  out->clear();
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    size_t end = i + 1;  // the piece that is copied as it is
    if (c == '\'') {
      // E'...' takes backslash escapes; the E is the whole name before it.
      const bool escapes = i > 0 && (text[i - 1] == 'E' || text[i - 1] == 'e') &&
                           (i < 2 || !is_name_char(text[i - 2]));
      end = std::min(quoted_end(text, i, '\'', escapes), text.size());
    } else if (c == '"') {
      end = std::min(quoted_end(text, i, '"', false), text.size());
    } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      end = text.find('\n', i);
      if (end == std::string_view::npos) end = text.size();
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      end = comment_end(text, i);
    } else if (c == '$' && i + 1 < text.size() && is_digit(text[i + 1])) {
      end = i + 1;
      size_t n = 0;
      while (end < text.size() && is_digit(text[end])) {
        if (n <= 65535) n = n * 10 + static_cast<size_t>(text[end] - '0');
        ++end;
      }
      if (n > values.size() && n <= 65535) return n;
      if (n != 0 && n <= values.size()) {
        *out += values[n - 1];
        i = end;
        continue;
      }
      // $0 and numbers past the protocol's limit are the server's to refuse.
    } else if (c == '$' && dollar_tag(text, i) != 0) {
      const size_t tag = dollar_tag(text, i);
      const size_t close = text.find(text.substr(i, tag), i + tag);
      end = close == std::string_view::npos ? text.size() : close + tag;
    } else if (is_name_char(c)) {
      while (end < text.size() && is_name_char(text[end])) ++end;  // a$1 is a name
    }
    out->append(text.substr(i, end - i));
    i = end;
  }
  return 0;
}

}  // namespace tarnwick
