#include "support/platform/platform.h"

#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <sched.h>
#include <strings.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <utility>

namespace morvane::platform {

void sleep_ms(uint32_t milliseconds) {
  if (milliseconds == 0) {
    yield_processor();
    return;
  }
  timespec remaining{static_cast<time_t>(milliseconds / 1000),
                     static_cast<long>(milliseconds % 1000) * 1000000L};
  // A signal may cut the sleep short; sleep on for what is left.
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

void yield_processor() { sched_yield(); }

uint32_t process_id() { return static_cast<uint32_t>(getpid()); }

bool is_console(int fd) { return isatty(fd) == 1; }

size_t page_size() {
  static const size_t size = [] {
    long value = sysconf(_SC_PAGESIZE);
    return value > 0 ? static_cast<size_t>(value) : size_t{4096};
  }();
  return size;
}

void fill_closed_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is `fd` itself, as the ones below it are open.
    int opened = open("/dev/null", O_RDWR);
    if (opened >= 0 && opened != fd) {
      dup2(opened, fd);
      close(opened);
    }
  }
}

std::string locale_charset() {
  // Only LC_CTYPE is taken from the environment: numbers and messages keep
  // the C locale, which the program's fixed texts rely on.
  std::setlocale(LC_CTYPE, "");
  return nl_langinfo(CODESET);
}

namespace {

// Bytes of the character at `text` in `charset`: a UTF-8 sequence's length
// from its lead byte, one byte in every single-byte set.
size_t character_length(const char* charset, const char* text, size_t left) {
  if (strcasecmp(charset, "UTF-8") != 0 && strcasecmp(charset, "UTF8") != 0) return 1;
  unsigned char lead = static_cast<unsigned char>(text[0]);
  size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  for (size_t i = 1; i < length; ++i) {
    if (i >= left || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return i;
  }
  return length;
}

}  // namespace

bool convert_charset(const char* from, const char* to, const std::string& text, std::string* out) {
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  std::string result;
  result.reserve(text.size() * 2 + 4);
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  char chunk[256];
  while (in_left > 0) {
    char* next = chunk;
    size_t room = sizeof chunk;
    size_t done = iconv(converter, &in, &in_left, &next, &room);
    result.append(chunk, static_cast<size_t>(next - chunk));
    if (done != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ (invalid, or not representable in `to`) or EINVAL (cut short
    // at the end): one "?" for the character, then go on after it.
    size_t skip = character_length(from, in, in_left);
    in += skip;
    in_left -= skip;
    result += '?';
  }
  char* next = chunk;
  size_t room = sizeof chunk;
  iconv(converter, nullptr, nullptr, &next, &room);  // the shift state, if any
  result.append(chunk, static_cast<size_t>(next - chunk));
  iconv_close(converter);
  *out = std::move(result);
  return true;
}

}  // namespace morvane::platform
