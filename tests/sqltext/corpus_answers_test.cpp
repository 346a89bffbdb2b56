// The one reading against the answers of the readers it replaced, over
// every statement of tests/corpus, the fuzz seeds and examples/ (cut by the
// statement reader, and the corpus's PostgreSQL files also with their
// comments). former_answers.txt holds, per statement, the former readers'
// bits (corpus_statements.h), and after a "/" the bits where the one
// reading differs on purpose. Every such difference is a mended fault:
//   - a keyword behind a comment ("-- note\nSELECT ...", "/* 7 */ ALTER"),
//     and SELECT followed by a line feed or tab, were not a query, not a
//     read that may stop at the limit, not a plain read, not a schema
//     change;
//   - a ";", "(", or DML word inside a string, a quoted name or a comment
//     counted as another statement, a function call or a change;
//   - E'...\'...' and U&'\' were misread by the parametrizer.
// Any other change of a reading fails here, naming the statement.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/sqltext/corpus_statements.h"

namespace sqltext::testing {
namespace {

TEST(CorpusAnswers, TheOneReadingDiffersFromTheFormerReadersOnlyWhereTheyWereWrong) {
  const std::filesystem::path root = TARNWICK_SOURCE_DIR;
  std::ifstream answers(root / "tests/sqltext/former_answers.txt");
  ASSERT_TRUE(answers.good());
  const std::vector<Statements> sets = corpus_statements(root);
  std::string line;
  std::getline(answers, line);  // the heading
  size_t checked = 0, mended = 0;
  for (const Statements& set : sets) {
    ASSERT_TRUE(std::getline(answers, line)) << set.name;
    std::istringstream fields(line);
    std::string name;
    size_t count = 0;
    std::getline(fields, name, '\t');
    fields >> count;
    ASSERT_EQ(name, set.name);
    ASSERT_EQ(count, set.texts.size()) << name;
    for (const std::string& text : set.texts) {
      std::string entry;
      fields >> entry;
      const size_t slash = entry.find('/');
      const auto former = static_cast<uint16_t>(std::stoul(entry.substr(0, slash), nullptr, 16));
      const auto differs =
          static_cast<uint16_t>(slash == std::string::npos ? 0 : std::stoul(entry.substr(slash + 1), nullptr, 16));
      EXPECT_EQ(reading_of(text, set.sqlite), former ^ differs) << name << ": " << text;
      ++checked;
      mended += differs != 0;
    }
  }
  EXPECT_GT(checked, 10000u);
  EXPECT_LT(mended * 4, checked);  // most of them behind comments, in the "raw" sets
}

}  // namespace
}  // namespace sqltext::testing
