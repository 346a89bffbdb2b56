// The reader is one loop over the bytes of a source, taken in blocks into a
// window (or one at a time from a line editor). Runs of bytes that the
// table below only appends are found by scanning the window and appended in
// one copy; every other byte goes through the table one at a time. Its
// states and what each byte does (all dialects unless a dialect is named):
//
//   state       byte               action
//   ----------  -----------------  ------------------------------------------
//   outside     TAB CR LF NUL      append one blank
//   outside     #                  skip through the next LF (or the end);
//                                  postgres, within a statement: append (an
//                                  operator there)
//   outside     - -                skip through the next LF (or the end)
//   outside     - other            append "-", put the other byte back
//   outside     / *                skip a block comment (below)
//   outside     / other            append "/", put the other byte back
//   outside     '                  append, go to quoted; postgres, after a
//                                  lone E: go to escaped
//   outside     "                  postgres, sqlite: append, go to identifier
//   outside     [ or `             sqlite: append, go to bracket or backtick
//   outside     $tag$              postgres, not after a name: append, go to
//                                  dollar (tag empty or a name)
//   outside     \ or .             first on a line of a blank statement
//                                  (postgres \, sqlite .): a client command
//                                  of another tool; skip the line, report it
//   outside     ;                  append, hand the statement on, empty the
//                                  buffer; end the source if the sink says
//                                  so. sqlite: a "create" or "explain" that
//                                  sqlite3_complete finds incomplete (a
//                                  trigger body) goes on instead. postgres:
//                                  so does a CREATE FUNCTION or PROCEDURE
//                                  inside BEGIN [ATOMIC] ... END (counted as
//                                  psql counts it); after "copy ... from
//                                  stdin" the data lines up to "\." go
//                                  with the statement
//   outside     other              append
//   quoted      ' '                append both, stay quoted
//   quoted      ' other            append one "'", put the other back, go
//                                  to outside
//   escaped     \ any              append both
//   escaped     ' '  / ' other     as quoted
//   identifier  " "  / " other     as quoted, with "
//   backtick    ` `  / ` other     as quoted, with `
//   bracket     ]                  append, go to outside
//   dollar      $tag$ (its own)    append, go to outside
//   any quote   other              append (LF, ";", "#" and "--" included)
//   any         end of source      hand on what the buffer holds, empty it;
//                                  report a dollar quote, identifier or
//                                  escaped string left open
//
// In a SQLite CREATE TRIGGER, line breaks and comments are kept as written
// (SQLite stores the trigger's text). Block comments end at the first "*/" ("/* x **/" ends at its last two
// bytes); on postgres they nest. A byte read ahead at the end of the source
// (-1) is never put back. Comments leave nothing, so the text on both sides
// joins directly ("a/*x*/b" is "ab").
//
// Every source starts outside quotes: a quote left open at the end of one
// script does not swallow the statements of the next.
#include "statements/statement_reader.h"

#include <sqlite3.h>
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "runtime/console_output.h"
#include "statements/statement_text.h"

namespace tarnwick {

const std::string* copy_data_of_statement = nullptr;

namespace {

constexpr int kEnd = -1;

enum class Quote { none, single, escaped, identifier, backtick, bracket, dollar };

const char* quote_name(Quote quote) {
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
bool is_name_byte(int c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$' || c >= 0x80;
}

bool is_tag_start(int c) { return is_name_byte(c) && c != '$' && !(c >= '0' && c <= '9'); }

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
  if (dialect == Dialect::postgres) stop_at("$");
  if (dialect == Dialect::sqlite) stop_at("[`");
  return stops;
}

constexpr StopBytes kStopBytes[] = {stop_bytes(Dialect::plain), stop_bytes(Dialect::postgres),
                                    stop_bytes(Dialect::sqlite)};

// See open_text(): what is open while the reader waits for input; kept
// beside the reader's own state and never read by it.
OpenText open_now = OpenText::none;

class Reader {
 public:
  Reader(morvane::iFile& source, StatementBuffer& buffer, StatementSink sink, bool* stop_flag,
         const ReaderOptions& options)
      : source_(source),
        buffer_(buffer),
        sink_(sink),
        stop_flag_(stop_flag),
        options_(options),
        stops_(kStopBytes[static_cast<int>(options.dialect)].at) {
    // What an earlier reading left unread comes first; it came out of a
    // window of at most one block.
    std::string* pending = options.block_size > 0 ? options.unread : nullptr;
    size_t left = pending != nullptr ? pending->size() : 0;
    window_.reset(new unsigned char[std::max<size_t>({options.block_size, left, 1})]);
    at_ = window_.get();
    end_ = at_ + left;
    if (left > 0) {
      std::memcpy(window_.get(), pending->data(), left);
      pending->clear();
    }
  }

  void run();

 private:
  // The next byte: from the window, which is refilled from the source when
  // it is used up. After the end (-1) the source is not asked again, so a
  // terminal is not read past the Ctrl-D that ended it.
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
  void copy_run();
  void copy_quoted_run();
  void keep_unread();
  void append(int c) { append_byte(buffer_, static_cast<char>(c)); }
  bool postgres() const { return options_.dialect == Dialect::postgres; }
  bool sqlite() const { return options_.dialect == Dialect::sqlite; }

  void open_quote(Quote quote, int c) {
    open_now = OpenText::quote;
    append(c);
    quote_ = quote;
    quote_line_ = line_;
  }
  void skip_line();
  void skip_block_comment();
  void read_quoted(int c);
  void open_dollar();
  void client_command(int c);
  bool statement_is_blank() const;
  bool complete_for_sqlite();
  bool is_copy_from_stdin() const;
  bool in_atomic_body() const;
  bool in_sqlite_trigger() const;
  void keep_comment(int first, int second);
  void read_copy_data();
  void hand_on();

  morvane::iFile& source_;
  std::unique_ptr<unsigned char[]> window_;  // bytes read from the source
  const unsigned char* at_ = nullptr;        // the next byte to use
  const unsigned char* end_ = nullptr;       // past the last byte read
  bool ended_ = false;                       // the source gave its end
  StatementBuffer& buffer_;
  StatementSink sink_;
  bool* stop_flag_;
  const ReaderOptions& options_;
  const bool* stops_;  // kStopBytes of the dialect
  int64_t line_ = 1;               // the line of the next byte
  bool line_start_ = true;         // only blanks so far on this line
  Quote quote_ = Quote::none;
  int64_t quote_line_ = 0;         // where the open quote began
  std::string dollar_tag_;         // "$tag$" of an open dollar quote
  size_t dollar_body_ = 0;         // where its body begins in the buffer
  std::string copy_data_;
};

bool Reader::refill() {
  if (ended_) return false;
  unsigned char* window = window_.get();
  if (options_.block_size == 0) {
    int c = source_.getc();
    if (c < 0) {
      ended_ = true;
      return false;
    }
    window[0] = static_cast<unsigned char>(c);
    at_ = window;
    end_ = window + 1;
    return true;
  }
  int32_t count = source_.read(window, options_.block_size);
  if (count <= 0) {
    ended_ = true;
    return false;
  }
  at_ = window;
  end_ = window + count;
  return true;
}

// Appends the bytes that follow in the window up to the next one that
// matters outside quotes, in one copy. Only called off the start of a line,
// where "\" and "." are ordinary text; a line break always matters, so the
// line count and the line-start state stay right.
void Reader::copy_run() {
  const unsigned char* p = at_;
  while (p < end_ && !stops_[*p]) ++p;
  if (p == at_) return;
  append_bytes(buffer_, reinterpret_cast<const char*>(at_), static_cast<size_t>(p - at_));
  at_ = p;
}

// The same inside a quote: everything up to a byte that may close it (or
// start an escape), counting the line breaks on the way.
void Reader::copy_quoted_run() {
  unsigned char first, second;
  switch (quote_) {
    case Quote::escaped: first = '\'', second = '\\'; break;
    case Quote::identifier: first = second = '"'; break;
    case Quote::backtick: first = second = '`'; break;
    case Quote::bracket: first = second = ']'; break;
    case Quote::dollar: first = second = '$'; break;
    default: first = second = '\''; break;
  }
  const unsigned char* p = at_;
  int64_t lines = 0;
  while (p < end_ && *p != first && *p != second) {
    lines += *p == '\n';
    ++p;
  }
  if (p == at_) return;
  append_bytes(buffer_, reinterpret_cast<const char*>(at_), static_cast<size_t>(p - at_));
  line_ += lines;
  at_ = p;
}

// When the sink ends a source that outlives this reading, the bytes read
// ahead go back to the caller for the next reading.
void Reader::keep_unread() {
  if (options_.block_size == 0 || options_.unread == nullptr) return;
  options_.unread->assign(reinterpret_cast<const char*>(at_), static_cast<size_t>(end_ - at_));
}

void Reader::skip_line() {
  int c;
  do {
    c = get();
  } while (c != kEnd && c != '\n');
  if (c == '\n') line_start_ = true;
}

void Reader::skip_block_comment() {
  open_now = OpenText::comment;
  int depth = 1;
  for (;;) {
    int c = get();
    if (c == kEnd) break;
    if (c == '*') {
      int next = get();
      if (next == '/') {
        if (--depth == 0) break;
      } else {
        unget(next);  // "**/" still ends the comment at its last two bytes
      }
    } else if (c == '/' && postgres()) {
      int next = get();
      if (next == '*') {
        ++depth;
      } else {
        unget(next);
      }
    }
  }
  open_now = OpenText::none;
}

// One byte inside a quote.
void Reader::read_quoted(int c) {
  switch (quote_) {
    case Quote::dollar:
      append(c);
      if (c == '$' && buffer_.length >= dollar_body_ + dollar_tag_.size() &&
          std::memcmp(buffer_.data + buffer_.length - dollar_tag_.size(), dollar_tag_.data(),
                      dollar_tag_.size()) == 0) {
        quote_ = Quote::none;
        open_now = OpenText::none;
      }
      return;
    case Quote::bracket:
      append(c);
      if (c == ']') {
        quote_ = Quote::none;
        open_now = OpenText::none;
      }
      return;
    case Quote::escaped:
      if (c == '\\') {
        append(c);
        int next = get();
        if (next != kEnd) append(next);
        return;
      }
      break;
    default:
      break;
  }
  char closing = quote_ == Quote::identifier ? '"' : quote_ == Quote::backtick ? '`' : '\'';
  if (c != closing) {
    append(c);
    return;
  }
  int next = get();
  append(closing);
  if (next == closing) {
    append(closing);
  } else {
    unget(next);
    quote_ = Quote::none;
    open_now = OpenText::none;
  }
}

// After a "$" outside quotes and not after a name: a dollar quote opens
// when a tag (empty or a name) and another "$" follow. Otherwise the bytes
// read are ordinary text ("$1" is a parameter).
void Reader::open_dollar() {
  std::string tag = "$";
  int c = get();
  while (c != kEnd && c != '$' && (tag.size() == 1 ? is_tag_start(c) : is_name_byte(c))) {
    tag += static_cast<char>(c);
    c = get();
  }
  for (char t : tag) append(t);
  if (c != '$') {
    unget(c);
    return;
  }
  append('$');
  tag += '$';
  quote_ = Quote::dollar;
  open_now = OpenText::quote;
  quote_line_ = line_;
  dollar_tag_ = tag;
  dollar_body_ = buffer_.length;
}

// The rest of a line that begins with a client command of another tool.
void Reader::client_command(int c) {
  int64_t line = line_;
  std::string command(1, static_cast<char>(c));
  for (c = get(); c != kEnd && c != '\n'; c = get()) command += static_cast<char>(c);
  while (!command.empty() && (command.back() == '\r' || command.back() == ' ')) command.pop_back();
  line_start_ = true;
  std::string where = "' line " + std::to_string(line) + ": ";
  error_line("Skipping client command in '", options_.source_name, (where + command).c_str());
}

bool Reader::statement_is_blank() const {
  for (size_t i = 0; i < buffer_.length; ++i) {
    if (!is_blank(buffer_.data[i])) return false;
  }
  return true;
}

// On SQLite, whether the text so far, which ends with ";", is a whole
// statement. Only a "create" or "explain" can hold a trigger body with
// ";" inside it; every other statement ends at its first ";" as before.
bool Reader::complete_for_sqlite() {
  append('\0');
  --buffer_.length;
  const char* start = skip_blanks(buffer_.data);
  if (begins_with_unicode_marker(start)) start = skip_blanks(start + kUnicodeMarkerLength);
  if (!begins_with_ignoring_case(start, "create") && !begins_with_ignoring_case(start, "explain")) {
    return true;
  }
  return sqlite3_complete(start) != 0;
}

// Calls on_word(word, length, paren_depth) for each word of a PostgreSQL
// statement in the reader's buffer (which holds no comments), skipping
// quoted parts: '...', E'...', "..." and $tag$...$tag$, until it returns
// false.
template <typename OnWord>
void for_each_word(const char* text, size_t length, OnWord on_word) {
  const char* end = text + length;
  int paren_depth = 0;
  for (const char* at = text; at < end;) {
    unsigned char c = static_cast<unsigned char>(*at);
    if (c == '\'' || c == '"') {
      bool escaped = c == '\'' && at > text && (at[-1] | 0x20) == 'e' &&
                     (at - 1 == text || !is_name_byte(static_cast<unsigned char>(at[-2])));
      for (++at; at < end; ++at) {
        if (escaped && *at == '\\') {
          ++at;
        } else if (static_cast<unsigned char>(*at) == c) {
          if (at + 1 < end && static_cast<unsigned char>(at[1]) == c) {
            ++at;
          } else {
            break;
          }
        }
      }
      ++at;
      continue;
    }
    if (c == '$' && (at == text || !is_name_byte(static_cast<unsigned char>(at[-1])))) {
      const char* tag_end = at + 1;
      while (tag_end < end && *tag_end != '$' &&
             (tag_end == at + 1 ? is_tag_start(static_cast<unsigned char>(*tag_end))
                                : is_name_byte(static_cast<unsigned char>(*tag_end)))) {
        ++tag_end;
      }
      if (tag_end < end && *tag_end == '$') {
        std::string_view tag(at, static_cast<size_t>(tag_end - at + 1));
        std::string_view rest(tag_end + 1, static_cast<size_t>(end - tag_end - 1));
        size_t close = rest.find(tag);
        at = close == std::string_view::npos ? end : rest.data() + close + tag.size();
        continue;
      }
    }
    if (c == '(') ++paren_depth;
    if (c == ')' && paren_depth > 0) --paren_depth;
    if (!is_name_byte(c) || (c >= '0' && c <= '9') || c == '$') {
      ++at;
      continue;
    }
    const char* word = at;
    while (at < end && is_name_byte(static_cast<unsigned char>(*at))) ++at;
    if (!on_word(word, static_cast<size_t>(at - word), paren_depth)) return;
  }
}

// Whether the statement in the buffer is "copy ... from stdin": its first
// word is "copy" and the words "from stdin" follow, outside parentheses.
bool Reader::is_copy_from_stdin() const {
  bool first = true, after_from = false, found = false;
  for_each_word(buffer_.data, buffer_.length, [&](const char* word, size_t length, int depth) {
    if (first) {
      first = false;
      return is_word(word, length, "copy");
    }
    found = depth == 0 && after_from && is_word(word, length, "stdin");
    after_from = depth == 0 && is_word(word, length, "from");
    return !found;
  });
  return found;
}

// Whether a PostgreSQL statement is inside the body of a function or
// procedure written as BEGIN ATOMIC ... END, where ";" ends no statement.
// As psql does: after CREATE [OR REPLACE] FUNCTION|PROCEDURE, the words
// BEGIN (and CASE within it) open and END closes, outside parentheses.
bool Reader::in_atomic_body() const {
  size_t count = 0;
  bool routine = false;
  int depth = 0;
  for_each_word(buffer_.data, buffer_.length, [&](const char* word, size_t length, int parens) {
    size_t k = count++;
    if (!routine) {
      if ((k == 1 || k == 3) && (is_word(word, length, "function") || is_word(word, length, "procedure"))) {
        routine = true;
        return true;
      }
      // Anything else than CREATE [OR REPLACE] before it: no routine.
      return (k == 0 && is_word(word, length, "create")) || (k == 1 && is_word(word, length, "or")) ||
             (k == 2 && is_word(word, length, "replace"));
    }
    if (parens != 0) return true;
    if (is_word(word, length, "begin")) {
      ++depth;
    } else if (is_word(word, length, "case")) {
      if (depth > 0) ++depth;
    } else if (is_word(word, length, "end")) {
      if (depth > 0) --depth;
    }
    return true;
  });
  return routine && depth > 0;
}

// On SQLite, whether the statement so far is a CREATE [TEMP] TRIGGER: the
// engine keeps its text as written, so line breaks and comments in it stay.
bool Reader::in_sqlite_trigger() const {
  char head[65];  // the words looked at fit in the first 64 bytes
  size_t length = std::min<size_t>(buffer_.length, sizeof head - 1);
  if (length > 0) std::memcpy(head, buffer_.data, length);
  head[length] = '\0';
  const char* at = skip_blanks(head);
  if (begins_with_unicode_marker(at)) at = skip_blanks(at + kUnicodeMarkerLength);
  if (!begins_with_ignoring_case(at, "create") || !is_blank(at[6])) return false;
  at = skip_blanks(at + 6);
  if (begins_with_ignoring_case(at, "temporary") && is_blank(at[9])) at = skip_blanks(at + 9);
  if (begins_with_ignoring_case(at, "temp") && is_blank(at[4])) at = skip_blanks(at + 4);
  return begins_with_ignoring_case(at, "trigger") && (is_blank(at[7]) || at[7] == '\0');
}

// The data lines of a COPY, up to the line "\." or the end of the source.
// The rest of the statement's own line is not data.
void Reader::read_copy_data() {
  copy_data_.clear();
  int c;
  do {
    c = get();
  } while (c != kEnd && c != '\n');
  int64_t first_line = line_;
  std::string row;
  for (;;) {
    row.clear();
    for (c = get(); c != kEnd && c != '\n'; c = get()) row += static_cast<char>(c);
    if (c == kEnd && row.empty()) break;
    std::string bare = row;
    if (!bare.empty() && bare.back() == '\r') bare.pop_back();
    if (bare == "\\.") {
      line_start_ = true;
      return;
    }
    copy_data_ += row;
    if (c == '\n') copy_data_ += '\n';
    if (c == kEnd) break;
  }
  std::string where = "' (from line " + std::to_string(first_line) + ") has no end line \\.";
  error_line("The copy data in '", options_.source_name, where.c_str());
}

// A comment inside a SQLite trigger, appended as written.
void Reader::keep_comment(int first, int second) {
  append(first);
  append(second);
  int c, previous = 0;
  while ((c = get()) != kEnd) {
    append(c);
    if (first == '-' && c == '\n') break;
    if (first == '/' && previous == '*' && c == '/') break;
    previous = c;
  }
}

// Ends the text with a zero byte and hands it on, then empties the buffer.
void Reader::hand_on() {
  append_byte(buffer_, '\0');
  sink_(buffer_.data, stop_flag_);
  empty(buffer_);
}

void Reader::run() {
  open_now = OpenText::none;
  for (;;) {
    if (quote_ != Quote::none) {
      copy_quoted_run();
    } else if (!line_start_) {
      copy_run();
    }
    int c = get();
    if (c == kEnd) break;
    if (quote_ != Quote::none) {
      read_quoted(c);
      continue;
    }
    bool line_start = line_start_;
    line_start_ = c == '\n' || (line_start && (c == ' ' || c == '\t' || c == '\r'));
    switch (c) {
      case '\t':
      case '\r':
      case '\n':
      case '\0':
        append(c != '\0' && sqlite() && in_sqlite_trigger() ? c : ' ');
        break;
      case '#':
        // On PostgreSQL "#" is an operator (XOR, #>, #>>, #-); no statement
        // begins with one, so there it starts a comment line only before a
        // statement, as scripts written for this program use it.
        if (postgres() && !statement_is_blank()) {
          append(c);
        } else {
          skip_line();
        }
        break;
      case '-':
      case '/': {
        int next = get();
        bool comment = (c == '-' && next == '-') || (c == '/' && next == '*');
        if (comment && sqlite() && in_sqlite_trigger()) {
          keep_comment(c, next);
        } else if (c == '-' && next == '-') {
          skip_line();
        } else if (c == '/' && next == '*') {
          skip_block_comment();
        } else {
          append(c);
          unget(next);
        }
        break;
      }
      case '\'':
        if (postgres() && buffer_.length >= 1 && (buffer_.data[buffer_.length - 1] | 0x20) == 'e' &&
            (buffer_.length == 1 ||
             !is_name_byte(static_cast<unsigned char>(buffer_.data[buffer_.length - 2])))) {
          open_quote(Quote::escaped, c);
        } else {
          open_quote(Quote::single, c);
        }
        break;
      case '"':
        if (options_.dialect == Dialect::plain) {
          append(c);
        } else {
          open_quote(Quote::identifier, c);
        }
        break;
      case '[':
      case '`':
        if (sqlite()) {
          open_quote(c == '[' ? Quote::bracket : Quote::backtick, c);
        } else {
          append(c);
        }
        break;
      case '$':
        if (postgres() && (buffer_.length == 0 ||
                           !is_name_byte(static_cast<unsigned char>(buffer_.data[buffer_.length - 1])))) {
          open_dollar();
        } else {
          append(c);
        }
        break;
      case '\\':
      case '.':
        if (line_start && ((c == '\\' && postgres()) || (c == '.' && sqlite())) && statement_is_blank()) {
          client_command(c);
        } else {
          append(c);
        }
        break;
      case ';':
        append(';');
        if (sqlite() && !complete_for_sqlite()) break;
        if (postgres() && in_atomic_body()) break;
        if (postgres() && is_copy_from_stdin()) {
          read_copy_data();
          copy_data_of_statement = &copy_data_;
          hand_on();
          copy_data_of_statement = nullptr;
        } else {
          hand_on();
        }
        if (*stop_flag_) {
          keep_unread();
          return;
        }
        break;
      default:
        append(c);
        break;
    }
  }
  if (const char* open = quote_name(quote_)) {
    std::string where = "' (opened on line " + std::to_string(quote_line_) + ") runs as its last statement";
    error_line((std::string("Unterminated ") + open + " at the end of '").c_str(), options_.source_name,
               where.c_str());
  }
  open_now = OpenText::none;
  hand_on();
}

}  // namespace

OpenText open_text() { return open_now; }

Dialect dialect_of_host(const char* host) {
  return std::strncmp(host, "sqlite:", 7) == 0 ? Dialect::sqlite : Dialect::postgres;
}

void reserve_more(StatementBuffer& buffer, size_t more) {
  if (more == 0) return;
  // The last position to be written must fall below the capacity.
  size_t last = buffer.length + more - 1;
  if (last < buffer.length) last = SIZE_MAX;  // beyond any capacity
  if (last >= buffer.capacity) {
    size_t capacity = buffer.capacity > 0 ? buffer.capacity : 1;
    while (capacity <= last) {
      if (capacity > (SIZE_MAX - 1) / 2) {
        capacity = SIZE_MAX;
        break;
      }
      capacity = 2 * capacity + 1;
    }
    char* data = capacity == SIZE_MAX ? nullptr : static_cast<char*>(std::malloc(capacity));
    if (data == nullptr) {
      std::fflush(stdout);
      std::fprintf(stderr, "Failed to allocate %f bytes\n", static_cast<double>(capacity));
      std::fflush(stderr);
      throw std::bad_alloc();
    }
    if (buffer.length > 0) std::memcpy(data, buffer.data, buffer.length);
    std::free(buffer.data);
    buffer.data = data;
    buffer.capacity = capacity;
  }
}

void append_bytes(StatementBuffer& buffer, const char* bytes, size_t n) {
  if (n == 0) return;
  if (n > buffer.capacity - buffer.length) reserve_more(buffer, n);
  std::memcpy(buffer.data + buffer.length, bytes, n);
  buffer.length += n;
}

void empty(StatementBuffer& buffer) {
  if (buffer.capacity > kKeptBufferCapacity) {
    release(buffer);
  } else {
    buffer.length = 0;
  }
}

void release(StatementBuffer& buffer) {
  std::free(buffer.data);
  buffer = StatementBuffer();
}

void read_statements(morvane::iFile& source, StatementBuffer& buffer, StatementSink sink,
                     bool* stop_flag, const ReaderOptions& options) {
  Reader(source, buffer, sink, stop_flag, options).run();
}

void read_statements(morvane::iFile& source, StatementBuffer& buffer, StatementSink sink,
                     bool* stop_flag) {
  read_statements(source, buffer, sink, stop_flag, ReaderOptions());
}

}  // namespace tarnwick
