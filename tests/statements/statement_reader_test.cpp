#include "statements/statement_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/file/file.h"
#include "tests/statements/read_all.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick {
namespace {

std::vector<std::string> received;
std::string stop_after;  // the loop ends the source after this statement

// Every case runs reading byte by byte (0) and in blocks of several sizes,
// so that runs, quotes and read-ahead bytes that meet a block's edge are
// covered.
class StatementReaderTest : public morvane::testing::TempDirTest,
                            public ::testing::WithParamInterface<uint32_t> {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    received.clear();
    stop_after.clear();
  }
  // The buffer keeps its storage between statements and sources.
  void TearDown() override {
    release(buffer_);
    TempDirTest::TearDown();
  }

  // The statements cut from `script`, the final (possibly blank) one included.
  std::vector<std::string> read(const std::string& script) {
    write_file("script.sql", script);
    morvane::iFile source;
    EXPECT_TRUE(source.open(path("script.sql").c_str(), morvane::IF_MODE_READ,
                            morvane::IF_BUFFERED, 0));
    ReaderOptions options;
    options.block_size = GetParam();
    {
      StatementReader reader(&source, buffer_, options);
      for (const std::string& text : testing::read_all(reader, stop_after).texts) received.push_back(text);
    }
    EXPECT_EQ(buffer_.length, 0u);
    return received;
  }

  StatementBuffer buffer_;
};

using Texts = std::vector<std::string>;

TEST_P(StatementReaderTest, CutsAtSemicolonsAndHandsOnTheRestAtTheEnd) {
  EXPECT_EQ(read("select 1; select 2"), (Texts{"select 1;", " select 2"}));
}

TEST_P(StatementReaderTest, AnEmptySourceHandsOnOneEmptyText) {
  EXPECT_EQ(read(""), (Texts{""}));
}

TEST_P(StatementReaderTest, CommentsVanishAndLineBreaksBecomeBlanks) {
  EXPECT_EQ(read("a/*x*/b;"), (Texts{"ab;", ""}));
  received.clear();
  EXPECT_EQ(read("a -- c\nb;"), (Texts{"a b;", ""}));
  received.clear();
  EXPECT_EQ(read("# note\nselect\t1\r\n;"), (Texts{"select 1  ;", ""}));
}

TEST_P(StatementReaderTest, QuotesKeepEverythingAndDoubledQuotesStayDoubled) {
  EXPECT_EQ(read("select 'a;b''c'; x"), (Texts{"select 'a;b''c';", " x"}));
  received.clear();
  EXPECT_EQ(read("'a\n--b#c/*';"), (Texts{"'a\n--b#c/*';", ""}));
}

TEST_P(StatementReaderTest, LoneDashSlashAndQuoteAtTheEnd) {
  EXPECT_EQ(read("a-"), (Texts{"a-"}));
  received.clear();
  EXPECT_EQ(read("a/"), (Texts{"a/"}));
  received.clear();
  EXPECT_EQ(read("a - b / c;"), (Texts{"a - b / c;", ""}));
  received.clear();
  EXPECT_EQ(read("x 'abc"), (Texts{"x 'abc"}));
  received.clear();
  EXPECT_EQ(read("x 'ab'"), (Texts{"x 'ab'"}));
}

// "/* x **/" ends at its last two bytes: keeping it open (as an older rule
// did) silently lost every statement after a "/** header **/".
TEST_P(StatementReaderTest, BlockCommentsCloseAtTheFirstStarSlash) {
  EXPECT_EQ(read("a/* x **/b;c"), (Texts{"ab;", "c"}));
  received.clear();
  EXPECT_EQ(read("/** header **/select 1;/***/x"), (Texts{"select 1;", "x"}));
  received.clear();
  EXPECT_EQ(read("a/* x */b;/* open"), (Texts{"ab;", "/* open"}));  // sent whole, for the engine to reject
}

TEST_P(StatementReaderTest, AQuoteLeftOpenDoesNotCarryIntoTheNextSource) {
  read("select 'open");
  received.clear();
  EXPECT_EQ(read("select 1;"), (Texts{"select 1;", ""}));
}

TEST_P(StatementReaderTest, NulAndBinaryBytesOutsideQuotes) {
  EXPECT_EQ(read(std::string("a\0b\xff;", 5)), (Texts{"a b\xff;", ""}));
}

TEST_P(StatementReaderTest, TheStopFlagEndsTheSource) {
  stop_after = " quit;";
  EXPECT_EQ(read("a; quit; b;"), (Texts{"a;", " quit;"}));
}

TEST(StatementBufferTest, GrowsTwiceAndOneAndReleases) {
  StatementBuffer buffer;
  std::vector<size_t> capacities;
  for (int i = 0; i < 16; ++i) {
    append_byte(buffer, 'x');
    if (capacities.empty() || capacities.back() != buffer.capacity) {
      capacities.push_back(buffer.capacity);
    }
  }
  EXPECT_EQ(capacities, (std::vector<size_t>{1, 3, 7, 15, 31}));
  EXPECT_EQ(std::string(buffer.data, buffer.length), std::string(16, 'x'));
  release(buffer);
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.capacity, 0u);
}

TEST_P(StatementReaderTest, AStatementOfTenMegabytes) {
  std::string big = "insert into t values('" + std::string(10 << 20, 'y') + "');";
  Texts texts = read(big);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], big);
  // Its storage went back; a common statement's stays for the next one.
  EXPECT_LT(buffer_.capacity, 16u);
  received.clear();
  read("select 1234567890123;");
  EXPECT_GE(buffer_.capacity, 22u);
  EXPECT_LE(buffer_.capacity, kKeptBufferCapacity);
}

// Standard input named twice: what the first reading read ahead past the
// statement that ended it is where the second one starts.
TEST_P(StatementReaderTest, BytesReadAheadAreKeptForTheNextReading) {
  write_file("script.sql", "a; quit; b;\nc");
  morvane::iFile source;
  ASSERT_TRUE(source.open(path("script.sql").c_str(), morvane::IF_MODE_READ,
                          morvane::IF_BUFFERED, 0));
  std::string unread;
  ReaderOptions options;
  options.block_size = GetParam();
  options.unread = &unread;
  {
    StatementReader first(&source, buffer_, options);
    EXPECT_EQ(testing::read_all(first, " quit;").texts, (Texts{"a;", " quit;"}));
  }
  StatementReader second(&source, buffer_, options);
  EXPECT_EQ(testing::read_all(second).texts, (Texts{" b;", " c"}));
  EXPECT_EQ(unread, "");
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, StatementReaderTest,
                         ::testing::Values(0u, 1u, 2u, 3u, 7u, kReadBlockSize));

}  // namespace
}  // namespace tarnwick
