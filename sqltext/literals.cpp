#include "sqltext/literals.h"

#include <algorithm>

#include "sqltext/lexer.h"
#include "sqltext/statement_info.h"

namespace sqltext {

namespace {

constexpr uint32_t kInt4 = 23;
constexpr uint32_t kInt8 = 20;
constexpr uint32_t kNumeric = 1700;
constexpr size_t kMaxParameters = 65535;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_name_char(char c) {
  const auto u = static_cast<unsigned char>(c);
  return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || is_digit(c) || c == '_' || c == '$' || u >= 0x80;
}

// The type PostgreSQL gives an unsigned integer literal: int4 when it fits,
// then int8, then numeric. 0 for the two values that fit one type smaller
// once negated (-2147483648 is an int4): the literal stays in the text.
uint32_t integer_type(std::string_view digits) {
  size_t first = 0;
  while (first < digits.size() && digits[first] == '0') ++first;
  std::string_view value = first == digits.size() ? "0" : digits.substr(first);
  if (value.size() < 10) return kInt4;  // most literals, without the comparisons below
  auto at_most = [&](std::string_view limit) {
    return value.size() < limit.size() || (value.size() == limit.size() && value <= limit);
  };
  if (value == "2147483648" || value == "9223372036854775808") return 0;
  if (at_most("2147483647")) return kInt4;
  if (at_most("9223372036854775807")) return kInt8;
  return kNumeric;
}

bool is_quote_kind(TokenKind kind) {
  return kind == TokenKind::string || kind == TokenKind::escaped_string || kind == TokenKind::prefixed_string;
}

// Appends "$k" to `out`.
void append_placeholder(std::string* out, size_t k) {
  char digits[20];
  char* at = digits + sizeof digits;
  do {
    *--at = static_cast<char>('0' + k % 10);
    k /= 10;
  } while (k != 0);
  out->push_back('$');
  out->append(at, static_cast<size_t>(digits + sizeof digits - at));
}

}  // namespace

bool parametrize(std::string_view text, bool standard_strings, Parameters* out) {
  out->text.clear();
  out->types.clear();
  out->values.clear();
  out->starts.clear();
  Lexer lexer(text, Dialect::postgres, standard_strings);
  // After ORDER BY, GROUP BY and DISTINCT ON an integer names a column.
  bool positions = false;
  bool first = true;
  std::string_view last_word;
  Token previous;  // the token before, layout included
  size_t copied = 0;
  // The text up to the literal at [from, to) goes as it stands, the
  // literal as its parameter's number; the caller has appended its value.
  auto add = [&](uint32_t type, size_t from, size_t to) {
    out->text.append(text.substr(copied, from - copied));
    copied = to;
    out->types.push_back(type);
    out->values.push_back('\0');
    append_placeholder(&out->text, out->types.size());
  };
  Token token;
  while (lexer.next(&token)) {
    if (token.open) return false;
    const TokenKind kind = token.kind;
    if (first && !is_layout(kind)) {
      first = false;
      const Keyword keyword = kind == TokenKind::word ? keyword_of(token.in(text)) : Keyword::none;
      if (keyword != Keyword::select && keyword != Keyword::insert && keyword != Keyword::update &&
          keyword != Keyword::delete_ && keyword != Keyword::with && keyword != Keyword::values) {
        return false;
      }
    }
    switch (kind) {
      case TokenKind::word: {
        const std::string_view word = token.in(text);
        if ((same_word(word, "by") && (same_word(last_word, "order") || same_word(last_word, "group"))) ||
            (same_word(word, "on") && same_word(last_word, "distinct"))) {
          positions = true;
        }
        last_word = word;
        break;
      }
      case TokenKind::parameter: return false;  // a parameter already
      case TokenKind::semicolon: {
        Token rest;
        while (lexer.next(&rest)) {
          if (rest.open || (!is_layout(rest.kind) && rest.kind != TokenKind::semicolon)) return false;
        }
        break;
      }
      case TokenKind::string:
      case TokenKind::escaped_string:
      case TokenKind::prefixed_string: {
        if (!standard_strings) return false;
        // Strings with only blanks between are one string.
        Lexer ahead = lexer;
        Token after;
        if (ahead.next(&after) && after.kind == TokenKind::blank) ahead.next(&after);
        if (after.begin >= token.end && is_quote_kind(after.kind) && text[after.begin] == '\'') return false;
        // A type name glued to the quote (date'2024-01-01') makes it
        // something else than a plain string, as a prefix does.
        const bool glued = previous.end == token.begin && token.begin > 0 &&
                           (previous.kind == TokenKind::word || previous.kind == TokenKind::number);
        if (kind == TokenKind::string && !glued) {
          out->starts.push_back(out->values.size());
          for (size_t k = token.begin + 1; k + 1 < token.end; ++k) {
            out->values += text[k];
            if (text[k] == '\'') ++k;  // '' is one quote
          }
          add(0, token.begin, token.end);
        }
        break;
      }
      case TokenKind::number: {
        // 0x1F, 1_000 and the like: forms of newer servers, left alone.
        if (token.end < text.size() && is_name_char(text[token.end])) return false;
        const std::string_view number = token.in(text);
        bool integer = true;
        for (char c : number) integer = integer && is_digit(c);
        const uint32_t type = integer ? integer_type(number) : kNumeric;
        if (!positions && type != 0) {
          out->starts.push_back(out->values.size());
          out->values.append(number);
          add(type, token.begin, token.end);
        }
        break;
      }
      default: break;
    }
    previous = token;
  }
  if (first) return false;
  out->text.append(text.substr(copied));
  return out->types.size() <= kMaxParameters;
}

namespace {

// Past the number at `at` as the report reads one: hexadecimal (0x1F),
// digits with "_" between them, a fraction and an exponent.
size_t end_of_number(std::string_view text, size_t at) {
  size_t i = at;
  auto digit = [&](size_t k) { return k < text.size() && is_digit(text[k]); };
  auto hex = [&](size_t k) {
    return k < text.size() && (is_digit(text[k]) || ((text[k] | 0x20) >= 'a' && (text[k] | 0x20) <= 'f'));
  };
  if (text[i] == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    i += 2;
    while (hex(i)) ++i;
    return i;
  }
  while (digit(i) || (i < text.size() && text[i] == '_' && digit(i + 1))) ++i;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (digit(i)) ++i;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E') &&
      (digit(i + 1) || (i + 2 < text.size() && (text[i + 1] == '+' || text[i + 1] == '-') && digit(i + 2)))) {
    i += 2;
    while (digit(i)) ++i;
  }
  return i;
}

// Whether the shape so far ends in an operand (a name, a literal, a closing
// parenthesis), after which a minus is subtraction.
bool follows_operand(const std::string& shape) {
  if (shape.empty()) return false;
  const char last = shape.back();
  return is_name_char(last) || last == ')' || last == '"' || last == ']';
}

}  // namespace

std::string shape(std::string_view text) {
  std::string out;
  size_t placeholders = 0;
  bool space_pending = false;
  auto space = [&] {
    if (space_pending && !out.empty() && out.back() != '(') out += ' ';
    space_pending = false;
  };
  auto put = [&](std::string_view piece) {
    space();
    out += piece;
  };
  auto placeholder = [&] {
    space();
    append_placeholder(&out, ++placeholders);
  };
  Lexer lexer(text, Dialect::postgres);
  Token token;
  Token previous;
  while (out.size() <= kMaxShapeLength && lexer.next(&token)) {
    const std::string_view piece = token.in(text);
    switch (token.kind) {
      case TokenKind::blank:
      case TokenKind::comment: space_pending = true; break;
      case TokenKind::string:
      case TokenKind::escaped_string:
      case TokenKind::dollar_string: placeholder(); break;
      case TokenKind::prefixed_string:
        // The prefix stays: B'0101' and X'1F' are of other types.
        put(piece.substr(0, piece.find('\'')));
        append_placeholder(&out, ++placeholders);
        break;
      case TokenKind::number:
        // ".5" right after a name or a number ("t.5", "127.0.0.1") is a dot
        // and a number.
        if (piece[0] == '.' && token.begin > 0 && is_name_char(text[token.begin - 1])) put(".");
        lexer.skip_to(end_of_number(text, piece[0] == '.' ? token.begin + 1 : token.begin));
        placeholder();
        break;
      case TokenKind::punctuation: {
        const char c = piece[0];
        Lexer ahead = lexer;
        Token after;
        if (c == '-' && ahead.next(&after) && after.kind == TokenKind::number && after.begin == token.end &&
            text[after.begin] != '.' && !follows_operand(out)) {
          // A minus before a number where no operand precedes it belongs
          // to the literal: "+ -3" and "+ 3" have one shape.
          lexer.skip_to(end_of_number(text, after.begin));
          placeholder();
        } else if (c == ',') {
          out += c;
          space_pending = true;
        } else {
          put(piece);
        }
        break;
      }
      case TokenKind::semicolon:
      case TokenKind::close_paren:
        // A list's commas and closing parentheses take no blank before
        // them, an opening one none after it: the shape does not depend on
        // how the program spaced its lists.
        space_pending = false;
        out += piece;
        break;
      case TokenKind::open_paren:
        put(piece);
        space_pending = false;
        break;
      default: put(piece); break;
    }
    previous = token;
  }
  while (!out.empty() && out.back() == ';') out.pop_back();
  if (out.size() > kMaxShapeLength || lexer.position() < text.size()) {
    out.resize(std::min(out.size(), kMaxShapeLength));
    out += "...";
  }
  return out;
}

}  // namespace sqltext
