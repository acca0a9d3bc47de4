#!/usr/bin/env bash
# The French build's menus and accelerators: the menu bar, the tray menu and
# the accelerator table read byte for byte (Windows-1252) out of the installed
# Voltaris.exe; the running program shows that menu bar with its accents;
# Ctrl+P opens the weekly schedule (not the special-date schedule, which the
# French build leaves unbound), Ctrl+W no longer does anything, and Ctrl+Q
# ends the program after recording the end of the program.
source "$(dirname "$0")/lib.sh"
e2e_init french_menus 180
e2e_sim
e2e_install fr

MENU_DUMP=$(dirname "$VOLTARIS_INSPECT")/menu_dump.exe
[ -f "$MENU_DUMP" ] || fail "no $MENU_DUMP"
menu_dump() {
  e2e_wine_up
  (cd "$APP_DIR" && wine "$MENU_DUMP" 'Voltaris.exe' "$@" 2>>"$RUN/menu_dump.err" | tr -d '\r')
}
# expect_listing WHAT ACTUAL EXPECTED: the same lines, or a diff in the log.
expect_listing() {
  printf '%s\n' "$2" >"$RUN/$1.actual"
  printf '%s\n' "$3" >"$RUN/$1.expected"
  diff <(iconv -f cp1252 -t utf-8 "$RUN/$1.expected") <(iconv -f cp1252 -t utf-8 "$RUN/$1.actual") ||
    fail "$1 differs (expected < > actual)"
}

e2e_log "the French menus in the program's resources"
T=$'\t'
expect_listing main-menu "$(menu_dump menu 101)" "\
0 popup &Fichier
0.0 40001 &UPS configur"$'\xe9'"${T}Ctrl+U
0.1 40002 &Messages d'alertes configur"$'\xe9'"s${T}Ctrl+M
0.2 separator
0.3 40003 &Quitter Voltaris${T}Ctrl+Q
1 popup &Programmer
1.0 40004 &Progammation hebdomadaire${T}Ctrl+P
2 popup &Analyse des donn"$'\xe9'"es
2.0 40006 &Fichier Log${T}Ctrl+F
2.1 40007 &Historique des donn"$'\xe9'"es enregistr"$'\xe9'"es${T}Ctrl+H
2.2 40008 &Graphiques${T}Ctrl+G
2.3 40009 &Ev"$'\xe9'"nements des donn"$'\xe9'"es enregistr"$'\xe9'"es${T}Ctrl+E
2.4 40011 &Application ferm"$'\xe9'"e${T}Ctrl+A
3 popup &Centre de contr"$'\xf4'"le
3.0 40012 &Fermeture du syst"$'\xe8'"me${T}Ctrl+R
3.1 40013 Annuler &la fermeture du syst"$'\xe8'"me${T}Ctrl+L [grayed]
3.2 40014 Au&totest de 10 secondes${T}Ctrl+T
3.3 40015 Autotest en mode &batterie faible${T}Ctrl+B
3.4 40016 Autotest pr&ogramm"$'\xe9'"${T}Ctrl+O
3.5 separator
3.6 40017 Annuler l'autotest [grayed]
3.7 separator
3.8 40024 Exercice de coupure secteur"$'\x85'"
3.9 40025 Nouvelle batterie"$'\x85'"
4 popup A&ide
4.0 40018 &Contenu
4.1 separator
4.2 40019 &A propos de Voltaris"
expect_listing tray-menu "$(menu_dump menu 102)" "\
0 popup &Tray
0.0 40001 &UPS configur"$'\xe9'"
0.1 40002 &Messages d'alertes configur"$'\xe9'"s
0.2 separator
0.3 40004 &Progammation hebdomadaire
0.4 separator
0.5 40006 &Fichier Log
0.6 40007 &Historique des donn"$'\xe9'"es enregistr"$'\xe9'"es
0.7 40008 &Graphiques
0.8 40009 &Ev"$'\xe9'"nements des donn"$'\xe9'"es enregistr"$'\xe9'"es
0.9 separator
0.10 40023 &Retour "$'\xe0'" la fen"$'\xea'"tre principale
0.11 40003 &Quitter Voltaris"
# Ctrl plus a letter each; nothing for 40005, the special-date schedule.
expect_listing accelerators "$(menu_dump accel VOLTARIS | sort)" "\
ctrl+A 40011
ctrl+B 40015
ctrl+E 40009
ctrl+F 40006
ctrl+G 40008
ctrl+H 40007
ctrl+L 40013
ctrl+M 40002
ctrl+O 40016
ctrl+P 40004
ctrl+Q 40003
ctrl+R 40012
ctrl+T 40014
ctrl+U 40001"

e2e_log "the running French program"
# The French program writes its own event texts, in Windows-1252.
connected() { has_event $'   Port COM connect\xe9!'; }
e2e_start_app
wait_until 30 connected || fail "never connected: $(events | od -c | head -5)"
expect_eq "$(events | head -n 1)" $'  D\xe9marrage du programme' "the first event"
has_event "  Program Start" && fail "an English event text in the French build"
inspect command Voltaris 40023 >/dev/null  # the window starts hidden behind the tray icon
wait_until 10 inspect wait Voltaris visible 200 || fail "the main window did not show"
expect_eq "$(inspect menustate Voltaris 40004)" ENABLED "the weekly schedule item"
expect_eq "$(inspect menustate Voltaris 40013)" GRAYED "the cancel-shutdown item"
expect_eq "$(inspect menustate Voltaris 40005)" MISSING "a special-date schedule item"
sleep 1
screenshot french-menu-bar

W=$(xdotool search --name '^Voltaris$' | head -n1)
[ -n "$W" ] || fail "no main window for the keyboard"
key() { xdotool key --window "$W" "$1"; sleep 0.4; }
# Alt+A drops "&Analyse des donn\xe9es" down, for a person to see the accents.
xdotool search --name '^Voltaris$' windowactivate --sync >/dev/null 2>&1
xdotool key alt+a
sleep 1
screenshot french-menu-open
xdotool key Escape Escape
sleep 0.3

e2e_log "Ctrl+P: the weekly schedule"
key ctrl+p
WEEKLY='#32770/Programmation hebdomadaire'
wait_until 10 inspect wait "$WEEKLY" visible 200 || fail "Ctrl+P opened no weekly schedule"
inspect wait '#32770/Dialog' gone 100 >/dev/null || fail "Ctrl+P opened the special-date schedule"
sleep 0.5
screenshot french-weekly
inspect close "$WEEKLY" >/dev/null
wait_until 5 inspect wait "$WEEKLY" gone 200 || fail "the weekly schedule did not close"
key ctrl+w
sleep 1
inspect wait "$WEEKLY" gone 100 >/dev/null || fail "Ctrl+W still opens the weekly schedule"

e2e_log "Ctrl+Q: the end"
key ctrl+q
app_gone 15 || fail "Ctrl+Q did not end the program"
last=$(events | tail -n 1)
expect_eq "$last" "  Fin du programme" "the last event"
