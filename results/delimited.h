// Query results one row per line, for other programs to read:
//
//   csv        RFC 4180 as psql --csv writes it: a header line, fields
//              separated by ",", a field quoted (inner quotes doubled) when
//              it holds ",", a quote, CR or LF, or is exactly "\."
//   tsv        psql -A -F '\t': fields separated by a tab, never quoted
//   unaligned  psql -A: fields separated by "|", never quoted
//
// NULL is an empty field. There is no count line and no footer; a query
// without rows writes its header line only. Only the fetched page is
// written (--page-size= sets how many rows that is).
#pragma once

#include <string>
#include <vector>

#include "results/result_table.h"

namespace tarnwick {

void print_delimited(const TableOptions& options, const QueryCounts& counts,
                     const std::vector<std::string>& captions, const CellSource& cells);

}  // namespace tarnwick
