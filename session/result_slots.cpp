#include "session/result_slots.h"

#include <algorithm>

#include "runtime/run_settings.h"

namespace tarnwick {

ResultSlots result_slots;
std::vector<std::string> pending_statements;
std::vector<uint8_t> pending_marks;
bool pending_are_queries = false;
bool pending_in_block = false;

namespace {
constexpr size_t kInitialSlots = 1024;
}

void create_result_slots() {
  size_t wanted = static_cast<size_t>(std::max(settings.statements, 1));
  ensure_result_slots(std::min(wanted, kInitialSlots));
}

void ensure_result_slots(size_t count) {
  if (result_slots.row_counts.size() >= count) return;
  result_slots.text_pointers.resize(count, nullptr);
  result_slots.column_counts.resize(count, 0);
  result_slots.row_counts.resize(count, 0);
  result_slots.fetched_counts.resize(count, 0);
  result_slots.caption_lists.resize(count);
  result_slots.returns_rows.resize(count, 0);
}

void release_result_slots() {
  result_slots = ResultSlots();
  pending_statements.clear();
  pending_statements.shrink_to_fit();
  pending_marks.clear();
  pending_in_block = false;
}

}  // namespace tarnwick
