#include "support/file/buffered_file.h"

#include <random>
#include <string>
#include <vector>

#include "support/file/open_flags.h"
#include "tests/support/file/temp_dir.h"

namespace morvane {
namespace {

using BufferedFile = iBufferedFile<iFdFile>;

// Bytes that tell their own position: byte i is i * 7 + i / 251, mod 256.
std::string pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  return bytes;
}

class BufferedFileTest : public testing::TempDirTest {
 protected:
  std::string read_at(BufferedFile& file, int32_t position, uint32_t n) {
    std::string buffer(n, '\0');
    EXPECT_EQ(file.seek(position, kSeekBegin), position);
    int32_t got = file.read(buffer.data(), n);
    buffer.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return buffer;
  }
};

TEST_F(BufferedFileTest, OpenSetsUpAWindowFilledWithFF) {
  write_file("f", pattern(100));
  BufferedFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_APPEND, IF_MAP));
  EXPECT_FALSE(file.mapped()) << "the buffered file always works on a descriptor";
  EXPECT_EQ(file.tell(), 100) << "append starts at the end";
  EXPECT_EQ(file.size(), 100u);
  EXPECT_EQ(file.eof(), 1);
  EXPECT_EQ(file.window_length(), 0u);
  EXPECT_FALSE(file.open(path("f").c_str(), IF_MODE_READ, 0));
  BufferedFile missing;
  EXPECT_FALSE(missing.open(path("none").c_str(), IF_MODE_READ, 0));
  char byte;
  EXPECT_EQ(missing.read(&byte, 1), -1);
  EXPECT_EQ(missing.write(&byte, 1), -1);
}

TEST_F(BufferedFileTest, SeekCountsBackFromTheEndAndExtendsWritableFiles) {
  write_file("f", pattern(100));
  BufferedFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_UPDATE, 0));
  EXPECT_EQ(file.seek(10, kSeekEnd), 90);
  EXPECT_EQ(file.seek(5, kSeekCurrent), 95);
  EXPECT_EQ(file.seek(-96, kSeekCurrent), -1);
  EXPECT_EQ(file.tell(), 95);
  EXPECT_EQ(file.seek(150, kSeekBegin), 150);
  EXPECT_EQ(file.size(), 150u);
  EXPECT_EQ(file.eof(), 1);

  BufferedFile reader;
  ASSERT_TRUE(reader.open(path("f").c_str(), IF_MODE_READ, 0));
  EXPECT_EQ(reader.seek(101, kSeekBegin), -1) << "a read-only file does not grow";
  EXPECT_EQ(reader.seek(100, kSeekBegin), 100);
  EXPECT_EQ(reader.write("x", 1), -1);
  EXPECT_EQ(reader.error(), 1);
}

TEST_F(BufferedFileTest, ReadAcrossTheWindowEnd) {
  const std::string data = pattern(20000);
  write_file("f", data);
  BufferedFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_READ, 0));
  EXPECT_EQ(read_at(file, 0, 1), data.substr(0, 1));
  EXPECT_EQ(file.window_start(), 0u);
  EXPECT_EQ(file.window_length(), 8192u);
  EXPECT_EQ(read_at(file, 8190, 10), data.substr(8190, 10));
  EXPECT_EQ(file.window_start(), 8192u) << "the window moved to the first byte it lacked";
  EXPECT_EQ(file.tell(), 8200);
  // The end of the range in the window, its beginning before it.
  EXPECT_EQ(read_at(file, 8000, 300), data.substr(8000, 300));
  EXPECT_EQ(read_at(file, 19990, 100), data.substr(19990, 10));
  EXPECT_EQ(file.tell(), 20000);
  EXPECT_EQ(file.error(), 0) << "a short window at the end is no error";
}

TEST_F(BufferedFileTest, LargeReadsBypassTheWindowButSeeItsDirtyBytes) {
  const std::string data = pattern(20000);
  write_file("f", data);
  BufferedFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_UPDATE, 0));
  const std::string fresh(100, 'N');
  ASSERT_EQ(file.seek(1000, kSeekBegin), 1000);
  ASSERT_EQ(file.write(fresh.data(), 100), 100);
  EXPECT_TRUE(file.window_dirty());
  EXPECT_TRUE(testing::SameBytes(read_file("f"), data)) << "nothing written back yet";

  std::string expected = data.substr(0, 5000);
  expected.replace(1000, 100, fresh);
  EXPECT_EQ(read_at(file, 0, 5000), expected);
  EXPECT_TRUE(file.window_dirty());
  file.close();
  std::string on_disk = data;
  on_disk.replace(1000, 100, fresh);
  EXPECT_TRUE(testing::SameBytes(read_file("f"), on_disk));
}

TEST_F(BufferedFileTest, WriteThenReadTheSameRangeBeforeAnyFlush) {
  write_file("f", pattern(300));
  BufferedFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_UPDATE, 0));
  ASSERT_EQ(file.seek(50, kSeekBegin), 50);
  ASSERT_EQ(file.write("0123456789", 10), 10);
  EXPECT_EQ(read_at(file, 50, 10), "0123456789");
  EXPECT_EQ(read_at(file, 45, 20).substr(5, 10), "0123456789");
}

TEST_F(BufferedFileTest, DirtyWindowPastTheEndOfTheDiskFile) {
  write_file("f", "");
  BufferedFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_UPDATE, 0));
  const std::string data = pattern(100);
  ASSERT_EQ(file.write(data.data(), 100), 100);
  // The disk file is still empty; a large read must still see the 100 bytes.
  EXPECT_EQ(read_at(file, 0, 5000), data);
  EXPECT_EQ(file.tell(), 100);
}

TEST_F(BufferedFileTest, WritesGrowTheWindowOrGoStraightToTheDescriptor) {
  write_file("f", "");
  BufferedFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_UPDATE, 0));
  const std::string data = pattern(30000);
  ASSERT_EQ(file.write(data.data(), 10), 10);
  ASSERT_EQ(file.write(data.data() + 10, 8000), 8000);
  EXPECT_EQ(file.window_length(), 8010u) << "contiguous writes grow the window";
  ASSERT_EQ(file.write(data.data() + 8010, 500), 500);  // passes the window end
  EXPECT_EQ(file.window_start(), 8010u);
  ASSERT_EQ(file.write(data.data() + 8510, 20000), 20000);  // direct
  EXPECT_EQ(file.size(), 28510u);
  EXPECT_EQ(file.sync(), 0);
  EXPECT_TRUE(testing::SameBytes(read_file("f"), data.substr(0, 28510)));
}

TEST_F(BufferedFileTest, CloseWritesBackAndKeepsTheSize) {
  BufferedFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_CREATE, 0));
  ASSERT_EQ(file.write("abc", 3), 3);
  file.close();
  EXPECT_EQ(file.size(), 3u);
  EXPECT_EQ(file.tell(), 0);
  EXPECT_TRUE(testing::SameBytes(read_file("f"), "abc"));
  {
    BufferedFile scoped;
    ASSERT_TRUE(scoped.open(path("f").c_str(), IF_MODE_APPEND, 0));
    ASSERT_EQ(scoped.putc('d'), 1);
  }
  EXPECT_TRUE(testing::SameBytes(read_file("f"), "abcd")) << "the destructor writes back too";
}

// Applies one random sequence of reads, writes and seeks to a buffered file
// and to a plain descriptor file over the same starting bytes. Seeks stay
// within the file: a seek past the end grows only the buffered file's
// logical size, by design.
TEST_F(BufferedFileTest, BehavesLikeAPlainDescriptorFile) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    const std::string start = pattern(seed * 7000);
    write_file("plain", start);
    write_file("buffered", start);
    iFdFile plain;
    BufferedFile buffered;
    ASSERT_TRUE(plain.open(path("plain").c_str(), IF_MODE_UPDATE, 0));
    ASSERT_TRUE(buffered.open(path("buffered").c_str(), IF_MODE_UPDATE, 0));
    std::mt19937 random(seed);
    auto size_of_transfer = [&] {
      switch (random() % 4) {
        case 0: return 1 + random() % 16;
        case 1: return 1 + random() % 4095;
        case 2: return 4090 + random() % 12;
        default: return 4096 + random() % 9000;
      }
    };
    for (int step = 0; step < 400; ++step) {
      const int32_t position = plain.tell();
      const int32_t end = plain.seek(0, kSeekEnd);
      plain.seek(position, kSeekBegin);
      switch (random() % 4) {
        case 0: {
          int32_t target = static_cast<int32_t>(random() % (static_cast<uint32_t>(end) + 1));
          ASSERT_EQ(buffered.seek(target, kSeekBegin), plain.seek(target, kSeekBegin));
          break;
        }
        case 1: {
          auto offset = static_cast<int32_t>(random() % 20000) - 10000;
          offset = std::min(offset, end - position);
          int32_t expected = plain.seek(offset, kSeekCurrent);
          int32_t got = buffered.seek(offset, kSeekCurrent);
          ASSERT_EQ(got, expected);
          break;
        }
        case 2: {
          uint32_t n = size_of_transfer();
          std::string a(n, 'a'), b(n, 'b');
          int32_t expected = plain.read(a.data(), n);
          ASSERT_EQ(buffered.read(b.data(), n), expected) << "step " << step;
          a.resize(static_cast<size_t>(std::max(expected, 0)));
          b.resize(a.size());
          ASSERT_TRUE(testing::SameBytes(a, b)) << "step " << step;
          break;
        }
        default: {
          uint32_t n = size_of_transfer();
          std::string bytes(n, '\0');
          for (char& c : bytes) c = static_cast<char>(random());
          ASSERT_EQ(buffered.write(bytes.data(), n), plain.write(bytes.data(), n));
          break;
        }
      }
      ASSERT_EQ(buffered.tell(), plain.tell());
      ASSERT_EQ(buffered.eof(), plain.eof());
    }
    plain.close();
    buffered.close();
    ASSERT_TRUE(testing::SameBytes(read_file("buffered"), read_file("plain"))) << "seed " << seed;
  }
}

}  // namespace
}  // namespace morvane
