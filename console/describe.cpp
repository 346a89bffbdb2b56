// Each command is one or two catalog queries run as the user's own queries
// are (interpret), so they show in the framed table or the machine format
// of the run, and fail as statements fail. A name is passed as a quoted
// literal, never spliced into the text as written.
#include "console/describe.h"

#include <string>

#include "console/commands.h"
#include "runtime/client_error.h"
#include "runtime/console_output.h"
#include "runtime/run_settings.h"
#include "statements/statement_reader.h"

namespace tarnwick {

namespace {

// `text` as an SQL string literal: '...' with every quote doubled.
std::string literal(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

Outcome run_query(const std::string& sql) { return interpret(sql.c_str(), &connection); }

// Whether a query's first value is not null; a failure counts as found (the
// statement that follows reports it).
bool exists(const std::string& sql) {
  int32_t rows = 0;
  ql_cursor cursor = ql_query(connection, sql.c_str(), nullptr, &rows, nullptr, 1, 1, &client_error);
  if (cursor == 0) return true;
  char* value = rows > 0 ? ql_column_value(cursor, 0, 0, &client_error) : nullptr;
  bool found = value != nullptr;
  ql_mfree(value);
  ql_close_cursor(cursor);
  return found;
}

// psql's answer for a name that is not there.
Outcome not_found(const std::string& name) {
  message_line("Did not find any relation named \"", name.c_str(), "\".");
  return Outcome();
}

constexpr const char* kUserSchemas =
    "n.nspname not in ('pg_catalog', 'information_schema') and n.nspname !~ '^pg_toast'";

// PostgreSQL's relations of the kinds given (pg_class.relkind letters).
std::string pg_relations(const char* kinds) {
  return std::string(
             "select n.nspname as \"Schema\", c.relname as \"Name\", case c.relkind when 'r' then 'table' "
             "when 'p' then 'partitioned table' when 'v' then 'view' when 'm' then 'materialized view' "
             "when 'i' then 'index' when 'I' then 'partitioned index' when 'S' then 'sequence' "
             "when 'f' then 'foreign table' end as \"Type\", pg_get_userbyid(c.relowner) as \"Owner\" "
             "from pg_class c join pg_namespace n on n.oid = c.relnamespace where c.relkind = any (") +
         literal(kinds) + "::\"char\"[]) and " + kUserSchemas +
         " and pg_table_is_visible(c.oid) order by 1, 2;";
}

Outcome pg_describe_relation(const std::string& name) {
  if (!exists("select to_regclass(" + literal(name) + ");")) return not_found(name);
  const std::string relation = "to_regclass(" + literal(name) + ")";
  Outcome outcome = run_query(
      "select a.attname as \"Column\", format_type(a.atttypid, a.atttypmod) as \"Type\", "
      "case when a.attnotnull then 'not null' else '' end as \"Nullable\", "
      "coalesce(pg_get_expr(d.adbin, d.adrelid), '') as \"Default\" from pg_attribute a "
      "left join pg_attrdef d on d.adrelid = a.attrelid and d.adnum = a.attnum where a.attrelid = " +
      relation + " and a.attnum > 0 and not a.attisdropped order by a.attnum;");
  outcome.merge(run_query(
      "select 'index' as \"Kind\", c.relname as \"Name\", pg_get_indexdef(i.indexrelid) as \"Definition\" "
      "from pg_index i join pg_class c on c.oid = i.indexrelid where i.indrelid = " + relation +
      " union all select 'constraint', conname, pg_get_constraintdef(oid) from pg_constraint where conrelid = " +
      relation + " order by 1 desc, 2;"));
  return outcome;
}

bool pg_describe(const std::string& verb, const std::string& name, Outcome* outcome) {
  if (verb == "\\d" && !name.empty()) {
    *outcome = pg_describe_relation(name);
  } else if (verb == "\\d") {
    *outcome = run_query(pg_relations("{r,p,v,m,S,f}"));
  } else if (verb == "\\dt") {
    *outcome = run_query(pg_relations("{r,p}"));
  } else if (verb == "\\di") {
    *outcome = run_query(pg_relations("{i,I}"));
  } else if (verb == "\\dv") {
    *outcome = run_query(pg_relations("{v}"));
  } else if (verb == "\\ds") {
    *outcome = run_query(pg_relations("{S}"));
  } else if (verb == "\\l") {
    *outcome = run_query(
        "select datname as \"Name\", pg_get_userbyid(datdba) as \"Owner\", "
        "pg_encoding_to_char(encoding) as \"Encoding\" from pg_database order by 1;");
  } else if (verb == "\\dn") {
    *outcome = run_query(
        "select nspname as \"Name\", pg_get_userbyid(nspowner) as \"Owner\" from pg_namespace "
        "where nspname !~ '^pg_' and nspname <> 'information_schema' order by 1;");
  } else if (verb == "\\df") {
    *outcome = run_query(std::string(
                             "select n.nspname as \"Schema\", p.proname as \"Name\", "
                             "pg_get_function_result(p.oid) as \"Result data type\", "
                             "pg_get_function_arguments(p.oid) as \"Argument data types\" from pg_proc p "
                             "join pg_namespace n on n.oid = p.pronamespace where ") +
                         kUserSchemas + " and pg_function_is_visible(p.oid) order by 1, 2, 4;");
  } else {
    return false;
  }
  return true;
}

// SQLite's objects of the types given, by name.
std::string sqlite_objects(const char* types, const std::string& table) {
  std::string sql = std::string("select name as \"Name\", type as \"Type\" from sqlite_schema where type in (") +
                    types + ") and name not like 'sqlite_%'";
  if (!table.empty()) sql += " and tbl_name = " + literal(table);
  return sql + " order by 1;";
}

bool sqlite_describe(const std::string& verb, const std::string& name, Outcome* outcome) {
  if ((verb == "\\d" && !name.empty())) {
    if (!exists("select 1 from sqlite_schema where name = " + literal(name) + ";")) {
      *outcome = not_found(name);
      return true;
    }
    *outcome = run_query(
        "select name as \"Column\", type as \"Type\", case when \"notnull\" then 'not null' else '' end "
        "as \"Nullable\", coalesce(dflt_value, '') as \"Default\" from pragma_table_info(" +
        literal(name) + ");");
    outcome->merge(run_query(sqlite_objects("'index', 'trigger'", name)));
  } else if (verb == "\\d" || verb == ".tables") {
    *outcome = run_query(sqlite_objects("'table', 'view'", ""));
  } else if (verb == "\\dt") {
    *outcome = run_query(sqlite_objects("'table'", ""));
  } else if (verb == "\\dv") {
    *outcome = run_query(sqlite_objects("'view'", ""));
  } else if (verb == "\\di" || verb == ".indexes" || verb == ".indices") {
    *outcome = run_query(sqlite_objects("'index'", name));
  } else if (verb == ".schema") {
    std::string sql = "select sql as \"Schema\" from sqlite_schema where sql is not null and name not like 'sqlite_%'";
    if (!name.empty()) sql += " and tbl_name = " + literal(name);
    *outcome = run_query(sql + " order by tbl_name, type desc, name;");
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool describe(const std::vector<std::string>& words, Outcome* outcome) {
  if (words.empty()) return false;
  std::string verb = words[0];
  // psql's "+" (more detail) and "S" (system objects) show the same here.
  while (verb.size() > 2 && verb[0] == '\\' && (verb.back() == '+' || verb.back() == 'S')) verb.pop_back();
  const std::string name = words.size() >= 2 ? words[1] : "";
  if (dialect_of_host(settings.host.narrow(0)) == Dialect::sqlite) return sqlite_describe(verb, name, outcome);
  return pg_describe(verb, name, outcome);
}

}  // namespace tarnwick
