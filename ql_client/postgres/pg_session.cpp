#include "ql_client/postgres/pg_session.h"

#include <vector>

#include "ql_client/postgres/pg_reader.h"

namespace ql {

namespace {

bool is_uri(const std::string& host) {
  return host.starts_with("postgresql://") || host.starts_with("postgres://");
}

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

PGconn* connect(const OpenSettings& settings) {
  Parameters parameters;
  if (is_uri(settings.host)) {
    parameters.add("dbname", settings.host);  // expanded: it carries host, port, user, database
  } else {
    parameters.add("host", settings.host);
    parameters.add("port", settings.port);
    parameters.add("dbname", settings.database);
    parameters.add("user", settings.user);
  }
  parameters.add("password", settings.password);
  parameters.add("connect_timeout", kConnectTimeout);
  parameters.add("client_encoding", settings.utf8 ? kUtf8 : kLatin1);
  parameters.add("application_name", kApplication);
  if (settings.read_only) parameters.add("options", kReadOnly);
  parameters.end();
  return PQconnectdbParams(parameters.keywords.data(), parameters.values.data(), 1);
}

}  // namespace

std::unique_ptr<Session> PgSession::open(const OpenSettings& settings, Failure* failure) {
  PGconn* connection = connect(settings);
  if (connection == nullptr) {
    *failure = ql::failure(QL_ERR_CONNECT, "out of memory");
    return nullptr;
  }
  if (PQstatus(connection) != CONNECTION_OK) {
    *failure = ql::failure(QL_ERR_CONNECT, pg_message(PQerrorMessage(connection)));
    PQfinish(connection);
    return nullptr;
  }
  return std::unique_ptr<Session>(new PgSession(connection, settings.utf8));
}

// Notices (warnings the server sends beside results) are not errors; the
// library has no channel for them and must not write to the console itself.
static void drop_notice(void*, const char*) {}

PgSession::PgSession(PGconn* connection, bool utf8)
    : connection_(connection), cancel_(PQgetCancel(connection)), utf8_(utf8) {
  PQsetNoticeProcessor(connection_, drop_notice, nullptr);
}

PgSession::~PgSession() {
  if (cancel_ != nullptr) PQfreeCancel(cancel_);
  PQfinish(connection_);
}

Outcome PgSession::lost_outcome(const Request& request) const {
  Outcome outcome(request.limits);
  outcome.lose(lost_message_);
  return outcome;
}

bool PgSession::check_lost(Outcome* outcome) {
  if (!lost_ && PQstatus(connection_) != CONNECTION_BAD) return false;
  if (!lost_) {
    lost_ = true;
    lost_message_ = "connection to the server lost: " + pg_message(PQerrorMessage(connection_));
  }
  outcome->lose(lost_message_);
  return true;
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

void PgSession::end_copy(const PGresult* result) {
  if (PQresultStatus(result) == PGRES_COPY_IN) {
    PQputCopyEnd(connection_, "COPY from the client is not supported");
  } else if (PQresultStatus(result) == PGRES_COPY_OUT) {
    char* data = nullptr;
    while (PQgetCopyData(connection_, &data, 0) > 0) PQfreemem(data);
  }
}

bool PgSession::set_encoding(bool utf8, Outcome* outcome) {
  if (PQsetClientEncoding(connection_, (utf8 ? kUtf8 : kLatin1).c_str()) == 0) return true;
  if (!check_lost(outcome)) outcome->fail(failure(QL_ERR_ENGINE, pg_message(PQerrorMessage(connection_))));
  return false;
}

Outcome PgSession::run(const Request& request) {
  if (lost_) return lost_outcome(request);
  Outcome outcome(request.limits);
  bool switch_encoding = request.statement.utf8 && !utf8_;
  if (switch_encoding && !set_encoding(true, &outcome)) return outcome;

  bool block = in_block();
  if (!PQsendQuery(connection_, request.statement.text.data())) {
    if (!check_lost(&outcome)) outcome.fail(failure(QL_ERR_ENGINE, pg_message(PQerrorMessage(connection_))));
  } else {
    PQsetSingleRowMode(connection_);
    PgReader reader(request, &outcome);
    while (PGresult* result = PQgetResult(connection_)) {
      reader.take(result);
      end_copy(result);
      PQclear(result);
      if (reader.limit_reached()) stop_statement(&reader, block);
    }
    check_lost(&outcome);
  }
  if (switch_encoding && !lost_) set_encoding(false, &outcome);
  return outcome;
}

bool pg_answers(const std::string& host, const std::string& port, std::string* databases, Failure* failure) {
  OpenSettings settings;
  settings.host = host;
  settings.port = port;
  settings.utf8 = true;
  if (!is_uri(host)) settings.database = "postgres";
  PGconn* connection = connect(settings);
  if (connection == nullptr) {
    *failure = ql::failure(QL_ERR_CONNECT, "out of memory");
    return false;
  }
  bool answered = PQstatus(connection) == CONNECTION_OK;
  if (answered) {
    PGresult* result = PQexec(connection, "select datname from pg_database where datallowconn order by datname");
    if (PQresultStatus(result) == PGRES_TUPLES_OK) {
      for (int row = 0; row < PQntuples(result); ++row) {
        *databases += PQgetvalue(result, row, 0);
        *databases += '\n';
      }
    }
    PQclear(result);
  } else {
    // A server that refuses the login is there all the same.
    std::string message = pg_message(PQerrorMessage(connection));
    PQfinish(connection);
    connection = nullptr;
    const char* keywords[] = {"host", "port", "connect_timeout", nullptr};
    const char* values[] = {host.c_str(), port.empty() ? nullptr : port.c_str(), kConnectTimeout.c_str(), nullptr};
    PGPing ping = is_uri(host) ? PQping(host.c_str()) : PQpingParams(keywords, values, 0);
    answered = ping == PQPING_OK || ping == PQPING_REJECT;
    if (!answered) *failure = ql::failure(QL_ERR_CONNECT, message);
  }
  if (connection != nullptr) PQfinish(connection);
  return answered;
}

}  // namespace ql
