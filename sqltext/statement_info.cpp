#include "sqltext/statement_info.h"

namespace sqltext {

namespace {

bool changes_rows(Keyword keyword) {
  return keyword == Keyword::insert || keyword == Keyword::update || keyword == Keyword::delete_ ||
         keyword == Keyword::merge;
}

bool begins_as_read(Keyword keyword) {
  switch (keyword) {
    case Keyword::select:
    case Keyword::with:
    case Keyword::values:
    case Keyword::table:
    case Keyword::show:
    case Keyword::explain:
    case Keyword::fetch:
    case Keyword::execute: return true;
    default: return false;
  }
}

bool is_schema_change(Keyword keyword) {
  switch (keyword) {
    case Keyword::create:
    case Keyword::alter:
    case Keyword::drop:
    case Keyword::truncate:
    case Keyword::vacuum:
    case Keyword::analyze:
    case Keyword::reindex:
    case Keyword::cluster:
    case Keyword::grant:
    case Keyword::revoke:
    case Keyword::comment: return true;
    default: return false;
  }
}

// Whether a literal's text names a statement that changes rows: a
// function may run it.
bool names_change(std::string_view literal) {
  size_t i = 0;
  const size_t n = literal.size();
  while (i < n) {
    const char c = literal[i];
    const bool letter = ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '_';
    if (!letter) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < n && (((literal[end] | 0x20) >= 'a' && (literal[end] | 0x20) <= 'z') || literal[end] == '_' ||
                       (literal[end] >= '0' && literal[end] <= '9'))) {
      ++end;
    }
    if (changes_rows(keyword_of(literal.substr(i, end - i)))) return true;
    i = end;
  }
  return false;
}

// Where a SELECT of literals stands, token by token.
enum class Row : uint8_t { item, signed_item, value, colon, colons, type, as, alias, ended, no };

// The words that end a list of literals and begin a clause: a row of
// literals has none of them.
bool is_clause_word(std::string_view word) {
  static constexpr std::string_view kClauses[] = {"from",  "where", "union",  "intersect", "except",
                                                  "into",  "group", "having", "window",    "order",
                                                  "limit", "offset", "fetch", "for"};
  for (std::string_view clause : kClauses) {
    if (is_keyword(word, clause)) return true;
  }
  return false;
}

Row next_row_state(Row state, const Token& token, std::string_view text) {
  const TokenKind kind = token.kind;
  const char c = text[token.begin];
  switch (state) {
    case Row::item:
    case Row::signed_item:
      if (state == Row::item && kind == TokenKind::punctuation && (c == '-' || c == '+')) return Row::signed_item;
      if (kind == TokenKind::number || kind == TokenKind::string || kind == TokenKind::parameter) return Row::value;
      if (kind == TokenKind::word) {
        std::string_view word = token.in(text);
        if (is_keyword(word, "true") || is_keyword(word, "false") || is_keyword(word, "null")) return Row::value;
      }
      return Row::no;
    case Row::value:
      if (kind == TokenKind::punctuation && c == ':') return Row::colon;
      [[fallthrough]];
    case Row::type:
      if (kind == TokenKind::word) {
        std::string_view word = token.in(text);
        if (is_clause_word(word)) return Row::no;
        return is_keyword(word, "as") ? Row::as : Row::alias;
      }
      [[fallthrough]];
    case Row::alias:
      if (kind == TokenKind::punctuation && c == ',') return Row::item;
      if (kind == TokenKind::semicolon) return Row::ended;
      return Row::no;
    case Row::colon: return kind == TokenKind::punctuation && c == ':' ? Row::colons : Row::no;
    case Row::colons: return kind == TokenKind::word ? Row::type : Row::no;
    case Row::as: return kind == TokenKind::word ? Row::alias : Row::no;
    default: return Row::no;
  }
}

}  // namespace

Keyword keyword_of(std::string_view word) {
  // Read for the first word of every statement: only the keywords of its
  // first letter are compared.
  const size_t n = word.size();
  if (n < 3 || n > 10) return Keyword::other;
  auto is = [&word](std::string_view name) { return is_keyword(word, name); };
  switch (word[0] | 0x20) {
    case 'a':
      if (is("abort")) return Keyword::abort;
      if (is("alter")) return Keyword::alter;
      if (is("analyze") || is("analyse")) return Keyword::analyze;
      break;
    case 'b':
      if (is("begin")) return Keyword::begin;
      break;
    case 'c':
      if (is("commit")) return Keyword::commit;
      if (is("copy")) return Keyword::copy;
      if (is("create")) return Keyword::create;
      if (is("cluster")) return Keyword::cluster;
      if (is("comment")) return Keyword::comment;
      break;
    case 'd':
      if (is("delete")) return Keyword::delete_;
      if (is("drop")) return Keyword::drop;
      if (is("discard")) return Keyword::discard;
      if (is("deallocate")) return Keyword::deallocate;
      break;
    case 'e':
      if (is("end")) return Keyword::end;
      if (is("explain")) return Keyword::explain;
      if (is("execute")) return Keyword::execute;
      break;
    case 'f':
      if (is("fetch")) return Keyword::fetch;
      break;
    case 'g':
      if (is("grant")) return Keyword::grant;
      break;
    case 'i':
      if (is("insert")) return Keyword::insert;
      break;
    case 'm':
      if (is("merge")) return Keyword::merge;
      break;
    case 'p':
      if (is("prepare")) return Keyword::prepare;
      break;
    case 'r':
      if (is("rollback")) return Keyword::rollback;
      if (is("reindex")) return Keyword::reindex;
      if (is("revoke")) return Keyword::revoke;
      break;
    case 's':
      if (is("select")) return Keyword::select;
      if (is("start")) return Keyword::start;
      if (is("show")) return Keyword::show;
      break;
    case 't':
      if (is("table")) return Keyword::table;
      if (is("truncate")) return Keyword::truncate;
      break;
    case 'u':
      if (is("update")) return Keyword::update;
      break;
    case 'v':
      if (is("values")) return Keyword::values;
      if (is("vacuum")) return Keyword::vacuum;
      break;
    case 'w':
      if (is("with")) return Keyword::with;
      break;
    default: break;
  }
  return Keyword::other;
}

size_t after_unicode_marker(std::string_view text) {
  size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
  if (at == text.size() || text[at] != '{' || text.size() - at < kUnicodeMarker.size() || !same_word(text.substr(at, kUnicodeMarker.size()), kUnicodeMarker)) {
    return 0;
  }
  return at + kUnicodeMarker.size();
}

namespace {

// The reading of classify, or with `whole` false of classify_head: the
// first statement's leading words only.
StatementInfo read(std::string_view text, Dialect dialect, bool standard_strings, bool whole) {
  StatementInfo info;
  info.body = static_cast<uint32_t>(after_unicode_marker(text));
  info.unicode = info.body != 0;
  const std::string_view body = text.substr(info.body);
  Lexer lexer(body, dialect, standard_strings);
  Token token;

  // The first word, or whatever the statement begins with.
  bool found = false;
  while (lexer.next(&token)) {
    if (token.open) info.complete = false;
    if (!is_layout(token.kind)) {
      found = true;
      break;
    }
  }
  if (!found) return info;
  info.start = info.body + token.begin;
  const Keyword keyword = token.kind == TokenKind::word ? keyword_of(token.in(body)) : Keyword::none;
  info.keyword = keyword;
  info.drops_prepared = keyword == Keyword::discard || keyword == Keyword::deallocate;
  // What the rest of the first statement is read for: only these look at
  // its words.
  const bool reads = begins_as_read(keyword) || token.kind == TokenKind::open_paren;
  const bool copy = keyword == Keyword::copy;
  const bool next_words = keyword == Keyword::start || keyword == Keyword::rollback || keyword == Keyword::prepare;
  const bool words = reads || copy || next_words;
  Row row = keyword == Keyword::select ? Row::item : Row::no;
  bool paren = token.kind == TokenKind::open_paren;
  int depth = paren ? 1 : 0;
  bool changes = false;     // a word or literal names INSERT, UPDATE, DELETE or MERGE
  bool after_from = false;  // COPY: the last word was FROM at depth 0
  std::string_view second_word, third_word;
  size_t index = 1;         // of the significant token in the statement

  bool ended = false;       // a ";" ended the first statement
  while ((whole || (next_words && index <= 2)) && lexer.next(&token)) {
    const TokenKind kind = token.kind;
    if (kind == TokenKind::blank) continue;
    if (token.open) info.complete = false;
    if (kind == TokenKind::comment) continue;
    if (row != Row::no) row = next_row_state(row, token, body);
    switch (kind) {
      case TokenKind::semicolon: ended = true; break;
      case TokenKind::word:
        if (words) {
          const std::string_view word = token.in(body);
          if (next_words) {
            if (index == 1) second_word = word;
            if (index == 2) third_word = word;
          }
          if (reads && !changes && changes_rows(keyword_of(word))) changes = true;
          if (copy && depth == 0) {
            if (after_from && (is_keyword(word, "stdin") || is_keyword(word, "stdout"))) info.copy_from_client = true;
            after_from = is_keyword(word, "from");
          }
        }
        break;
      case TokenKind::open_paren:
        paren = true;
        ++depth;
        break;
      case TokenKind::close_paren:
        if (depth > 0) --depth;
        break;
      case TokenKind::parameter: info.has_parameters = dialect == Dialect::postgres; break;
      case TokenKind::string:
      case TokenKind::escaped_string:
      case TokenKind::prefixed_string:
      case TokenKind::dollar_string:
        if (reads && !changes && names_change(token.in(body))) changes = true;
        after_from = false;
        break;
      default: after_from = false; break;
    }
    if (ended) break;
    ++index;
  }

  // After the first statement: whether another follows, what each begins
  // with, and whether every quote and comment closes.
  bool after_semicolon = true;
  while (whole && ended && lexer.next(&token)) {
    if (token.open) info.complete = false;
    const TokenKind kind = token.kind;
    if (is_layout(kind)) continue;
    if (kind == TokenKind::semicolon) {
      after_semicolon = true;
      continue;
    }
    if (kind == TokenKind::parameter && dialect == Dialect::postgres) info.has_parameters = true;
    if (!after_semicolon) continue;
    after_semicolon = false;
    info.several = true;
    if (kind == TokenKind::word) {
      const Keyword next = keyword_of(token.in(body));
      if (next == Keyword::discard || next == Keyword::deallocate) info.drops_prepared = true;
    }
  }

  info.query = keyword == Keyword::select;
  info.opens_block = keyword == Keyword::begin || (keyword == Keyword::start && is_keyword(second_word, "transaction"));
  if (keyword == Keyword::commit || keyword == Keyword::end || keyword == Keyword::abort) {
    info.ends_block = true;
  } else if (keyword == Keyword::prepare) {
    info.ends_block = is_keyword(second_word, "transaction");
  } else if (keyword == Keyword::rollback) {
    // ROLLBACK TO [SAVEPOINT] x leaves the block open.
    const bool to = is_keyword(second_word, "to") ||
                    ((is_keyword(second_word, "work") || is_keyword(second_word, "transaction")) &&
                     is_keyword(third_word, "to"));
    info.ends_block = !to;
  }
  info.copy = copy;
  info.schema_change = is_schema_change(keyword);
  if (!whole) {
    info.complete = true;
    info.drops_prepared = false;
    return info;
  }
  info.may_stop = reads && !changes;
  info.plain_read = info.query && !paren && !info.several && info.complete;
  info.literal_row = !info.several && info.complete &&
                     (row == Row::value || row == Row::type || row == Row::alias || row == Row::ended);
  return info;
}

}  // namespace

StatementInfo classify(std::string_view text, Dialect dialect, bool standard_strings) {
  return read(text, dialect, standard_strings, true);
}

namespace {

// Whether `text` holds `lower` (lower-case ASCII), in any letter case.
bool holds(std::string_view text, std::string_view lower) {
  if (lower.empty() || text.size() < lower.size()) return false;
  for (size_t i = 0; i + lower.size() <= text.size(); ++i) {
    if ((text[i] | 0x20) == lower[0] && same_word(text.substr(i, lower.size()), lower)) return true;
  }
  return false;
}

// Whether the words of a literal's text (a body that may run) hold READ
// followed by WRITE.
bool holds_read_write(std::string_view literal) {
  bool after_read = false;
  size_t i = 0;
  const size_t n = literal.size();
  while (i < n) {
    if (!classes::has(literal[i], classes::kNameStart)) {
      if (!classes::has(literal[i], classes::kBlank)) after_read = false;
      ++i;
      continue;
    }
    size_t end = i;
    while (end < n && classes::has(literal[end], classes::kNameChar)) ++end;
    const std::string_view word = literal.substr(i, end - i);
    if (after_read && is_keyword(word, "write")) return true;
    after_read = is_keyword(word, "read");
    i = end;
  }
  return false;
}

}  // namespace

bool lifts_read_only(std::string_view text) {
  // Most statements hold neither WRITE nor _READ_ONLY: one look at their
  // bytes settles them.
  bool candidate = false;
  for (size_t i = 0; i < text.size() && !candidate; ++i) {
    const char c = text[i];
    candidate = ((c | 0x20) == 'w' && same_word(text.substr(i, 5), "write")) ||
                (c == '_' && same_word(text.substr(i, 10), "_read_only"));
  }
  if (!candidate) return false;
  Lexer lexer(text, Dialect::postgres);
  Token token;
  Keyword keyword = Keyword::none;  // of the statement being read
  bool first = true, after_read = false, names = false, calls_set_config = false;
  // A statement that names the setting lifts it unless it only reads it.
  auto lifts = [&] { return names && (calls_set_config || (keyword != Keyword::show && !begins_as_read(keyword))); };
  while (lexer.next(&token)) {
    if (is_layout(token.kind)) continue;
    const std::string_view piece = token.in(text);
    switch (token.kind) {
      case TokenKind::semicolon:
        if (lifts()) return true;
        first = true;
        names = calls_set_config = after_read = false;
        continue;
      case TokenKind::word:
        if (first) keyword = keyword_of(piece);
        if (after_read && is_keyword(piece, "write")) return true;
        after_read = is_keyword(piece, "read");
        names = names || holds(piece, "transaction_read_only");
        calls_set_config = calls_set_config || same_word(piece, "set_config");
        break;
      case TokenKind::string:
      case TokenKind::escaped_string:
      case TokenKind::prefixed_string:
      case TokenKind::dollar_string:
      case TokenKind::quoted_name:
        if (holds_read_write(piece)) return true;
        names = names || holds(piece, "transaction_read_only");
        calls_set_config = calls_set_config || holds(piece, "set_config");
        after_read = false;
        break;
      default: after_read = false; break;
    }
    if (first && token.kind != TokenKind::word) keyword = Keyword::none;
    first = false;
  }
  return lifts();
}

StatementInfo classify_head(std::string_view text, Dialect dialect) { return read(text, dialect, true, false); }

}  // namespace sqltext
