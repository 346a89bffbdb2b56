// The prompts of the interactive shell, in psql's manner:
//
//   sqlite:memory=>      ready for a new statement
//   sqlite:memory->      a statement is open (no ";" yet)
//   sqlite:memory'>      inside a quoted string
//   sqlite:memory*>      inside a block comment
//   postgres:app$>       inside a dollar quote
//   postgres:app">       inside a quoted identifier
//   postgres:app(>       inside parentheses
//   postgres:app=*>      inside a transaction block (after any of the above)
//   postgres:app=!>      inside a failed transaction block
//
// The name before the sign is the engine and the database: "sqlite:" and
// the file (":memory:" shown as "memory"), or "postgres:" and the database
// (the one named besides the host, the one a URI or connection string
// names, else the user's name, PostgreSQL's default).
#pragma once

#include <string>

#include "statements/statement_reader.h"

namespace tarnwick {

// The engine and database for a host text and user, as the prompt shows them.
// `database`, when not empty, is the one named besides the host.
std::string prompt_name(const std::string& host, const std::string& user, const std::string& database = "");

// The transaction block the session is in, as ql_transaction_state says.
enum class Transaction { none, open, failed };

// The prompt: `name`, the sign for what is open, the block's mark, "> ".
std::string prompt_text(const std::string& name, bool statement_open, OpenText open,
                        Transaction transaction = Transaction::none);

}  // namespace tarnwick
