// The statements of tests/corpus, the fuzz seeds and examples/ as the
// program meets them: cut by the statement reader (comments removed), and
// the corpus's PostgreSQL files cut at each ";" with their comments, as a
// replay log or a server log carries them. Each statement's reading is a
// set of bits, one per question the runners ask.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sqltext/literals.h"
#include "sqltext/statement_info.h"
#include "statements/statement_reader.h"
#include "support/file/file.h"

namespace sqltext::testing {

enum Bit : uint16_t {
  kScriptQuery = 1 << 0,  // a query, as a script's statement
  kReplayQuery = 1 << 1,  // a query, as a replay record
  kOpens = 1 << 2,
  kEnds = 1 << 3,
  kCopy = 1 << 4,
  kSchemaChange = 1 << 5,
  kCopyFromClient = 1 << 6,
  kSeveral = 1 << 7,
  kMayStop = 1 << 8,
  kPlainRead = 1 << 9,
  kLiteralRow = 1 << 10,
  kDropsPrepared = 1 << 11,
  kGoesAlone = 1 << 12,      // BEGIN, START or COPY: never pipelined
  kParametrized = 1 << 13,   // standard_conforming_strings on
  kParametrizedOff = 1 << 14,
};

struct Statements {
  std::string name;  // the file, and "raw" for the cut with comments
  bool sqlite = false;
  std::vector<std::string> texts;
};

// What the program's reading answers for one statement.
inline uint16_t reading_of(const std::string& text, bool sqlite) {
  // The console side reads the head of a statement only.
  const StatementInfo info = classify_head(text, sqlite ? Dialect::sqlite : Dialect::postgres);
  // The client library reads every statement as PostgreSQL's, after the marker.
  const StatementInfo library = classify(text);
  const std::string_view body = std::string_view(text).substr(library.body);
  Parameters parameters;
  uint16_t bits = 0;
  auto set = [&bits](bool on, uint16_t bit) { bits = static_cast<uint16_t>(bits | (on ? bit : 0)); };
  set(info.query, kScriptQuery);
  set(info.query, kReplayQuery);
  set(info.opens_block, kOpens);
  set(info.ends_block, kEnds);
  set(info.copy, kCopy);
  set(info.schema_change, kSchemaChange);
  set(classify(text).copy_from_client, kCopyFromClient);
  set(library.several, kSeveral);
  set(library.may_stop, kMayStop);
  set(library.plain_read, kPlainRead);
  set(library.literal_row, kLiteralRow);
  set(library.drops_prepared, kDropsPrepared);
  set(library.several || library.keyword == Keyword::begin || library.keyword == Keyword::start || library.copy,
      kGoesAlone);
  set(parametrize(body, true, &parameters), kParametrized);
  set(parametrize(body, false, &parameters), kParametrizedOff);
  return bits;
}

inline Statements read_file(const std::filesystem::path& path, bool sqlite) {
  Statements out{path.string(), sqlite, {}};
  morvane::iFile source;
  if (!source.open(path.string().c_str(), morvane::IF_MODE_READ, morvane::IF_BUFFERED, 0)) return out;
  tarnwick::StatementBuffer buffer;
  tarnwick::ReaderOptions options;
  options.dialect = sqlite ? tarnwick::Dialect::sqlite : tarnwick::Dialect::postgres;
  options.source_name = "corpus";
  {
    tarnwick::StatementReader reader(&source, buffer, options);
    for (tarnwick::Statement s = reader.next(); s.step != tarnwick::ReadStep::end; s = reader.next()) {
      if (s.step == tarnwick::ReadStep::statement) out.texts.emplace_back(s.text, s.length);
    }
  }
  tarnwick::release(buffer);
  return out;
}

inline Statements cut_raw(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  Statements out{path.string() + " raw", false, {}};
  Lexer lexer(text, Dialect::postgres);
  Token token;
  size_t from = 0;
  while (lexer.next(&token)) {
    if (token.kind != TokenKind::semicolon) continue;
    size_t begin = text.find_first_not_of(" \t\r\n", from);
    if (begin < token.end) out.texts.push_back(text.substr(begin, token.end - begin));
    from = token.end;
  }
  return out;
}

// Every set, in a fixed order: files sorted by name within each folder.
inline std::vector<Statements> corpus_statements(const std::filesystem::path& root) {
  namespace fs = std::filesystem;
  auto sorted = [](const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
  };
  std::vector<Statements> sets;
  for (const fs::path& file : sorted(root / "tests/corpus")) {
    if (file.extension() != ".sql") continue;
    const bool sqlite = file.string().find("sqlite") != std::string::npos;
    sets.push_back(read_file(file, sqlite));
    if (!sqlite) sets.push_back(cut_raw(file));
  }
  for (const fs::path& file : sorted(root / "tests/fuzz/corpus")) sets.push_back(read_file(file, false));
  for (const fs::path& file : sorted(root / "examples")) {
    if (file.extension() == ".sql") sets.push_back(read_file(file, file.string().find("postgres") == std::string::npos));
  }
  for (Statements& set : sets) {
    set.name = fs::relative(set.name.substr(0, set.name.find(' ')), root).string() +
               (set.name.find(' ') == std::string::npos ? "" : " raw");
  }
  return sets;
}

}  // namespace sqltext::testing
