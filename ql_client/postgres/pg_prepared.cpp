#include "ql_client/postgres/pg_prepared.h"

#include <functional>

namespace ql {

void PgPrepared::key_of(const PgParameters& parameters, std::string* key) {
  key->assign(parameters.text);
  key->push_back('\0');
  key->append(reinterpret_cast<const char*>(parameters.types.data()), parameters.types.size() * sizeof(uint32_t));
}

const std::string* PgPrepared::lookup_exact(std::string_view text) const {
  if (exact_.empty()) return nullptr;
  auto found = exact_.find(text);
  return found != exact_.end() && found->second.state == State::ready ? &found->second.name : nullptr;
}

void PgPrepared::add(const std::string& key, const std::string& text, const std::vector<uint32_t>& types,
                     bool exact) {
  Shape& shape = exact ? exact_[key] : shapes_[key];
  shape.name = "tarnwick_" + std::to_string(generation_) + "_" + std::to_string(next_name_++);
  queued_.push_back({key, shape.name, text, types, generation_, exact});
}

const std::string* PgPrepared::lookup(const PgParameters& parameters, std::string_view text) {
  if (parameters.text.size() > kMaxKey) return nullptr;
  std::string& key = key_;  // its room is kept from one statement to the next
  key_of(parameters, &key);
  auto found = shapes_.find(key);
  if (found != shapes_.end()) return found->second.state == State::ready ? &found->second.name : nullptr;
  if (shapes_.size() + exact_.size() >= kMaxShapes) return nullptr;
  // First sight: only remembered, so that a statement that never repeats
  // costs no prepare.
  const uint64_t text_hash = std::hash<std::string_view>{}(text);
  auto [seen, first] = seen_.emplace(std::hash<std::string>{}(key), text_hash);
  if (first) {
    if (seen_.size() > kMaxSeen) seen_.clear();
    return nullptr;
  }
  // Seen again word for word: the text itself is prepared, once. Its
  // shape waits for a sight with other literals.
  if (seen->second == text_hash && !parameters.types.empty()) {
    if (exact_.find(text) == exact_.end()) add(std::string(text), std::string(text), {}, true);
    return nullptr;
  }
  add(key, parameters.text, parameters.types, false);
  return nullptr;
}

PgPrepared::Queued PgPrepared::take_queued() {
  Queued next = std::move(queued_.front());
  queued_.erase(queued_.begin());
  ShapeMap& shapes = next.exact ? exact_ : shapes_;
  auto found = shapes.find(next.key);
  if (found != shapes.end()) found->second.state = State::preparing;
  return next;
}

void PgPrepared::prepared(const Queued& shape, bool ok) {
  if (shape.generation != generation_) return;  // forgotten meanwhile
  ShapeMap& shapes = shape.exact ? exact_ : shapes_;
  auto found = shapes.find(shape.key);
  if (found != shapes.end()) found->second.state = ok ? State::ready : State::refused;
}

void PgPrepared::forget() {
  shapes_.clear();
  exact_.clear();
  seen_.clear();
  queued_.clear();
  ++generation_;
}

}  // namespace ql
