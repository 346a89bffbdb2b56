#include "ql_client/core/outcome.h"

#include <time.h>

#include <cerrno>
#include <limits>

namespace ql {

void Outcome::begin_result(std::vector<std::string> captions, bool rows) {
  captions_ = std::move(captions);
  has_rows_ = rows;
  page_.clear();
  rows_ = 0;
  fetched_ = 0;
}

void Outcome::drop_page() {
  std::vector<std::string>().swap(captions_);
  page_.clear();
  rows_ = 0;
  fetched_ = 0;
}

bool Outcome::row_wanted() const {
  if (limits_.answers_limit < 1) return rows_ < std::numeric_limits<int32_t>::max();
  return rows_ < limits_.answers_limit;
}

bool Outcome::keeps_next_row() const { return fetched_ < limits_.page_size; }

void Outcome::count_row() {
  if (keeps_next_row()) ++fetched_;
  ++rows_;
}

void Outcome::fail(Failure failure) {
  if (!failed()) failure_ = std::move(failure);
}

int32_t Outcome::affected() const {
  if (failed()) return -1;
  if (affected_ > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(affected_);
}

bool Outcome::cell(int32_t row, int32_t column, const char** text, size_t* length) const {
  if (row < 0 || row >= fetched() || column < 0 || column >= columns()) return false;
  *text = page_.text(static_cast<size_t>(row) * captions_.size() + column, length);
  return true;
}

const std::string* Outcome::caption(int32_t column) const {
  if (column < 0 || column >= columns()) return nullptr;
  return &captions_[column];
}

int64_t monotonic_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

void sleep_until_ns(int64_t due_ns) {
  if (due_ns <= 0) return;
  timespec due{static_cast<time_t>(due_ns / 1000000000), static_cast<long>(due_ns % 1000000000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr) == EINTR) {
  }
}

}  // namespace ql
