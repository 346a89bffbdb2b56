#include "ql_client/postgres/pg_plain_reads.h"

namespace ql {

namespace {

// ASCII classes: the words compared are SQL keywords, and the C library's
// classes depend on the locale.
bool blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool letter(char c) { return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '_'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

// `word` in any case against `lower`, a word of lower-case letters.
bool is(std::string_view word, std::string_view lower) {
  if (word.size() != lower.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if ((word[i] | 0x20) != lower[i]) return false;
  }
  return true;
}

}  // namespace

bool plain_read(std::string_view text) {
  // Read for every pipelined statement, so one pass by hand.
  size_t at = 0;
  while (at < text.size() && blank(text[at])) ++at;
  if (text.size() - at < 7) return false;
  for (size_t i = 0; i < 6; ++i) {
    if ((text[at + i] | 0x20) != "select"[i]) return false;
  }
  const char after = text[at + 6];
  if (after != ' ' && after != '\t' && after != '\n' && after != '\r') return false;
  // One statement, perhaps ended by its semicolon (and blanks).
  for (size_t i = at + 7; i < text.size(); ++i) {
    if (text[i] == '(') return false;
    if (text[i] != ';') continue;
    for (size_t j = i + 1; j < text.size(); ++j) {
      if (!blank(text[j])) return false;
    }
    return true;
  }
  return true;
}

bool literal_row(std::string_view text) {
  const size_t n = text.size();
  size_t at = 0;
  auto skip_blanks = [&] {
    while (at < n && blank(text[at])) ++at;
  };
  // A word of letters, digits and underscores starting with a letter.
  auto word = [&]() -> std::string_view {
    size_t start = at;
    if (at >= n || !letter(text[at])) return {};
    while (at < n && (letter(text[at]) || digit(text[at]))) ++at;
    return text.substr(start, at - start);
  };
  skip_blanks();
  if (!is(word(), "select")) return false;
  for (;;) {
    skip_blanks();
    if (at < n && (text[at] == '-' || text[at] == '+')) ++at;
    if (at < n && (digit(text[at]) || text[at] == '.')) {
      while (at < n && (digit(text[at]) || text[at] == '.')) ++at;
    } else if (at < n && text[at] == '\'') {
      if (at > 0 && !blank(text[at - 1]) && text[at - 1] != ',') return false;  // E'', U&'' and the like
      for (++at;; at += 2) {
        at = text.find('\'', at);
        if (at == std::string_view::npos) return false;
        if (at + 1 >= n || text[at + 1] != '\'') break;
      }
      ++at;
    } else if (at < n && text[at] == '$') {
      ++at;
      if (at >= n || !digit(text[at])) return false;
      while (at < n && digit(text[at])) ++at;
    } else {
      std::string_view w = word();
      if (!is(w, "true") && !is(w, "false") && !is(w, "null")) return false;
    }
    skip_blanks();
    if (at + 1 < n && text[at] == ':' && text[at + 1] == ':') {
      at += 2;
      skip_blanks();
      if (word().empty()) return false;
      skip_blanks();
    }
    if (at < n && letter(text[at])) {
      std::string_view w = word();
      if (is(w, "from") || is(w, "where") || is(w, "union") || is(w, "intersect") || is(w, "except") ||
          is(w, "into") || is(w, "group") || is(w, "having") || is(w, "window") || is(w, "order") ||
          is(w, "limit") || is(w, "offset") || is(w, "fetch") || is(w, "for")) {
        return false;
      }
      skip_blanks();
      if (is(w, "as")) {
        if (word().empty()) return false;
        skip_blanks();
      }
    }
    if (at < n && text[at] == ',') {
      ++at;
      continue;
    }
    if (at < n && text[at] == ';') ++at;
    skip_blanks();
    return at == n;
  }
}

}  // namespace ql
