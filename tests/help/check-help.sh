#!/usr/bin/env bash
# Each distribution folder holds Voltaris.chm, compiled with its table of
# contents, its index and all its pages: the file is taken apart with
# extract_chmLib (Debian package libchm-bin) and checked for every page, every
# link target and some exact texts of its language, the French pages in
# Windows-1252 as they declare.
#
# Usage: check-help.sh DIST_DIR
set -uo pipefail
export LC_ALL=C   # compare bytes: the French pages are Windows-1252
dist=${1:?usage: check-help.sh DIST_DIR}
command -v extract_chmLib >/dev/null || { echo "extract_chmLib missing (Debian package libchm-bin)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pages=(index.htm mainwindow.htm menus.htm settings.htm selftests.htm schedules.htm records.htm network.htm)
checks=0
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  checks=$((checks + 1))
  "$@" >/dev/null 2>&1 || { echo "FAIL: $what"; failures=$((failures + 1)); }
}
has() { grep -qF -- "$2" "$1"; }   # has FILE TEXT
lacks_utf8() { ! grep -qE $'\xc3[\x80-\xbf]|\xe2\x80' "$@"; }

check_language() {
  local lang=$1 title=$2 chm=$dist/$1/Voltaris.chm
  local out=$work/$lang
  check "$lang: $chm is there" test -s "$chm"
  [ -s "$chm" ] || return
  extract_chmLib "$chm" "$out" >/dev/null 2>&1
  check "$lang: compiled with its title \"$title\"" grep -qaF "$title" "$out/#SYSTEM"
  for f in Voltaris.hhc Voltaris.hhk voltaris.css "${pages[@]}"; do
    check "$lang: $f inside" test -s "$out/$f"
  done
  for p in "${pages[@]}"; do
    check "$lang: $p in the table of contents" has "$out/Voltaris.hhc" "value=\"$p\""
    check "$lang: $p declares Windows-1252" has "$out/$p" 'content="text/html; charset=windows-1252"'
  done
  # Every target of the contents, the index and the pages' links is inside.
  local target
  while read -r target; do
    check "$lang: link target $target inside" test -s "$out/$target"
  done < <(cat "$out/Voltaris.hhc" "$out/Voltaris.hhk" "$out"/*.htm |
           grep -oE '(href|name="Local" value)="[^"#:]+' | sed -E 's/.*="//' | sort -u)
}

check_language en "Voltaris Help"
en=$work/en
if [ -d "$en" ]; then
  check "en: menu item Weekly Schedule with Ctrl+W" has "$en/menus.htm" '<td>Weekly Schedule</td><td><kbd>Ctrl+W</kbd></td>'
  check "en: menu item Exit Voltaris System with Ctrl+E" has "$en/menus.htm" '<td>Exit Voltaris System</td><td><kbd>Ctrl+E</kbd></td>'
  check "en: special-date schedule on Ctrl+P" has "$en/menus.htm" '<kbd>Ctrl+P</kbd>'
  check "en: note on a folder the user can write" has "$en/index.htm" 'Install Voltaris in a folder you can write'
  check "en: mains-failure count-down text" has "$en/index.htm" 'System ShutDown After <i>n</i> Seconds'
  check "en: upsmon.conf line of the network example" has "$en/network.htm" 'MONITOR voltaris@192.168.1.10 1 monuser Kw7-rq2-Tz9 secondary'
  check "en: event Network Clients Still Logged In!" has "$en/network.htm" '"Network Clients Still Logged In!"'
fi

check_language fr "Aide de Voltaris"
fr=$work/fr
if [ -d "$fr" ]; then
  check "fr: menu item Progammation hebdomadaire with Ctrl+P" has "$fr/menus.htm" '<td>Progammation hebdomadaire</td><td><kbd>Ctrl+P</kbd></td>'
  check "fr: menu item Fermeture du systeme with Ctrl+R" has "$fr/menus.htm" $'<td>Fermeture du syst\xe8me</td><td><kbd>Ctrl+R</kbd></td>'
  check "fr: accented page title Reglages" has "$fr/settings.htm" $'<title>R\xe9glages</title>'
  check "fr: note on a folder the user can write" has "$fr/index.htm" $'Installez Voltaris dans un dossier o\xf9 vous pouvez \xe9crire'
  check "fr: title of the network page" has "$fr/network.htm" $'<title>Partager l\'onduleur avec d\'autres ordinateurs</title>'
  check "fr: event Clients reseau encore connectes!" has "$fr/network.htm" $'\xab Clients r\xe9seau encore connect\xe9s! \xbb'
  check "fr: contents entry in Windows-1252" has "$fr/Voltaris.hhc" $'value="La fen\xeatre principale"'
  check "fr: no UTF-8 left in the pages" lacks_utf8 "$fr"/*.htm "$fr/Voltaris.hhc" "$fr/Voltaris.hhk"
fi

echo "help: $((checks - failures)) of $checks checks passed"
[ "$failures" -eq 0 ]
