// ResultSlots and the pending batch: what a statement or a batch leaves for
// the result renderer.
//
// Slot i belongs to entry i of a batch being sent, or slot 0 to a statement
// sent alone. pending_statements holds the statements waiting to be sent
// together in pool mode, all queries or all non-queries as
// pending_are_queries says. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

struct ResultSlots {
  std::vector<const char*> text_pointers;        // written by flush_batch
  std::vector<int32_t> column_counts;            // columns of a query
  std::vector<int32_t> row_counts;               // rows of a query, or rows affected
  std::vector<int32_t> fetched_counts;           // rows the cursor holds
  std::vector<std::vector<std::string>> caption_lists;  // slot 0 only, statements sent alone
  // For a non-query statement: 1 when the engine answered it with rows,
  // which are then shown as a query's table.
  std::vector<int32_t> returns_rows;
};

extern ResultSlots result_slots;

extern std::vector<std::string> pending_statements;
extern std::vector<uint8_t> pending_marks;  // block_marks of each (session/timing.h)
extern bool pending_are_queries;
// A transaction block is open in pool mode: its statements go as batches
// of one, all on session 0.
extern bool pending_in_block;

// Makes room for the first slots at start-up. The arrays grow with the
// largest batch actually sent, so a huge --statements costs nothing until
// that many statements are pending.
void create_result_slots();
// Makes sure slots 0 to count - 1 exist.
void ensure_result_slots(size_t count);
void release_result_slots();

}  // namespace tarnwick
