// Several threads copy, assign, release, append to and narrow WString values
// whose bodies are shared across threads, and check every text they hold.
// Run under ThreadSanitizer by `make test` (label "tsan").
#include <gtest/gtest.h>

#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/string/wstring.h"

namespace morvane {
namespace {

constexpr int kThreads = 4;
constexpr int kSteps = 20000;
constexpr int kSlots = 8;

// A value with the text it must hold, so any corruption is caught.
struct Held {
  WString value;
  std::u16string expected;
};

std::string to_utf8(const std::u16string& units) {
  std::string out;
  for (char16_t u : units) {
    if (u < 0x80) {
      out.push_back(static_cast<char>(u));
    } else if (u < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (u >> 6)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (u >> 12)));
      out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
  }
  return out;
}

TEST(WStringStress, ThreadsShareBodiesSafely) {
  // Seeds are never changed, only copied, from every thread at once.
  std::vector<Held> seeds;
  for (int i = 0; i < kSlots; ++i) {
    std::u16string text = u"seed-\u00E9\u20AC-" + std::u16string(static_cast<size_t>(i) + 1, u'a' + i);
    seeds.push_back({WString(text.data(), text.size()), text});
  }
  // A mailbox through which values move between threads, so that a body
  // made on one thread is appended to, narrowed and freed on another.
  std::mutex mailbox_lock;
  std::vector<Held> mailbox;

  auto worker = [&](int id) {
    std::mt19937 random(1234u + static_cast<unsigned>(id));
    std::vector<Held> mine(kSlots);
    for (int step = 0; step < kSteps; ++step) {
      Held& slot = mine[random() % kSlots];
      switch (random() % 7) {
        case 0:  // copy a seed shared by every thread
          slot = seeds[random() % kSlots];
          break;
        case 1: {  // append to a value whose body others may hold
          const Held& tail = seeds[random() % kSlots];
          slot.value.append(tail.value);
          slot.expected += tail.expected;
          if (slot.expected.size() > 200) slot = Held{};
          break;
        }
        case 2: {  // narrow, racing other threads on the same bodies
          int form = static_cast<int>(random() % 2);
          std::string got = slot.value.narrow(form);
          std::string want;
          if (form == 1) {
            want = to_utf8(slot.expected);
          } else {
            for (char16_t u : slot.expected) want.push_back(static_cast<char>(u & 0xFF));
          }
          ASSERT_EQ(got, want);
          break;
        }
        case 3:  // assign between own values
          slot = mine[random() % kSlots];
          break;
        case 4:  // release
          slot = Held{};
          break;
        case 5: {  // post a copy for another thread
          std::lock_guard<std::mutex> guard(mailbox_lock);
          if (mailbox.size() < 64) mailbox.push_back(slot);
          break;
        }
        case 6: {  // take a value posted by any thread
          std::lock_guard<std::mutex> guard(mailbox_lock);
          if (!mailbox.empty()) {
            slot = std::move(mailbox.back());
            mailbox.pop_back();
          }
          break;
        }
      }
      ASSERT_EQ(slot.value.view(), slot.expected);
    }
    for (const Held& held : mine) ASSERT_EQ(held.value.view(), held.expected);
  };

  std::vector<std::thread> threads;
  for (int id = 0; id < kThreads; ++id) threads.emplace_back(worker, id);
  for (std::thread& thread : threads) thread.join();

  for (const Held& seed : seeds) {
    EXPECT_EQ(seed.value.view(), seed.expected);
    EXPECT_EQ(std::string(seed.value.narrow(1)), to_utf8(seed.expected));
  }
}

}  // namespace
}  // namespace morvane
