// The one lexer of SQL text in the program: it cuts a statement's text into
// tokens as the engine's own client reads it, so that every question asked
// of a statement (its first keyword, whether it ends a transaction block,
// where its literals are) is answered from the same reading.
//
// Two dialects:
//   postgres  blanks; "--" comments; "/* */" comments that nest; '...' with
//             '' for a quote, and backslash escapes in E'...' (and in plain
//             strings when standard_conforming_strings is off); U&'...',
//             B'...', X'...', N'...'; "..." and U&"..." names; $tag$...$tag$
//             bodies; $1 parameters; numbers; ";", "(" and ")".
//   sqlite    blanks; "--" and "#" comments; "/* */" comments that do not
//             nest; '...', X'...'; "...", `...` and [...] names; numbers;
//             ";", "(" and ")". "$" and ":" start parameter names.
// Everything else is one byte of punctuation. Bytes from 0x80 up are name
// bytes (UTF-8 or Latin-1 letters); classes are ASCII only, never the
// locale's.
//
// A quote, name or comment that the text does not close runs to its end and
// is marked `open`; nothing in the text is ever skipped or read twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace sqltext {

enum class Dialect : uint8_t { postgres, sqlite };

enum class TokenKind : uint8_t {
  blank,
  comment,        // "--", "#" (sqlite) or "/* */"
  word,           // a keyword or an unquoted name
  quoted_name,    // "...", U&"...", `...`, [...]
  string,         // '...' read without backslash escapes
  escaped_string, // E'...', or '...' with standard_conforming_strings off
  prefixed_string,// U&'...', B'...', X'...', N'...': not a plain string
  dollar_string,  // $tag$...$tag$
  number,         // 12, 1.5, .5, 1e-3 (0x1F, 1_000 and the like: a number and a word)
  parameter,      // $1 (postgres), ?, ?1, :name, @name, $name (sqlite)
  semicolon,
  open_paren,
  close_paren,
  punctuation,    // one byte of anything else
};

struct Token {
  TokenKind kind = TokenKind::blank;
  bool open = false;  // a quote, name or comment the text does not close
  uint32_t begin = 0; // offsets into the text
  uint32_t end = 0;
  std::string_view in(std::string_view text) const { return {text.data() + begin, end - begin}; }
};

// Whether a token is only layout: blanks and comments.
inline bool is_layout(TokenKind kind) { return kind == TokenKind::blank || kind == TokenKind::comment; }

// Whether `word` is the keyword `letters` (lower-case ASCII letters only,
// no digit or "_": same_word takes those) in any letter case: for a letter, setting bit 0x20 gives its lower case,
// and no other byte becomes one.
inline bool is_keyword(std::string_view word, std::string_view letters) {
  if (word.size() != letters.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (static_cast<char>(word[i] | 0x20) != letters[i]) return false;
  }
  return true;
}

// Whether `word` is `lower` (lower-case ASCII) in any letter case.
inline bool same_word(std::string_view word, std::string_view lower) {
  if (word.size() != lower.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    const char c = word[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c) != lower[i]) return false;
  }
  return true;
}

// What a byte may be, one table lookup each: the lexer reads every byte of
// every statement a replay sends.
namespace classes {
enum : uint8_t { kBlank = 1, kDigit = 2, kNameStart = 4, kNameChar = 8 };
inline constexpr struct Table {
  uint8_t of[256];
} kTable = [] {
  Table table{};
  for (int c = 0; c < 256; ++c) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool digit = c >= '0' && c <= '9';
    uint8_t bits = 0;
    if (c == ' ' || (c >= '\t' && c <= '\r')) bits |= kBlank;
    if (digit) bits |= kDigit | kNameChar;
    if (letter || c == '_' || c >= 0x80) bits |= kNameStart | kNameChar;
    if (c == '$') bits |= kNameChar;
    table.of[c] = bits;
  }
  return table;
}();
inline bool has(char c, uint8_t bits) { return (kTable.of[static_cast<unsigned char>(c)] & bits) != 0; }

// The bytes that are a token of one byte in both dialects, and the kind of
// it; kMore for every other byte.
inline constexpr uint8_t kMore = 0xFF;
inline constexpr struct Single {
  uint8_t kind[256];
} kSingle = [] {
  Single single{};
  for (uint8_t& kind : single.kind) kind = kMore;
  for (const char* c = ",=<>+*%^|&!~]{}\\"; *c != '\0'; ++c) {
    single.kind[static_cast<unsigned char>(*c)] = static_cast<uint8_t>(TokenKind::punctuation);
  }
  single.kind[static_cast<unsigned char>(';')] = static_cast<uint8_t>(TokenKind::semicolon);
  single.kind[static_cast<unsigned char>('(')] = static_cast<uint8_t>(TokenKind::open_paren);
  single.kind[static_cast<unsigned char>(')')] = static_cast<uint8_t>(TokenKind::close_paren);
  return single;
}();
}  // namespace classes

// Reads tokens from a text of at most 4 GiB one at a time.
class Lexer {
 public:
  Lexer(std::string_view text, Dialect dialect, bool standard_strings = true)
      : text_(text), dialect_(dialect), standard_strings_(standard_strings) {}

  // The next token; false at the end of the text. Blanks and plain words,
  // most of a statement, are read here; the rest by next_other.
  bool next(Token* token) {
    const size_t n = text_.size();
    size_t at = at_;
    if (at >= n) return false;
    const char c = text_[at];
    TokenKind kind;
    if (classes::has(c, classes::kBlank)) {
      kind = TokenKind::blank;
      do ++at;
      while (at < n && classes::has(text_[at], classes::kBlank));
    } else if (classes::has(c, classes::kNameStart)) {
      kind = TokenKind::word;
      do ++at;
      while (at < n && classes::has(text_[at], classes::kNameChar));
      // One letter glued to a quote may be a string's prefix (E'', U&'').
      if (at == at_ + 1 && at < n && (text_[at] == '\'' || text_[at] == '&')) return next_other(token);
    } else if (classes::has(c, classes::kDigit)) {
      kind = TokenKind::number;
      at = number(at);
    } else if (const uint8_t single = classes::kSingle.kind[static_cast<unsigned char>(c)]; single != classes::kMore) {
      kind = static_cast<TokenKind>(single);
      ++at;
    } else {
      return next_other(token);
    }
    emit(token, kind, false, at);
    return true;
  }
  // The next token that is not blank or a comment.
  bool next_significant(Token* token) {
    while (next(token)) {
      if (!is_layout(token->kind)) return true;
    }
    return false;
  }
  size_t position() const { return at_; }
  // Goes on reading at `at`, which is not before the current position.
  void skip_to(size_t at) { at_ = at > at_ ? at : at_; }

 private:
  // Hands on the token from the current position to `end`, and moves there.
  void emit(Token* token, TokenKind kind, bool open, size_t end) {
    token->kind = kind;
    token->open = open;
    token->begin = static_cast<uint32_t>(at_);
    token->end = static_cast<uint32_t>(end);
    at_ = end;
  }
  bool next_other(Token* token);
  size_t quoted(size_t from, char quote, bool backslashes, bool* open) const;
  size_t block_comment(size_t from, bool* open) const;
  size_t dollar_body(size_t from, bool* is_quote, bool* open) const;
  size_t number(size_t from) const;

  std::string_view text_;
  Dialect dialect_;
  bool standard_strings_;
  size_t at_ = 0;
};

}  // namespace sqltext
