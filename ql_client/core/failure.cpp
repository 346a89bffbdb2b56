#include "ql_client/core/failure.h"

#include <cstring>

namespace ql {

void report(ClientError* error, const Failure& failure) {
  if (error == nullptr) return;
  error->code = failure.code;
  if (!failure.failed()) return;
  size_t length = std::min(failure.text.size(), sizeof(error->text) - 1);
  std::memcpy(error->text, failure.text.data(), length);
  error->text[length] = '\0';
}

}  // namespace ql
