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
//                                  of another tool; return the line as one
//   outside     ;                  append, return the statement; its buffer
//                                  is emptied at the next call. sqlite: a
//                                  "create" or "explain" that
//                                  sqlite3_complete finds incomplete (a
//                                  trigger body) goes on instead. postgres:
//                                  so does a CREATE FUNCTION or PROCEDURE
//                                  inside BEGIN [ATOMIC] ... END (counted as
//                                  psql counts it)
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
//   any         end of source      return what the buffer holds as the last
//                                  statement; report a dollar quote,
//                                  identifier or escaped string left open
//
// A fed source (typed lines) is read to the end of what was fed; the
// reader then asks for the next line, keeping every open quote or comment
// in its members. Each fed line ends with a line feed, so no look-ahead of
// one byte ever reaches past it. COPY data is read only when the caller
// asks (the engine has entered COPY IN): from the line after the COPY
// statement up to the line "\.", the rest of the statement's own line
// being read as statements afterwards, as psql does.
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
#include <string>
#include <memory>
#include <new>
#include <string_view>

#include "runtime/console_output.h"
#include "statements/statement_text.h"

namespace tarnwick {

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
  if (dialect == Dialect::postgres) stop_at("$()");
  if (dialect == Dialect::sqlite) stop_at("[`");
  return stops;
}

constexpr StopBytes kStopBytes[] = {stop_bytes(Dialect::plain), stop_bytes(Dialect::postgres),
                                    stop_bytes(Dialect::sqlite)};

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

}  // namespace

class StatementReader::Scanner {
 public:
  Scanner(morvane::iFile* source, StatementBuffer& buffer, const ReaderOptions& options)
      : source_(source),
        buffer_(buffer),
        options_(options),
        stops_(kStopBytes[static_cast<int>(options.dialect)].at) {
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


bool StatementReader::Scanner::refill() {
  if (ended_ || fed()) return false;
  unsigned char* window = window_.get();
  if (options_.block_size == 0) {
    int c = source_->getc();
    if (c < 0) {
      ended_ = true;
      return false;
    }
    window[0] = static_cast<unsigned char>(c);
    at_ = window;
    end_ = window + 1;
    return true;
  }
  int32_t count = source_->read(window, static_cast<uint32_t>(std::min<size_t>(capacity_, UINT32_MAX)));
  if (count <= 0) {
    ended_ = true;
    return false;
  }
  at_ = window;
  end_ = window + count;
  return true;
}

void StatementReader::Scanner::put_in_front(std::string_view front) {
  size_t left = static_cast<size_t>(end_ - at_);
  size_t size = front.size() + left;
  if (size <= capacity_ && static_cast<size_t>(at_ - window_.get()) >= front.size()) {
    at_ -= front.size();  // room before the unused bytes
    std::memcpy(const_cast<unsigned char*>(at_), front.data(), front.size());
    return;
  }
  size_t capacity = std::max({capacity_, size, size_t{1}});
  std::unique_ptr<unsigned char[]> window(new unsigned char[capacity]);
  std::memcpy(window.get(), front.data(), front.size());
  if (left > 0) std::memcpy(window.get() + front.size(), at_, left);
  window_ = std::move(window);
  capacity_ = capacity;
  at_ = window_.get();
  end_ = at_ + size;
}

// A script saved with a UTF-8 byte-order mark starts with it; psql skips
// it, and so does the reader.
void StatementReader::Scanner::skip_byte_order_mark() {
  static constexpr unsigned char kMark[] = {0xEF, 0xBB, 0xBF};
  std::string seen;
  for (unsigned char expected : kMark) {
    int c = get();
    if (c == kEnd) break;
    seen += static_cast<char>(c);
    if (c != expected) break;
  }
  if (seen.size() == sizeof kMark && static_cast<unsigned char>(seen[2]) == kMark[2]) return;
  line_ -= std::count(seen.begin(), seen.end(), '\n');
  put_in_front(seen);
}

void StatementReader::Scanner::feed(std::string_view text) {
  if (at_ == end_) {
    at_ = end_ = window_.get();
  }
  // Fed text goes after what is still unread.
  size_t left = static_cast<size_t>(end_ - at_);
  size_t used = static_cast<size_t>(at_ - window_.get());
  if (used + left + text.size() > capacity_) {
    size_t capacity = std::max(2 * capacity_, left + text.size());
    std::unique_ptr<unsigned char[]> window(new unsigned char[capacity]);
    if (left > 0) std::memcpy(window.get(), at_, left);
    window_ = std::move(window);
    capacity_ = capacity;
    at_ = window_.get();
    end_ = at_ + left;
  }
  std::memcpy(const_cast<unsigned char*>(end_), text.data(), text.size());
  end_ += text.size();
}

void StatementReader::Scanner::discard() {
  empty(buffer_);
  empty_at_next_ = false;
  at_ = end_;
  quote_ = Quote::none;
  comment_depth_ = 0;
  kept_comment_ = 0;
  paren_depth_ = 0;
  line_start_ = true;
  start_line_ = line_;
}

// When the loop ends a source that outlives this reading, the bytes read
// ahead go back to the caller for the next reading.
void StatementReader::Scanner::keep_unread() {
  if (fed() || options_.block_size == 0 || options_.unread == nullptr) return;
  options_.unread->assign(reinterpret_cast<const char*>(at_), static_cast<size_t>(end_ - at_));
}

// Inside a block comment (comment_depth_ open ones): up to its end, or to
// the end of what a fed source holds, where it stays open. Its bytes go
// into the buffer and are taken out again when it closes, so that a
// comment still open at the end of the source is sent as it stands.
void StatementReader::Scanner::skip_block_comment() {
  for (;;) {
    int c = get();
    if (c == kEnd) return;
    append(c);
    if (c == '*') {
      int next = get();
      if (next == '/') {
        append(next);
        if (--comment_depth_ == 0) {
          buffer_.length = comment_start_;
          return;
        }
      } else {
        unget(next);  // "**/" still ends the comment at its last two bytes
      }
    } else if (c == '/' && postgres()) {
      int next = get();
      if (next == '*') {
        append(next);
        ++comment_depth_;
      } else {
        unget(next);
      }
    }
  }
}

// The rest of a line that begins with a client command of another tool.
Statement StatementReader::Scanner::client_command(int c) {
  Statement out;
  out.step = ReadStep::client_command;
  out.line = line_;
  command_.assign(1, static_cast<char>(c));
  for (c = get(); c != kEnd && c != '\n'; c = get()) command_ += static_cast<char>(c);
  while (!command_.empty() && (command_.back() == '\r' || command_.back() == ' ')) command_.pop_back();
  line_start_ = true;
  out.text = command_.data();
  out.length = command_.size();
  return out;
}

// A comment inside a SQLite trigger, appended as written. A "--" comment
// ends with its line; a "/*" one may stay open across fed lines
// (kept_comment_).
void StatementReader::Scanner::keep_comment() {
  int c;
  while ((c = get()) != kEnd) {
    append(c);
    if (kept_comment_ == '-' && c == '\n') break;
    if (kept_comment_ == '/' && kept_previous_ == '*' && c == '/') break;
    kept_previous_ = c;
  }
  if (c != kEnd || ended_) kept_comment_ = 0;
}

// Ends the text with a zero byte and returns it; the buffer is emptied at
// the next call.
Statement StatementReader::Scanner::hand_on(bool last) {
  append_byte(buffer_, '\0');
  --buffer_.length;
  empty_at_next_ = true;
  Statement out;
  out.step = ReadStep::statement;
  out.text = buffer_.data;
  out.length = buffer_.length;
  out.line = start_line_;
  out.last = last;
  start_line_ = line_;
  return out;
}

Statement StatementReader::Scanner::waiting_for_input() const {
  Statement out;
  out.step = ReadStep::more_input;
  out.open = quote_ != Quote::none                       ? open_quote_kind()
             : comment_depth_ > 0 || kept_comment_ != 0 ? OpenText::comment
             : paren_depth_ > 0                          ? OpenText::paren
                                                         : OpenText::none;
  out.statement_open = !statement_is_blank();
  out.line = line_;
  return out;
}

CopyData StatementReader::Scanner::next_copy_data(const char** bytes, size_t* length) {
  if (!copy_taken_) {
    // The data begins on the next line: the rest of this one is read as
    // statements after the data.
    copy_taken_ = true;
    held_line_.clear();
    int c;
    while ((c = get()) != kEnd) {
      held_line_ += static_cast<char>(c);
      if (c == '\n') break;
    }
    copy_first_line_ = line_;
  }
  copy_line_.clear();
  for (;;) {
    if (at_ == end_ && !refill()) {
      if (copy_line_.empty()) return CopyData::source_ended;
      // The last line of the source, without a line feed.
      if (copy_line_ == "\\." || copy_line_ == "\\.\r") return CopyData::end_marker;
      *bytes = copy_line_.data();
      *length = copy_line_.size();
      return CopyData::data;
    }
    // Whole lines in the window go out as they are, up to a line "\.".
    const unsigned char* line = at_;
    const unsigned char* complete = at_;  // past the last whole data line
    if (!copy_line_.empty()) {
      // A line begun in the last window: finish it first.
      const void* feed = std::memchr(at_, '\n', static_cast<size_t>(end_ - at_));
      const unsigned char* stop = feed != nullptr ? static_cast<const unsigned char*>(feed) + 1 : end_;
      copy_line_.append(reinterpret_cast<const char*>(at_), static_cast<size_t>(stop - at_));
      at_ = stop;
      if (feed == nullptr) continue;
      ++line_;
      if (copy_line_ == "\\.\n" || copy_line_ == "\\.\r\n") return CopyData::end_marker;
      *bytes = copy_line_.data();
      *length = copy_line_.size();
      return CopyData::data;
    }
    for (;;) {
      const void* feed = std::memchr(line, '\n', static_cast<size_t>(end_ - line));
      if (feed == nullptr) break;
      const unsigned char* next_line = static_cast<const unsigned char*>(feed) + 1;
      size_t size = static_cast<size_t>(next_line - line);
      if ((size == 3 || (size == 4 && line[2] == '\r')) && line[0] == '\\' && line[1] == '.') {
        if (complete > at_) break;  // the data before the marker goes first
        at_ = next_line;
        ++line_;
        return CopyData::end_marker;
      }
      complete = next_line;
      line = next_line;
      ++line_;
    }
    if (complete > at_) {
      *bytes = reinterpret_cast<const char*>(at_);
      *length = static_cast<size_t>(complete - at_);
      at_ = complete;
      return CopyData::data;
    }
    // A line that runs past the window: gather it.
    copy_line_.assign(reinterpret_cast<const char*>(at_), static_cast<size_t>(end_ - at_));
    at_ = end_;
  }
}

Statement StatementReader::Scanner::next() {
  if (empty_at_next_) {
    empty(buffer_);
    empty_at_next_ = false;
  }
  if (copy_taken_) {
    // COPY data was read after the last statement: the rest of its line
    // comes next, unless it is blank (its line feed was counted once
    // already).
    copy_taken_ = false;
    bool blank = held_line_.find_first_not_of(" \t\r\n") == std::string::npos;
    if (!blank) {
      line_ -= std::count(held_line_.begin(), held_line_.end(), '\n');
      put_in_front(held_line_);
    }
    // The data ended at a line's end; the rest of the statement's line,
    // when it comes first, is the middle of a line.
    line_start_ = blank;
    held_line_.clear();
  }
  if (finished_) return Statement();
  if (at_source_start_) {
    at_source_start_ = false;
    if (!fed()) skip_byte_order_mark();
  }
  for (;;) {
    if (comment_depth_ > 0) {
      skip_block_comment();
    } else if (kept_comment_ != 0) {
      keep_comment();
    } else if (quote_ != Quote::none) {
      copy_quoted_run();
    } else if (!line_start_) {
      copy_run();
    }
    int c = get();
    if (c == kEnd) {
      if (fed() && !ended_) return waiting_for_input();
      break;
    }
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
        if (c == '\n') mark_start_if_blank();
        break;
      case '#':
        // On PostgreSQL "#" is an operator (XOR, #>, #>>, #-); no statement
        // begins with one, so there it starts a comment line only before a
        // statement, as scripts written for this program use it.
        if (postgres() && !statement_is_blank()) {
          append(c);
        } else {
          skip_line();
          mark_start_if_blank();
        }
        break;
      case '-':
      case '/': {
        int next = get();
        bool comment = (c == '-' && next == '-') || (c == '/' && next == '*');
        if (comment && sqlite() && in_sqlite_trigger()) {
          append(c);
          append(next);
          kept_comment_ = c;
          kept_previous_ = 0;
          keep_comment();
        } else if (c == '-' && next == '-') {
          skip_line();
          mark_start_if_blank();
        } else if (c == '/' && next == '*') {
          comment_depth_ = 1;
          comment_start_ = buffer_.length;
          comment_line_ = line_;
          append(c);
          append(next);
          skip_block_comment();
        } else {
          append(c);
          unget(next);
        }
        break;
      }
      case '\'':
        if (postgres() && (backslash_quotes_ || (buffer_.length >= 1 && (buffer_.data[buffer_.length - 1] | 0x20) == 'e' &&
            (buffer_.length == 1 ||
             !is_name_byte(static_cast<unsigned char>(buffer_.data[buffer_.length - 2])))))) {
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
          return client_command(c);
        }
        append(c);
        break;
      case '(':
      case ')':
        append(c);
        if (c == '(') {
          ++paren_depth_;
        } else if (paren_depth_ > 0) {
          --paren_depth_;
        }
        break;
      case ';':
        append(';');
        if (sqlite() && !complete_for_sqlite()) break;
        // As psql reads it: a ";" inside parentheses ends no statement
        // ("create rule ... do instead (delete ...; delete ...)").
        if (postgres() && paren_depth_ > 0) break;
        if (postgres() && in_atomic_body()) break;
        paren_depth_ = 0;
        return hand_on(false);
      default:
        append(c);
        break;
    }
  }
  // What is open is sent as it stands, for the engine to judge; the caller
  // learns what it was from the statement's `open`.
  OpenText open = OpenText::none;
  if (const char* name = quote_name(quote_)) {
    std::string where = "' (opened on line " + std::to_string(quote_line_) + ") runs as its last statement";
    error_line((std::string("Unterminated ") + name + " at the end of '").c_str(), options_.source_name,
               where.c_str());
  }
  if (quote_ != Quote::none) open = open_quote_kind();
  size_t open_at = 0;
  if (comment_depth_ > 0) {
    open = OpenText::comment;
    open_at = comment_start_;
  }
  // SQLite would run the text before an open comment, so the loop refuses
  // it there and says so itself.
  if (comment_depth_ > 0 && !sqlite()) {
    std::string where = "' (opened on line " + std::to_string(comment_line_) + ") runs as its last statement";
    error_line("Unterminated block comment at the end of '", options_.source_name, where.c_str());
  }
  quote_ = Quote::none;
  comment_depth_ = 0;
  kept_comment_ = 0;
  paren_depth_ = 0;
  finished_ = true;
  Statement last = hand_on(true);
  last.open = open;
  last.open_at = open_at;
  return last;
}

// Appends the bytes that follow in the window up to the next one that
// matters outside quotes, in one copy. Only called off the start of a line,
// where "\" and "." are ordinary text; a line break always matters, so the
// line count and the line-start state stay right.
void StatementReader::Scanner::copy_run() {
  const unsigned char* p = at_;
  while (p < end_ && !stops_[*p]) ++p;
  if (p == at_) return;
  append_bytes(buffer_, reinterpret_cast<const char*>(at_), static_cast<size_t>(p - at_));
  at_ = p;
}

// The same inside a quote: everything up to a byte that may close it (or
// start an escape), counting the line breaks on the way.
void StatementReader::Scanner::copy_quoted_run() {
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


void StatementReader::Scanner::skip_line() {
  int c;
  do {
    c = get();
  } while (c != kEnd && c != '\n');
  if (c == '\n') line_start_ = true;
}


// One byte inside a quote.
void StatementReader::Scanner::read_quoted(int c) {
  switch (quote_) {
    case Quote::dollar:
      append(c);
      if (c == '$' && buffer_.length >= dollar_body_ + dollar_tag_.size() &&
          std::memcmp(buffer_.data + buffer_.length - dollar_tag_.size(), dollar_tag_.data(),
                      dollar_tag_.size()) == 0) {
        quote_ = Quote::none;
      }
      return;
    case Quote::bracket:
      append(c);
      if (c == ']') {
        quote_ = Quote::none;
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
  }
}

// After a "$" outside quotes and not after a name: a dollar quote opens
// when a tag (empty or a name) and another "$" follow. Otherwise the bytes
// read are ordinary text ("$1" is a parameter).
void StatementReader::Scanner::open_dollar() {
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
  quote_line_ = line_;
  dollar_tag_ = tag;
  dollar_body_ = buffer_.length;
}


bool StatementReader::Scanner::statement_is_blank() const {
  for (size_t i = 0; i < buffer_.length; ++i) {
    if (!is_blank(buffer_.data[i])) return false;
  }
  return true;
}

// On SQLite, whether the text so far, which ends with ";", is a whole
// statement. Only a "create" or "explain" can hold a trigger body with
// ";" inside it; every other statement ends at its first ";" as before.
bool StatementReader::Scanner::complete_for_sqlite() {
  append('\0');
  --buffer_.length;
  const char* start = skip_blanks(buffer_.data);
  if (begins_with_unicode_marker(start)) start = skip_blanks(start + kUnicodeMarkerLength);
  if (!begins_with_ignoring_case(start, "create") && !begins_with_ignoring_case(start, "explain")) {
    return true;
  }
  return sqlite3_complete(start) != 0;
}



// Whether a PostgreSQL statement is inside the body of a function or
// procedure written as BEGIN ATOMIC ... END, where ";" ends no statement.
// As psql does: after CREATE [OR REPLACE] FUNCTION|PROCEDURE, the words
// BEGIN (and CASE within it) open and END closes, outside parentheses.
bool StatementReader::Scanner::in_atomic_body() const {
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
bool StatementReader::Scanner::in_sqlite_trigger() const {
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






StatementReader::StatementReader(morvane::iFile* source, StatementBuffer& buffer, const ReaderOptions& options)
    : scanner_(std::make_unique<Scanner>(source, buffer, options)) {}
StatementReader::~StatementReader() = default;
Statement StatementReader::next() { return scanner_->next(); }
void StatementReader::feed_line(std::string_view line) { scanner_->feed(line); }
void StatementReader::end_input() { scanner_->end_input(); }
void StatementReader::discard() { scanner_->discard(); }
void StatementReader::drop_fed_text() { scanner_->drop_fed_text(); }
void StatementReader::set_backslash_quotes(bool on) { scanner_->set_backslash_quotes(on); }
CopyData StatementReader::next_copy_data(const char** bytes, size_t* length) {
  return scanner_->next_copy_data(bytes, length);
}
int64_t StatementReader::copy_first_line() const { return scanner_->copy_first_line(); }
const char* StatementReader::source_name() const { return scanner_->source_name(); }
void StatementReader::keep_unread() { scanner_->keep_unread(); }

bool is_copy_from_client(const char* text, size_t length) {
  bool first = true, after_from = false, found = false;
  for_each_word(text, length, [&](const char* word, size_t size, int depth) {
    if (first) {
      first = false;
      return is_word(word, size, "copy");
    }
    // The server takes FROM STDOUT as FROM STDIN.
    found = depth == 0 && after_from && (is_word(word, size, "stdin") || is_word(word, size, "stdout"));
    after_from = depth == 0 && is_word(word, size, "from");
    return !found;
  });
  return found;
}

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

}  // namespace tarnwick
