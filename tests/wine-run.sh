#!/usr/bin/env bash
# Runs a cross-compiled test under Wine, quietly, in the unit-test prefix
# (created by Wine on first use when the test runner has not prepared it).
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${VOLTARIS_WINEPREFIX:-$here/../build/wine/unit-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
exec wine "$@"
