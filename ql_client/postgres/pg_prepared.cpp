#include "ql_client/postgres/pg_prepared.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>

#include "ql_client/core/text.h"

namespace ql {

namespace {

constexpr uint32_t kInt4 = 23;
constexpr uint32_t kInt8 = 20;
constexpr uint32_t kNumeric = 1700;
constexpr size_t kMaxParameters = 65535;

// ASCII classes, as the server's scanner has them (the C library's depend
// on the locale, and cost a call a character), one table lookup each: the
// scan below reads every character of every statement a replay prepares.
enum : uint8_t { kBlank = 1, kDigit = 2, kNameStart = 4, kNameChar = 8 };
constexpr auto kClasses = [] {
  std::array<uint8_t, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool digit = c >= '0' && c <= '9';
    uint8_t bits = 0;
    if (c == ' ' || (c >= '\t' && c <= '\r')) bits |= kBlank;
    if (digit) bits |= kDigit;
    if (letter || c == '_' || c >= 0x80) bits |= kNameStart | kNameChar;
    if (digit || c == '$') bits |= kNameChar;
    classes[static_cast<size_t>(c)] = bits;
  }
  return classes;
}();
bool is(unsigned char c, uint8_t bits) { return (kClasses[c] & bits) != 0; }
bool digit(unsigned char c) { return is(c, kDigit); }
bool name_char(unsigned char c) { return is(c, kNameChar); }
bool blank(unsigned char c) { return is(c, kBlank); }

// `word` in any case against `lower`, a word of lower-case letters.
bool same_word(std::string_view word, std::string_view lower) {
  if (word.size() != lower.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if ((static_cast<unsigned char>(word[i]) | 0x20) != static_cast<unsigned char>(lower[i])) return false;
  }
  return true;
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

// The end of the dollar-quoted string at `i`, or npos when it does not end.
size_t skip_dollar_quote(std::string_view text, size_t i) {
  size_t tag_end = i + 1;
  while (tag_end < text.size() && text[tag_end] != '$') {
    if (!name_char(static_cast<unsigned char>(text[tag_end]))) return i + 1;  // a lone $: not a quote
    ++tag_end;
  }
  if (tag_end >= text.size()) return i + 1;
  std::string_view tag = text.substr(i, tag_end - i + 1);
  size_t close = text.find(tag, tag_end + 1);
  return close == std::string_view::npos ? std::string_view::npos : close + tag.size();
}

}  // namespace

bool pg_parametrize(std::string_view text, bool standard_strings, PgParameters* out) {
  out->text.clear();
  out->types.clear();
  out->values.clear();
  out->starts.clear();
  if (!first_keyword_is_any(text, {"select", "insert", "update", "delete", "with", "values"})) return false;
  // After ORDER BY, GROUP BY and DISTINCT ON an integer names a column.
  bool positions = false;
  std::string_view last_word;
  // The text up to the literal at [from, to) goes as it stands, the
  // literal as its parameter's number; its value is appended by the caller
  // and ended here.
  size_t copied = 0;
  auto add = [&](uint32_t type, size_t from, size_t to) {
    out->text.append(text.substr(copied, from - copied));
    copied = to;
    out->types.push_back(type);
    out->values.push_back('\0');
    char digits[8];
    char* at = digits + sizeof digits;
    for (size_t k = out->types.size(); k != 0; k /= 10) *--at = static_cast<char>('0' + k % 10);
    out->text += '$';
    out->text.append(at, digits + sizeof digits - at);
  };
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t end = i + 1;
    if (blank(c)) {
      i = end;
      continue;
    }
    if (is(c, kNameStart)) {  // most of a statement: names and keywords
      while (end < n && name_char(static_cast<unsigned char>(text[end]))) ++end;
      const std::string_view word = text.substr(i, end - i);
      if ((same_word(word, "by") && (same_word(last_word, "order") || same_word(last_word, "group"))) ||
          (same_word(word, "on") && same_word(last_word, "distinct"))) {
        positions = true;
      }
      last_word = word;
      i = end;
      continue;
    }
    if (c == '-' && i + 1 < n && text[i + 1] == '-') {
      end = text.find('\n', i);
      if (end == std::string_view::npos) end = n;
    } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
      end = block_comment_end(text, i);
      if (end == std::string_view::npos) return false;
    } else if (c == '"') {
      // "" inside a quoted name is a quote: the scan resumes after it.
      end = text.find('"', i + 1);
      while (end != std::string_view::npos && end + 1 < n && text[end + 1] == '"') end = text.find('"', end + 2);
      if (end == std::string_view::npos) return false;
      ++end;
    } else if (c == ';') {
      if (several_statements(text.substr(i))) return false;
      break;
    } else if (c == '$') {
      if (i + 1 < n && digit(static_cast<unsigned char>(text[i + 1]))) return false;  // a parameter already
      end = skip_dollar_quote(text, i);
      if (end == std::string_view::npos) return false;
    } else if (c == '\'') {
      size_t close = i + 1;
      for (;;) {
        close = text.find('\'', close);
        if (close == std::string_view::npos) return false;
        if (close + 1 < n && text[close + 1] == '\'') {
          close += 2;
          continue;
        }
        break;
      }
      end = close + 1;
      // A prefix (E'', B'', X'', U&'', N'') or a type name before the quote
      // makes it something else than a plain string.
      const bool prefixed = i > 0 && (name_char(static_cast<unsigned char>(text[i - 1])) || text[i - 1] == '&');
      // Strings on separate lines with only blanks between are one string.
      size_t after = end;
      while (after < n && blank(static_cast<unsigned char>(text[after]))) ++after;
      const bool continued = after < n && text[after] == '\'';
      if (!standard_strings || continued) return false;
      if (!prefixed) {
        out->starts.push_back(out->values.size());
        for (size_t k = i + 1; k < close; ++k) {
          out->values += text[k];
          if (text[k] == '\'') ++k;  // '' is one quote
        }
        add(0, i, end);
        i = end;
        continue;
      }
    } else if (digit(c) || (c == '.' && i + 1 < n && digit(static_cast<unsigned char>(text[i + 1])))) {
      end = i;
      while (end < n && digit(static_cast<unsigned char>(text[end]))) ++end;
      bool integer = true;
      if (end < n && text[end] == '.' && !(end + 1 < n && text[end + 1] == '.')) {
        integer = false;
        ++end;
        while (end < n && digit(static_cast<unsigned char>(text[end]))) ++end;
      }
      if (end < n && (text[end] == 'e' || text[end] == 'E')) {
        size_t exponent = end + 1;
        if (exponent < n && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
        if (exponent < n && digit(static_cast<unsigned char>(text[exponent]))) {
          integer = false;
          end = exponent;
          while (end < n && digit(static_cast<unsigned char>(text[end]))) ++end;
        }
      }
      // 0x1F, 1_000 and the like: forms of newer servers, left alone.
      if (end < n && name_char(static_cast<unsigned char>(text[end]))) return false;
      const std::string_view number = text.substr(i, end - i);
      const uint32_t type = integer ? integer_type(number) : kNumeric;
      if (!positions && type != 0) {
        out->starts.push_back(out->values.size());
        out->values.append(number);
        add(type, i, end);
        i = end;
        continue;
      }
    }
    i = end;
  }
  out->text.append(text.substr(copied));
  return out->types.size() <= kMaxParameters;
}

void PgPrepared::key_of(const PgParameters& parameters, std::string* key) {
  key->assign(parameters.text);
  key->push_back('\0');
  key->append(reinterpret_cast<const char*>(parameters.types.data()), parameters.types.size() * sizeof(uint32_t));
}

const std::string* PgPrepared::lookup_exact(std::string_view text) const {
  if (exact_.empty()) return nullptr;
  auto found = exact_.find(text);
  return found != exact_.end() && found->second.state == State::ready ? &found->second.name : nullptr;
}

void PgPrepared::add(const std::string& key, const std::string& text, const std::vector<uint32_t>& types,
                     bool exact) {
  Shape& shape = exact ? exact_[key] : shapes_[key];
  shape.name = "tarnwick_" + std::to_string(generation_) + "_" + std::to_string(next_name_++);
  queued_.push_back({key, shape.name, text, types, generation_, exact});
}

const std::string* PgPrepared::lookup(const PgParameters& parameters, std::string_view text) {
  if (parameters.text.size() > kMaxKey) return nullptr;
  std::string& key = key_;  // its room is kept from one statement to the next
  key_of(parameters, &key);
  auto found = shapes_.find(key);
  if (found != shapes_.end()) return found->second.state == State::ready ? &found->second.name : nullptr;
  if (shapes_.size() + exact_.size() >= kMaxShapes) return nullptr;
  // First sight: only remembered, so that a statement that never repeats
  // costs no prepare.
  const uint64_t text_hash = std::hash<std::string_view>{}(text);
  auto [seen, first] = seen_.emplace(std::hash<std::string>{}(key), text_hash);
  if (first) {
    if (seen_.size() > kMaxSeen) seen_.clear();
    return nullptr;
  }
  // Seen again word for word: the text itself is prepared, once. Its
  // shape waits for a sight with other literals.
  if (seen->second == text_hash && !parameters.types.empty()) {
    if (exact_.find(text) == exact_.end()) add(std::string(text), std::string(text), {}, true);
    return nullptr;
  }
  add(key, parameters.text, parameters.types, false);
  return nullptr;
}

PgPrepared::Queued PgPrepared::take_queued() {
  Queued next = std::move(queued_.front());
  queued_.erase(queued_.begin());
  ShapeMap& shapes = next.exact ? exact_ : shapes_;
  auto found = shapes.find(next.key);
  if (found != shapes.end()) found->second.state = State::preparing;
  return next;
}

void PgPrepared::prepared(const Queued& shape, bool ok) {
  if (shape.generation != generation_) return;  // forgotten meanwhile
  ShapeMap& shapes = shape.exact ? exact_ : shapes_;
  auto found = shapes.find(shape.key);
  if (found != shapes.end()) found->second.state = ok ? State::ready : State::refused;
}

void PgPrepared::forget() {
  shapes_.clear();
  exact_.clear();
  seen_.clear();
  queued_.clear();
  ++generation_;
}

bool PgPrepared::drops_prepared(std::string_view text) {
  if (first_keyword_is_any(text, {"discard", "deallocate"})) return true;
  // A text of several statements may hold one further on.
  if (!several_statements(text)) return false;
  for (std::string_view word : {"discard", "deallocate"}) {
    auto found = std::search(text.begin(), text.end(), word.begin(), word.end(),
                             [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
    if (found != text.end()) return true;
  }
  return false;
}

}  // namespace ql
