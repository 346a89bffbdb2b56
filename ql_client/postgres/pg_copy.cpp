// PgSession::run_copy: a statement whose COPY data travels with it. The
// statement goes out in the simple protocol; when the server asks for data
// (COPY ... FROM STDIN) the data of the request is sent in pieces and the
// copy ended; when it sends data (COPY ... TO STDOUT) each piece goes to
// the request's sink. The command's result then carries the rows copied, or
// the error when the server rejected the data; either way the session is
// ready for the next statement.
#include <algorithm>

#include "ql_client/postgres/pg_reader.h"
#include "ql_client/postgres/pg_session.h"

namespace ql {

namespace {

// libpq copies each piece into its output buffer: pieces of this size keep
// that buffer small whatever the size of the data.
constexpr int64_t kPiece = 64 * 1024;

// Sends the data and ends the copy; false when the connection failed.
bool send_data(PGconn* connection, const CopyStreams& streams) {
  for (int64_t at = 0; at < streams.length; at += kPiece) {
    int piece = static_cast<int>(std::min(kPiece, streams.length - at));
    if (PQputCopyData(connection, streams.data + at, piece) != 1) return false;
  }
  return PQputCopyEnd(connection, nullptr) == 1;
}

// Hands every piece of the server's data to the sink; false on failure.
bool receive_data(PGconn* connection, const CopyStreams& streams) {
  for (;;) {
    char* piece = nullptr;
    int length = PQgetCopyData(connection, &piece, 0);
    if (length < 0) return length == -1;  // -1: the copy is done
    if (streams.sink != nullptr) streams.sink(streams.context, piece, length);
    PQfreemem(piece);
  }
}

}  // namespace

Outcome PgSession::run_copy(const Request& request) {
  if (lost_) return lost_outcome(request);
  Outcome outcome(request.limits);
  bool switch_encoding = request.statement.utf8 && !utf8_;
  if (switch_encoding && !set_encoding(true, &outcome)) return outcome;

  if (!PQsendQuery(connection_, request.statement.text.data())) {
    if (!check_lost(&outcome)) outcome.fail(failure(QL_ERR_ENGINE, pg_message(PQerrorMessage(connection_))));
  } else {
    PgReader reader(request, &outcome);
    bool data_sent = false;  // a text with a second COPY FROM STDIN gives it no data
    while (PGresult* result = PQgetResult(connection_)) {
      ExecStatusType status = PQresultStatus(result);
      if (status != PGRES_COPY_IN && status != PGRES_COPY_OUT) {
        reader.take(result);  // the command's count, or its error
        PQclear(result);
        continue;
      }
      PQclear(result);
      bool ok;
      if (status == PGRES_COPY_IN) {
        CopyStreams none;
        ok = send_data(connection_, data_sent ? none : *request.copy);
        data_sent = true;
      } else {
        ok = receive_data(connection_, *request.copy);
      }
      if (!ok && !check_lost(&outcome)) {
        outcome.fail(failure(QL_ERR_ENGINE, pg_message(PQerrorMessage(connection_))));
      }
    }
    check_lost(&outcome);
  }
  if (switch_encoding && !lost_) set_encoding(false, &outcome);
  return outcome;
}

}  // namespace ql
