#include "ql_client/core/notices.h"

#include <mutex>

namespace ql {

namespace {

// Notices are rare, so one lock serves: it keeps the receiver and its
// context a pair while sessions on several threads send.
std::mutex notice_mutex;
ql_notice_receiver notice_receiver = nullptr;
void* notice_context = nullptr;

}  // namespace

void set_notice_receiver(ql_notice_receiver receiver, void* context) {
  std::lock_guard lock(notice_mutex);
  notice_receiver = receiver;
  notice_context = context;
}

void send_notice(const char* message) {
  std::lock_guard lock(notice_mutex);
  if (notice_receiver != nullptr) notice_receiver(notice_context, message);
}

}  // namespace ql
