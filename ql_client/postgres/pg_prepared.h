// Prepared statements for a session's statements that repeat with other
// literals: the literals of a statement become parameters ($1, $2, ...)
// with the type PostgreSQL gives the literal itself, so that the server
// parses and plans the statement's shape once and then only binds values.
// A shape is prepared the second time a session sees it, outside any
// transaction block; one the server refuses runs as text from then on.
// A statement whose second sight is word for word its first (a keep-alive
// "select 1", a report's fixed query) is prepared as it stands instead,
// with no parameters: the server then plans it as it would its text, and
// nothing is bound; its shape is prepared too once other literals come.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sqltext/literals.h"

namespace ql {

// A statement with its literals taken out (sqltext::parametrize).
using PgParameters = sqltext::Parameters;

// The shapes one session has seen and prepared.
class PgPrepared {
 public:
  // The prepared statement to run `parameters` with, or null: run the text
  // (first sight, being prepared, refused, or the store is full). The
  // second sight queues the shape for preparing (take_queued), or the
  // statement itself when `text`, the statement as sent, is word for word
  // its first sight's.
  const std::string* lookup(const PgParameters& parameters, std::string_view text);
  // The statement prepared for `text` as it stands, or null; looked up
  // before the text is parametrized, which it spares.
  const std::string* lookup_exact(std::string_view text) const;

  // The next shape to prepare: its key (text and types, or the text alone
  // for a statement prepared as it stands), text and types.
  bool has_queued() const { return !queued_.empty(); }
  struct Queued {
    std::string key;
    std::string name;
    std::string text;
    std::vector<uint32_t> types;
    uint64_t generation = 0;
    bool exact = false;  // the text as it stands, keyed by itself
  };
  Queued take_queued();
  // The server's answer to a prepare: ready to use, or refused.
  void prepared(const Queued& shape, bool ok);

  // The session's prepared statements are gone (DISCARD, DEALLOCATE): every
  // shape starts over, under new names.
  void forget();

 private:
  enum class State { queued, preparing, ready, refused };
  struct Shape {
    State state = State::queued;
    std::string name;
  };
  static void key_of(const PgParameters& parameters, std::string* key);
  // Looked up by a string_view, with no copy of the text.
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };
  using ShapeMap = std::unordered_map<std::string, Shape, TextHash, std::equal_to<>>;
  void add(const std::string& key, const std::string& text, const std::vector<uint32_t>& types, bool exact);

  // Bounds, so that a log of shapes that never repeat costs a session little.
  static constexpr size_t kMaxShapes = 256;
  static constexpr size_t kMaxKey = 4096;
  static constexpr size_t kMaxSeen = 8192;

  ShapeMap shapes_;
  ShapeMap exact_;  // by the text as it stands
  // Keys seen once, by their hash, with the hash of the text they came in.
  std::unordered_map<uint64_t, uint64_t> seen_;
  std::vector<Queued> queued_;
  uint64_t generation_ = 0;
  uint64_t next_name_ = 0;
  std::string key_;
};

}  // namespace ql
