#include "session/connection.h"

#include "runtime/console_output.h"
#include "runtime/console_text.h"
#include "runtime/run_end.h"
#include "runtime/run_settings.h"
#include "session/result_slots.h"

namespace tarnwick {

namespace {

void write_engine_notice(const char* text, void*) { write_notice(text); }

}  // namespace

ql_handle connect() {
  if (settings.statements == 1) {
    pending_statements.assign(1, std::string());
  }
  const char* host = settings.host.narrow(0);
  const char* port = settings.port.narrow(0);
  const char* user = settings.user.narrow(0);
  const char* language = settings.default_language.c_str();
  int32_t read_only = settings.read_only ? 1 : 0;
  ql_handle handle =
      single_mode()
          ? ql_open(host, port, nullptr, user, "", language, read_only, settings.page_size,
                    settings.answers_limit, settings.code_page, &client_error)
          : ql_pool_open(host, port, nullptr, user, "", language, read_only, settings.page_size,
                         settings.answers_limit, settings.code_page, settings.sessions,
                         &client_error);
  // The engine's notices go to standard error as they come (null record:
  // the open's outcome stays in client_error).
  if (handle != 0) ql_set_notice_handler(handle, write_engine_notice, nullptr, nullptr);
  return handle;
}

void disconnect(ql_handle* handle) {
  if (*handle != 0) {
    if (single_mode()) {
      ql_close(*handle);
    } else {
      ql_pool_close(*handle);
    }
  }
  *handle = 0;
}

void reconnect(ql_handle* handle) {
  disconnect(handle);
  *handle = connect();
}

void report_error() {
  client_error.text[sizeof client_error.text - 1] = '\0';
  if (output_is_console) text_to_console(client_error.text, sizeof client_error.text);
  out_text("Error : ");
  out_text(client_error.text);
  end_line();
  end_statement_output();
  // At a terminal an error never ends the session (as in psql); the user
  // is there to type the next statement.
  if (settings.stop_on_error && !input_is_console) run_end = RunEnd::error_stop;
}

}  // namespace tarnwick
