// The client library on SQLite, with statements built from random bytes:
// a text goes into a table and comes back, as a literal and through a
// query, on a Latin-1 and a UTF-8 handle, alone and through a pool batch.
// Checks that what comes back is byte for byte what went in (Latin-1 takes
// any byte; UTF-8 takes valid UTF-8 and refuses the rest with
// QL_ERR_ENCODING), that the counts agree with the page, and that every
// failure leaves a message.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ql_client/ql_client.h"

namespace {

// The input as a statement-safe literal: quotes doubled, NULs dropped.
std::string literal(const std::string& value) {
  std::string out = "'";
  for (char c : value) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

bool valid_utf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t extra;
    uint32_t code;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      code = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    if ((extra == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (extra == 3 && (code < 0x10000 || code > 0x10FFFF))) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

void check(bool condition) {
  if (!condition) std::abort();
}

ql_handle open_handle(int32_t code_page, int32_t sessions) {
  ClientError error{};
  ql_handle handle = sessions == 1
                         ? ql_open("sqlite::memory:", "", nullptr, "", "", "", 0, 20, 1024,
                                   code_page, &error)
                         : ql_pool_open("sqlite::memory:", "", nullptr, "", "", "", 0, 20, 1024,
                                        code_page, sessions, &error);
  check(handle != 0 && error.code == 0);
  return handle;
}

// The one cell of a single-row query, or the failure's code.
int32_t query_one(ql_handle handle, const std::string& statement, std::string* value) {
  ClientError error{};
  int32_t columns = 0, rows = 0, fetched = 0;
  ql_cursor cursor = ql_query(handle, statement.c_str(), &columns, &rows, &fetched, 0, 0, &error);
  if (cursor == 0) {
    check(error.code != 0 && error.text[0] != '\0');
    check(columns == 0 && rows == -1 && fetched == 0);
    return error.code;
  }
  check(error.code == 0 && columns == 1 && rows == 1 && fetched == 1);
  char* caption = ql_column_caption(cursor, 0, &error);
  check(caption != nullptr && std::strcmp(caption, "v") == 0);
  ql_mfree(caption);
  char* cell = ql_column_value(cursor, 0, 0, &error);
  check(error.code == 0 && cell != nullptr);
  *value = cell;
  // In place, the same bytes, NUL-terminated at the length it gives.
  int64_t length = -1;
  const char* in_place = ql_pool_view(cursor, 0, 0, 0, &length, &error);
  check(error.code == 0 && in_place != nullptr && in_place[length] == '\0' && std::strcmp(in_place, cell) == 0);
  ql_mfree(cell);
  // Outside the page: an error, never a crash.
  check(ql_column_value(cursor, 1, 0, &error) == nullptr && error.code == QL_ERR_RANGE);
  ql_close_cursor(cursor);
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const ql_handle latin1 = open_handle(0, 1);
  static const ql_handle utf8 = open_handle(1, 1);
  static const ql_handle pool = open_handle(0, 3);
  static bool created = [] {
    ClientError error{};
    ql_do(latin1, "create table fuzz_values (v text)", &error);
    return error.code == 0;
  }();
  check(created);

  const bool use_utf8 = data[0] & 1;
  std::string value;
  for (size_t i = 1; i < size && value.size() < 4096; ++i) {
    if (data[i] != 0) value += static_cast<char>(data[i]);
  }
  const ql_handle handle = use_utf8 ? utf8 : latin1;
  const bool acceptable = !use_utf8 || valid_utf8(value);

  // As a literal.
  std::string back;
  int32_t code = query_one(handle, "select " + literal(value) + " as v", &back);
  if (acceptable) {
    check(code == 0 && back == value);
  } else {
    check(code == QL_ERR_ENCODING);
  }

  // Through a table.
  ClientError error{};
  int32_t affected = ql_do(handle, ("insert into fuzz_values values (" + literal(value) + ")").c_str(),
                           &error);
  if (acceptable) {
    check(affected == 1 && error.code == 0);
    check(query_one(handle, "select v from fuzz_values", &back) == 0 && back == value);
  } else {
    check(affected == -1 && error.code == QL_ERR_ENCODING);
  }
  ql_do(latin1, "delete from fuzz_values", &error);
  check(error.code == 0);

  // The same literal in every entry of a pool batch (Latin-1 takes any byte).
  const std::string statement = "select " + literal(value) + " as v";
  const char* texts[4] = {statement.c_str(), statement.c_str(), "select nonsense(", statement.c_str()};
  int32_t columns[4], rows[4], fetched[4];
  ql_cursor cursor = ql_pool_query(pool, texts, 4, columns, rows, fetched, 0, 0, &error);
  check(cursor != 0 && error.code != 0);  // entry 2 fails
  for (int32_t entry = 0; entry < 4; ++entry) {
    if (entry == 2) {
      check(rows[entry] == -1 && columns[entry] == 0 && fetched[entry] == 0);
      continue;
    }
    check(rows[entry] == 1 && fetched[entry] == 1 && columns[entry] == 1);
    char* cell = ql_pool_fetch(cursor, entry, 0, 0, &error);
    check(cell != nullptr && value == cell);
    ql_mfree(cell);
  }
  ql_pool_close_cursor(cursor);
  return 0;
}
