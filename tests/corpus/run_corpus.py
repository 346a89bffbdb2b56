#!/usr/bin/env python3
"""Runs each SQL file of the corpus through the engine's own client and
through tarnwick, each on a fresh database, and compares what the server
executed, the errors, and the final state.

    run_corpus.py TARNWICK CORPUS_DIR [--only NAME...] [--replay NAME...] [--time]

PostgreSQL files (CORPUS_DIR/postgres/*.sql, and a pg_dump of a database
built here) need the test server of scripts/with-pg-test-server
(PGTEST_HOST, PGTEST_PORT, PGTEST_USER, PGTEST_DIR); without it they are
skipped. SQLite files (CORPUS_DIR/sqlite/*.sql, and a sqlite3 .dump made
here) need the sqlite3 shell.

- Statements: PostgreSQL logs every statement of the two databases
  (log_statement = all); the two lists are compared after comments are
  removed and blanks outside quotes folded.
- Errors: the first line of every error, in order ("ERROR:  ..." from psql's
  standard error, "Error : ..." from tarnwick's standard output; for SQLite
  the message after "Error: ... " / "Error : ").
- State: pg_dump --schema-only and the row count of every table; for SQLite
  the .dump of the database.

--replay NAME...: each PostgreSQL file named is also turned into a replay
log by tarnwick-log (next to TARNWICK, with the host's --host=), and the
log played by tarnwick is compared with the client's run of the file in the
same three ways.

--time prints the time each client took over the whole corpus and the
ratio tarnwick / client, and does not compare. Exits 1 when a file differs,
77 when nothing could run.
"""
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


LIBRARY_GUARD = re.compile(r'^(savepoint|release savepoint|rollback to savepoint) tarnwick_limit$')


def normalize_sql(text):
    """Removes comments and folds blanks outside quotes, drops a final ';'."""
    out = []
    i, n = 0, len(text)
    pending_blank = False
    while i < n:
        c = text[i]
        if text.startswith('--', i):
            j = text.find('\n', i)
            i = n if j < 0 else j + 1
            pending_blank = True
            continue
        if text.startswith('/*', i):
            depth, i = 1, i + 2
            while i < n and depth:
                if text.startswith('*/', i):
                    depth, i = depth - 1, i + 2
                elif text.startswith('/*', i):
                    depth, i = depth + 1, i + 2
                else:
                    i += 1
            continue  # a comment joins the text on both sides
        if c in ' \t\r\n':
            pending_blank = True
            i += 1
            continue
        if pending_blank and out:
            out.append(' ')
        pending_blank = False
        m = re.match(r'\$([A-Za-z_][A-Za-z_0-9]*)?\$', text[i:])
        if m and not (out and re.match(r'[A-Za-z0-9_$]', out[-1][-1])):
            tag = m.group(0)
            j = text.find(tag, i + len(tag))
            j = n if j < 0 else j + len(tag)
            out.append(text[i:j])
            i = j
            continue
        if c in '\'"':
            escaped = c == "'" and i > 0 and text[i - 1] in 'eE' and (i < 2 or not re.match(r'[A-Za-z0-9_]', text[i - 2]))
            j = i + 1
            while j < n:
                if escaped and text[j] == '\\':
                    j += 2
                    continue
                if text[j] == c:
                    if j + 1 < n and text[j + 1] == c:
                        j += 2
                        continue
                    break
                j += 1
            out.append(text[i:j + 1])
            i = j + 1
            continue
        out.append(c)
        i += 1
    result = ''.join(out).strip()
    while result.endswith(';'):
        result = result[:-1].rstrip()
    return result


def run(args, stdin=None, env=None, cwd=None):
    return subprocess.run(args, stdin=stdin, capture_output=True, env=env, cwd=cwd)


class Postgres:
    def __init__(self, tarnwick, scratch):
        self.tarnwick = tarnwick
        self.scratch = scratch
        self.host = os.environ.get('PGTEST_HOST')
        self.port = os.environ.get('PGTEST_PORT')
        self.user = os.environ.get('PGTEST_USER')
        self.log = os.path.join(os.environ.get('PGTEST_DIR', ''), 'server.log')
        self.env = dict(os.environ, PGHOST=self.host or '', PGPORT=self.port or '', PGUSER=self.user or '',
                        PGTZ='PST8PDT', PGDATESTYLE='Postgres, MDY', PGCLIENTENCODING='UTF8',
                        PGOPTIONS='-c lc_messages=C', PGAPPNAME='corpus')
        # The test's own reading of the databases stays out of the log.
        self.quiet_env = dict(self.env, PGOPTIONS='-c lc_messages=C -c log_statement=none')

    def available(self):
        return bool(self.host) and os.path.exists(self.log)

    def psql(self, database, *args):
        return run(['psql', '-X', '-q', '-d', database] + list(args), env=self.quiet_env)

    def fresh(self, name, logged=True):
        # FILE_COPY makes an empty database about twice as fast as the
        # default strategy on a server without fsync.
        self.psql('postgres', '-c', f'drop database if exists {name} with (force)',
                  '-c', f'create database {name} template template0 strategy file_copy',
                  '-c', f"alter database {name} set log_statement = '{'all' if logged else 'none'}'")

    def drop(self, name):
        self.psql('postgres', '-c', f'drop database if exists {name} with (force)')

    def prepare(self):
        """Makes the server name the database in each log line, and notes
        where the log stands."""
        self.psql('postgres', '-c', "alter system set log_line_prefix = '%m [%p] %q%d: '",
                  '-c', 'select pg_reload_conf()')
        for _ in range(50):
            shown = self.psql('postgres', '-At', '-c', 'show log_line_prefix').stdout.decode().strip()
            if shown == '%m [%p] %q%d:':
                break
            time.sleep(0.1)
        self.log_start = os.path.getsize(self.log)

    def logged_statements(self):
        """The statements logged since prepare(), by database."""
        with open(self.log, 'rb') as f:
            f.seek(self.log_start)
            text = f.read().decode('utf-8', 'replace')
        statements, current, database = {}, None, None
        for line in text.split('\n'):
            if line.startswith('\t') and current is not None:
                current.append(line[1:])
                continue
            if current is not None:
                statements.setdefault(database, []).append('\n'.join(current))
                current = None
            m = re.search(r'\] (\S+): LOG:  statement: (.*)$', line)
            if m:
                database, current = m.group(1), [m.group(2)]
        if current is not None:
            statements.setdefault(database, []).append('\n'.join(current))
        # A text of nothing but comments executes nothing; psql sends one
        # at the end of a file that ends with a comment. Inside a transaction
        # block the client library guards each query with a savepoint of its
        # own, so that a query stopped at the answers limit does not abort
        # the block; those guards change nothing and are not the script's.
        return {d: [t for t in (normalize_sql(s) for s in texts) if t and not LIBRARY_GUARD.match(t)]
                for d, texts in statements.items()}

    def run_client(self, path, database):
        return run(['psql', '-X', '-q', '-d', database, '-f', path], env=self.env)

    def uri(self, database):
        return f'postgresql://{self.user}@{self.host}:{self.port}/{database}'

    def run_tarnwick(self, path, database):
        return run([self.tarnwick, f'--host={self.uri(database)}', '--mode=w', '--code-page=utf8', '--quiet',
                    '--silent', f'--sql={path}'], env=self.env)

    def run_replay(self, path, database):
        """Makes a replay log of `path` with tarnwick-log and plays it."""
        log = os.path.join(self.scratch, f'{database}.SQL.log.1')
        made = run([os.path.join(os.path.dirname(self.tarnwick), 'tarnwick-log'), f'--host={self.uri(database)}',
                    path, log])
        if made.returncode != 0:
            raise RuntimeError(f'tarnwick-log failed on {path}: {made.stderr.decode()}')
        return self.run_tarnwick(log, database)

    @staticmethod
    def client_errors(result):
        errors = []
        for line in result.stderr.decode('utf-8', 'replace').split('\n'):
            m = re.match(r'psql:.*?:\d+: (ERROR:  .*)$', line)
            if m:
                errors.append(m.group(1))
        return errors

    @staticmethod
    def tarnwick_errors(result):
        # A lone ";" reaches the engine as an empty statement, which the
        # library reports and psql does not send: not an engine error.
        # A COMMIT that the server answers with ROLLBACK is a failure for
        # tarnwick; psql shows it as a plain "ROLLBACK" tag.
        return [line[len('Error : '):] for line in result.stdout.decode('utf-8', 'replace').split('\n')
                if line.startswith('Error : ') and line != 'Error : empty statement'
                and 'was answered with ROLLBACK' not in line]

    def state(self, database):
        schema = run(['pg_dump', '--schema-only', '--no-owner', '-d', database], env=self.quiet_env).stdout.decode()
        schema = '\n'.join(l for l in schema.split('\n') if not l.startswith('\\restrict') and not l.startswith('\\unrestrict'))
        counts = self.psql(database, '-At', '-c',
                           "select format('%I.%I', n.nspname, c.relname), (xpath('/row/n/text()', query_to_xml("
                           "format('select count(*) as n from %I.%I', n.nspname, c.relname), false, true, '')))[1] "
                           "from pg_class c join pg_namespace n on n.oid = c.relnamespace "
                           "where c.relkind in ('r', 'p', 'm') and n.nspname not in ('pg_catalog', 'information_schema') "
                           "and n.nspname not like 'pg_toast%' order by 1").stdout.decode().split('\n')
        return schema + '\n' + '\n'.join(counts)

    def compare(self, path, index, replay=False):
        """Runs `path` on both sides (and replayed from a log when `replay`);
        the statements come from the server's log later."""
        outcome = {}
        runners = {'client': self.run_client, 'tarnwick': self.run_tarnwick, 'replay': self.run_replay}
        for who in ('client', 'tarnwick', 'replay') if replay else ('client', 'tarnwick'):
            database = f'corpus_{index}_{who}'
            self.fresh(database)
            result = runners[who](path, database)
            outcome[who] = [database,
                            self.client_errors(result) if who == 'client' else self.tarnwick_errors(result),
                            self.state(database)]
            self.drop(database)
        return outcome

    def timed(self, path, who):
        database = 'corpus_timing'
        self.fresh(database, logged=False)
        begin = time.monotonic()
        self.run_client(path, database) if who == 'client' else self.run_tarnwick(path, database)
        spent = time.monotonic() - begin
        self.drop(database)
        return spent


class Sqlite:
    def __init__(self, tarnwick, scratch):
        self.tarnwick = tarnwick
        self.scratch = scratch

    def available(self):
        return shutil.which('sqlite3') is not None

    def database(self, who):
        path = os.path.join(self.scratch, f'{who}.db')
        if os.path.exists(path):
            os.remove(path)
        return path

    def run_client(self, path, database):
        with open(path, 'rb') as script:
            return run(['sqlite3', '-batch', database], stdin=script)

    def run_tarnwick(self, path, database):
        return run([self.tarnwick, f'--host=sqlite:{database}', '--mode=w', '--code-page=utf8', '--quiet',
                    '--silent', f'--sql={path}'])

    def compare(self, path, index, replay=False):
        outcome = {}
        for who in ('client', 'tarnwick'):
            database = self.database(f'{index}_{who}')
            if who == 'client':
                result = self.run_client(path, database)
                errors = [re.sub(r'^(Parse error|Runtime error|Error)( near line \d+)?: ', '', l)
                          for l in result.stderr.decode('utf-8', 'replace').split('\n') if l.strip()]
            else:
                result = self.run_tarnwick(path, database)
                errors = Postgres.tarnwick_errors(result)
            state = run(['sqlite3', database, '.dump']).stdout.decode('utf-8', 'replace')
            outcome[who] = [None, errors, state]
        return outcome

    def timed(self, path, who):
        database = self.database('timing')
        begin = time.monotonic()
        self.run_client(path, database) if who == 'client' else self.run_tarnwick(path, database)
        return time.monotonic() - begin


def differences(outcome, other='tarnwick'):
    lines = []
    names = ('statements executed', 'errors', 'final state')
    for k, name in enumerate(names):
        a, b = outcome['client'][k], outcome[other][k]
        if a is None or a == b:
            continue
        if isinstance(a, str):
            a, b = a.split('\n'), b.split('\n')
        import difflib
        diff = list(difflib.unified_diff(a, b, 'client', other, lineterm='', n=1))
        lines.append(f'  {name} differ:')
        lines.extend('    ' + l[:200] for l in diff[:30])
    return lines


def make_pg_dump(pg, scratch):
    """A plain pg_dump of a database with tables, a sequence, functions, a
    trigger, a view and data, built here."""
    pg.psql('postgres', '-c', 'drop database if exists corpus_source')
    pg.psql('postgres', '-c', 'create database corpus_source template template0')
    pg.psql('corpus_source', '-f', os.path.join(HERE, 'build_pg_dump_source.sql'))
    dump = os.path.join(scratch, 'pg_dump_made_by_the_test.sql')
    with open(dump, 'wb') as f:
        f.write(run(['pg_dump', '-d', 'corpus_source'], env=pg.env).stdout)
    pg.drop('corpus_source')
    return dump


def make_sqlite_dump(scratch):
    source = os.path.join(scratch, 'source.db')
    with open(os.path.join(HERE, 'build_sqlite_dump_source.sql'), 'rb') as script:
        run(['sqlite3', source], stdin=script)
    dump = os.path.join(scratch, 'sqlite_dump_made_by_the_test.sql')
    with open(dump, 'wb') as f:
        f.write(run(['sqlite3', source, '.dump']).stdout)
    return dump


def main():
    args = sys.argv[1:]
    if len(args) < 2:
        print(__doc__)
        return 2
    tarnwick, corpus = os.path.abspath(args[0]), os.path.abspath(args[1])
    timing = '--time' in args

    def names_after(option):
        if option not in args:
            return None
        rest = args[args.index(option) + 1:]
        return next((rest[:k] for k, a in enumerate(rest) if a.startswith('--')), rest)

    only, replayed = names_after('--only'), names_after('--replay') or []
    scratch = tempfile.mkdtemp(prefix='corpus.')
    try:
        pg = Postgres(tarnwick, scratch)
        lite = Sqlite(tarnwick, scratch)
        runs = []
        if pg.available():
            files = sorted(os.path.join(corpus, 'postgres', f) for f in os.listdir(os.path.join(corpus, 'postgres'))
                           if f.endswith('.sql'))
            runs += [(pg, f) for f in files] + [(pg, make_pg_dump(pg, scratch))]
        else:
            print('corpus: no PostgreSQL test server; its files are skipped')
        if lite.available():
            files = sorted(os.path.join(corpus, 'sqlite', f) for f in os.listdir(os.path.join(corpus, 'sqlite'))
                           if f.endswith('.sql'))
            runs += [(lite, f) for f in files] + [(lite, make_sqlite_dump(scratch))]
        if only:
            runs = [(e, f) for e, f in runs if os.path.basename(f)[:-4] in only]
        if not runs:
            return 77
        if timing:
            totals = {}
            for who in ('client', 'tarnwick'):
                totals[who] = sum(engine.timed(f, who) for engine, f in runs)
            print(f'corpus of {len(runs)} files: psql/sqlite3 {totals["client"]:.2f} s, '
                  f'tarnwick {totals["tarnwick"]:.2f} s, ratio {totals["tarnwick"] / totals["client"]:.2f}')
            return 0
        if pg.available():
            pg.prepare()
        # Two files at a time: each runs on databases of its own.
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            outcomes = list(pool.map(lambda k: runs[k][0].compare(
                runs[k][1], k, os.path.basename(runs[k][1])[:-4] in replayed), range(len(runs))))
        logged = pg.logged_statements() if pg.available() else {}
        failed = 0
        compared = 0
        for (engine, path), outcome in zip(runs, outcomes):
            for who in outcome:
                if outcome[who][0] is not None:
                    outcome[who][0] = logged.get(outcome[who][0], [])
            for other in ('tarnwick', 'replay'):
                if other not in outcome:
                    continue
                compared += 1
                lines = differences(outcome, other)
                name = os.path.basename(path) + (' replayed' if other == 'replay' else '')
                if lines:
                    failed += 1
                    print(f'{name}: differs')
                    print('\n'.join(lines))
                else:
                    statements = outcome['client'][0]
                    counted = f'{len(statements)} statements, ' if statements is not None else ''
                    print(f'{name}: same ({counted}{len(outcome["client"][1])} errors)')
        print(f'corpus: {compared - failed} of {compared} runs the same')
        return 1 if failed else 0
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main())
