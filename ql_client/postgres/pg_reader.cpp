#include "ql_client/postgres/pg_reader.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace ql {

namespace {

constexpr const char* kQueryCanceled = "57014";

int64_t command_count(const PGresult* result) {
  // The count is digits only; read by hand, as strtoll's locale and sign
  // handling cost more than the statement's other checks together.
  const char* tuples = PQcmdTuples(const_cast<PGresult*>(result));
  int64_t count = 0;
  for (const char* at = tuples; at != nullptr && *at >= '0' && *at <= '9'; ++at) {
    if (count > (INT64_MAX - 9) / 10) return INT64_MAX;
    count = count * 10 + (*at - '0');
  }
  return count;
}

// A transaction block that failed ends at COMMIT (END, PREPARE TRANSACTION,
// COMMIT AND CHAIN) all the same: the server rolls it back and answers with
// the command status "ROLLBACK", and no error. That is a failure of the
// statement, or it would read as a success.
bool rolled_back_instead(const PGresult* result) {
  const char* status = PQcmdStatus(const_cast<PGresult*>(result));
  return status != nullptr && std::strcmp(status, "ROLLBACK") == 0;
}

std::string rolled_back_message(const sqltext::StatementInfo& statement) {
  using sqltext::Keyword;
  const Keyword keyword = statement.keyword;
  const char* name = keyword == Keyword::commit ? "COMMIT" : keyword == Keyword::end ? "END"
                     : keyword == Keyword::prepare ? "PREPARE TRANSACTION" : "the statement";
  return std::string("ERROR:  the transaction was rolled back: ") + name +
         " was answered with ROLLBACK because an earlier statement of the transaction failed";
}

}  // namespace

std::string pg_message(const char* text) {
  std::string message = text == nullptr ? "" : text;
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  return message.empty() ? "unknown PostgreSQL error" : message;
}

bool PgReader::stoppable() const {
  if (stoppable_ < 0) stoppable_ = request_.statement.info.may_stop ? 1 : 0;
  return stoppable_ == 1;
}

void PgReader::take_rows(const PGresult* result) {
  if (!request_.keeps_rows()) {  // only counted
    counted_ += PQntuples(result);
    int32_t limit = outcome_->limits().answers_limit;
    if (limit > 0 && counted_ >= limit) {
      limit_reached_ = true;
      outcome_->set_affected(limit);
    }
    return;
  }
  int columns = PQnfields(result);
  if (!in_result_) {
    std::vector<std::string> captions;
    for (int c = 0; c < columns; ++c) captions.emplace_back(PQfname(result, c));
    outcome_->begin_result(std::move(captions));
    in_result_ = true;
  }
  for (int row = 0, rows = PQntuples(result); row < rows; ++row) {
    if (!outcome_->row_wanted()) {
      limit_reached_ = true;
      return;
    }
    if (outcome_->keeps_next_row()) {
      for (int c = 0; c < columns; ++c) {
        bool null = PQgetisnull(result, row, c);
        outcome_->keep_cell(null ? nullptr : PQgetvalue(result, row, c), PQgetlength(result, row, c));
      }
    }
    outcome_->count_row();
  }
  if (!outcome_->row_wanted()) limit_reached_ = true;
}

void PgReader::take(const PGresult* result) {
  switch (PQresultStatus(result)) {
    case PGRES_SINGLE_TUPLE:
      if (!limit_reached_) take_rows(result);
      break;
    case PGRES_TUPLES_OK:
      if (!limit_reached_) take_rows(result);
      in_result_ = false;
      // A stopped statement that ended before the stop reached the server
      // still reports no more than the limit.
      if (!request_.query) {  // a query's count is its rows, which take_rows counted
        outcome_->set_affected(limit_reached() ? outcome_->limits().answers_limit : command_count(result));
      }
      break;
    case PGRES_COMMAND_OK:
      outcome_->begin_result({}, false);
      in_result_ = false;
      outcome_->set_affected(command_count(result));
      if (first_statement_ && rolled_back_instead(result) && !rolls_back()) {
        outcome_->fail(failure(QL_ERR_ENGINE, rolled_back_message(request_.statement.info)));
      }
      break;
    case PGRES_EMPTY_QUERY:
      outcome_->fail(failure(QL_ERR_EMPTY, "empty statement"));
      break;
    case PGRES_FATAL_ERROR:
    case PGRES_NONFATAL_ERROR:
    case PGRES_BAD_RESPONSE: {
      const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
      bool canceled = state != nullptr && std::strcmp(state, kQueryCanceled) == 0;
      if (canceled && !stopping_) canceled_by_mistake_ = true;
      if (!(canceled && stopping_)) outcome_->fail(failure(QL_ERR_ENGINE, pg_message(PQresultErrorMessage(result))));
      break;
    }
    default:
      break;
  }
  // COPY data and single rows are the middle of a statement; any other
  // result ends it.
  ExecStatusType status = PQresultStatus(result);
  if (status != PGRES_SINGLE_TUPLE && status != PGRES_COPY_IN && status != PGRES_COPY_OUT) first_statement_ = false;
}

bool PgReader::rolls_back() const {
  const sqltext::Keyword keyword = request_.statement.info.keyword;
  return keyword == sqltext::Keyword::rollback || keyword == sqltext::Keyword::abort;
}

}  // namespace ql
