/* ql_client: the client library through which Tarnwick reaches its query
 * engines. It runs statements on a PostgreSQL server (through libpq) or on
 * an embedded SQLite database, alone or on a pool of sessions.
 *
 * Conventions of this interface
 *
 * - Engines. The host text chooses the engine. "sqlite:PATH" opens the
 *   SQLite database file PATH (created when missing, unless read-only);
 *   "sqlite::memory:" is one in-memory database shared by every session of
 *   the process, kept for the life of the process. Any other host is a
 *   PostgreSQL server: a host name or address with the port text, a libpq
 *   URI when the host begins with "postgresql://" or "postgres://", or a
 *   libpq key=value connection string when it holds '=' (either then
 *   carries its own port, user and database; the port and user arguments
 *   are not used). An empty host is a PostgreSQL server found as the
 *   environment rule below says; a null one is refused.
 *
 * - Handles and cursors are 32-bit ids into the library's own tables; 0
 *   means none. A handle comes from ql_open or ql_pool_open, a cursor from a
 *   query. Ids are never reused while the process lives, so a closed or
 *   made-up id is simply unknown: every call given one fails with an error
 *   code, and the close calls ignore it.
 *
 * - Errors come back in the ClientError record that is the last argument
 *   of every call that takes one. The call sets `code` to 0 on success;
 *   otherwise `code` is one of the QL_ERR_ codes below and `text` holds a
 *   NUL-terminated message, the engine's own when the engine refused
 *   (cut to fit 512 bytes). `text` is left as it was on success. No call
 *   throws, aborts or blocks forever on bad input; a null error record is
 *   allowed and simply not written.
 *
 * - Ownership. Every text the library returns (captions, values, the
 *   database list) is a fresh copy that belongs to the caller, who releases
 *   it with ql_mfree; ql_mfree(NULL) does nothing. The one exception is
 *   ql_pool_view: it returns a pointer into the cursor's fetched page,
 *   which is read-only, stays valid until that cursor is closed (closing
 *   the handle does not end it), and is never given to ql_mfree. Texts
 *   given to the library are only read during the call.
 *
 * - Text encoding. `code_page` 0 means the program's texts are ISO-8859-1
 *   (Latin-1), 1 means UTF-8; statements, captions, values and engine
 *   messages are in that encoding. A statement may begin with the marker
 *   "{unicode}" (any letter case, after optional blanks): the marker is
 *   removed before the statement reaches the engine, and that statement's
 *   text and its results are UTF-8 whatever the code page.
 *
 * - Queries keep only the first `page_size` rows of a result (the fetched
 *   page) and count rows up to `answers_limit`; the engine is stopped at
 *   the limit, so the row count is min(rows of the result, answers_limit).
 *   A page size below 1 keeps no rows; an answers limit below 1 counts
 *   every row. Rows are streamed from the engine, never held in full. A
 *   statement run by ql_do or ql_pool_do that returns rows is counted and
 *   stopped the same way (with the session's answers limit), so a result
 *   that never ends does not hang either call.
 *   Stopping undoes what the statement changed on PostgreSQL, so only a
 *   statement that begins as a read (select, with, values, table, show,
 *   explain, fetch, execute, or a parenthesis) and names none of the words
 *   insert, update, delete or merge is stopped; any other is read to its
 *   end, counting rows up to the limit (ql_do then reports every row it
 *   changed). PostgreSQL is stopped with a cancel request; inside an open
 *   transaction block such a statement runs behind a savepoint of the
 *   library's own ("tarnwick_limit"), and a stop rolls back to it, so the
 *   block goes on. SQLite simply stops stepping.
 *
 * - Running out of memory while a result comes in (a huge page) fails that
 *   statement with QL_ERR_ENGINE "out of memory" and frees what it kept;
 *   the session takes statements again. In the middle of a pipelined batch
 *   the session is lost instead (QL_ERR_LOST).
 *
 * - Pools. A pool holds `sessions` sessions. A batch of n statements runs
 *   entry i on session i mod sessions; each session runs its entries in
 *   entry order, and the sessions work at the same time. A batch call
 *   returns when every entry is done. An entry that fails leaves the marker
 *   -1 in its row (or affected) count, with 0 columns and 0 fetched rows;
 *   the other entries still run. The error record then holds the code and
 *   message of the first failing entry (lowest index); 0 when none failed.
 *   ql_query and ql_do work on a pool handle too and run on its session 0.
 *   On PostgreSQL a session sends all its entries of a batch at once
 *   (pipelining), each as its own transaction unless a transaction block is
 *   open; an entry must then hold a single statement.
 *
 * - PostgreSQL and the environment. Where to connect and as whom follows
 *   psql's order: a host, port, user or database given to the open call
 *   wins; what is not given (null or empty) libpq takes from its
 *   environment as psql does: PGHOST (or PGHOSTADDR), PGPORT, PGUSER,
 *   PGDATABASE, and the service named by PGSERVICE (its file found through
 *   PGSERVICEFILE, ~/.pg_service.conf or the system's); what neither names
 *   comes from ql_set_connect_defaults when it was called, else from
 *   libpq's own defaults (the local socket, port 5432, the login name of
 *   the process, the database named as the user). A service that does not
 *   exist fails the open with libpq's message. A port or user equal to
 *   libpq's own default (5432, the login name) counts as named by the
 *   environment only when PGPORT or PGUSER is set. The library sets
 *   connect_timeout, client_encoding and application_name itself.
 *   Everything else libpq reads from the environment applies as it does for
 *   psql: PGPASSWORD, PGPASSFILE and ~/.pgpass (when no password is passed),
 *   PGSSLMODE and the other SSL, GSS and Kerberos variables, PGOPTIONS (on
 *   a read-only session the library's read-only option comes after it and
 *   wins), PGTARGETSESSIONATTRS and the rest. A host given as a libpq URI
 *   or a key=value connection string ("host=db port=5433 dbname=app") is
 *   libpq's own: it carries its own host, port, user and database (the port
 *   and user arguments are not used, a database argument wins over its
 *   dbname), and what it leaves out libpq takes from the environment by its
 *   usual rules, never from ql_set_connect_defaults.
 *
 * - A failed transaction block. On PostgreSQL a COMMIT (or END, PREPARE
 *   TRANSACTION, COMMIT AND CHAIN) of a block in which a statement failed
 *   ends it with a rollback, and the server answers "ROLLBACK" without an
 *   error. Every call that runs statements makes such a statement fail with
 *   QL_ERR_ENGINE and the one-line message "ERROR:  the transaction was
 *   rolled back: COMMIT was answered with ROLLBACK because an earlier
 *   statement of the transaction failed" (END or PREPARE TRANSACTION in
 *   place of COMMIT for those). The block is over all the same. ROLLBACK
 *   and ABORT themselves succeed as usual.
 *
 * - Lost connections. When the engine goes away (server stopped, backend
 *   terminated, connection cut mid-result), the call fails with QL_ERR_LOST
 *   and so does every later call on that handle; close it and open again.
 *   The library never reconnects by itself.
 *
 * - Timing. Every call that runs statements records, for each statement
 *   (entry 0 of a single-statement call), when its session sent it and
 *   when its answer was complete, in nanoseconds of CLOCK_MONOTONIC, and its
 *   own error; ql_last_timings and ql_last_entry_error read them back until
 *   the next such call on the handle. ql_schedule_next makes the next call
 *   start each entry no earlier than a given time (fixed-rate runs).
 *
 * - Threads. Calls may come from any thread. A handle and the cursors made
 *   from it must not be used by two threads at once, except that ql_cancel
 *   may stop a call that runs on another thread.
 */
#ifndef QL_CLIENT_QL_CLIENT_H_
#define QL_CLIENT_QL_CLIENT_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t ql_handle; /* a connection or pool; 0 = none */
typedef int32_t ql_cursor; /* the result of a query or query batch; 0 = none */

typedef struct ClientError {
  char text[512]; /* NUL-terminated message when code is not 0 */
  int32_t code;   /* 0 or one of the QL_ERR_ codes */
} ClientError;

/* Error codes. */
enum {
  QL_OK = 0,
  QL_ERR_ENGINE = 1,   /* the engine refused the statement; text is its message */
  QL_ERR_CONNECT = 2,  /* the engine could not be reached or opened */
  QL_ERR_HANDLE = 3,   /* 0 or unknown handle */
  QL_ERR_CURSOR = 4,   /* 0 or unknown cursor */
  QL_ERR_RANGE = 5,    /* row, column or batch entry out of range */
  QL_ERR_ARGUMENT = 6, /* a null text or array, a count below 1, a bad code page */
  QL_ERR_ENCODING = 7, /* statement bytes not valid in the chosen encoding */
  QL_ERR_EMPTY = 8,    /* the statement holds nothing to run */
  QL_ERR_PASSWORD = 9, /* the server asks for a password and none was given;
                          text is libpq's message (see ql_password_user) */
  QL_ERR_LOST = 28     /* the connection to the engine is lost; the handle
                          stays unusable until it is closed and opened again */
};

/* Asks whether an engine answers at host and port. Returns 1 when it
 * answered (a PostgreSQL server that refuses the login answers too), 0
 * otherwise (with QL_ERR_CONNECT). When `databases` is not null it is set to
 * a newline-separated list of database names when the engine lets the user
 * read it (the user the environment rule above gives, or a URI's), to null
 * otherwise. A PostgreSQL probe waits about one second at most for the
 * server to finish the start-up and give the list; a server that accepts
 * and stays silent fails with "no answer ... within 1000 ms". (Only when
 * the server refused the login at once does a second connection, bounded
 * by libpq's shortest connect_timeout of 2 s, tell a refusal from no
 * server.) */
int32_t ql_list_db(const char* host, const char* port, char** databases,
                   ClientError* error);

/* Opens one session. `database` null means the engine's default (for
 * PostgreSQL, PGDATABASE or a service's, else the database named as the
 * user); `password` null or "" passes
 * none (PostgreSQL may then take PGPASSWORD or ~/.pgpass, see above). `default_language` is accepted and not used: engines give their
 * messages in their own configured language. `read_only` 1 makes every
 * transaction read-only (PostgreSQL) or opens the file read-only (SQLite).
 * `page_size` and `answers_limit` are the defaults of every query (the
 * answers limit also counts the rows of ql_do and ql_pool_do);
 * `code_page` is 0 (ISO-8859-1) or 1 (UTF-8). Returns the handle, or 0 with
 * the error set. */
ql_handle ql_open(const char* host, const char* port, const char* database,
                  const char* user, const char* password,
                  const char* default_language, int32_t read_only,
                  int32_t page_size, int32_t answers_limit, int32_t code_page,
                  ClientError* error);

/* The most sessions a pool may have. */
#define QL_MAX_SESSIONS 1024

/* Opens a pool of `sessions` (1 to QL_MAX_SESSIONS) sessions, as ql_open
 * does each; any other count fails with QL_ERR_ARGUMENT. */
ql_handle ql_pool_open(const char* host, const char* port, const char* database,
                       const char* user, const char* password,
                       const char* default_language, int32_t read_only,
                       int32_t page_size, int32_t answers_limit,
                       int32_t code_page, int32_t sessions, ClientError* error);

/* As ql_pool_open, with session i opened on hosts[i % n] and ports[i % n]
 * instead of host and port (a port may be "" or null: the engine's rule
 * for a missing port): a pool spread over several servers. n is 1 or
 * more; hosts is not null. */
ql_handle ql_pool_open_spread(const char* const* hosts, const char* const* ports, int32_t n,
                              const char* database, const char* user,
                              const char* password, int32_t read_only,
                              int32_t page_size, int32_t answers_limit,
                              int32_t code_page, int32_t sessions, ClientError* error);

/* Runs one query and keeps its first page. Fills the column count, the row
 * count (rows counted up to the answers limit) and the fetched count; any
 * of the three addresses may be null. `page_size` and `answers_limit` of 0
 * mean the session's. Returns the cursor, or 0 with the error set (the
 * counts then hold 0 columns, -1 rows and 0 fetched). */
ql_cursor ql_query(ql_handle handle, const char* text, int32_t* column_count,
                   int32_t* row_count, int32_t* fetched_count,
                   int32_t page_size, int32_t answers_limit, ClientError* error);

/* Runs one statement and returns the number of rows it affected (rows
 * returned, for a statement that returns rows; 0 for statements that affect
 * none), or -1 with the error set. Rows that triggers changed are not
 * counted, only the statement's own. */
int32_t ql_do(ql_handle handle, const char* text, ClientError* error);

/* Runs one statement of any kind and shows what the engine answered. When
 * its answer is rows (the last result of the text has columns, as for
 * "insert ... returning", "values", "show" or "explain"), returns a cursor
 * and fills the three counts as ql_query does; the engine is not stopped at
 * the answers limit then (a data-changing statement must finish), the rest
 * of the rows are read and not counted. Otherwise returns 0 with the code
 * 0, the column and fetched counts 0 and the row count the rows affected.
 * On failure returns 0 with the error set and the row count -1. */
ql_cursor ql_run(ql_handle handle, const char* text, int32_t* column_count,
                 int32_t* row_count, int32_t* fetched_count, ClientError* error);

/* Receives data that a "COPY ... TO STDOUT" sends, a piece at a time. */
typedef void (*ql_copy_sink)(void* context, const char* data, int32_t length);

/* Supplies the data of a "COPY ... FROM STDIN" a piece at a time, when the
 * engine asks for it. Returns the length of the next piece and points *data
 * at its bytes (valid until the next call); 0 when the data has ended (the
 * copy is ended and the statement completes); -1 to abort the copy: *data
 * then points at a NUL-terminated reason, and the statement fails with the
 * engine's message, which carries that reason. */
typedef int32_t (*ql_copy_source)(void* context, const char** data);

/* Sets where the COPY data of the statements that ql_run and ql_do run on
 * `handle` (on session 0 of a pool) comes from and goes to, until the next
 * call: each time the engine asks for data ("COPY ... FROM STDIN") the
 * pieces are pulled from `source` (called with `source_context`) until it
 * returns 0 or -1; each piece the engine sends ("COPY ... TO STDOUT") goes
 * to `sink` (called with `sink_context`). A text with two COPY ... FROM
 * STDIN asks the source twice. Both are called on the thread that runs the
 * statement (the caller's), while it runs; they must not call back into
 * the library on this handle. A null source refuses a request for data
 * (the statement fails with "COPY from the client is not supported"), as a
 * new handle does; a null sink drops what the engine sends. The rows copied
 * come back as the rows affected (ql_run returns no cursor). The batch calls
 * and ql_query use neither. SQLite has no copy protocol: it never calls
 * them. Returns 1, or 0 with the error set. */
int32_t ql_set_copy_streams(ql_handle handle, ql_copy_source source,
                            void* source_context, ql_copy_sink sink,
                            void* sink_context, ClientError* error);

/* Runs a COPY statement (or any statement) on PostgreSQL's copy protocol.
 * When the engine asks for data ("FROM STDIN"), the `length` bytes at
 * `data` are sent (data lines in the copy format, without the "\." end
 * line) and the copy is ended (a second COPY ... FROM STDIN in the same
 * text gets no data); when it sends data ("TO STDOUT"), each piece goes to
 * `sink` (dropped when `sink` is null). The streams of ql_set_copy_streams
 * do not apply. Returns the rows copied, or -1 with the error set; data the
 * server rejects fails the statement with the server's message and leaves
 * the session ready for the next one. Other statements run as with ql_do.
 * SQLite has no copy protocol: the statement runs as with ql_do. */
int32_t ql_copy(ql_handle handle, const char* text, const char* data,
                int64_t length, ql_copy_sink sink, void* context,
                ClientError* error);

/* Runs a batch of n (1 or more) queries on the pool and keeps the first page
 * of each. Entry i of each count array is filled as ql_query fills its
 * counts (the arrays may be null). Returns one cursor for the whole batch
 * (even when entries failed), or 0 when the call itself failed (bad handle
 * or arguments). */
ql_cursor ql_pool_query(ql_handle handle, const char* const* texts, int32_t n,
                        int32_t* column_counts, int32_t* row_counts,
                        int32_t* fetched_counts, int32_t page_size,
                        int32_t answers_limit, ClientError* error);

/* Runs a batch of n statements; entry i of `affected_counts` (may be null)
 * is what ql_do would return. Returns the number of entries that failed, or
 * -1 when the call itself failed. */
int32_t ql_pool_do(ql_handle handle, const char* const* texts, int32_t n,
                   int32_t* affected_counts, ClientError* error);

/* Runs a batch of n statements of any kind, as ql_run runs each. Entry i
 * of `returns_rows` (may be null) is set to 1 when entry i answered with
 * rows, whose counts and cells the returned batch cursor then holds as for
 * ql_pool_query; 0 otherwise, with the rows affected (-1 when it failed) in
 * its row count. Returns the batch cursor when at least one entry answered
 * with rows (even when others failed); 0 when none did or when the call
 * itself failed, so that there is then nothing to close. */
ql_cursor ql_pool_run(ql_handle handle, const char* const* texts, int32_t n,
                      int32_t* column_counts, int32_t* row_counts,
                      int32_t* fetched_counts, int32_t* returns_rows,
                      ClientError* error);

/* The caption of a result column, never null on success. On a batch cursor
 * it reads entry 0. */
char* ql_column_caption(ql_cursor cursor, int32_t column, ClientError* error);

/* The text of a cell of the fetched page, or null for SQL NULL (with code
 * 0). On failure returns null with the error set. On a batch cursor it reads
 * entry 0. */
char* ql_column_value(ql_cursor cursor, int32_t row, int32_t column,
                      ClientError* error);

/* As ql_column_value, for entry `entry` of a batch cursor (entry 0 of a
 * single-query cursor). */
char* ql_pool_fetch(ql_cursor cursor, int32_t entry, int32_t row,
                    int32_t column, ClientError* error);

/* As ql_pool_fetch without the copy: the cell's text where the cursor
 * keeps it, NUL-terminated, or null for SQL NULL (with code 0); when
 * `length` is not null it receives the text's length in bytes (0 for NULL),
 * which counts any NUL bytes inside a SQLite text. The text belongs to the
 * cursor: read-only, valid until the cursor is closed, never given to
 * ql_mfree (see Ownership above). On failure returns null with the error
 * set. */
const char* ql_pool_view(ql_cursor cursor, int32_t entry, int32_t row,
                         int32_t column, int64_t* length, ClientError* error);

/* As ql_column_caption, for entry `entry` of a batch cursor (entry 0 of a
 * single-query cursor); QL_ERR_RANGE for an entry or column out of range
 * (an entry that failed has no columns). */
char* ql_pool_caption(ql_cursor cursor, int32_t entry, int32_t column,
                      ClientError* error);

/* Stops the statement that runs on `handle` now, on every session of a
 * pool, and the statements of the same call that have not started yet. A
 * stopped statement fails with QL_ERR_ENGINE and the engine's message
 * ("canceling statement due to user request" on PostgreSQL, "interrupted"
 * on SQLite); entries of a batch that never started fail with "canceled
 * before it ran". On PostgreSQL a session sends all its entries of a batch
 * at once, so those after the stopped one are already on the server and
 * run to their end. On PostgreSQL a cancel inside a transaction block aborts
 * the block, as any failure there does. Nothing happens when no call runs.
 * Unlike every other call, it may come from another thread while a call runs
 * on the same handle (for instance from a thread that waits for SIGINT with
 * sigwait); it is not meant for a signal handler itself. 0 or unknown
 * handles are ignored. */
void ql_cancel(ql_handle handle);

/* Notices and warnings the engine sends while a statement runs (PostgreSQL
 * NOTICE, WARNING, INFO...). Each comes as one text, formatted as psql shows
 * it ("NOTICE:  text", then any DETAIL or HINT lines), without a final
 * newline, in the session's encoding. */
typedef void (*ql_notice_handler)(const char* text, void* context);

/* Sends the notices of every session of `handle` to `handler`, called with
 * `context`; a null handler drops them, as a new handle does. The handler
 * is called on the thread that runs the statement (a pool's worker threads
 * too), one notice at a time; it must not call back into the library.
 * Returns 1, or 0 with the error set. SQLite sends no notices. */
int32_t ql_set_notice_handler(ql_handle handle, ql_notice_handler handler,
                              void* context, ClientError* error);

/* A ready handler that writes each notice and a newline to standard error
 * in one write, as psql shows them; `context` is not used. */
void ql_notice_to_stderr(const char* text, void* context);

/* Whether a transaction block is open on `handle` (on session 0 of a
 * pool), between statements: 1 when one is, failed or not (PostgreSQL
 * inside BEGIN ... COMMIT; SQLite out of autocommit mode), 0 when none is.
 * Returns -1 with the error set for an unknown handle or a connection known
 * to be lost. */
int32_t ql_in_transaction(ql_handle handle, ClientError* error);

/* As ql_in_transaction, and 2 when the open block has failed: a statement
 * of it failed and the engine takes nothing but its end (PostgreSQL; a
 * SQLite block never fails so). */
int32_t ql_transaction_state(ql_handle handle, ClientError* error);

/* The host, port and user a PostgreSQL open uses where neither its own
 * arguments nor libpq's environment name them (see the environment rule
 * above); null or empty leaves libpq's own default. For the whole process,
 * for every later open and ql_list_db. */
void ql_set_connect_defaults(const char* host, const char* port,
                             const char* user);

/* The user name of the last open of the process that failed with
 * QL_ERR_PASSWORD (as libpq resolved it), for a password prompt; a fresh
 * text, empty when none failed so. */
char* ql_password_user(void);

/* The value the engine reports for the setting `name` on `handle` (on
 * session 0 of a pool), as of the end of the last statement: PostgreSQL's
 * reported parameters, such as "standard_conforming_strings",
 * "server_encoding", "server_version", "client_encoding" or "TimeZone",
 * in the session's encoding, and "dbname", the database the session
 * opened. Returns a fresh text, or null with the code 0 when the engine
 * reports no such setting (SQLite reports none); null with the error set
 * for an unknown handle, a null name or a lost connection. */
char* ql_parameter_status(ql_handle handle, const char* name,
                          ClientError* error);

/* Releases a text returned by the library; null does nothing. */
void ql_mfree(char* text);

/* Release a cursor of either kind; 0 or unknown cursors are ignored. */
void ql_close_cursor(ql_cursor cursor);
void ql_pool_close_cursor(ql_cursor cursor);

/* Close a handle of either kind; its cursors stay readable until closed.
 * 0 or unknown handles are ignored. */
void ql_close(ql_handle handle);
void ql_pool_close(ql_handle handle);

/* One statement of the last call that ran statements on a handle: when
 * its session sent it to the engine and when its answer was complete. A
 * session that pipelines (PostgreSQL, in a batch without due times) sends
 * all its entries at once, so their times overlap: the latency of a later
 * entry includes the wait behind the entries before it. */
typedef struct ql_entry_timing {
  int64_t started_ns;  /* CLOCK_MONOTONIC; 0 when the entry never reached a session */
  int64_t finished_ns; /* CLOCK_MONOTONIC; 0 likewise */
  int32_t session;     /* the session that ran it (entry mod sessions) */
  int32_t code;        /* 0, or the entry's own QL_ERR_ code */
} ql_entry_timing;

/* Copies the timings of entries 0 to n-1 of the last call that ran
 * statements on `handle` (ql_query, ql_do, ql_pool_query, ql_pool_do) into
 * `timings`. Returns how many were copied: at most n, 0 for an unknown
 * handle or when nothing has run yet. */
int32_t ql_last_timings(ql_handle handle, ql_entry_timing* timings, int32_t n);

/* Sets `error` to the code and message of entry `entry` of that last call
 * (code 0 when it succeeded); QL_ERR_HANDLE or QL_ERR_RANGE when there is
 * no such handle or entry. */
void ql_last_entry_error(ql_handle handle, int32_t entry, ClientError* error);

/* The next call on `handle` that runs statements starts entry i no earlier
 * than due_ns[i] (CLOCK_MONOTONIC nanoseconds); entries beyond n, and all
 * entries of the calls after it, start at once. Entries with a due time
 * are sent one by one on their session, not pipelined. Returns 1, or 0
 * with the error set (unknown handle, null array, n below 1). */
int32_t ql_schedule_next(ql_handle handle, const int64_t* due_ns, int32_t n,
                         ClientError* error);

/* Statements without blocking, so that one thread may drive many sessions
 * with poll(). After ql_async_start, a handle of one PostgreSQL session
 * takes statements with ql_async_send, which returns at once; the caller
 * waits until the socket that ql_async_wait names is ready for the events
 * it gives (0: take what has finished, nothing is on its way), calls
 * ql_async_work, which sends and reads what the socket allows, and takes
 * each finished statement with ql_async_next, in the order they were sent.
 * Up to `window` statements may be sent and not yet taken. Each runs as
 * ql_do runs it (rows counted up to the answers limit, none kept). Above a
 * window of 1 they are pipelined outside transaction blocks, each its own
 * implicit transaction with a sync point of its own, the next sent as soon
 * as one is taken; a text of one statement only there. Plain reads (SELECTs
 * with no parenthesis: they call nothing) of a read-only session share one
 * sync point, up to a window of them, as the batch calls let them; one that
 * did not run because another failed before it runs again on its own. A
 * statement goes alone, in the simple protocol, after everything before it
 * has finished and before anything after it is sent: with a window of 1,
 * inside a transaction block, BEGIN and START, COPY (data from the client
 * is refused, data to it dropped), a text that may hold several statements,
 * and a "{unicode}" statement on a Latin-1 session. A read that reaches the
 * answers limit is stopped when nothing was sent after it (behind it, a
 * savepoint inside a block, as ql_do does); otherwise the rest of its rows
 * are read and dropped. ql_cancel stops the statement the server runs now;
 * those on their way after it run to their end, and those not yet sent fail
 * with "canceled before it ran". A lost connection fails every statement
 * not yet taken with QL_ERR_LOST. While statements are sent and not taken,
 * the handle's calls that run statements fail with QL_ERR_ARGUMENT; once
 * all are taken they work as usual (a COPY with its data, for one). SQLite
 * runs statements in the caller's thread: ql_async_start fails there with
 * QL_ERR_ARGUMENT, as on a pool. */

/* The events of ql_async_wait. */
#define QL_WAIT_READ 1
#define QL_WAIT_WRITE 2

/* A finished statement, as ql_async_next hands it back. */
typedef struct ql_async_done {
  int64_t tag;         /* the caller's, given to ql_async_send */
  int64_t started_ns;  /* CLOCK_MONOTONIC: sent to the server; 0 when it never was */
  int64_t finished_ns; /* CLOCK_MONOTONIC: its answer complete; 0 likewise */
} ql_async_done;

/* With `exact` 1, the handle's sessions send exactly the statements they are
 * given, as a replay must: a statement that may be stopped at the answers
 * limit inside a transaction block is then read to its end, where with
 * `exact` 0 (the default) it runs behind a savepoint of the library's, so
 * that stopping it does not abort the block. For the calls that follow and
 * for ql_async_start. Returns 1, or 0 with the error set. */
int32_t ql_set_exact(ql_handle handle, int32_t exact, ClientError* error);

/* Makes `handle` (one session, opened by ql_open) take statements without
 * blocking, up to `window` (1 or more) at a time; a second call keeps the
 * first window. Returns 1, or 0 with the error set. */
int32_t ql_async_start(ql_handle handle, int32_t window, ClientError* error);

/* Takes `text` (copied) and returns at once: 1; 0 with the error set
 * (QL_ERR_RANGE when `window` statements are sent and not taken). The next
 * ql_async_wait or ql_async_work sends it with whatever else was taken
 * meanwhile, as soon as the protocol lets it go. The statement's own
 * failure comes with ql_async_next. */
int32_t ql_async_send(ql_handle handle, const char* text, int64_t tag,
                      ClientError* error);

/* The socket to wait on, with the QL_WAIT_ events to wait for in *events
 * (0: nothing to wait for, no statement is on its way); -1 for an unknown
 * handle or one not started. Call it before each wait: it sends what was
 * taken since the last call, and the sync point that plain reads share. */
int32_t ql_async_wait(ql_handle handle, int32_t* events);

/* Sends and reads what the socket allows without waiting. Returns how many
 * statements have finished and are not yet taken, or -1 with the error set. */
int32_t ql_async_work(ql_handle handle, ClientError* error);

/* Makes the statements that `handle` takes from now on run as prepared
 * statements when they repeat, with the same or other literals, as a
 * program that prepares its statements sends them: a SELECT, INSERT, UPDATE, DELETE,
 * WITH or VALUES statement's quoted strings and numbers become parameters
 * of the type the literal has ('...' of no type yet, numbers int4, int8 or
 * numeric), except numbers after ORDER BY, GROUP BY and DISTINCT ON, which
 * name columns there. A session prepares a shape the second time it sees
 * it, outside transaction blocks, named "tarnwick_G_N"; a shape the server
 * refuses (a literal where a parameter may not stand, such as date '...')
 * runs as text, and DISCARD or DEALLOCATE starts every shape over. The
 * server plans a prepared statement as it does for a program: after five
 * runs it may keep a generic plan. Returns 1, or 0 with the error set
 * (QL_ERR_ARGUMENT when ql_async_start was not called). */
int32_t ql_async_prepare(ql_handle handle, ClientError* error);

/* Takes the oldest statement sent when it has finished: fills `done`, sets
 * `error` to the statement's code and message (0 when it succeeded) and
 * returns 1. Returns 0 (code 0) when it has not finished or none is sent,
 * -1 with the error set for a bad handle. */
int32_t ql_async_next(ql_handle handle, ql_async_done* done, ClientError* error);

#ifdef __cplusplus
}
#endif

#endif /* QL_CLIENT_QL_CLIENT_H_ */
