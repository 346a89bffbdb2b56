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
  std::string_view in(std::string_view text) const { return text.substr(begin, end - begin); }
};

// Whether a token is only layout: blanks and comments.
inline bool is_layout(TokenKind kind) { return kind == TokenKind::blank || kind == TokenKind::comment; }

// Whether the `length` bytes at `word` are `lower` (lower-case ASCII), in
// any letter case.
bool same_word(std::string_view word, std::string_view lower);

// Reads tokens from a text of at most 4 GiB one at a time.
class Lexer {
 public:
  Lexer(std::string_view text, Dialect dialect, bool standard_strings = true)
      : text_(text), dialect_(dialect), standard_strings_(standard_strings) {}

  // The next token; false at the end of the text.
  bool next(Token* token);
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
