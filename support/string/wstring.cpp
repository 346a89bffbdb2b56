#include "support/string/wstring.h"

#include <cstring>
#include <new>
#include <algorithm>

#include "support/heap/heap.h"
#include "support/heap/spinlock.h"

namespace morvane {

const char kEmptyText[1] = {'\0'};

namespace {

constexpr char16_t kEmptyUnits[1] = {0};

// Lock stripes: 32 pairs of spin locks, each pair on its own cache line, so
// that bodies hashed to different stripes never contend. The atomics are
// constant-initialised to 0 (free) before any code of the process runs.
struct alignas(64) LockStripe {
  SpinWord count_lock{0};
  SpinWord form_lock{0};
};
static_assert(sizeof(LockStripe) == 64);

constinit LockStripe g_stripes[32];

LockStripe& stripe_of(const StringRep* rep) {
  auto a = reinterpret_cast<uintptr_t>(rep);
  return g_stripes[((a / 4) + (a / (uintptr_t{1} << 18))) % 32];
}

// The largest length whose capacity (length + 1) still fits 32 bits.
constexpr size_t kMaxLength = UINT32_MAX - 1;

StringRep* make_rep(size_t length, size_t capacity) {
  // A body this long is refused like any allocation the system cannot give.
  if (length > kMaxLength || capacity > kMaxLength + 1) {
    const size_t units = std::max(length + 1, capacity);
    heap_refuse(units > (SIZE_MAX - sizeof(StringRep)) / sizeof(char16_t)
                    ? SIZE_MAX
                    : sizeof(StringRep) + units * sizeof(char16_t));
  }
  void* block = heap_allocate(sizeof(StringRep) + capacity * sizeof(char16_t));
  auto* rep = new (block) StringRep;
  rep->length = static_cast<uint32_t>(length);
  rep->forms[0].store(nullptr, std::memory_order_relaxed);
  rep->forms[1].store(nullptr, std::memory_order_relaxed);
  rep->count = 1;
  rep->capacity = static_cast<uint32_t>(capacity);
  rep->units()[length] = 0;
  return rep;
}

void destroy_rep(StringRep* rep) {
  heap_free(rep->forms[0].load(std::memory_order_relaxed));
  heap_free(rep->forms[1].load(std::memory_order_relaxed));
  rep->~StringRep();
  heap_free(rep);
}

void retain(StringRep* rep) {
  SpinGuard guard(stripe_of(rep).count_lock);
  ++rep->count;
}

// Drops one holder; true when it was the last, and the body must be freed.
bool drop_holder(StringRep* rep) {
  SpinGuard guard(stripe_of(rep).count_lock);
  return --rep->count == 0;
}

void release(StringRep* rep) {
  if (rep != nullptr && drop_holder(rep)) destroy_rep(rep);
}

uint32_t read_count(StringRep* rep) {
  SpinGuard guard(stripe_of(rep).count_lock);
  return rep->count;
}

// Capacity of a body grown by appending: the smallest power of two from 8
// up that holds `length`, plus one for the NUL.
size_t grown_capacity(size_t length) {
  size_t capacity = 8;
  while (capacity < length) capacity *= 2;
  return capacity + 1 > kMaxLength + 1 ? length + 1 : capacity + 1;
}

StringRep* joined(const StringRep* a, const StringRep* b, size_t capacity) {
  size_t length = size_t{a->length} + b->length;
  StringRep* rep = make_rep(length, capacity);
  std::memcpy(rep->units(), a->units(), a->length * sizeof(char16_t));
  std::memcpy(rep->units() + a->length, b->units(), b->length * sizeof(char16_t));
  return rep;
}

}  // namespace

WString::WString(const char* text, CodePage code_page) {
  if (text == nullptr || *text == '\0') return;
  if (code_page != codepage_latin1 && code_page != codepage_utf8) throw illegal_codepage();
  if (code_page == codepage_utf8) {
    size_t count = 0;
    if (utf8_count(text, &count)) {
      StringRep* rep = make_rep(count, count + 1);
      if (utf8_decode(text, rep->units())) {
        rep_ = rep;
        return;
      }
      destroy_rep(rep);  // not UTF-8 after all: widen the bytes instead
    }
  }
  size_t count = std::strlen(text);
  rep_ = make_rep(count, count + 1);
  latin1_to_utf16(text, count, rep_->units());
}

WString::WString(const char16_t* units, size_t count) {
  if (units == nullptr || count == 0) return;
  rep_ = make_rep(count, count + 1);
  std::memcpy(rep_->units(), units, count * sizeof(char16_t));
}

WString::WString(const char16_t* text)
    : WString(text, text == nullptr ? 0 : std::char_traits<char16_t>::length(text)) {}

WString::WString(const WString& other) : rep_(other.rep_) {
  if (rep_ != nullptr) retain(rep_);
}

WString& WString::operator=(const WString& other) {
  // Count the source first so that assigning a value to itself never frees
  // the body it is about to hold.
  if (other.rep_ != nullptr) retain(other.rep_);
  StringRep* old = rep_;
  rep_ = other.rep_;
  release(old);
  return *this;
}

WString& WString::operator=(WString&& other) noexcept {
  if (this != &other) {
    StringRep* old = rep_;
    rep_ = other.rep_;
    other.rep_ = nullptr;
    release(old);
  }
  return *this;
}

WString::~WString() { release(rep_); }

WString& WString::append(const WString& other) {
  const StringRep* tail = other.rep_;  // read once: `other` may be *this
  if (tail == nullptr) return *this;
  if (rep_ == nullptr) return *this = other;

  size_t new_length = size_t{rep_->length} + tail->length;
  if (read_count(rep_) > 1) {
    // Shared: never write the body; build an exact-size copy and let go of
    // the old one (freeing it if the other holders left meanwhile).
    StringRep* fresh = joined(rep_, tail, new_length + 1);
    StringRep* old = rep_;
    rep_ = fresh;
    release(old);
  } else if (rep_->capacity < new_length + 1) {
    StringRep* fresh = joined(rep_, tail, grown_capacity(new_length));
    destroy_rep(rep_);
    rep_ = fresh;
  } else {
    // Sole holder with room. When appending to itself the source units lie
    // before the destination, so the copy never overlaps.
    std::memcpy(rep_->units() + rep_->length, tail->units(), tail->length * sizeof(char16_t));
    rep_->length = static_cast<uint32_t>(new_length);
    rep_->units()[new_length] = 0;
    char* stale[2];
    {
      SpinGuard guard(stripe_of(rep_).form_lock);
      stale[0] = rep_->forms[0].exchange(nullptr, std::memory_order_acq_rel);
      stale[1] = rep_->forms[1].exchange(nullptr, std::memory_order_acq_rel);
    }
    heap_free(stale[0]);
    heap_free(stale[1]);
  }
  return *this;
}

const char* WString::narrow(int form) const {
  if (form != codepage_latin1 && form != codepage_utf8) throw illegal_codepage();
  if (rep_ == nullptr) return kEmptyText;
  std::atomic<char*>& slot = rep_->forms[form];
  if (char* cached = slot.load(std::memory_order_acquire)) return cached;

  // Convert without any lock held, then publish unless another thread won.
  char* fresh = form == codepage_latin1 ? utf16_to_latin1(rep_->units(), rep_->length)
                                        : utf16_to_utf8(rep_->units(), rep_->length);
  char* kept;
  {
    SpinGuard guard(stripe_of(rep_).form_lock);
    kept = slot.load(std::memory_order_relaxed);
    if (kept == nullptr) {
      slot.store(fresh, std::memory_order_release);
      kept = fresh;
      fresh = nullptr;
    }
  }
  heap_free(fresh);
  return kept;
}

const char16_t* WString::units() const {
  return rep_ == nullptr ? kEmptyUnits : rep_->units();
}

WString operator+(const WString& a, const WString& b) {
  WString result(a);
  result.append(b);
  return result;
}

}  // namespace morvane
