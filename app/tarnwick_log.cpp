// tarnwick-log: turns SQL scripts, or PostgreSQL server logs, into a binary
// replay log.
//
//   tarnwick-log [--big-endian] [--utf16] [--host=HOST | --dialect=D]
//                [--log-line-prefix=PREFIX] INPUT... LOG
//
// Each INPUT is told by its content: a server log (stderr output with a
// log_line_prefix, csvlog or jsonlog; statements/server_log.h) or a SQL
// script. One run takes either kind, not both.
//
// Scripts: statements are cut as the console cuts them, with the same
// reader and the lexical syntax of the engine that will replay them:
// --host= names it as the console's --host= does, --dialect= says it
// outright (postgres, sqlite or plain); PostgreSQL's, as for the console's
// default host, otherwise. Blank statements are left out, and other
// clients' commands are skipped with a note. The data lines of a "COPY ...
// FROM STDIN" travel in its record, after the statement's line, up to (not
// including) the line "\."; the replay hands them to the engine when it
// asks. SCRIPT "-" is standard input.
//
// Server logs: the statements that the server logged (log_statement = all,
// or log_min_duration_statement = 0), with the parameters of the extended
// protocol put in as literals, go into a captured log (marker "TWL1", docs/
// replay-log-format.md) with each statement's session and start time, and
// the end of each session that the log shows. Several files are read in the
// order given (rotated logs), a session going on from one into the next.
// --log-line-prefix= gives the server's setting when the prefix cannot be
// learned from the lines themselves. Damaged entries are reported and
// skipped. Captured logs are always little-endian.
//
// With --utf16 the texts are stored as UTF-16, and those beyond ASCII are
// marked "{unicode}". tarnwick plays a file as a replay log only when its
// name holds "SQL.log.", so LOG should have such a name. A LOG that exists,
// is not empty and is not a replay log is left as it is.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sqltext/statement_info.h"
#include "statements/replay_log_writer.h"
#include "statements/server_log.h"
#include "statements/statement_reader.h"
#include "support/file/file.h"

namespace {

using tarnwick::Dialect;

int usage() {
  std::fputs(
      "usage: tarnwick-log [--big-endian] [--utf16] [--host=HOST | --dialect=postgres|sqlite|plain]\n"
      "                    [--log-line-prefix=PREFIX] INPUT... LOG\n"
      "  INPUT: SQL scripts (\"-\": standard input), or PostgreSQL server logs (stderr with a\n"
      "  log_line_prefix holding %p or %c, csvlog or jsonlog), told apart by their content\n",
      stderr);
  return 2;
}

bool parse_dialect(const char* name, Dialect* dialect) {
  if (std::strcmp(name, "postgres") == 0) {
    *dialect = Dialect::postgres;
  } else if (std::strcmp(name, "sqlite") == 0) {
    *dialect = Dialect::sqlite;
  } else if (std::strcmp(name, "plain") == 0) {
    *dialect = Dialect::plain;
  } else {
    return false;
  }
  return true;
}

// Whether `name` may be written: it does not exist, is empty, or already
// holds a replay log's header; and it is none of the scripts.
bool may_replace(const std::string& name, const std::vector<std::string>& scripts) {
  struct stat log;
  if (stat(name.c_str(), &log) != 0) return true;
  for (const std::string& script : scripts) {
    struct stat other;
    if (stat(script.c_str(), &other) == 0 && other.st_dev == log.st_dev && other.st_ino == log.st_ino) {
      return false;
    }
  }
  if (!S_ISREG(log.st_mode)) return false;
  if (log.st_size == 0) return true;
  unsigned char header[8];
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) return false;
  bool whole = std::fread(header, 1, sizeof header, file) == sizeof header;
  std::fclose(file);
  if (!whole) return false;
  bool big = header[0] == 0xFF && header[1] == 0xBB && header[2] == 0xBB && header[3] == 0xFF;
  uint32_t width = big ? uint32_t{header[4]} << 24 | uint32_t{header[5]} << 16 | uint32_t{header[6]} << 8 | header[7]
                       : uint32_t{header[7]} << 24 | uint32_t{header[6]} << 16 | uint32_t{header[5]} << 8 | header[4];
  return width == 1 || width == 2;
}

// Writes the statements of one script; false when the log could not be
// written.
bool write_script(morvane::iFile& script, const std::string& name, Dialect dialect,
                  const tarnwick::ReplayLogFormat& format, morvane::iFile& log, long* records) {
  tarnwick::StatementBuffer buffer;
  tarnwick::ReaderOptions options;
  options.dialect = dialect;
  options.source_name = name.c_str();
  tarnwick::StatementReader reader(&script, buffer, options);
  std::string record;
  bool written = true;
  for (;;) {
    tarnwick::Statement statement = reader.next();
    if (statement.step == tarnwick::ReadStep::end) break;
    if (statement.step == tarnwick::ReadStep::client_command) {
      std::fprintf(stderr, "tarnwick-log: skipping client command in '%s' line %lld: %s\n", name.c_str(),
                   static_cast<long long>(statement.line), statement.text);
      continue;
    }
    const char* text = statement.text;
    if (dialect == Dialect::postgres &&
        sqltext::classify({statement.text, statement.length}).copy_from_client) {
      record.assign(statement.text, statement.length);
      record += '\n';
      const char* data = nullptr;
      size_t length = 0;
      tarnwick::CopyData got;
      while ((got = reader.next_copy_data(&data, &length)) == tarnwick::CopyData::data) {
        record.append(data, length);
        if (record.back() != '\n') record += '\n';
      }
      if (got == tarnwick::CopyData::source_ended) {
        std::fprintf(stderr, "tarnwick-log: the copy data in '%s' (from line %lld) has no end line \\.\n",
                     name.c_str(), static_cast<long long>(reader.copy_first_line()));
      }
      text = record.c_str();
    }
    switch (tarnwick::write_replay_record(log, format, text)) {
      case tarnwick::RecordWritten::written: ++*records; break;
      case tarnwick::RecordWritten::blank: break;
      case tarnwick::RecordWritten::failed: written = false; break;
    }
    if (!written) break;
  }
  tarnwick::release(buffer);
  return written;
}

// What an input holds, told by its content.
enum class Input { script, server_log, unreadable };

Input kind_of(const std::string& name, const std::string& prefix_setting) {
  if (name == "-") return Input::script;
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) return Input::unreadable;
  std::fclose(file);
  return tarnwick::server_log_format(name, prefix_setting) == tarnwick::ServerLogFormat::none ? Input::script
                                                                                             : Input::server_log;
}

// Writes the statements that `reader` captures; false when the log could
// not be written.
bool write_captured(tarnwick::ServerLogReader& reader, const tarnwick::ReplayLogFormat& format,
                    morvane::iFile& log, long* records, uint32_t* sessions) {
  tarnwick::CapturedStatement statement;
  while (reader.next(&statement)) {
    const tarnwick::RecordStamp stamp{statement.session, statement.time_us, statement.session_ends};
    switch (tarnwick::write_replay_record(log, format, statement.text.c_str(), &stamp)) {
      case tarnwick::RecordWritten::written:
        ++*records;
        *sessions = std::max(*sessions, statement.session);
        break;
      case tarnwick::RecordWritten::blank: break;
      case tarnwick::RecordWritten::failed: return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  tarnwick::ReplayLogFormat format;
  Dialect dialect = tarnwick::dialect_of_host("127.0.0.1");  // the console's default host
  std::string prefix_setting;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (std::strcmp(argument, "--big-endian") == 0) {
      format.big_endian = true;
    } else if (std::strcmp(argument, "--utf16") == 0) {
      format.width = 2;
    } else if (std::strncmp(argument, "--host=", 7) == 0) {
      dialect = tarnwick::dialect_of_host(argument + 7);
    } else if (std::strncmp(argument, "--dialect=", 10) == 0) {
      if (!parse_dialect(argument + 10, &dialect)) return usage();
    } else if (std::strncmp(argument, "--log-line-prefix=", 18) == 0) {
      prefix_setting = argument + 18;
    } else if (argument[0] == '-' && argument[1] == '-') {
      return usage();
    } else {
      files.emplace_back(argument);
    }
  }
  if (files.size() < 2) return usage();
  const std::string log_name = files.back();
  files.pop_back();

  // Server logs or scripts, by their content; a file that cannot be read is
  // reported when its turn comes.
  std::string server_log;
  std::string script;
  for (const std::string& name : files) {
    switch (kind_of(name, prefix_setting)) {
      case Input::server_log: server_log = name; break;
      case Input::script: script = name; break;
      case Input::unreadable: break;
    }
  }
  if (!server_log.empty() && !script.empty()) {
    std::fprintf(stderr,
                 "tarnwick-log: '%s' is a server log and '%s' is not (a SQL script?); convert them in "
                 "separate runs\n",
                 server_log.c_str(), script.c_str());
    return 1;
  }
  const bool capture = !server_log.empty();
  if (capture && format.big_endian) {
    std::fputs("tarnwick-log: a log captured from server logs is always little-endian; --big-endian is "
               "for scripts\n", stderr);
    return 2;
  }
  format.captured = capture;

  if (log_name.find("SQL.log.") == std::string::npos) {
    std::fprintf(stderr, "tarnwick-log: note: tarnwick replays '%s' only if its name holds \"SQL.log.\"\n",
                 log_name.c_str());
  }
  if (!may_replace(log_name, files)) {
    std::fprintf(stderr, "tarnwick-log: '%s' exists and is not a replay log; it is left as it is\n",
                 log_name.c_str());
    return 1;
  }
  morvane::iFile log;
  if (!log.open(log_name.c_str(), morvane::IF_MODE_CREATE, morvane::IF_BUFFERED, 0) ||
      !tarnwick::write_replay_header(log, format)) {
    std::fprintf(stderr, "tarnwick-log: cannot write '%s'\n", log_name.c_str());
    return 1;
  }
  long records = 0;
  uint32_t sessions = 0;
  bool failed = false;
  bool unread = false;  // an input that could not be read, or not as a server log
  long skipped = 0;
  if (capture) {
    tarnwick::ServerLogReader reader(files, prefix_setting);
    if (!write_captured(reader, format, log, &records, &sessions)) {
      std::fprintf(stderr, "tarnwick-log: cannot write '%s'\n", log_name.c_str());
      failed = true;
    }
    unread = reader.failed();
    skipped = reader.skipped();
  } else {
    for (const std::string& name : files) {
      morvane::iFile script;
      if (!script.open(name.c_str(), morvane::IF_MODE_READ, morvane::IF_BUFFERED, 0)) {
        std::fprintf(stderr, "tarnwick-log: cannot read '%s'\n", name.c_str());
        failed = true;
        break;
      }
      if (!write_script(script, name, dialect, format, log, &records)) {
        std::fprintf(stderr, "tarnwick-log: cannot write '%s'\n", log_name.c_str());
        failed = true;
        break;
      }
    }
  }
  log.flush();  // a buffered write that failed shows in the error bit
  if (!failed && log.get()->error() != 0) {
    std::fprintf(stderr, "tarnwick-log: cannot write '%s'\n", log_name.c_str());
    failed = true;
  }
  log.close();
  if (failed) return 1;
  if (capture) {
    std::fprintf(stderr, "tarnwick-log: %ld statement(s) of %u session(s) written to '%s'; %ld entr%s skipped\n",
                 records, sessions, log_name.c_str(), skipped, skipped == 1 ? "y" : "ies");
    return unread ? 1 : 0;
  }
  std::fprintf(stderr, "tarnwick-log: %ld statement(s) written to '%s'\n", records, log_name.c_str());
  return 0;
}
