// PgSession::copy_data: the COPY data in the middle of a statement's
// results. When the server asks for data (COPY ... FROM STDIN) the pieces
// are pulled from the request's source one at a time and sent, and the copy
// is ended as the source says; when it sends data (COPY ... TO STDOUT) each
// piece goes to the request's sink. The server then sends the command's
// result: the rows copied, or the error when it rejected the data or the
// copy was aborted. Either way the session is ready for the next statement.
#include <memory>

#include "ql_client/postgres/pg_session.h"

namespace ql {

namespace {

// The reasons the library itself gives the server for ending a copy.
constexpr const char* kNoSource = "COPY from the client is not supported";
constexpr const char* kNoData = "the client gave no data";
constexpr const char* kCanceled = "canceling statement due to user request";

}  // namespace

bool PgSession::send_copy_data(const CopyStreams* streams) {
  if (streams == nullptr || streams->source == nullptr) return PQputCopyEnd(connection_, kNoSource) == 1;
  for (;;) {
    // The server cannot stop a copy that waits for its data: a cancel ends
    // it from this side.
    if (canceled()) return PQputCopyEnd(connection_, kCanceled) == 1;
    const char* data = nullptr;
    int32_t length = streams->source(streams->source_context, &data);
    if (length == 0) return PQputCopyEnd(connection_, nullptr) == 1;
    if (length < 0 || data == nullptr) {
      return PQputCopyEnd(connection_, length < 0 && data != nullptr ? data : kNoData) == 1;
    }
    // A connection found broken stops the pulling: the rest would go nowhere.
    if (PQputCopyData(connection_, data, length) != 1 || PQstatus(connection_) == CONNECTION_BAD) return false;
  }
}

bool PgSession::receive_copy_data(const CopyStreams* streams) {
  for (;;) {
    char* data = nullptr;
    int length = PQgetCopyData(connection_, &data, 0);
    if (length < 0) return length == -1;  // -1: the copy is done
    std::unique_ptr<char, void (*)(void*)> piece(data, PQfreemem);
    if (streams != nullptr && streams->sink != nullptr) streams->sink(streams->sink_context, data, length);
  }
}

void PgSession::copy_data(const PGresult* result, const CopyStreams* streams, Outcome* outcome) {
  bool done;
  switch (PQresultStatus(result)) {
    case PGRES_COPY_IN:
      done = send_copy_data(streams);
      break;
    case PGRES_COPY_OUT:
      done = receive_copy_data(streams);
      break;
    default:
      return;
  }
  // libpq could not carry the copy through: the protocol is out of step
  // with the server (or the connection gone), so the session is lost.
  if (!done) lose(outcome);
}

}  // namespace ql
