#include "sqltext/lexer.h"

#include <array>

namespace sqltext {

namespace {

using classes::has;
using classes::kBlank;
using classes::kDigit;
using classes::kNameChar;
using classes::kNameStart;

inline char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c; }

}  // namespace

// Past the quote that opens at `from`: a doubled quote stands for one, and
// with `backslashes` a backslash takes the byte after it.
size_t Lexer::quoted(size_t from, char quote, bool backslashes, bool* open) const {
  const size_t n = text_.size();
  for (size_t i = from + 1; i < n; ++i) {
    const char c = text_[i];
    if (c == '\\' && backslashes) {
      ++i;
    } else if (c == quote) {
      if (i + 1 < n && text_[i + 1] == quote && quote != ']') {
        ++i;
      } else {
        return i + 1;
      }
    }
  }
  *open = true;
  return n;
}

// Past the "/*" comment at `from`; PostgreSQL nests them, SQLite does not.
size_t Lexer::block_comment(size_t from, bool* open) const {
  const size_t n = text_.size();
  const bool nests = dialect_ == Dialect::postgres;
  int depth = 1;
  for (size_t i = from + 2; i + 1 < n; ++i) {
    if (text_[i] == '*' && text_[i + 1] == '/') {
      ++i;
      if (--depth == 0) return i + 1;
    } else if (nests && text_[i] == '/' && text_[i + 1] == '*') {
      ++i;
      ++depth;
    }
  }
  *open = true;
  return n;
}

// At a "$" that no name byte precedes: past $tag$...$tag$ when a tag
// opens there (the tag is empty or a name without "$"), else nothing.
size_t Lexer::dollar_body(size_t from, bool* is_quote, bool* open) const {
  const size_t n = text_.size();
  size_t tag_end = from + 1;
  if (tag_end < n && has(text_[tag_end], kNameStart)) {
    while (tag_end < n && has(text_[tag_end], kNameChar) && text_[tag_end] != '$') ++tag_end;
  }
  if (tag_end >= n || text_[tag_end] != '$') {
    *is_quote = false;
    return from + 1;
  }
  *is_quote = true;
  const std::string_view tag = text_.substr(from, tag_end - from + 1);
  const size_t close = text_.find(tag, tag_end + 1);
  if (close == std::string_view::npos) {
    *open = true;
    return n;
  }
  return close + tag.size();
}

// Past the number at `from`: digits, a fraction, an exponent. A second "."
// ("1..2") is not part of it.
size_t Lexer::number(size_t from) const {
  const size_t n = text_.size();
  size_t i = from;
  while (i < n && has(text_[i], kDigit)) ++i;
  if (i < n && text_[i] == '.' && !(i + 1 < n && text_[i + 1] == '.')) {
    ++i;
    while (i < n && has(text_[i], kDigit)) ++i;
  }
  if (i < n && (text_[i] == 'e' || text_[i] == 'E')) {
    size_t exponent = i + 1;
    if (exponent < n && (text_[exponent] == '+' || text_[exponent] == '-')) ++exponent;
    if (exponent < n && has(text_[exponent], kDigit)) {
      i = exponent;
      while (i < n && has(text_[i], kDigit)) ++i;
    }
  }
  return i;
}

bool Lexer::next_other(Token* token) {
  const size_t n = text_.size();
  if (at_ >= n) return false;
  const size_t from = at_;
  const char c = text_[from];
  const char after = from + 1 < n ? text_[from + 1] : '\0';
  const bool postgres = dialect_ == Dialect::postgres;
  bool open = false;
  TokenKind kind = TokenKind::punctuation;
  size_t end = from + 1;

  if (has(c, kBlank)) {
    kind = TokenKind::blank;
    while (end < n && has(text_[end], kBlank)) ++end;
  } else if (has(c, kNameStart)) {
    while (end < n && has(text_[end], kNameChar)) ++end;
    kind = TokenKind::word;
    // A one-letter prefix glued to a quote makes a literal of another kind.
    const char next_byte = end < n ? text_[end] : '\0';
    if (end == from + 1 && next_byte == '\'') {
      const char letter = lower(c);
      if (postgres && letter == 'e') {
        kind = TokenKind::escaped_string;
        end = quoted(end, '\'', true, &open);
      } else if ((postgres && (letter == 'b' || letter == 'n')) || letter == 'x') {
        kind = TokenKind::prefixed_string;
        end = quoted(end, '\'', postgres && letter == 'n' && !standard_strings_, &open);
      }
    } else if (postgres && end == from + 1 && lower(c) == 'u' && next_byte == '&' && end + 1 < n &&
               (text_[end + 1] == '\'' || text_[end + 1] == '"')) {
      // U&'...' never takes backslash escapes: "\" there starts a Unicode
      // escape, and "\'" is not a quote.
      const char quote = text_[end + 1];
      kind = quote == '\'' ? TokenKind::prefixed_string : TokenKind::quoted_name;
      end = quoted(end + 1, quote, false, &open);
    }
  } else if (has(c, kDigit) || (c == '.' && has(after, kDigit))) {
    kind = TokenKind::number;
    end = number(from);
  } else {
    switch (c) {
      case '\'':
        kind = postgres && !standard_strings_ ? TokenKind::escaped_string : TokenKind::string;
        end = quoted(from, '\'', postgres && !standard_strings_, &open);
        break;
      case '"':
        kind = TokenKind::quoted_name;
        end = quoted(from, '"', false, &open);
        break;
      case '-':
        if (after == '-') {
          kind = TokenKind::comment;
          end = text_.find('\n', from);
          if (end == std::string_view::npos) end = n;
        }
        break;
      case '/':
        if (after == '*') {
          kind = TokenKind::comment;
          end = block_comment(from, &open);
        }
        break;
      case ';': kind = TokenKind::semicolon; break;
      case '(': kind = TokenKind::open_paren; break;
      case ')': kind = TokenKind::close_paren; break;
      case '$':
        if (postgres) {
          if (has(after, kDigit)) {
            kind = TokenKind::parameter;
            while (end < n && has(text_[end], kDigit)) ++end;
          } else {
            bool is_quote = false;
            end = dollar_body(from, &is_quote, &open);
            if (is_quote) kind = TokenKind::dollar_string;
          }
        } else if (has(after, kNameChar)) {
          kind = TokenKind::parameter;
          while (end < n && has(text_[end], kNameChar)) ++end;
        }
        break;
      case '#':
        if (!postgres) {
          kind = TokenKind::comment;
          end = text_.find('\n', from);
          if (end == std::string_view::npos) end = n;
        }
        break;
      case '`':
        if (!postgres) {
          kind = TokenKind::quoted_name;
          end = quoted(from, '`', false, &open);
        }
        break;
      case '[':
        if (!postgres) {
          kind = TokenKind::quoted_name;
          end = quoted(from, ']', false, &open);
        }
        break;
      case '?':
      case ':':
      case '@':
        if (!postgres && (c == '?' || has(after, kNameChar))) {
          kind = TokenKind::parameter;
          while (end < n && has(text_[end], kNameChar)) ++end;
        }
        break;
      default: break;
    }
  }
  emit(token, kind, open, end);
  return true;
}

}  // namespace sqltext
