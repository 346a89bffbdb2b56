#include "statements/log_records.h"

#include <cstdint>

namespace tarnwick {

bool CsvRecord::add_line(std::string_view line, bool whole) {
  if (!started_) {
    fields_.assign(1, std::string());
    started_ = true;
  }
  for (char c : line) add(c);
  return whole && add('\n');
}

// One character; true when it ends the record.
bool CsvRecord::add(char c) {
  switch (state_) {
    case State::field_start:
    case State::unquoted:
    case State::quote_in_quoted:
      if (c == ',') {
        fields_.emplace_back();
        state_ = State::field_start;
        return false;
      }
      if (c == '\n') return true;
      if (c == '"' && state_ == State::field_start) {
        state_ = State::quoted;
        return false;
      }
      if (c == '"' && state_ == State::quote_in_quoted) {  // a doubled quote inside quotes
        fields_.back() += '"';
        state_ = State::quoted;
        return false;
      }
      if (c == '"' || state_ == State::quote_in_quoted) malformed_ = true;
      fields_.back() += c;
      state_ = State::unquoted;
      return false;
    case State::quoted:
      if (c == '"') {
        state_ = State::quote_in_quoted;
      } else {
        fields_.back() += c;
      }
      return false;
  }
  return false;
}

void CsvRecord::clear() {
  fields_.clear();
  state_ = State::field_start;
  started_ = false;
  malformed_ = false;
}

bool is_csvlog_width(size_t fields) { return fields == 23 || fields == 24 || fields == 26; }

namespace {

// A cursor over a JSON text.
class JsonText {
 public:
  explicit JsonText(std::string_view text) : text_(text) {}

  void skip_space() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' ||
                                  text_[at_] == '\n')) {
      ++at_;
    }
  }
  bool take(char c) {
    skip_space();
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool at_end() {
    skip_space();
    return at_ == text_.size();
  }
  bool peek(char c) {
    skip_space();
    return at_ < text_.size() && text_[at_] == c;
  }

  // A string, unescaped into UTF-8.
  bool string(std::string* out) {
    if (!take('"')) return false;
    out->clear();
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        *out += c;
        continue;
      }
      if (at_ >= text_.size()) return false;
      const char e = text_[at_++];
      switch (e) {
        case '"': case '\\': case '/': *out += e; break;
        case 'b': *out += '\b'; break;
        case 'f': *out += '\f'; break;
        case 'n': *out += '\n'; break;
        case 'r': *out += '\r'; break;
        case 't': *out += '\t'; break;
        case 'u': {
          uint32_t code = 0;
          if (!hex4(&code)) return false;
          if (code >= 0xD800 && code < 0xDC00) {  // a surrogate pair
            uint32_t low = 0;
            if (text_.substr(at_, 2) != "\\u") return false;
            at_ += 2;
            if (!hex4(&low) || low < 0xDC00 || low >= 0xE000) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xDC00 && code < 0xE000) {
            return false;
          }
          put_utf8(code, out);
          break;
        }
        default: return false;
      }
    }
    return false;  // no closing quote
  }

  // A number, true, false or null, kept as written.
  bool scalar(std::string* out) {
    skip_space();
    const size_t start = at_;
    while (at_ < text_.size() && ((text_[at_] >= '0' && text_[at_] <= '9') || text_[at_] == '-' ||
                                  text_[at_] == '+' || text_[at_] == '.' || text_[at_] == 'e' ||
                                  text_[at_] == 'E')) {
      ++at_;
    }
    if (at_ == start) {
      for (std::string_view word : {"true", "false", "null"}) {
        if (text_.substr(at_, word.size()) == word) at_ += word.size();
      }
    }
    if (at_ == start) return false;
    out->assign(text_.substr(start, at_ - start));
    return true;
  }

 private:
  bool hex4(uint32_t* code) {
    if (at_ + 4 > text_.size()) return false;
    for (int i = 0; i < 4; ++i) {
      const char h = text_[at_++];
      const int digit = h >= '0' && h <= '9' ? h - '0'
                        : h >= 'a' && h <= 'f' ? h - 'a' + 10
                        : h >= 'A' && h <= 'F' ? h - 'A' + 10 : -1;
      if (digit < 0) return false;
      *code = *code << 4 | static_cast<uint32_t>(digit);
    }
    return true;
  }
  static void put_utf8(uint32_t code, std::string* out) {
    if (code < 0x80) {
      *out += static_cast<char>(code);
    } else if (code < 0x800) {
      *out += static_cast<char>(0xC0 | code >> 6);
      *out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      *out += static_cast<char>(0xE0 | code >> 12);
      *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      *out += static_cast<char>(0xF0 | code >> 18);
      *out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

bool read_json_object(std::string_view line, JsonMembers* members) {
  members->clear();
  JsonText json(line);
  if (!json.take('{')) return false;
  if (json.take('}')) return json.at_end();
  for (;;) {
    std::string key;
    std::string value;
    if (!json.string(&key) || !json.take(':')) return false;
    if (!(json.peek('"') ? json.string(&value) : json.scalar(&value))) return false;
    members->emplace_back(std::move(key), std::move(value));
    if (json.take('}')) return json.at_end();
    if (!json.take(',')) return false;
  }
}

const std::string* json_member(const JsonMembers& members, std::string_view key) {
  for (const auto& [name, value] : members) {
    if (name == key) return &value;
  }
  return nullptr;
}

}  // namespace tarnwick
