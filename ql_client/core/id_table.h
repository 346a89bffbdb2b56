// A table of objects named by 32-bit ids, as handles and cursors are. Ids
// start at 1 and are not reused while the process lives (they would wrap
// only after 2^31 - 1 objects), so a stale id finds nothing.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace ql {

template <typename T>
class IdTable {
 public:
  // Stores `object` and returns its id, or 0 when the ids are used up.
  int32_t add(std::shared_ptr<T> object) {
    std::lock_guard lock(mutex_);
    if (next_ == std::numeric_limits<int32_t>::max()) return 0;
    int32_t id = ++next_;
    objects_.emplace(id, std::move(object));
    return id;
  }

  // The object of `id`, or null. The object stays alive while the caller
  // holds it, even when another thread removes it meanwhile.
  std::shared_ptr<T> find(int32_t id) const {
    std::lock_guard lock(mutex_);
    auto found = objects_.find(id);
    return found == objects_.end() ? nullptr : found->second;
  }

  // Removes the object of `id`, if any, and hands it back.
  std::shared_ptr<T> remove(int32_t id) {
    std::lock_guard lock(mutex_);
    auto found = objects_.find(id);
    if (found == objects_.end()) return nullptr;
    std::shared_ptr<T> object = std::move(found->second);
    objects_.erase(found);
    return object;
  }

 private:
  mutable std::mutex mutex_;
  std::unordered_map<int32_t, std::shared_ptr<T>> objects_;
  int32_t next_ = 0;
};

}  // namespace ql
