// Binary replay logs: files of length-prefixed statement texts recorded
// elsewhere, played back statement by statement.
//
// Layout (all integers unsigned 32-bit; docs/replay-log-format.md has the
// whole story):
//   header  marker (FF BB BB FF: integers big-endian; anything else: little-
//           endian), then W, the character width of every text (1 or 2)
//   record  a value that is skipped, L (characters), then W x L bytes of
//           text; 16-bit texts are little-endian whatever the marker says
// Records follow one another to the end of the file.
//
// A captured log (traffic taken from a server log) has the marker "TWL1"
// and is little-endian. Its records' first value is the session number (0:
// none), and a text may end in a NUL character and a trailer of ASCII
// characters: the statement's start time in microseconds since the Unix
// epoch, and " end" when the session ended after the statement. Readers of
// the plain layout see a little-endian log whose texts end at the NUL.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sqltext/statement_info.h"
#include "support/file/file.h"

namespace tarnwick {

inline constexpr uint32_t kReplayBigEndianMarker = 0xFFBBBBFFu;
inline constexpr char kReplayCapturedMarker[4] = {'T', 'W', 'L', '1'};

// One record as the reader hands it on.
struct ReplayRecord {
  char* text = nullptr;       // NUL-terminated statement (and COPY data), as next(char**, bool*) gives it
  sqltext::StatementInfo info;  // its head read once (classify_head); info.query: a query
  uint32_t session = 0;       // 0: the log names no sessions (scripts, old logs)
  int64_t time_us = 0;        // start time, microseconds since the Unix epoch; 0: unknown
  bool session_ends = false;  // the captured session ended after this statement
};

// How a replay ended.
enum class ReplayEnd {
  finished,       // every record was played
  invalid_file,   // no complete header, or a width other than 1 and 2
  invalid_entry,  // a record cut short: the records before it were played
};

// Reads a replay log open in a source (named in messages) record by record.
// With `ignore_create`, 16-bit statements that begin with "create" or
// "{unicode}create" are dropped (counted as skipped). Problems are reported
// on standard error: "Invalid file '…' (skipping it)" or "Invalid entry in
// file '…' (skipping at this point)". A record whose text would run past the
// end of the file is an invalid entry before anything is allocated for it,
// and so is a record of a captured log whose trailer is not a time.
class ReplayLogReader {
 public:
  // Statements are read in `dialect`, the lexical syntax of the engine
  // they are played on.
  ReplayLogReader(morvane::iFile& source, const char* name, bool ignore_create,
                  sqltext::Dialect dialect = sqltext::Dialect::postgres);
  ~ReplayLogReader();
  ReplayLogReader(const ReplayLogReader&) = delete;
  ReplayLogReader& operator=(const ReplayLogReader&) = delete;

  // The next statement: its text (NUL-terminated, in the reader's storage,
  // changeable in place until the next call) and whether it is a query.
  // False at the end of the log or at damage; end() then says which.
  bool next(char** text, bool* query);
  // The same, with the session and time of a captured log's record.
  bool next(ReplayRecord* record);
  // Whether the header marks a captured log.
  bool captured() const;
  ReplayEnd end() const { return end_; }
  // The name it was opened with, for messages.
  const char* name() const { return name_; }

 private:
  struct State;
  std::unique_ptr<State> state_;
  const char* name_;
  bool ignore_create_;
  sqltext::Dialect dialect_;
  ReplayEnd end_ = ReplayEnd::finished;
  bool done_ = false;
};

}  // namespace tarnwick
