// Splits arbitrary text at arbitrary separators and checks that the items,
// joined again with the separators that cut them, give back the text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/string/wstring.h"

using namespace morvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const bool trim = data[0] & 1;
  const CodePage code_page = (data[0] & 2) ? codepage_utf8 : codepage_latin1;
  const size_t separator_count = data[1] % 4;
  if (size < 2 + separator_count) return 0;
  std::string separators;
  for (size_t i = 0; i < separator_count; ++i) {
    if (data[2 + i] != 0) separators.push_back(static_cast<char>(data[2 + i]));
  }
  std::string bytes(reinterpret_cast<const char*>(data + 2 + separator_count),
                    size - 2 - separator_count);
  bytes.resize(std::char_traits<char>::length(bytes.c_str()));

  WString text(bytes.c_str(), code_page);
  std::vector<WString> items = split(text, separators.c_str(), trim);

  if (separators.empty()) {
    if (items.size() != 1) std::abort();
    if (!trim && !(items[0] == text)) std::abort();
    return 0;
  }
  size_t total = 0;
  for (const WString& item : items) total += item.length();
  if (total > text.length()) std::abort();
  if (trim) return 0;

  // Without trimming, items and the separators between them are the text
  // (a trailing separator leaves no item after it).
  std::u16string joined;
  for (size_t i = 0; i < items.size(); ++i) {
    joined += items[i].view();
    if (joined.size() < text.length()) joined.push_back(text[joined.size()]);
  }
  if (joined != text.view()) std::abort();
  return 0;
}
