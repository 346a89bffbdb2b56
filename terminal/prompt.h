// The prompts of the interactive shell, in psql's manner:
//
//   sqlite:memory=>      ready for a new statement
//   sqlite:memory->      a statement is open (no ";" yet)
//   sqlite:memory'>      inside a quoted string
//   sqlite:memory*>      inside a block comment
//   postgres:app$>       inside a dollar quote
//   postgres:app">       inside a quoted identifier
//   postgres:app(>       inside parentheses
//
// The name before the sign is the engine and the database: "sqlite:" and
// the file (":memory:" shown as "memory"), or "postgres:" and the database
// (the user's name, PostgreSQL's default, or the one a URI names).
#pragma once

#include <string>

#include "statements/statement_reader.h"

namespace tarnwick {

// The engine and database for a host text and user, as the prompt shows them.
std::string prompt_name(const std::string& host, const std::string& user);

// The prompt: `name`, the sign for what is open, "> ".
std::string prompt_text(const std::string& name, bool statement_open, OpenText open);

}  // namespace tarnwick
