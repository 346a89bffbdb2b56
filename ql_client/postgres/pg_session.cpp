#include "ql_client/postgres/pg_session.h"

#include <poll.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <cstdlib>
#include <vector>

#include "ql_client/postgres/pg_reader.h"

namespace ql {

namespace {

bool is_uri(const std::string& host) {
  return host.starts_with("postgresql://") || host.starts_with("postgres://");
}

// A libpq connection string ("host=db port=5433 dbname=app"): a host
// name never holds '='.
bool is_connection_string(const std::string& host) { return is_uri(host) || host.find('=') != std::string::npos; }

// The libpq connection parameters for `settings` (keywords and values kept
// alive by the caller's strings).
struct Parameters {
  std::vector<const char*> keywords;
  std::vector<const char*> values;

  void add(const char* keyword, const std::string& value) {
    if (value.empty()) return;
    keywords.push_back(keyword);
    values.push_back(value.c_str());
  }
  void end() {
    keywords.push_back(nullptr);
    values.push_back(nullptr);
  }
};

const std::string kConnectTimeout = "10";
const std::string kReadOnly = "-c default_transaction_read_only=on";
const std::string kUtf8 = "UTF8";
const std::string kLatin1 = "LATIN1";
const std::string kApplication = "tarnwick";
// How long one probe of ql_list_db may take, connecting and listing.
constexpr int kProbeMs = 1000;
// The ping that tells a refused login from no server: libpq's shortest wait.
const std::string kPingTimeout = "2";
// Where a statement that may be stopped at the answers limit starts, inside
// a transaction block: the stop rolls back to here instead of aborting the block.
constexpr const char* kSavepoint = "savepoint tarnwick_limit";
constexpr const char* kRollbackToSavepoint = "rollback to savepoint tarnwick_limit; release savepoint tarnwick_limit";
constexpr const char* kReleaseSavepoint = "release savepoint tarnwick_limit";

// The name the process runs as, which libpq takes when neither a user nor
// the environment names one; empty when the system does not know it.
std::string login_name() {
  passwd entry{};
  passwd* found = nullptr;
  char buffer[1024];
  if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr) return "";
  return found->pw_name;
}

// What to connect to when neither the caller nor libpq's environment says
// (ql_set_connect_defaults); empty: libpq's own defaults.
std::mutex defaults_mutex;
std::string default_host, default_port, default_user;
// The user of the last open refused for want of a password (ql_password_user).
std::string password_user;

// Which of host, port and user libpq's environment names: PGHOST (or
// PGHOSTADDR), PGPORT, PGUSER, or the service PGSERVICE names. A value
// equal to libpq's built-in one (port 5432, the login name) counts as named
// only when its variable is set, as a service file cannot be told from the
// built-in default there. A service that cannot be read names nothing; the
// connection then fails with libpq's own message.
struct FromEnvironment {
  bool host = false, port = false, user = false;
};

bool set_in_environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

FromEnvironment from_environment() {
  FromEnvironment named;
  named.host = set_in_environment("PGHOST") || set_in_environment("PGHOSTADDR");
  named.port = set_in_environment("PGPORT");
  named.user = set_in_environment("PGUSER");
  PQconninfoOption* options = PQconndefaults();
  if (options == nullptr) return named;
  const std::string login = login_name();
  for (PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
    if (option->val == nullptr || *option->val == '\0') continue;
    const std::string keyword = option->keyword, value = option->val;
    if (keyword == "host" || keyword == "hostaddr") named.host = true;
    if (keyword == "port" && (option->compiled == nullptr || value != option->compiled)) named.port = true;
    if (keyword == "user" && value != login) named.user = true;
  }
  PQconninfoFree(options);
  return named;
}

// The parameters of a connection. Given values win; what is not given
// libpq takes from its environment (PG* variables, a service file); what
// neither names comes from ql_set_connect_defaults, when set, else from
// libpq's own defaults (see ql_client.h). A URI or key=value connection
// string is libpq's own and is left to libpq's rules.
struct ConnectSettings {
  std::string host, port, user, database, password, options;
  Parameters parameters;

  explicit ConnectSettings(const OpenSettings& settings, const std::string& timeout = kConnectTimeout) {
    if (is_connection_string(settings.host)) {
      host = settings.host;
      parameters.add("dbname", host);  // expanded: it carries host, port, user, database
      // A database named besides the connection string (--dbname, psql's
      // \connect) wins: libpq takes a later dbname as a plain database name.
      if (!settings.database.empty()) parameters.add("dbname", settings.database);
    } else {
      host = settings.host;
      port = settings.port;
      user = settings.user;
      database = settings.database;  // empty: PGDATABASE, a service's, else the user's
      std::lock_guard<std::mutex> lock(defaults_mutex);
      if ((host.empty() && !default_host.empty()) || (port.empty() && !default_port.empty()) ||
          (user.empty() && !default_user.empty())) {
        const FromEnvironment named = from_environment();
        if (host.empty() && !named.host) host = default_host;
        if (port.empty() && !named.port) port = default_port;
        if (user.empty() && !named.user) user = default_user;
      }
      parameters.add("host", host);
      parameters.add("port", port);
      parameters.add("dbname", database);
      parameters.add("user", user);
    }
    password = settings.password;
    parameters.add("password", password);
    parameters.add("connect_timeout", timeout);
    parameters.add("client_encoding", settings.utf8 ? kUtf8 : kLatin1);
    parameters.add("application_name", kApplication);
    if (settings.read_only) {
      // PGOPTIONS stays in force; the read-only setting comes after it and wins.
      const char* from_environment = std::getenv("PGOPTIONS");
      options = from_environment != nullptr ? std::string(from_environment) + " " + kReadOnly : kReadOnly;
      parameters.add("options", options);
    }
    parameters.end();
  }
};

PGconn* connect(const OpenSettings& settings) {
  ConnectSettings connect_settings(settings);
  return PQconnectdbParams(connect_settings.parameters.keywords.data(), connect_settings.parameters.values.data(), 1);
}

using Clock = std::chrono::steady_clock;

int milliseconds_left(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

// Waits until the connection's socket is ready for `events` or the
// deadline passes; false on the deadline or a failed wait.
bool wait_socket(PGconn* connection, short events, Clock::time_point deadline) {
  for (;;) {
    int left = milliseconds_left(deadline);
    if (left == 0) return false;
    pollfd wait{PQsocket(connection), events, 0};
    int ready = poll(&wait, 1, left);
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

// Connects without waiting past `deadline`. Sets `timed_out` when the
// server did not finish the start-up in time.
PGconn* connect_until(const OpenSettings& settings, Clock::time_point deadline, bool* timed_out) {
  ConnectSettings connect_settings(settings);
  PGconn* connection =
      PQconnectStartParams(connect_settings.parameters.keywords.data(), connect_settings.parameters.values.data(), 1);
  *timed_out = false;
  if (connection == nullptr || PQstatus(connection) == CONNECTION_BAD) return connection;
  PostgresPollingStatusType status = PGRES_POLLING_WRITING;
  while (status != PGRES_POLLING_OK && status != PGRES_POLLING_FAILED) {
    if (!wait_socket(connection, status == PGRES_POLLING_READING ? POLLIN : POLLOUT, deadline)) {
      *timed_out = true;
      return connection;
    }
    status = PQconnectPoll(connection);
  }
  return connection;
}

// Runs `query` and appends the first column of each row to `list`, one per
// line; gives up quietly at the deadline.
void list_rows(PGconn* connection, const char* query, Clock::time_point deadline, std::string* list) {
  if (!PQsendQuery(connection, query)) return;
  for (;;) {
    while (!PQisBusy(connection)) {
      PGresult* result = PQgetResult(connection);
      if (result == nullptr) return;
      if (PQresultStatus(result) == PGRES_TUPLES_OK) {
        for (int row = 0; row < PQntuples(result); ++row) {
          *list += PQgetvalue(result, row, 0);
          *list += '\n';
        }
      }
      PQclear(result);
    }
    if (!wait_socket(connection, POLLIN, deadline) || !PQconsumeInput(connection)) return;
  }
}

}  // namespace

std::unique_ptr<Session> PgSession::open(const OpenSettings& settings, Failure* failure) {
  PGconn* connection = connect(settings);
  if (connection == nullptr) {
    *failure = ql::failure(QL_ERR_CONNECT, "out of memory");
    return nullptr;
  }
  if (PQstatus(connection) != CONNECTION_OK) {
    // The server asked for a password and none was given (nor found in
    // PGPASSWORD or the password file): the caller may ask for one.
    const bool needs_password = PQconnectionNeedsPassword(connection) == 1 && settings.password.empty();
    if (needs_password) {
      std::lock_guard<std::mutex> lock(defaults_mutex);
      password_user = PQuser(connection) != nullptr ? PQuser(connection) : "";
    }
    *failure = ql::failure(needs_password ? QL_ERR_PASSWORD : QL_ERR_CONNECT,
                           mask_passwords(pg_message(PQerrorMessage(connection)), settings.host));
    PQfinish(connection);
    return nullptr;
  }
  return std::unique_ptr<Session>(new PgSession(connection, settings));
}

// libpq hands each notice over formatted as psql shows it ("NOTICE:  text",
// then any DETAIL and HINT lines), with a final newline.
// Nothing may be thrown back into libpq.
static void pass_notice(void* sink, const char* message) {
  try {
    std::string_view text = message == nullptr ? "" : message;
    while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    static_cast<NoticeSink*>(sink)->deliver(std::string(text).c_str());
  } catch (...) {  // out of memory: the notice is lost, nothing more
  }
}

PgSession::PgSession(PGconn* connection, const OpenSettings& settings)
    : connection_(connection), cancel_(PQgetCancel(connection)), notices_(settings.notices), utf8_(settings.utf8) {
  PQsetNoticeProcessor(connection_, pass_notice, notices_.get());
}

PgSession::~PgSession() {
  if (cancel_ != nullptr) PQfreeCancel(cancel_);
  PQfinish(connection_);
}

void PgSession::interrupt() {
  // PQcancel only uses what PQgetCancel prepared at connect time; it is
  // safe from any thread while another reads results.
  char message[256];
  if (cancel_ != nullptr) PQcancel(cancel_, message, sizeof message);
}

Outcome PgSession::lost_outcome(const Request& request) const {
  Outcome outcome(request.limits);
  outcome.lose(lost_message_);
  return outcome;
}

bool PgSession::check_lost(Outcome* outcome) {
  if (!lost_ && PQstatus(connection_) != CONNECTION_BAD) return false;
  lose(outcome);
  return true;
}

void PgSession::lose(Outcome* outcome) {
  if (!lost_) {
    lost_ = true;
    lost_message_ = "connection to the server lost: " + pg_message(PQerrorMessage(connection_));
  }
  outcome->lose(lost_message_);
}

bool PgSession::in_block() const {
  PGTransactionStatusType status = PQtransactionStatus(connection_);
  return status == PQTRANS_INTRANS || status == PQTRANS_INERROR;
}

void PgSession::stop_statement(PgReader* reader, bool in_block) {
  if (in_block || reader->stopped() || cancel_ == nullptr) return;
  char message[256];
  reader->stopping();
  PQcancel(cancel_, message, sizeof message);
}

bool PgSession::set_encoding(bool utf8, Outcome* outcome) {
  if (PQsetClientEncoding(connection_, (utf8 ? kUtf8 : kLatin1).c_str()) == 0) return true;
  if (!check_lost(outcome)) outcome->fail(failure(QL_ERR_ENGINE, pg_message(PQerrorMessage(connection_))));
  return false;
}

bool PgSession::command(const char* text, Outcome* outcome) {
  PGresult* result = PQexec(connection_, text);
  bool done = PQresultStatus(result) == PGRES_COMMAND_OK;
  if (!done && !check_lost(outcome)) {
    outcome->fail(failure(QL_ERR_ENGINE, pg_message(result != nullptr ? PQresultErrorMessage(result)
                                                                      : PQerrorMessage(connection_))));
  }
  PQclear(result);
  return done;
}

void PgSession::execute(const Request& request, Outcome* outcome) {
  bool block = in_block();
  // Inside a block a stop would abort the whole transaction: a statement
  // that may be stopped runs behind a savepoint, and a stop rolls back to
  // it; sending exactly what it is given, the session reads it to its end.
  bool guarded = !request.limits.exact && PQtransactionStatus(connection_) == PQTRANS_INTRANS &&
                 request.statement.info.may_stop;
  if (guarded && !command(kSavepoint, outcome)) return;
  if (!PQsendQuery(connection_, request.statement.text.data())) {
    if (!check_lost(outcome)) outcome->fail(failure(QL_ERR_ENGINE, pg_message(PQerrorMessage(connection_))));
    return;
  }
  PQsetSingleRowMode(connection_);
  PgReader reader(request, outcome);
  while (PGresult* result = PQgetResult(connection_)) {
    std::unique_ptr<PGresult, void (*)(PGresult*)> owned(result, PQclear);
    reader.take(result);
    copy_data(result, request.copy, outcome);
    if (lost_) break;  // a copy that broke: the rest never comes
    if (reader.limit_reached()) stop_statement(&reader, block && !guarded);
  }
  if (check_lost(outcome) || !guarded) return;
  if (reader.stopped()) {
    command(kRollbackToSavepoint, outcome);
  } else if (PQtransactionStatus(connection_) == PQTRANS_INTRANS) {
    command(kReleaseSavepoint, outcome);
  }
  // Otherwise the statement failed and the block is aborted, savepoint
  // and all, as any failure in a block aborts it.
}

void PgSession::abandon(Outcome* outcome) {
  // Memory ran out while the rows came in. Free what was kept, stop the
  // statement and read the rest of its results, so that the session takes
  // statements again; the statement fails.
  outcome->drop_page();
  outcome->fail(failure(QL_ERR_ENGINE, "out of memory"));
  interrupt();
  while (PGresult* result = PQgetResult(connection_)) {
    copy_data(result, nullptr, outcome);
    PQclear(result);
    if (lost_) break;
  }
  check_lost(outcome);
}

Outcome PgSession::run(const Request& request) {
  if (lost_) return lost_outcome(request);
  Outcome outcome(request.limits);
  // Nothing but ";" and blanks: the server would answer with an empty
  // query after a round trip; the answer is known without one.
  if (request.statement.text.find_first_not_of(" \t\r\n;") == std::string::npos) {
    outcome.fail(failure(QL_ERR_EMPTY, "empty statement"));
    return outcome;
  }
  bool switch_encoding = request.statement.utf8 && !utf8_;
  if (switch_encoding && !set_encoding(true, &outcome)) return outcome;
  try {
    execute(request, &outcome);
  } catch (...) {  // an allocation failed: std::bad_alloc or the process allocator's own
    abandon(&outcome);
  }
  if (switch_encoding && !lost_) set_encoding(false, &outcome);
  return outcome;
}

bool PgSession::in_transaction(Failure* failure) {
  Outcome outcome;
  if (check_lost(&outcome)) {
    *failure = outcome.failure();
    return false;
  }
  return in_block();
}

bool PgSession::transaction_failed() { return !lost_ && PQtransactionStatus(connection_) == PQTRANS_INERROR; }

std::optional<std::string> PgSession::parameter_status(const std::string& name, Failure* failure) {
  Outcome outcome;
  if (check_lost(&outcome)) {
    *failure = outcome.failure();
    return std::nullopt;
  }
  const char* value = PQparameterStatus(connection_, name.c_str());
  // The database is no reported setting, but libpq knows the one it opened
  // (named, or from PGDATABASE, a service, the user's name).
  if (value == nullptr && name == "dbname") value = PQdb(connection_);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool pg_answers(const std::string& host, const std::string& port, std::string* databases, Failure* failure) {
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kProbeMs);
  OpenSettings settings;
  settings.host = host;
  settings.port = port;
  settings.utf8 = true;
  if (!is_connection_string(host)) settings.database = "postgres";
  bool timed_out = false;
  PGconn* connection = connect_until(settings, deadline, &timed_out);
  if (connection == nullptr) {
    *failure = ql::failure(QL_ERR_CONNECT, "out of memory");
    return false;
  }
  bool answered = !timed_out && PQstatus(connection) == CONNECTION_OK;
  if (answered) {
    list_rows(connection, "select datname from pg_database where datallowconn order by datname", deadline,
              databases);
  } else if (timed_out) {
    // A connection string names its own port; the port argument does not
    // apply to it. Otherwise the host and port as the environment rule
    // resolved them (left empty: the ones the environment names).
    const ConnectSettings resolved(settings);
    const std::string resolved_host = resolved.host.empty() ? "named by the environment" : resolved.host;
    const std::string where = is_connection_string(host) || resolved.port.empty() ? resolved_host
                                                                                 : resolved_host + ":" + resolved.port;
    *failure = ql::failure(QL_ERR_CONNECT, mask_passwords("no answer from the server at " + where + " within " +
                                                              std::to_string(kProbeMs) + " ms",
                                                          host));
  } else {
    // A server that refuses the login is there all the same. The ping
    // opens a connection of its own, which a server that just answered
    // takes at once.
    std::string message = mask_passwords(pg_message(PQerrorMessage(connection)), host);
    ConnectSettings ping_settings(settings, kPingTimeout);
    PGPing ping = PQpingParams(ping_settings.parameters.keywords.data(), ping_settings.parameters.values.data(), 1);
    answered = ping == PQPING_OK || ping == PQPING_REJECT;
    if (!answered) *failure = ql::failure(QL_ERR_CONNECT, message);
  }
  PQfinish(connection);
  return answered;
}

void set_connect_defaults(const std::string& host, const std::string& port, const std::string& user) {
  std::lock_guard<std::mutex> lock(defaults_mutex);
  default_host = host;
  default_port = port;
  default_user = user;
}

std::string last_password_user() {
  std::lock_guard<std::mutex> lock(defaults_mutex);
  return password_user;
}

}  // namespace ql
