// tarnwick-log: turns SQL scripts into a binary replay log.
//
//   tarnwick-log [--big-endian] [--utf16] SCRIPT... LOG
//
// Statements are cut as the console cuts them (at ";" outside quotes, with
// comments removed); blank statements are left out. With --utf16 the texts
// are stored as UTF-16, and those beyond ASCII are marked "{unicode}".
// SCRIPT "-" is standard
// input. tarnwick plays a file as a replay log only when its name holds
// "SQL.log.", so LOG should have such a name.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "statements/statement_reader.h"
#include "statements/replay_log_writer.h"
#include "support/file/file.h"

namespace {

tarnwick::ReplayLogFormat g_format;
morvane::iFile g_log;
bool g_failed = false;
long g_records = 0;

void write_statement(char* text, bool* stop_flag) {
  switch (tarnwick::write_replay_record(g_log, g_format, text)) {
    case tarnwick::RecordWritten::written:
      ++g_records;
      break;
    case tarnwick::RecordWritten::blank:
      break;
    case tarnwick::RecordWritten::failed:
      g_failed = true;
      *stop_flag = true;
      break;
  }
}

int usage() {
  std::fputs("usage: tarnwick-log [--big-endian] [--utf16] SCRIPT... LOG\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--big-endian") == 0) {
      g_format.big_endian = true;
    } else if (std::strcmp(argv[i], "--utf16") == 0) {
      g_format.width = 2;
    } else if (std::strcmp(argv[i], "--help") == 0 || (argv[i][0] == '-' && argv[i][1] == '-')) {
      return usage();
    } else {
      files.emplace_back(argv[i]);
    }
  }
  if (files.size() < 2) return usage();
  const std::string log_name = files.back();
  files.pop_back();
  if (log_name.find("SQL.log.") == std::string::npos) {
    std::fprintf(stderr, "tarnwick-log: note: tarnwick replays '%s' only if its name holds \"SQL.log.\"\n",
                 log_name.c_str());
  }
  if (!g_log.open(log_name.c_str(), morvane::IF_MODE_CREATE, morvane::IF_BUFFERED, 0) ||
      !tarnwick::write_replay_header(g_log, g_format)) {
    std::fprintf(stderr, "tarnwick-log: cannot write '%s'\n", log_name.c_str());
    return 1;
  }
  tarnwick::StatementBuffer buffer;
  for (const std::string& name : files) {
    morvane::iFile script;
    if (!script.open(name.c_str(), morvane::IF_MODE_READ, morvane::IF_BUFFERED, 0)) {
      std::fprintf(stderr, "tarnwick-log: cannot read '%s'\n", name.c_str());
      g_failed = true;
      break;
    }
    bool stop = false;
    tarnwick::read_statements(script, buffer, write_statement, &stop);
    if (g_failed) {
      std::fprintf(stderr, "tarnwick-log: cannot write '%s'\n", log_name.c_str());
      break;
    }
  }
  tarnwick::release(buffer);
  g_log.flush();  // a buffered write that failed shows in the error bit
  if (!g_failed && g_log.get()->error() != 0) {
    std::fprintf(stderr, "tarnwick-log: cannot write '%s'\n", log_name.c_str());
    g_failed = true;
  }
  g_log.close();
  if (g_failed) return 1;
  std::fprintf(stderr, "tarnwick-log: %ld statement(s) written to '%s'\n", g_records,
               log_name.c_str());
  return 0;
}
