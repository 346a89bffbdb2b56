#include "runtime/console_text.h"

#include <strings.h>
#include <wchar.h>

#include <cstring>
#include <cwchar>

#include "support/platform/platform.h"

namespace tarnwick {

namespace {

void identity(std::string&) {}

ConsoleConversion to_console_conversion = identity;
ConsoleConversion from_console_conversion = identity;
bool terminal_is_utf8 = false;

// The two sides of the real pair, as iconv names them.
std::string terminal_charset;
std::string engine_charset;

void engine_to_terminal(std::string& text) {
  morvane::platform::convert_charset(engine_charset.c_str(), terminal_charset.c_str(), text, &text);
}

void terminal_to_engine(std::string& text) {
  morvane::platform::convert_charset(terminal_charset.c_str(), engine_charset.c_str(), text, &text);
}

bool is_utf8_name(const std::string& name) {
  return strcasecmp(name.c_str(), "UTF-8") == 0 || strcasecmp(name.c_str(), "UTF8") == 0;
}

bool is_latin1_name(const std::string& name) {
  return strcasecmp(name.c_str(), "ISO-8859-1") == 0 || strcasecmp(name.c_str(), "ISO8859-1") == 0;
}

}  // namespace

void text_to_console(std::string& text) { to_console_conversion(text); }

void text_from_console(std::string& text) { from_console_conversion(text); }

void text_to_console(char* text, size_t capacity) {
  if (text == nullptr || capacity == 0) return;
  std::string converted(text, strnlen(text, capacity - 1));
  to_console_conversion(converted);
  size_t length = converted.size() < capacity - 1 ? converted.size() : capacity - 1;
  std::memcpy(text, converted.data(), length);
  text[length] = '\0';
}

int64_t console_width(const char* text, size_t length) {
  if (!terminal_is_utf8) return static_cast<int64_t>(length);
  // Each character as wide as the terminal draws it (two columns for most
  // East Asian ones); a byte that starts no valid character, or a control
  // character, counts one.
  int64_t columns = 0;
  std::mbstate_t state{};
  for (size_t i = 0; i < length;) {
    wchar_t character;
    size_t used = std::mbrtowc(&character, text + i, length - i, &state);
    if (used == 0 || used > length - i) {
      state = std::mbstate_t{};
      used = 1;
      ++columns;
    } else {
      int width = wcwidth(character);
      columns += width < 0 ? 1 : width;
    }
    i += used;
  }
  return columns;
}

void set_console_conversions(ConsoleConversion to_console, ConsoleConversion from_console) {
  to_console_conversion = to_console != nullptr ? to_console : identity;
  from_console_conversion = from_console != nullptr ? from_console : identity;
  terminal_is_utf8 = false;
}

void set_up_console_text(morvane::CodePage engine_code_page) {
  set_console_conversions(nullptr, nullptr);
  std::string charset = morvane::platform::locale_charset();
  if (charset.empty() || charset == "ANSI_X3.4-1968") return;  // the C locale
  terminal_is_utf8 = is_utf8_name(charset);
  bool engine_utf8 = engine_code_page == morvane::codepage_utf8;
  if (engine_utf8 ? terminal_is_utf8 : is_latin1_name(charset)) return;
  terminal_charset = charset;
  engine_charset = engine_utf8 ? "UTF-8" : "ISO-8859-1";
  to_console_conversion = engine_to_terminal;
  from_console_conversion = terminal_to_engine;
}

}  // namespace tarnwick
