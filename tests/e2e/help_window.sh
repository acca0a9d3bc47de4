#!/usr/bin/env bash
# The help file of each distribution folder opens in the Windows help viewer
# with its own title and its table of contents.
source "$(dirname "$0")/lib.sh"
e2e_init help_window 120

# open_help LANG TITLE: opens LANG's Voltaris.chm, checks its window, closes it.
open_help() {
  local window="HH Parent/$2"
  e2e_install "$1"
  e2e_wine_up
  (cd "$APP_DIR" && exec wine hh.exe Voltaris.chm >>"$RUN/hh-$1.log" 2>&1) &
  E2E_PIDS+=($!)
  inspect wait "$window" visible 30000 || fail "no help window titled \"$2\""
  inspect children "$window" | grep -q 'SysTreeView32 visible' || fail "the $1 help window shows no contents"
  screenshot "help-$1"
  inspect close "$window"
  inspect wait "$window" gone 10000 || fail "the $1 help window did not close"
}

open_help en "Voltaris Help"
open_help fr "Aide de Voltaris"
