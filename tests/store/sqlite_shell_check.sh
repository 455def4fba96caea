#!/usr/bin/env bash
# The store writes a database under Wine; the Linux sqlite3 shell must read it.
set -euo pipefail
tests_exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db_windows=$(winepath -w "$work/tavu.db")
NUBO_SHELL_CHECK_DB="$db_windows" "$(dirname "$0")/../../scripts/lib/wine-exec" "$tests_exe" \
  --gtest_filter=ReminderStoreForShell.WritesDatabaseWhenAsked
tables=$(sqlite3 "$work/tavu.db" "SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' ORDER BY name);")
mode=$(sqlite3 "$work/tavu.db" "PRAGMA journal_mode;")
row=$(sqlite3 "$work/tavu.db" "SELECT title || '|' || repeat_rule || '|' || priority FROM reminders;")
echo "tables=$tables mode=$mode row=$row"
[ "$tables" = "app_settings,reminders" ] && [ "$mode" = "wal" ] && [ "$row" = "喝水|daily|important" ] ||
  exit 1

# A row the shell writes with bytes that are not UTF-8 is repaired when read.
sqlite3 "$work/tavu.db" "INSERT INTO reminders(title, due_at, priority, created_at) VALUES (CAST(X'41FF80E5969D' AS TEXT), 2000, CAST(X'C0' AS TEXT), 0);"
NUBO_SHELL_CHECK_DB="$db_windows" "$(dirname "$0")/../../scripts/lib/wine-exec" "$tests_exe" \
  --gtest_filter=ReminderStoreForShell.RepairsTheShellsRowWhenAsked
