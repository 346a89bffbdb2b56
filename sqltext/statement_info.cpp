#include "sqltext/statement_info.h"

namespace sqltext {

namespace {

struct KeywordName {
  std::string_view name;
  Keyword keyword;
};

// The most frequent first words first: most statements a replay sends find
// theirs among the first few.
constexpr KeywordName kKeywords[] = {
    {"select", Keyword::select},       {"insert", Keyword::insert},     {"update", Keyword::update},
    {"delete", Keyword::delete_},      {"begin", Keyword::begin},       {"commit", Keyword::commit},
    {"with", Keyword::with},           {"values", Keyword::values},     {"end", Keyword::end},
    {"rollback", Keyword::rollback},   {"start", Keyword::start},       {"abort", Keyword::abort},
    {"prepare", Keyword::prepare},     {"copy", Keyword::copy},         {"create", Keyword::create},
    {"alter", Keyword::alter},         {"drop", Keyword::drop},         {"truncate", Keyword::truncate},
    {"merge", Keyword::merge},         {"table", Keyword::table},       {"show", Keyword::show},
    {"explain", Keyword::explain},     {"fetch", Keyword::fetch},       {"execute", Keyword::execute},
    {"vacuum", Keyword::vacuum},       {"analyze", Keyword::analyze},   {"analyse", Keyword::analyze},
    {"reindex", Keyword::reindex},     {"cluster", Keyword::cluster},   {"grant", Keyword::grant},
    {"revoke", Keyword::revoke},       {"comment", Keyword::comment},   {"discard", Keyword::discard},
    {"deallocate", Keyword::deallocate},
};

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
    if (same_word(word, clause)) return true;
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
        if (same_word(word, "true") || same_word(word, "false") || same_word(word, "null")) return Row::value;
      }
      return Row::no;
    case Row::value:
      if (kind == TokenKind::punctuation && c == ':') return Row::colon;
      [[fallthrough]];
    case Row::type:
      if (kind == TokenKind::word) {
        std::string_view word = token.in(text);
        if (is_clause_word(word)) return Row::no;
        return same_word(word, "as") ? Row::as : Row::alias;
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
  if (word.size() < 3 || word.size() > 10) return Keyword::other;
  for (const KeywordName& known : kKeywords) {
    if (same_word(word, known.name)) return known.keyword;
  }
  return Keyword::other;
}

size_t after_unicode_marker(std::string_view text) {
  size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
  if (text.size() - at < kUnicodeMarker.size() || !same_word(text.substr(at, kUnicodeMarker.size()), kUnicodeMarker)) {
    return 0;
  }
  return at + kUnicodeMarker.size();
}

StatementInfo classify(std::string_view text, Dialect dialect, bool standard_strings) {
  StatementInfo info;
  info.body = static_cast<uint32_t>(after_unicode_marker(text));
  info.unicode = info.body != 0;
  const std::string_view body = text.substr(info.body);
  Lexer lexer(body, dialect, standard_strings);

  size_t index = 0;           // of the significant token in its statement
  size_t statement = 0;       // of the statement in the text
  int depth = 0;              // open parentheses
  bool after_semicolon = false;
  bool paren = false;         // the first statement has a parenthesis
  bool opens_paren = false;   // it begins with one
  bool changes = false;       // it names INSERT, UPDATE, DELETE or MERGE
  bool after_from = false;    // COPY: the last word was FROM at depth 0
  std::string_view second_word, third_word;
  Row row = Row::no;
  Token token;
  while (lexer.next(&token)) {
    if (token.open) info.complete = false;
    const TokenKind kind = token.kind;
    if (is_layout(kind)) continue;
    if (kind == TokenKind::semicolon) {
      after_semicolon = true;
      if (statement == 0 && row != Row::no) row = next_row_state(row, token, body);
      continue;
    }
    if (after_semicolon) {
      after_semicolon = false;
      info.several = true;
      ++statement;
      index = 0;
      row = Row::no;
    }
    const size_t k = index++;
    if (kind == TokenKind::word && k == 0) {
      Keyword keyword = keyword_of(token.in(body));
      if (keyword == Keyword::discard || keyword == Keyword::deallocate) info.drops_prepared = true;
      if (statement == 0) {
        info.keyword = keyword;
        info.start = info.body + token.begin;
        row = keyword == Keyword::select ? Row::item : Row::no;
      }
      continue;
    }
    if (statement != 0) continue;
    if (k == 0) {  // the first statement begins with something else than a word
      info.start = info.body + token.begin;
      opens_paren = kind == TokenKind::open_paren;
      paren = opens_paren;
      depth += opens_paren;
      continue;
    }
    if (row != Row::no) row = next_row_state(row, token, body);
    switch (kind) {
      case TokenKind::open_paren:
        paren = true;
        ++depth;
        break;
      case TokenKind::close_paren:
        if (depth > 0) --depth;
        break;
      case TokenKind::parameter: info.has_parameters = info.has_parameters || dialect == Dialect::postgres; break;
      case TokenKind::word: {
        const std::string_view word = token.in(body);
        if (k == 1) second_word = word;
        if (k == 2) third_word = word;
        if (!changes && changes_rows(keyword_of(word))) changes = true;
        if (info.keyword == Keyword::copy && depth == 0) {
          if (after_from && (same_word(word, "stdin") || same_word(word, "stdout"))) info.copy_from_client = true;
          after_from = same_word(word, "from");
        }
        break;
      }
      case TokenKind::string:
      case TokenKind::escaped_string:
      case TokenKind::prefixed_string:
      case TokenKind::dollar_string:
        if (!changes && names_change(token.in(body))) changes = true;
        after_from = false;
        break;
      default: after_from = false; break;
    }
  }

  const Keyword keyword = info.keyword;
  info.query = keyword == Keyword::select;
  info.opens_block = keyword == Keyword::begin || (keyword == Keyword::start && same_word(second_word, "transaction"));
  if (keyword == Keyword::commit || keyword == Keyword::end || keyword == Keyword::abort) {
    info.ends_block = true;
  } else if (keyword == Keyword::prepare) {
    info.ends_block = same_word(second_word, "transaction");
  } else if (keyword == Keyword::rollback) {
    // ROLLBACK TO [SAVEPOINT] x leaves the block open.
    const bool to = same_word(second_word, "to") ||
                    ((same_word(second_word, "work") || same_word(second_word, "transaction")) &&
                     same_word(third_word, "to"));
    info.ends_block = !to;
  }
  info.copy = keyword == Keyword::copy;
  info.schema_change = is_schema_change(keyword);
  info.may_stop = (opens_paren || begins_as_read(keyword)) && !changes;
  info.plain_read = info.query && !paren && !info.several && info.complete;
  info.literal_row = !info.several && info.complete &&
                     (row == Row::value || row == Row::type || row == Row::alias || row == Row::ended);
  return info;
}

}  // namespace sqltext
