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
//                                  lone E, or with standard strings off
//                                  and not after U&: go to escaped
//   outside     "                  postgres, sqlite: append, go to identifier
//   outside     [ or `             sqlite: append, go to bracket or backtick
//   outside     $tag$              postgres, not after a name: append, go to
//                                  dollar (tag empty or a name)
//   outside     \ or .             first on a line of a blank statement
//                                  (postgres and sqlite \, sqlite .): a client command
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

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "runtime/console_output.h"
#include "statements/statement_scanner.h"
#include "statements/statement_text.h"

namespace tarnwick {

using namespace scanner;

namespace {

// Whether the buffer ends with `prefix` (lower case; letters in any case)
// and no name byte comes before it: a string prefix such as E or U&.
bool after_word(const StatementBuffer& buffer, std::string_view prefix) {
  if (buffer.length < prefix.size()) return false;
  const char* at = buffer.data + buffer.length - prefix.size();
  for (size_t i = 0; i < prefix.size(); ++i) {
    if ((at[i] | 0x20) != prefix[i]) return false;
  }
  return at == buffer.data || !is_name_byte(static_cast<unsigned char>(at[-1]));
}

}  // namespace

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
        // E'...' takes backslash escapes, and so does '...' once
        // standard_conforming_strings is off; U&'...' never does ("\" there
        // begins a Unicode escape), whatever the setting.
        if (postgres() && !after_word(buffer_, "u&") &&
            (backslash_quotes_ || after_word(buffer_, "e"))) {
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
        if (line_start && ((c == '\\' && !plain()) || (c == '.' && sqlite())) && statement_is_blank()) {
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

Dialect dialect_of_host(const char* host) {
  return std::strncmp(host, "sqlite:", 7) == 0 ? Dialect::sqlite : Dialect::postgres;
}

sqltext::Dialect sql_dialect_of_host(const char* host) {
  return dialect_of_host(host) == Dialect::sqlite ? sqltext::Dialect::sqlite : sqltext::Dialect::postgres;
}


}  // namespace tarnwick
