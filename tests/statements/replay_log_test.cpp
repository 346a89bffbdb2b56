#include "statements/replay_log.h"
#include "statements/replay_log_writer.h"

#include <gtest/gtest.h>

#include "tests/statements/read_all.h"

#include <cstring>
#include <string>
#include <vector>

#include "support/file/open_flags.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

// What the replay handed on, in order.
struct Played {
  std::string text;
  bool query;
};
std::vector<Played> g_played;

void record(char* text, bool query) { g_played.push_back({text, query}); }

// Builds a log byte by byte.
class LogBytes {
 public:
  LogBytes(bool big_endian, uint32_t width) : big_endian_(big_endian) {
    if (big_endian) {
      bytes_ += "\xFF\xBB\xBB\xFF";
    } else {
      bytes_ += std::string(4, '\0');
    }
    u32(width);
  }
  LogBytes& u32(uint32_t value) {
    for (int i = 0; i < 4; ++i) {
      int shift = big_endian_ ? 24 - 8 * i : 8 * i;
      bytes_.push_back(static_cast<char>(value >> shift & 0xFF));
    }
    return *this;
  }
  LogBytes& narrow(const std::string& text) {
    u32(0xDEADBEEF).u32(static_cast<uint32_t>(text.size()));
    bytes_ += text;
    return *this;
  }
  LogBytes& wide(const std::u16string& text) {
    u32(7).u32(static_cast<uint32_t>(text.size()));
    for (char16_t unit : text) {  // little-endian whatever the marker says
      bytes_.push_back(static_cast<char>(unit & 0xFF));
      bytes_.push_back(static_cast<char>(unit >> 8));
    }
    return *this;
  }
  LogBytes& raw(const std::string& bytes) {
    bytes_ += bytes;
    return *this;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  bool big_endian_;
  std::string bytes_;
};

class ReplayLogTest : public morvane::testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    g_played.clear();
  }
  // Plays `bytes` as a log file; returns how it ended and what it printed.
  ReplayEnd play(const std::string& bytes, bool ignore_create = false) {
    write_file("run.SQL.log.1", bytes);
    morvane::iFile source;
    EXPECT_TRUE(source.open(path("run.SQL.log.1").c_str(), morvane::IF_MODE_READ, 0, 0));
    CaptureStderr();
    ReplayEnd end = testing::play_all(source, "run.SQL.log.1", ignore_create, record);
    errors_ = GetCapturedStderr();
    return end;
  }
  std::string errors_;
};

TEST_F(ReplayLogTest, NarrowRecordsInBothByteOrders) {
  for (bool big_endian : {false, true}) {
    g_played.clear();
    LogBytes log(big_endian, 1);
    log.narrow("  \r\n\tSELECT 1").narrow("select\tx").narrow("selectx").narrow("insert into t values (1)");
    EXPECT_EQ(play(log.bytes()), ReplayEnd::finished);
    EXPECT_EQ(errors_, "");
    ASSERT_EQ(g_played.size(), 4u);
    EXPECT_EQ(g_played[0].text, "SELECT 1") << "leading blanks are skipped";
    EXPECT_TRUE(g_played[0].query);
    EXPECT_TRUE(g_played[1].query);
    EXPECT_FALSE(g_played[2].query);
    EXPECT_FALSE(g_played[3].query);
  }
}

TEST_F(ReplayLogTest, WideRecordsAreLittleEndianUnitsWhateverTheMarker) {
  for (bool big_endian : {false, true}) {
    g_played.clear();
    LogBytes log(big_endian, 2);
    log.wide(u"select 'caf\u00E9'").wide(u"{UNICODE}Select\t1").wide(u" select 1").wide(u"create table t");
    EXPECT_EQ(play(log.bytes()), ReplayEnd::finished);
    ASSERT_EQ(g_played.size(), 4u);
    EXPECT_EQ(g_played[0].text, "select 'caf\xC3\xA9'") << "handed on as UTF-8";
    EXPECT_TRUE(g_played[0].query);
    EXPECT_TRUE(g_played[1].query);
    EXPECT_TRUE(g_played[2].query) << "a query is one however it is spaced";
    EXPECT_EQ(g_played[2].text, " select 1") << "wide records skip no blanks";
    EXPECT_FALSE(g_played[3].query);
  }
}

TEST_F(ReplayLogTest, IgnoreCreateDropsOnlyWideCreates) {
  LogBytes wide(false, 2);
  wide.wide(u"CREATE table a").wide(u"{unicode}create table b").wide(u"createx").wide(u"drop table c");
  EXPECT_EQ(play(wide.bytes(), true), ReplayEnd::finished);
  ASSERT_EQ(g_played.size(), 1u);
  EXPECT_EQ(g_played[0].text, "drop table c");
  g_played.clear();
  LogBytes narrow(false, 1);
  narrow.narrow("create table a");
  EXPECT_EQ(play(narrow.bytes(), true), ReplayEnd::finished);
  ASSERT_EQ(g_played.size(), 1u) << "8-bit records are never dropped";
}

TEST_F(ReplayLogTest, HeadersAndWidths) {
  EXPECT_EQ(play(LogBytes(false, 1).bytes()), ReplayEnd::finished) << "header only";
  EXPECT_EQ(errors_, "");
  EXPECT_TRUE(g_played.empty());
  EXPECT_EQ(play(std::string("\0\0\0\0\1\0", 6)), ReplayEnd::invalid_file);
  EXPECT_EQ(errors_, "Invalid file 'run.SQL.log.1' (skipping it)\n");
  EXPECT_EQ(play(""), ReplayEnd::invalid_file);
  EXPECT_EQ(play(LogBytes(false, 3).narrow("abc").bytes()), ReplayEnd::invalid_file);
  EXPECT_EQ(play(LogBytes(false, 0).bytes()), ReplayEnd::invalid_file);
  // W = 1 read with the wrong byte order is 16,777,216: not a width.
  EXPECT_EQ(play(std::string("\xFF\xBB\xBB\xFF\1\0\0\0", 8)), ReplayEnd::invalid_file);
  EXPECT_TRUE(g_played.empty());
}

TEST_F(ReplayLogTest, DamagedRecordsStopTheLogAfterWhatWasPlayed) {
  const std::string good = LogBytes(false, 1).narrow("one").bytes();
  EXPECT_EQ(play(good + std::string("\0\0\0\0\5\0", 6)), ReplayEnd::invalid_entry) << "cut length";
  EXPECT_EQ(errors_, "Invalid entry in file 'run.SQL.log.1' (skipping at this point)\n");
  ASSERT_EQ(g_played.size(), 1u);
  g_played.clear();
  LogBytes cut_text(false, 1);
  cut_text.narrow("two").u32(0).u32(10).raw("short");
  EXPECT_EQ(play(cut_text.bytes()), ReplayEnd::invalid_entry) << "cut text";
  EXPECT_EQ(g_played.size(), 1u);
  g_played.clear();
  LogBytes huge(true, 2);
  huge.wide(u"three").u32(0).u32(0xFFFFFFFF).raw("xy");
  EXPECT_EQ(play(huge.bytes()), ReplayEnd::invalid_entry) << "a huge length allocates nothing";
  EXPECT_EQ(g_played.size(), 1u);
}

TEST_F(ReplayLogTest, EmptyTextsAndConsoleWordsAreStatements) {
  LogBytes log(false, 1);
  log.narrow("").narrow("quit;").narrow("exit");
  EXPECT_EQ(play(log.bytes()), ReplayEnd::finished);
  ASSERT_EQ(g_played.size(), 3u);
  EXPECT_EQ(g_played[0].text, "");
  EXPECT_EQ(g_played[1].text, "quit;") << "commands are not interpreted in a log";
  g_played.clear();
  LogBytes wide(false, 2);
  wide.wide(u"");
  EXPECT_EQ(play(wide.bytes()), ReplayEnd::finished);
  ASSERT_EQ(g_played.size(), 1u);
  EXPECT_EQ(g_played[0].text, "");
}

TEST_F(ReplayLogTest, LargeLogsCrossTheReadBuffer) {
  LogBytes log(false, 1);
  std::string big(3 << 20, 'x');
  big.replace(0, 7, "select ");
  log.narrow(big);
  for (int i = 0; i < 20000; ++i) log.narrow("insert into t values (" + std::to_string(i) + ")");
  EXPECT_EQ(play(log.bytes()), ReplayEnd::finished);
  ASSERT_EQ(g_played.size(), 20001u);
  EXPECT_EQ(g_played[0].text.size(), big.size());
  EXPECT_EQ(g_played[20000].text, "insert into t values (19999)");
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// Logs made by the writer play back as the statements that went in.
TEST_F(ReplayLogTest, WrittenLogsPlayBack) {
  for (bool big_endian : {false, true}) {
    for (uint32_t width : {1u, 2u}) {
      g_played.clear();
      morvane::iFile log;
      ASSERT_TRUE(log.open(path("w.SQL.log.1").c_str(), morvane::IF_MODE_CREATE, 0, 0));
      const ReplayLogFormat format{big_endian, width};
      ASSERT_TRUE(write_replay_header(log, format));
      EXPECT_EQ(write_replay_record(log, format, "\n  select 'caf\xC3\xA9' \n"), RecordWritten::written);
      EXPECT_EQ(write_replay_record(log, format, " \r\n\t"), RecordWritten::blank);
      EXPECT_EQ(write_replay_record(log, format, "insert into t values (1);"), RecordWritten::written);
      log.close();
      morvane::iFile source;
      ASSERT_TRUE(source.open(path("w.SQL.log.1").c_str(), morvane::IF_MODE_READ, 0, 0));
      EXPECT_EQ(testing::play_all(source, "w", false, record), ReplayEnd::finished);
      ASSERT_EQ(g_played.size(), 2u);
      EXPECT_EQ(g_played[0].text, width == 1 ? "select 'caf\xC3\xA9'" : "{unicode}select 'caf\xC3\xA9'");
      EXPECT_TRUE(g_played[0].query);
      EXPECT_EQ(g_played[1].text, "insert into t values (1);");
    }
  }
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// Captured logs: "TWL1", sessions in the skipped field, times and ends after
// a NUL at the end of the text.
class CapturedLogTest : public ReplayLogTest {
 protected:
  // Each record as "SESSION TIME[ end] TEXT"; `captured` gets what the
  // reader says of the header.
  std::vector<std::string> records_of(const std::string& bytes, bool* captured = nullptr) {
    write_file("c.SQL.log.1", bytes);
    morvane::iFile source;
    EXPECT_TRUE(source.open(path("c.SQL.log.1").c_str(), morvane::IF_MODE_READ, 0, 0));
    CaptureStderr();
    ReplayLogReader reader(source, "c.SQL.log.1", false);
    std::vector<std::string> records;
    ReplayRecord r;
    while (reader.next(&r)) {
      records.push_back(std::to_string(r.session) + " " + std::to_string(r.time_us) +
                        (r.session_ends ? " end " : " ") + r.text);
    }
    errors_ = GetCapturedStderr();
    end_ = reader.end();
    if (captured != nullptr) *captured = reader.captured();
    return records;
  }
  ReplayEnd end_ = ReplayEnd::finished;
};

TEST_F(CapturedLogTest, WrittenStampsComeBackAndPlainReadersSeeTheStatements) {
  for (uint32_t width : {1u, 2u}) {
    SCOPED_TRACE(width);
    morvane::iFile log;
    ASSERT_TRUE(log.open(path("w.SQL.log.1").c_str(), morvane::IF_MODE_CREATE, 0, 0));
    const ReplayLogFormat format{false, width, true};
    const RecordStamp first{1, 1796724001002000, false};
    const RecordStamp copy{2, 0, true};
    const RecordStamp last{1, 5, true};
    ASSERT_TRUE(write_replay_header(log, format));
    EXPECT_EQ(write_replay_record(log, format, " select 'caf\xC3\xA9' ", &first), RecordWritten::written);
    EXPECT_EQ(write_replay_record(log, format, "copy t from stdin;\n1\n2\n", &copy), RecordWritten::written);
    EXPECT_EQ(write_replay_record(log, format, "select 2"), RecordWritten::written);
    EXPECT_EQ(write_replay_record(log, format, "commit", &last), RecordWritten::written);
    log.close();
    const std::string bytes = read_file("w.SQL.log.1");
    const std::string cafe = width == 1 ? "select 'caf\xC3\xA9'" : "{unicode}select 'caf\xC3\xA9'";
    bool captured = false;
    EXPECT_EQ(records_of(bytes, &captured),
              (std::vector<std::string>{"1 1796724001002000 " + cafe, "2 0 end copy t from stdin;\n1\n2",
                                        "0 0 select 2", "1 5 end commit"}));
    EXPECT_TRUE(captured);
    EXPECT_EQ(end_, ReplayEnd::finished);

    // What a reader of the plain layout sees: the header's marker is not
    // FF BB BB FF, so little-endian; its texts end at the NUL.
    g_played.clear();
    EXPECT_EQ(play(std::string(4, '\0') + bytes.substr(4)), ReplayEnd::finished);
    EXPECT_EQ(errors_, "");
    ASSERT_EQ(g_played.size(), 4u);
    EXPECT_EQ(g_played[0].text, cafe);
    EXPECT_TRUE(g_played[0].query);
    EXPECT_EQ(g_played[1].text, "copy t from stdin;\n1\n2");
    EXPECT_EQ(g_played[3].text, "commit");
  }
}

TEST_F(CapturedLogTest, PlainLogsAreWrittenAndReadAsBefore) {
  // A stamp has no room in a plain log: the record is the unstamped one.
  for (bool big_endian : {false, true}) {
    morvane::iFile log;
    ASSERT_TRUE(log.open(path("p.SQL.log.1").c_str(), morvane::IF_MODE_CREATE, 0, 0));
    const ReplayLogFormat format{big_endian, 1};
    const RecordStamp stamp{3, 7, true};
    ASSERT_TRUE(write_replay_header(log, format));
    EXPECT_EQ(write_replay_record(log, format, "select 1", &stamp), RecordWritten::written);
    log.close();
    EXPECT_EQ(read_file("p.SQL.log.1"), LogBytes(big_endian, 1).u32(0).u32(8).raw("select 1").bytes());
  }
  // The skipped field stays skipped and nothing after a NUL is looked at.
  bool captured = true;
  EXPECT_EQ(records_of(LogBytes(false, 1).narrow(std::string("select 1\0junk", 13)).bytes(), &captured),
            std::vector<std::string>{"0 0 select 1"});
  EXPECT_FALSE(captured);
  EXPECT_EQ(end_, ReplayEnd::finished);
}

TEST_F(CapturedLogTest, ATrailerThatIsNotATimeIsAnInvalidEntry) {
  for (const char* trailer : {"", "12a", " end", "12 en", "12 end ", "12end", "99999999999999999999"}) {
    SCOPED_TRACE(trailer);
    LogBytes log(false, 1);
    log.u32(4).u32(14).raw(std::string("select 1\0" "5 end", 14));
    log.u32(4).u32(static_cast<uint32_t>(9 + std::strlen(trailer))).raw(std::string("select 2\0", 9) + trailer);
    EXPECT_EQ(records_of("TWL1" + log.bytes().substr(4)), std::vector<std::string>{"4 5 end select 1"});
    EXPECT_EQ(end_, ReplayEnd::invalid_entry);
    EXPECT_EQ(errors_, "Invalid entry in file 'c.SQL.log.1' (skipping at this point)\n");
  }
}

}  // namespace
}  // namespace tarnwick
