#include "statements/statement_parameters.h"

#include <algorithm>

#include "sqltext/lexer.h"

namespace tarnwick {

namespace {

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
  // The lexer keeps $n inside strings, names, comments and dollar bodies
  // (and a$1, a name) out of its parameters.
  sqltext::Lexer lexer(text, sqltext::Dialect::postgres);
  sqltext::Token token;
  while (lexer.next(&token)) {
    const std::string_view piece = token.in(text);
    if (token.kind == sqltext::TokenKind::parameter) {
      size_t n = 0;
      for (size_t k = 1; k < piece.size() && n <= 65535; ++k) n = n * 10 + static_cast<size_t>(piece[k] - '0');
      if (n > values.size() && n <= 65535) return n;
      if (n != 0 && n <= values.size()) {
        *out += values[n - 1];
        continue;
      }
      // $0 and numbers past the protocol's limit are the server's to refuse.
    }
    out->append(piece);
  }
  return 0;
}

}  // namespace tarnwick
