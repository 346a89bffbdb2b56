#include "ql_client/sqlite/sqlite_session.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <map>
#include <mutex>

namespace ql {

namespace {

// The shared in-memory database lives in SQLite's memdb VFS under one name;
// every connection that opens that name sees the same database, and the
// VFS's locks honour the busy timeout like file locks do.
constexpr const char* kMemoryName = ":memory:";
constexpr const char* kMemoryUri = "file:/tarnwick-memory?vfs=memdb";
// How long a session waits for another session's lock before failing.
constexpr int kBusyTimeoutMs = 10000;
// Lookaside memory per session: 500 slots of 1200 bytes.
constexpr int kLookasideSlotSize = 1200;
constexpr int kLookasideSlots = 500;

// A memdb database disappears with its last connection. This connection,
// opened with the first session on it, keeps the shared database for the
// life of the process, so that closing and reopening keeps its tables.
void keep_memory_database() {
  static std::once_flag once;
  std::call_once(once, [] {
    static sqlite3* keeper = nullptr;
    sqlite3_open_v2(kMemoryUri, &keeper, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, nullptr);
  });
}

std::string to_program(std::string_view text, bool utf8) { return utf8 ? std::string(text) : utf8_to_latin1(text); }

// Keeps the text of a column that is not NULL on the page: as SQLite
// gives it, or converted to Latin-1 where the page holds it.
void keep_column_text(sqlite3_stmt* statement, int column, bool utf8, Outcome* outcome) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  std::string_view value(text == nullptr ? "" : text, text == nullptr ? 0 : sqlite3_column_bytes(statement, column));
  if (utf8) {
    outcome->keep_cell(value.data(), value.size());
  } else {
    outcome->keep_written_cell(utf8_to_latin1(value, outcome->cell_room(value.size())));
  }
}

// Process-wide SQLite settings, made once before SQLite initialises: no
// memory statistics (they put a global mutex around every allocation).
void configure_sqlite() {
  static std::once_flag once;
  std::call_once(once, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
}

sqlite3* open_database(const std::string& path, bool read_only, Failure* failure) {
  configure_sqlite();
  bool memory = path == kMemoryName;
  if (memory) keep_memory_database();
  int flags = read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  if (memory) flags |= SQLITE_OPEN_URI;
  sqlite3* database = nullptr;
  int rc = sqlite3_open_v2(memory ? kMemoryUri : path.c_str(), &database, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    *failure = ql::failure(QL_ERR_CONNECT, "cannot open SQLite database \"" + path + "\": " +
                                               (database != nullptr ? sqlite3_errmsg(database) : sqlite3_errstr(rc)));
    sqlite3_close(database);
    return nullptr;
  }
  sqlite3_busy_timeout(database, kBusyTimeoutMs);
  // A larger lookaside pool serves the many small allocations of parsing
  // and running a statement without going to malloc.
  sqlite3_db_config(database, SQLITE_DBCONFIG_LOOKASIDE, nullptr, kLookasideSlotSize,
                    kLookasideSlots);
  return database;
}

}  // namespace

// One database's turn: which session holds it (null: free). Sessions of the
// process on the same file (or on the shared in-memory database) share one.
struct WriteTurn {
  std::mutex lock;
  std::condition_variable freed;
  const SqliteSession* holder = nullptr;
};

namespace {

// The turns by database path, kept while a session uses them.
std::shared_ptr<WriteTurn> turn_of(const std::string& path) {
  static std::mutex lock;
  static auto* turns = new std::map<std::string, std::weak_ptr<WriteTurn>>;
  std::lock_guard<std::mutex> guard(lock);
  std::shared_ptr<WriteTurn> turn = (*turns)[path].lock();
  if (turn == nullptr) {
    turn = std::make_shared<WriteTurn>();
    (*turns)[path] = turn;
  }
  return turn;
}

// The sessions open on the shared in-memory database.
//
// A session alone on it holds it in exclusive locking mode: it keeps its
// lock and its page cache from one statement to the next, instead of taking
// the lock, checking the change counter and writing page 1 back for every
// statement (a fifth of the time of a one-row INSERT). A session that opens
// while one holds it so first switches that one back to normal locking,
// under the holder's in-use lock (so never while it runs a statement), and
// from then on every session locks per statement; a lone session that stays
// after others closed keeps normal locking. The console opens one session at
// a time (reconnecting closes before it opens), and a pool opens all of its
// sessions before the first statement, so runs that share see no change.
struct MemorySessions {
  std::mutex lock;                      // guards the two fields below
  int open = 0;                         // sessions open on the database
  SqliteSession* sole_holder = nullptr;  // the one in exclusive mode, if any
};

// Never destroyed: pool threads may close sessions while the process exits.
MemorySessions& memory_sessions() {
  static auto* sessions = new MemorySessions;
  return *sessions;
}

}  // namespace

std::unique_ptr<Session> SqliteSession::open(const std::string& path, const OpenSettings& settings,
                                             Failure* failure) {
  sqlite3* database = open_database(path, settings.read_only, failure);
  if (database == nullptr) return nullptr;
  std::unique_ptr<SqliteSession> session(new SqliteSession(database, settings.utf8, turn_of(path)));
  if (path == kMemoryName) session->join_memory_database();
  return session;
}

bool SqliteSession::take_turn() {
  std::unique_lock<std::mutex> guard(turn_->lock);
  bool mine = turn_->freed.wait_for(guard, std::chrono::milliseconds(kBusyTimeoutMs),
                                    [&] { return turn_->holder == nullptr || turn_->holder == this; });
  if (mine) turn_->holder = this;
  return mine;
}

void SqliteSession::end_turn() {
  if (sqlite3_get_autocommit(database_) == 0) return;  // its transaction keeps the turn
  std::lock_guard<std::mutex> guard(turn_->lock);
  if (turn_->holder != this) return;
  turn_->holder = nullptr;
  turn_->freed.notify_one();
}

SqliteSession::~SqliteSession() {
  {
    std::lock_guard<std::mutex> guard(turn_->lock);
    if (turn_->holder == this) {
      turn_->holder = nullptr;
      turn_->freed.notify_one();
    }
  }
  // Left before the connection closes: an opening session may be making
  // this one share the database at this moment.
  if (on_memory_database_) leave_memory_database();
  sqlite3_close(database_);
}

void SqliteSession::join_memory_database() {
  MemorySessions& sessions = memory_sessions();
  std::lock_guard<std::mutex> guard(sessions.lock);
  on_memory_database_ = true;
  if (sessions.sole_holder != nullptr) {
    sessions.sole_holder->share_memory_database();
    sessions.sole_holder = nullptr;
  }
  if (sessions.open++ == 0 &&
      sqlite3_exec(database_, "pragma locking_mode = exclusive", nullptr, nullptr, nullptr) == SQLITE_OK) {
    sessions.sole_holder = this;
  }
}

void SqliteSession::leave_memory_database() {
  MemorySessions& sessions = memory_sessions();
  std::lock_guard<std::mutex> guard(sessions.lock);
  --sessions.open;
  if (sessions.sole_holder == this) sessions.sole_holder = nullptr;
}

void SqliteSession::share_memory_database() {
  std::lock_guard<std::mutex> guard(in_use_);
  // Normal locking lets the lock go when the database is next read; inside
  // an open transaction, when that transaction ends, as for any session.
  sqlite3_exec(database_, "pragma locking_mode = normal; select count(*) from sqlite_schema", nullptr,
               nullptr, nullptr);
}

std::string SqliteSession::message(bool utf8) const { return to_program(sqlite3_errmsg(database_), utf8); }

bool SqliteSession::step(sqlite3_stmt* statement, const Request& request, bool utf8, Outcome* outcome) {
  int columns = sqlite3_column_count(statement);
  // Run for whatever it returns, a statement with columns keeps its rows.
  bool keep = request.query || (request.rows_if_any && columns > 0);
  if (keep) {
    std::vector<std::string> captions;
    for (int c = 0; c < columns; ++c) captions.push_back(to_program(sqlite3_column_name(statement, c), utf8));
    outcome->begin_result(std::move(captions));
  } else {
    outcome->begin_result({}, false);
  }
  // A statement that only reads stops at the answers limit: finalizing it
  // ends it. One that changes data (with RETURNING) is stepped to its end,
  // so that every row is changed and counted; past the limit its rows are
  // read and not kept.
  // Asked only when rows come: most statements return none.
  int stoppable_known = -1;
  auto stoppable = [&] {
    if (stoppable_known < 0) stoppable_known = request.query || request.statement.info.may_stop;
    return stoppable_known == 1;
  };
  const int64_t limit = request.limits.answers_limit;
  sqlite3_int64 changes_before = sqlite3_total_changes64(database_);
  int64_t rows = 0;
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    ++rows;
    if (!keep) {
      if (rows == limit && stoppable()) break;
      continue;
    }
    if (!outcome->row_wanted()) {
      if (stoppable()) break;
      continue;
    }
    if (outcome->keeps_next_row()) {
      for (int c = 0; c < columns; ++c) {
        if (sqlite3_column_type(statement, c) == SQLITE_NULL) {
          outcome->keep_cell(nullptr, 0);
        } else {
          keep_column_text(statement, c, utf8, outcome);
        }
      }
    }
    outcome->count_row();
  }
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
    outcome->fail(failure(QL_ERR_ENGINE, message(utf8)));
    return false;
  }
  // The rows the statement itself changed: sqlite3_changes64 leaves out
  // those its triggers changed. It keeps the count of the last INSERT,
  // UPDATE or DELETE that completed, so it is read only when this one
  // changed rows, which the total (triggers and all) tells.
  bool changed = sqlite3_total_changes64(database_) != changes_before;
  outcome->set_affected(columns > 0 ? rows : changed ? sqlite3_changes64(database_) : 0);
  return true;
}

Outcome SqliteSession::run(const Request& request) {
  std::lock_guard<std::mutex> in_use(in_use_);
  Outcome outcome(request.limits);
  if (!take_turn()) {
    outcome.fail(failure(QL_ERR_ENGINE, "database is locked"));
    return outcome;
  }
  struct EndTurn {
    SqliteSession* session;
    ~EndTurn() { session->end_turn(); }
  } end_turn{this};
  bool utf8 = utf8_ || request.statement.utf8;
  std::string converted;
  std::string_view text = request.statement.text;
  if (!utf8) {
    // ASCII reads the same in both encodings: only convert what needs it.
    bool ascii = std::all_of(text.begin(), text.end(),
                             [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
    if (!ascii) {
      converted = latin1_to_utf8(text);
      text = converted;
    }
  } else if (!valid_utf8(text)) {
    outcome.fail(failure(QL_ERR_ENCODING, "the statement is not valid UTF-8"));
    return outcome;
  }

  if (text.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
    outcome.fail(failure(QL_ERR_ARGUMENT, "the statement is longer than SQLite takes"));
    return outcome;
  }
  const char* at = text.data();
  const char* end = at + text.size();
  bool ran = false;
  while (at < end) {
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(database_, at, static_cast<int>(end - at), &statement, &tail) != SQLITE_OK) {
      outcome.fail(failure(QL_ERR_ENGINE, message(utf8)));
      return outcome;
    }
    at = tail;
    if (statement == nullptr) continue;  // only blanks or comments
    ran = true;
    // Finalized on every way out: a statement left open would hold its
    // read transaction and block later writers.
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owned(statement, sqlite3_finalize);
    bool stepped = false;
    try {
      stepped = step(statement, request, utf8, &outcome);
    } catch (...) {  // an allocation failed: std::bad_alloc or the process allocator's own
      outcome.drop_page();
      outcome.fail(failure(QL_ERR_ENGINE, "out of memory"));
    }
    if (!stepped) return outcome;
  }
  if (!ran) outcome.fail(failure(QL_ERR_EMPTY, "empty statement"));
  return outcome;
}

bool SqliteSession::in_transaction(Failure* /*failure*/) {
  std::lock_guard<std::mutex> in_use(in_use_);
  return sqlite3_get_autocommit(database_) == 0;
}

bool sqlite_answers(const std::string& path, std::string* databases, Failure* failure) {
  if (path != kMemoryName) {
    sqlite3* database = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &database, SQLITE_OPEN_READONLY, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_exec(database, "select count(*) from sqlite_schema", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
      *failure = ql::failure(QL_ERR_CONNECT, "cannot open SQLite database \"" + path + "\": " +
                                                 (database != nullptr ? sqlite3_errmsg(database) : sqlite3_errstr(rc)));
    }
    sqlite3_close(database);
    if (rc != SQLITE_OK) return false;
  }
  *databases = "main\n";
  return true;
}

}  // namespace ql
