#include "ql_client/core/failure.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace ql {

namespace {

constexpr const char* kMask = "xxxxx";

bool ends_value(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '"'; }

// Each "scheme://user:PASSWORD@" in `text` masked, and the passwords found
// added to `found`. The user part runs to the last '@' before a blank or a
// quote, which masks too much rather than too little when the password
// holds an '@' or a '/'.
void mask_uri_passwords(std::string& text, std::vector<std::string>* found) {
  for (size_t scheme = text.find("://"); scheme != std::string::npos; scheme = text.find("://", scheme + 3)) {
    const size_t start = scheme + 3;
    size_t end = start;
    while (end < text.size() && !ends_value(text[end]) && text[end] != '\'') ++end;
    const size_t at_sign = text.rfind('@', end == start ? start : end - 1);
    if (at_sign == std::string::npos || at_sign < start) continue;
    const size_t colon = text.find(':', start);
    if (colon == std::string::npos || colon > at_sign) continue;
    if (found != nullptr) found->push_back(text.substr(colon + 1, at_sign - colon - 1));
    text.replace(colon + 1, at_sign - colon - 1, kMask);
  }
}

// Each value of "password=" (any letter case, blanks around "=") masked: a
// value in single quotes to its closing quote, any other to a blank or a
// double quote.
void mask_keyword_passwords(std::string& text, std::vector<std::string>* found) {
  static const std::string kKeyword = "password";
  for (size_t at = 0; at + kKeyword.size() <= text.size(); ++at) {
    if (strncasecmp(text.c_str() + at, kKeyword.c_str(), kKeyword.size()) != 0) continue;
    size_t value = at + kKeyword.size();
    while (value < text.size() && (text[value] == ' ' || text[value] == '\t')) ++value;
    if (value >= text.size() || text[value] != '=') continue;
    ++value;
    while (value < text.size() && (text[value] == ' ' || text[value] == '\t')) ++value;
    size_t end = value;
    if (end < text.size() && text[end] == '\'') {
      for (++end; end < text.size() && text[end] != '\''; ++end) {
        if (text[end] == '\\') ++end;
      }
      end = std::min(end + 1, text.size());
    } else {
      while (end < text.size() && !ends_value(text[end])) ++end;
    }
    if (end == value) continue;
    if (found != nullptr) found->push_back(text.substr(value, end - value));
    text.replace(value, end - value, kMask);
    at = value + std::strlen(kMask) - 1;
  }
}

}  // namespace

std::string mask_passwords(std::string text, const std::string& connection) {
  // The passwords of the host text, found by masking a copy of it.
  std::string scratch = connection;
  std::vector<std::string> passwords;
  mask_uri_passwords(scratch, &passwords);
  mask_keyword_passwords(scratch, &passwords);
  mask_uri_passwords(text, nullptr);
  mask_keyword_passwords(text, nullptr);
  for (const std::string& password : passwords) {
    if (password.empty()) continue;
    const std::string quoted = '"' + password + '"';
    const std::string quoted_mask = std::string("\"") + kMask + '"';
    for (size_t at = text.find(quoted); at != std::string::npos; at = text.find(quoted, at + quoted_mask.size())) {
      text.replace(at, quoted.size(), quoted_mask);
    }
  }
  return text;
}

void report(ClientError* error, const Failure& failure) {
  if (error == nullptr) return;
  error->code = failure.code;
  if (!failure.failed()) return;
  size_t length = std::min(failure.text.size(), sizeof(error->text) - 1);
  std::memcpy(error->text, failure.text.data(), length);
  error->text[length] = '\0';
}

}  // namespace ql
