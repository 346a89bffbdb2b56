// The statement reader's scanner, shared by the files that implement it
// (statement_reader.cpp: the scanning loop; statement_words.cpp: tests on
// the words of a statement; copy_data.cpp: COPY data). Nothing outside
// statements/ includes it: StatementReader is the public face.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "statements/statement_reader.h"

namespace tarnwick {

namespace scanner {

inline constexpr int kEnd = -1;

enum class Quote { none, single, escaped, identifier, backtick, bracket, dollar };

inline const char* quote_name(Quote quote) {
  switch (quote) {
    case Quote::escaped: return "escaped string";
    case Quote::identifier:
    case Quote::backtick:
    case Quote::bracket: return "quoted identifier";
    case Quote::dollar: return "dollar quote";
    default: return nullptr;  // plain strings stay unreported, as they always were
  }
}

// A byte that may continue a name (a high byte belongs to a UTF-8 or
// Latin-1 letter).
inline bool is_name_byte(int c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$' || c >= 0x80;
}

inline bool is_tag_start(int c) { return is_name_byte(c) && c != '$' && !(c >= '0' && c <= '9'); }

// The bytes that end a run of ordinary text outside quotes, by dialect: the
// ones the table above gives an action of their own. "\" and "." matter only
// at the start of a line, which a run never begins at.
struct StopBytes {
  bool at[256];
};

constexpr StopBytes stop_bytes(Dialect dialect) {
  StopBytes stops{};
  auto stop_at = [&stops](const char* bytes) {
    for (; *bytes != '\0'; ++bytes) stops.at[static_cast<unsigned char>(*bytes)] = true;
  };
  stops.at[0] = true;
  stop_at("\t\r\n#-/';");
  if (dialect != Dialect::plain) stop_at("\"");
  if (dialect == Dialect::postgres) stop_at("$()");
  if (dialect == Dialect::sqlite) stop_at("[`");
  return stops;
}

inline constexpr StopBytes kStopBytes[] = {stop_bytes(Dialect::plain), stop_bytes(Dialect::postgres),
                                    stop_bytes(Dialect::sqlite)};

}  // namespace scanner

class StatementReader::Scanner {
  using Quote = scanner::Quote;
  static constexpr int kEnd = scanner::kEnd;
 public:
  Scanner(morvane::iFile* source, StatementBuffer& buffer, const ReaderOptions& options)
      : source_(source),
        buffer_(buffer),
        options_(options),
        stops_(scanner::kStopBytes[static_cast<int>(options.dialect)].at) {
    // What an earlier reading left unread comes first; it came out of a
    // window of at most one block.
    std::string* pending = source != nullptr && options.block_size > 0 ? options.unread : nullptr;
    size_t left = pending != nullptr ? pending->size() : 0;
    capacity_ = std::max<size_t>({options.block_size, left, 1});
    window_.reset(new unsigned char[capacity_]);
    at_ = window_.get();
    end_ = at_ + left;
    if (left > 0) {
      std::memcpy(window_.get(), pending->data(), left);
      pending->clear();
    }
  }

  // Nothing of one source's text is left for the next source.
  ~Scanner() { empty(buffer_); }

  Statement next();
  void feed(std::string_view text);
  void end_input() { ended_ = true; }
  void discard();
  void drop_fed_text() { at_ = end_; }
  void set_backslash_quotes(bool on) { backslash_quotes_ = on; }
  CopyData next_copy_data(const char** bytes, size_t* length);
  void keep_unread();
  int64_t copy_first_line() const { return copy_first_line_; }
  const char* source_name() const { return options_.source_name; }

 private:
  // The next byte: from the window, which is refilled from the source when
  // it is used up. After the end (-1) the source is not asked again, so a
  // terminal is not read past the Ctrl-D that ended it. A fed source gives
  // -1 when what was fed is used up.
  int get() {
    if (at_ == end_ && !refill()) return kEnd;
    int c = *at_++;
    if (c == '\n') ++line_;
    return c;
  }
  // Puts back the byte `get` gave last; it is still in the window.
  void unget(int c) {
    if (c == kEnd) return;
    if (c == '\n') --line_;
    --at_;
  }
  bool refill();
  void skip_byte_order_mark();
  // Replaces the window's unused bytes with `front` followed by them.
  void put_in_front(std::string_view front);
  void copy_run();
  void copy_quoted_run();
  void append(int c) { append_byte(buffer_, static_cast<char>(c)); }
  bool postgres() const { return options_.dialect == Dialect::postgres; }
  bool sqlite() const { return options_.dialect == Dialect::sqlite; }
  bool plain() const { return options_.dialect == Dialect::plain; }
  bool fed() const { return source_ == nullptr; }

  void open_quote(Quote quote, int c) {
    append(c);
    quote_ = quote;
    quote_line_ = line_;
  }
  void skip_line();
  void skip_block_comment();
  void read_quoted(int c);
  void open_dollar();
  Statement client_command(int c);
  bool statement_is_blank() const;
  bool complete_for_sqlite();
  bool in_atomic_body() const;
  bool in_sqlite_trigger() const;
  void keep_comment();
  Statement hand_on(bool last);
  Statement waiting_for_input() const;
  OpenText open_quote_kind() const {
    switch (quote_) {
      case Quote::identifier:
      case Quote::backtick:
      case Quote::bracket: return OpenText::identifier;
      case Quote::dollar: return OpenText::dollar;
      default: return OpenText::quote;
    }
  }
  void mark_start_if_blank() {
    if (statement_is_blank()) start_line_ = line_;
  }

  morvane::iFile* source_;                   // null: a fed source
  std::unique_ptr<unsigned char[]> window_;  // bytes read from the source
  size_t capacity_ = 0;
  const unsigned char* at_ = nullptr;        // the next byte to use
  const unsigned char* end_ = nullptr;       // past the last byte read
  bool ended_ = false;                       // the source gave its end
  bool finished_ = false;                    // the last statement was returned
  bool at_source_start_ = true;
  bool empty_at_next_ = false;               // the buffer holds a returned statement
  StatementBuffer& buffer_;
  const ReaderOptions& options_;
  const bool* stops_;  // kStopBytes of the dialect
  int64_t line_ = 1;               // the line of the next byte
  int64_t start_line_ = 1;         // where the statement in the buffer starts
  bool line_start_ = true;         // only blanks so far on this line
  Quote quote_ = Quote::none;
  int64_t quote_line_ = 0;         // where the open quote began
  std::string dollar_tag_;         // "$tag$" of an open dollar quote
  size_t dollar_body_ = 0;         // where its body begins in the buffer
  int comment_depth_ = 0;          // nesting of an open block comment
  size_t comment_start_ = 0;       // where it began in the buffer
  int64_t comment_line_ = 0;       // and in the source
  int paren_depth_ = 0;            // PostgreSQL: open parentheses
  bool backslash_quotes_ = false;  // '...' takes backslash escapes
  int kept_comment_ = 0;           // "/" inside a kept trigger comment
  int kept_previous_ = 0;          // the byte before, to find its "*/"
  std::string command_;            // a client command line being returned
  // COPY data: the rest of the COPY statement's line, read again after
  // the data; whether data was taken since the statement; a line cut at
  // the window's edge.
  std::string held_line_;
  bool copy_taken_ = false;
  std::string copy_line_;
  int64_t copy_first_line_ = 0;
};


}  // namespace tarnwick
