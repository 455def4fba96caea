#!/usr/bin/env bash
# The sqlite3 shell builds a schema and lists it; the overview read under Wine
# must list the same objects, in the same order, with the same columns.
set -euo pipefail
tests_exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db="$work/shell.db"

sqlite3 "$db" <<'SQL'
PRAGMA page_size = 4096;
CREATE TABLE zeta (z TEXT DEFAULT (datetime('now')));
CREATE TABLE "quo""ted" (id INTEGER PRIMARY KEY, "na""me" TEXT NOT NULL DEFAULT 'x');
CREATE TABLE Beta (x BLOB NOT NULL UNIQUE);
CREATE TABLE alpha (a INT, b REAL DEFAULT 2.5, c, PRIMARY KEY (a, c));
CREATE TABLE _under (u);
CREATE TABLE seq (id INTEGER PRIMARY KEY AUTOINCREMENT,
  note VARCHAR(20));
CREATE TABLE sqliteish (s);
CREATE VIEW v_all AS SELECT a, b FROM alpha;
CREATE VIEW "V quoted""view" AS SELECT x FROM Beta;
CREATE INDEX idx_alpha_b ON alpha (b);
CREATE UNIQUE INDEX Idx_beta ON Beta (x);
CREATE TRIGGER trg AFTER INSERT ON alpha BEGIN SELECT 1; END;
CREATE TRIGGER Audit AFTER DELETE ON zeta BEGIN SELECT 2; END;
INSERT INTO alpha VALUES (1, 2.0, 3);
INSERT INTO seq (note) VALUES ('n');
PRAGMA user_version = 42;
SQL

# Objects ordered by kind, then by name without regard to case; internal
# objects (sqlite_sequence, sqlite_autoindex_*) left out, user tables whose
# names only look alike (sqliteish) kept.
order=$(sqlite3 "$db" "SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_schema
  WHERE type IN ('table','view','index','trigger') AND name NOT LIKE 'sqlite\_%' ESCAPE '\'
  ORDER BY CASE type WHEN 'table' THEN 0 WHEN 'view' THEN 1 WHEN 'index' THEN 2 ELSE 3 END,
  lower(name));")
expected_order='_under,alpha,Beta,quo"ted,seq,sqliteish,zeta,V quoted"view,v_all,idx_alpha_b,Idx_beta,Audit,trg'
if [ "$order" != "$expected_order" ]; then
  echo "shell order: $order" >&2
  echo "expected:    $expected_order" >&2
  exit 1
fi

{
  printf 'file|%s|%s|%s|%s|%s\n' "$(stat -c %s "$db")" "$(sqlite3 "$db" 'PRAGMA page_size;')" \
    "$(sqlite3 "$db" 'PRAGMA page_count;')" "$(sqlite3 "$db" 'PRAGMA user_version;')" \
    "$(sqlite3 "$db" 'PRAGMA journal_mode;')"
  sqlite3 "$db" <<'SQL'
WITH objects AS (
  SELECT row_number() OVER (ORDER BY CASE type WHEN 'table' THEN 0 WHEN 'view' THEN 1
           WHEN 'index' THEN 2 ELSE 3 END, lower(name)) AS k,
         type, name, tbl_name, COALESCE(sql, '') AS sql
  FROM sqlite_schema
  WHERE type IN ('table', 'view', 'index', 'trigger') AND name NOT LIKE 'sqlite\_%' ESCAPE '\')
SELECT line FROM (
  SELECT k, 0 AS part, 0 AS cid,
         'object|' || type || '|' || name || '|' || tbl_name || '|' || replace(sql, char(10), '\n') AS line
  FROM objects
  UNION ALL
  SELECT o.k, 1, p.cid,
         'column|' || p.name || '|' || p.type || '|' || COALESCE(p.dflt_value, '') || '|' ||
         (p."notnull" != 0) || '|' || (p.pk != 0)
  FROM objects o JOIN pragma_table_info(o.name) p WHERE o.type IN ('table', 'view'))
ORDER BY k, part, cid;
SQL
} > "$work/shell.txt"

NUBO_SHELL_CHECK_DB=$(winepath -w "$db") NUBO_SHELL_CHECK_OUT=$(winepath -w "$work/overview.txt") \
  "$(dirname "$0")/../../../scripts/lib/wine-exec" "$tests_exe" \
  --gtest_filter=DatabaseOverviewForShell.ListsTheFileWhenAsked
diff -u "$work/shell.txt" "$work/overview.txt"
echo "overview matches the sqlite3 shell: $(grep -c '^object' "$work/shell.txt") objects, $(grep -c '^column' "$work/shell.txt") columns"
