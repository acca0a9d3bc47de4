#!/usr/bin/env bash
# The French build's windows show no English text that the catalogue
# translates (captions, control texts, list headings, choices and what is
# painted on the skins), and a
# settings file and records written by the English build open in the French
# build unchanged: the English event lines show as they were written, next
# to the French program's own.
source "$(dirname "$0")/lib.sh"
e2e_init french_windows 180
e2e_sim
e2e_install en
"$VOLTARIS_CATALOGUE_DUMP" >"$RUN/english-texts.txt" || fail "no catalogue"
# A fresh French install starts from French alarm texts.
expect_eq "$(tr -d '\r' <"$VOLTARIS_DIST/fr/UpsConfigure.ini" | cut -d= -f2- | grep -Fxf "$RUN/english-texts.txt")" "" \
  "English texts in the French build's default settings"
e2e_start_app
wait_event 30 "  COM UPS is Connected!" || fail "the English build never connected"
inspect command Voltaris 40003 >/dev/null  # Exit
app_gone 15 || fail "the English build did not end"
ini_before=$(md5sum <"$APP_DIR/UpsConfigure.ini")
events_before=$(events)

e2e_log "the French program on the English build's files"
cp "$VOLTARIS_DIST/fr/Voltaris.exe" "$APP_DIR/Voltaris.exe"
# Wine traces every string the program paints (buttons and labels drawn on
# the skins are no window's text): read with the windows' texts below.
WINEDEBUG=-all,trace+font e2e_start_app
wait_until 30 has_event $'   Port COM connect\xe9!' || fail "the French build never connected"
expect_eq "$(events | head -n "$(wc -l <<<"$events_before")")" "$events_before" "the English build's events, unchanged"
expect_eq "$(md5sum <"$APP_DIR/UpsConfigure.ini")" "$ini_before" "the settings file after the French start"

# The strings painted so far, one a line, in the catalogue's Windows-1252.
painted_texts() {
  grep -a 'NtGdiExtTextOutW' "$RUN/app.log" | grep -ao 'L"[^"]*"' | sed -E 's/^L"(.*)"$/\1/' |
    perl -pe 's/\\([0-9a-f]{4})/hex($1) < 256 ? chr(hex($1)) : "?"/ge' | sort -u
}
# Every window of the French program, and what it shows as text.
texts=$RUN/french-texts.txt
: >"$texts"
for command in 40001 40002 40004 40006 40007 40008 40009 40011 40016; do
  inspect command Voltaris "$command" >/dev/null
  sleep 1.5
done
# The port list's last choice, chosen (not saved), shows the network UPS's fields.
settings=$(inspect windows '#32770' | awk '/"UPS configur/ {print $1}')
inspect combo "$settings" 1002 9 >/dev/null || fail "no settings dialog: $(inspect windows '#32770')"
network=$(inspect combo "$settings" 1002)
expect_eq "${network%% *}" 9 "the network UPS's place in the French port list"
echo "${network#* }" >>"$texts"
for handle in $(inspect windows '#32770' | awk '/visible/ {print $1}'); do
  inspect windows '#32770' | awk -v h="$handle" '$1 == h' | sed -E 's/^[^"]*"(.*)"$/\1/' >>"$texts"
  # Text fields hold what the user stored (the alarm messages): not the program's words.
  inspect children "$handle" | awk '$2 != "Edit"' | sed -E 's/^[^"]*"(.*)"$/\1/' >>"$texts"
  for list in 1084 1086 1087 1109; do inspect columns "$handle" "$list" 2>/dev/null | cut -f1 >>"$texts"; done
  inspect combo "$handle" 1004 2>/dev/null | cut -d' ' -f2- >>"$texts"
done
screenshot french-windows
# What the user stored (the English build's alarm messages) is theirs, not the program's words.
painted_texts | grep -vFxf <(tr -d '\r' <"$APP_DIR/UpsConfigure.ini" | cut -s -d= -f2-) >>"$texts"
grep -q $'Programmation hebdomadaire' "$texts" || fail "the French windows were not read: $(head -5 "$texts")"
english=$(grep -Fxf "$RUN/english-texts.txt" "$texts" | sort -u)
[ -z "$english" ] || fail "English texts in the French build: $english"
e2e_log "$(wc -l <"$texts") texts read, none of them the catalogue's English"

inspect command Voltaris 40006 >/dev/null
wait_until 10 inspect wait '#32770/Fichier Log' visible 200 || fail "no log window"
inspect listview '#32770/Fichier Log' 1084 >"$RUN/log.txt"
grep -q '  Program Start$' "$RUN/log.txt" || fail "the English events are not shown as written"
grep -q $'  D\xe9marrage du programme$' "$RUN/log.txt" || fail "the French program's start is not shown"
