// split: cutting a WString into a list at separator characters.
#include <array>

#include "support/string/wstring.h"

namespace morvane {

namespace {

bool is_blank_or_tab(char16_t u) { return u == u' ' || u == u'\t'; }

bool is_white(char16_t u) { return is_blank_or_tab(u) || u == u'\r' || u == u'\n'; }

// Trims [begin, end) in place with `is_trimmed`; the trailing side is only
// looked at when something is left after the leading side.
template <typename Pred>
void trim_range(const char16_t* units, size_t& begin, size_t& end, Pred is_trimmed) {
  while (begin < end && is_trimmed(units[begin])) ++begin;
  while (end > begin && is_trimmed(units[end - 1])) --end;
}

}  // namespace

std::vector<WString> split(const WString& text, const char* separators, bool trim) {
  std::vector<WString> items;
  const char16_t* units = text.units();
  const size_t length = text.length();

  if (separators == nullptr || *separators == '\0') {
    size_t begin = 0, end = length;
    if (trim) trim_range(units, begin, end, is_blank_or_tab);
    items.emplace_back(units + begin, end - begin);
    return items;
  }

  std::array<bool, 256> is_separator{};
  for (const char* s = separators; *s != '\0'; ++s) {
    is_separator[static_cast<unsigned char>(*s)] = true;
  }

  size_t position = 0;
  while (position < length) {
    size_t end = position;
    while (end < length && !(units[end] < 256 && is_separator[units[end]])) ++end;
    size_t begin = position;
    size_t stop = end;
    if (trim) trim_range(units, begin, stop, is_white);
    items.emplace_back(units + begin, stop - begin);
    position = end + 1;  // past the separator (or past the end)
  }
  return items;
}

}  // namespace morvane
