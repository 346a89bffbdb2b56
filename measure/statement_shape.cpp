#include "measure/statement_shape.h"

#include <cctype>

namespace tarnwick {

namespace {

bool is_name_char(char c) {
  auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || c == '$' || u >= 0x80;
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The end of the quoted text that starts at `at` (its opening quote):
// after the closing quote, or the end of the text when none closes it.
size_t end_of_quoted(std::string_view text, size_t at, char quote, bool backslashes) {
  size_t i = at + 1;
  while (i < text.size()) {
    if (backslashes && text[i] == '\\') {
      i += 2;
    } else if (text[i] == quote) {
      if (i + 1 < text.size() && text[i + 1] == quote) {
        i += 2;  // a doubled quote stands for one
      } else {
        return i + 1;
      }
    } else {
      ++i;
    }
  }
  return text.size();
}

// The dollar-quote tag that starts at `at` ("$$" or "$name$"), or empty.
std::string_view dollar_tag(std::string_view text, size_t at) {
  size_t i = at + 1;
  while (i < text.size() && text[i] != '$') {
    auto u = static_cast<unsigned char>(text[i]);
    if (!(std::isalpha(u) || text[i] == '_' || u >= 0x80 || (i > at + 1 && std::isdigit(u)))) return {};
    ++i;
  }
  return i < text.size() ? text.substr(at, i - at + 1) : std::string_view{};
}

size_t end_of_number(std::string_view text, size_t at) {
  size_t i = at;
  auto digit = [&](size_t k) { return k < text.size() && std::isdigit(static_cast<unsigned char>(text[k])); };
  if (text[i] == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    i += 2;
    while (i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i]))) ++i;
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

std::string statement_shape(std::string_view text) {
  std::string shape;
  int placeholders = 0;
  bool space_pending = false;
  auto put = [&](std::string_view piece) {
    if (space_pending && !shape.empty() && shape.back() != '(') shape += ' ';
    space_pending = false;
    shape += piece;
  };
  auto placeholder = [&] { put("$" + std::to_string(++placeholders)); };
  size_t i = 0;
  while (i < text.size() && shape.size() <= kMaxShapeLength) {
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (is_space(c)) {
      space_pending = true;
      ++i;
    } else if (c == '-' && next == '-') {
      while (i < text.size() && text[i] != '\n') ++i;
      space_pending = true;
    } else if (c == '/' && next == '*') {
      int depth = 0;
      while (i < text.size()) {
        if (text[i] == '/' && i + 1 < text.size() && text[i + 1] == '*') {
          ++depth;
          i += 2;
        } else if (text[i] == '*' && i + 1 < text.size() && text[i + 1] == '/') {
          i += 2;
          if (--depth == 0) break;
        } else {
          ++i;
        }
      }
      space_pending = true;
    } else if (c == '\'') {
      i = end_of_quoted(text, i, '\'', false);
      placeholder();
    } else if ((c == 'e' || c == 'E') && next == '\'' && (i == 0 || !is_name_char(text[i - 1]))) {
      i = end_of_quoted(text, i + 1, '\'', true);
      placeholder();
    } else if (c == '"') {
      size_t end = end_of_quoted(text, i, '"', false);
      put(text.substr(i, end - i));
      i = end;
    } else if (c == '$' && (i == 0 || !is_name_char(text[i - 1])) && !std::isdigit(static_cast<unsigned char>(next))) {
      std::string_view tag = dollar_tag(text, i);
      if (tag.empty()) {
        put("$");
        ++i;
      } else {
        size_t close = text.find(tag, i + tag.size());
        i = close == std::string_view::npos ? text.size() : close + tag.size();
        placeholder();
      }
    } else if (c == '-' && std::isdigit(static_cast<unsigned char>(next)) && !follows_operand(shape)) {
      // A minus before a number where no operand precedes it belongs to the
      // literal: "+ -3" and "+ 3" have one shape.
      i = end_of_number(text, i + 1);
      placeholder();
    } else if (std::isdigit(static_cast<unsigned char>(c)) && (i == 0 || !is_name_char(text[i - 1]))) {
      i = end_of_number(text, i);
      placeholder();
    } else if (c == '.' && std::isdigit(static_cast<unsigned char>(next)) && (i == 0 || !is_name_char(text[i - 1]))) {
      i = end_of_number(text, i + 1);
      placeholder();
    } else if (is_name_char(c)) {
      size_t end = i;
      while (end < text.size() && is_name_char(text[end])) ++end;
      put(text.substr(i, end - i));
      i = end;
    } else {
      // A list's commas and closing parentheses take no blank before them,
      // an opening one none after it: the shape does not depend on how the
      // program spaced its lists.
      if (c == ',' || c == ')' || c == ';') {
        space_pending = false;
        shape += c;
        space_pending = c == ',';
      } else {
        put(std::string_view(&text[i], 1));
      }
      ++i;
      if (c == '(') space_pending = false;
    }
  }
  while (!shape.empty() && shape.back() == ';') shape.pop_back();
  if (shape.size() > kMaxShapeLength || i < text.size()) {
    shape.resize(std::min(shape.size(), kMaxShapeLength));
    shape += "...";
  }
  return shape;
}

}  // namespace tarnwick
