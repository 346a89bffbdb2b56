// Reads a whole source with the statement reader as the statement loop
// does, for the reader's tests: each statement's text, the COPY data the
// engine would ask for (after a "copy ... from stdin"), and the loop's
// notes for client commands and data cut off by the end of the source.
#pragma once

#include <string>
#include <vector>

#include "statements/replay_log.h"
#include "statements/statement_reader.h"

namespace tarnwick::testing {

struct ReadAll {
  std::vector<std::string> texts;  // the last (maybe blank) one included
  std::vector<std::string> copy_data;  // per text; "-" when it asked for none
  std::string notes;
};

// Stops after the statement `stop_after` (as "quit;" would), keeping what
// was read ahead in options.unread.
inline ReadAll read_all(StatementReader& reader, const std::string& stop_after = "") {
  ReadAll all;
  for (;;) {
    Statement statement = reader.next();
    if (statement.step == ReadStep::end) break;
    if (statement.step == ReadStep::client_command) {
      all.notes += "Skipping client command in '" + std::string(reader.source_name()) + "' line " +
                   std::to_string(statement.line) + ": " + statement.text + "\n";
      continue;
    }
    all.texts.emplace_back(statement.text, statement.length);
    std::string data = "-";
    if (sqltext::classify({statement.text, statement.length}).copy_from_client) {
      data.clear();
      const char* bytes = nullptr;
      size_t length = 0;
      CopyData got;
      while ((got = reader.next_copy_data(&bytes, &length)) == CopyData::data) data.append(bytes, length);
      if (got == CopyData::source_ended) {
        all.notes += "The copy data in '" + std::string(reader.source_name()) + "' (from line " +
                     std::to_string(reader.copy_first_line()) + ") has no end line \\.\n";
      }
    }
    all.copy_data.push_back(data);
    if (!stop_after.empty() && all.texts.back() == stop_after) {
      reader.keep_unread();
      break;
    }
  }
  return all;
}

// Plays a whole replay log, handing each statement to `each`.
inline ReplayEnd play_all(morvane::iFile& source, const char* name, bool ignore_create,
                          void (*each)(char* text, bool query)) {
  ReplayLogReader log(source, name, ignore_create);
  char* text = nullptr;
  bool query = false;
  while (log.next(&text, &query)) each(text, query);
  return log.end();
}

}  // namespace tarnwick::testing
