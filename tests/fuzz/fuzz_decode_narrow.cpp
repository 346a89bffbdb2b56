// Decodes arbitrary bytes as code page 1 (UTF-8 with the Latin-1 fallback)
// and checks the result against an independent reading of the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/codepage/codepage.h"
#include "support/heap/heap.h"
#include "support/string/wstring.h"

using namespace morvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The texts are NUL-terminated: the input up to its first NUL counts.
  std::string text(reinterpret_cast<const char*>(data), size);
  text.resize(std::strlen(text.c_str()));

  size_t length = 0;
  char16_t* decoded = decode_narrow(text.c_str(), codepage_utf8, &length);
  WString value(text.c_str(), codepage_utf8);
  if (value.length() != length || (length != 0 && std::memcmp(value.units(), decoded,
                                                                length * 2) != 0)) {
    std::abort();  // both decoding paths must agree
  }

  char16_t* strict = nullptr;
  size_t strict_length = 0;
  if (utf8_to_utf16(text.c_str(), &strict, &strict_length)) {
    if (strict_length != length || strict_length > text.size()) std::abort();
    // Valid UTF-8 re-encodes to at most as many bytes (overlong forms shrink).
    if (std::strlen(value.narrow(1)) > text.size()) std::abort();
    heap_free(strict);
  } else {
    // The fallback widens every byte.
    if (length != text.size()) std::abort();
    for (size_t i = 0; i < length; ++i) {
      if (decoded[i] != static_cast<unsigned char>(text[i])) std::abort();
    }
    if (std::strcmp(value.narrow(0), text.c_str()) != 0) std::abort();
  }
  heap_free(decoded);
  return 0;
}
