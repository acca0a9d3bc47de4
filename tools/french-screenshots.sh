#!/usr/bin/env bash
# Two screenshots of the French build for the record, written to
# docs/screenshots:
# - records-error-box-fr.png: the box shown when a record cannot be written
#   (a folder stands where the event file should be);
# - alarm-messages-utf8-fr.png: the alarm message dialog showing accented
#   texts read from a settings file saved in UTF-8 without a byte-order mark.
# Runs through the end-to-end harness on a private Xvfb (no TCP), a Wine
# prefix of its own under build/screenshots and the simulated UPS on a
# pseudo-terminal; the harness stops what it started by PID. Needs the cross
# and native builds. Not part of the test suite: run it by hand.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
shots=$root/docs/screenshots
export VOLTARIS_E2E_ROOT=$root/build/screenshots VOLTARIS_DIST=$root/dist
export VOLTARIS_INSPECT=$root/build/cross/tools/inspector/inspect.exe
export VOLTARIS_UPSSIM=$root/build/native/tools/upssim/upssim
for needed in "$VOLTARIS_DIST/fr/Voltaris.exe" "$VOLTARIS_INSPECT" "$VOLTARIS_UPSSIM"; do
  [ -e "$needed" ] || { echo "missing $needed: build the cross and native presets first"; exit 1; }
done
"$root/tests/e2e/make-template.sh" || exit 1
source "$root/tests/e2e/lib.sh"
e2e_init french_screenshots 180
mkdir -p "$shots"

# shoot HANDLE NAME: the window alone (screen and X root coordinates agree
# on Wine's virtual desktop), with a few pixels around it.
shoot() {
  local left top right bottom
  read -r left top right bottom <<<"$(inspect rect "$1")"
  [ -n "$bottom" ] || fail "no rectangle for $1"
  left=$((left > 4 ? left - 4 : 0)) top=$((top > 4 ? top - 4 : 0))
  import -display "$DISPLAY" -window root -crop "$((right - left + 4))x$((bottom - top + 4))+$left+$top" +repage \
    "$shots/$2.png" || fail "no screenshot $2"
  e2e_log "saved $shots/$2.png"
}

e2e_sim
e2e_install fr
ini=$APP_DIR/UpsConfigure.ini

e2e_log "the settings file in UTF-8 without a byte-order mark, with accented alarm texts"
keys=(NormalMessage AcInterruptlMessage AcNormalMessage BatteryLowMessage BatteryNormalMessage ShutDownMessage
      ShutDownCancelMessage)
texts=("Onduleur prêt : tout va bien" "Coupure de courant : enregistrez vos fichiers !"
       "Le courant est rétabli, reprise normale" "Batterie très faible : arrêt imminent des postes"
       "Batterie rechargée, la sécurité est rétablie" "Arrêt du système : ça se ferme, désolé !"
       "Arrêt annulé : continuez à travailler")
iconv -f WINDOWS-1252 -t UTF-8 "$VOLTARIS_DIST/fr/UpsConfigure.ini" >"$ini" || fail "the French settings did not convert"
for i in "${!keys[@]}"; do
  sed -i "/^${keys[i]}=/d" "$ini"
  set_setting "${keys[i]}" "${texts[i]}"
done
[ "$(head -c 3 "$ini" | od -An -tx1 | tr -d ' ')" != efbbbf ] || fail "a byte-order mark"
iconv -f UTF-8 -t UTF-8 "$ini" >/dev/null || fail "not UTF-8"
grep -q "^ShutDownMessage=Arrêt du système" "$ini" || fail "the texts were not written: $(cat "$ini")"

e2e_start_app
wait_until 30 has_event $'   Port COM connect\xe9!' || fail "the French build never connected: $(events)"
inspect command Voltaris 40002 >/dev/null
A="#32770/Message d'alerte"
wait_until 10 inspect wait "$A" visible 200 || fail "no alarm message dialog: $(inspect windows '#32770')"
for i in "${!keys[@]}"; do
  expect_eq "$(inspect text "$A" $((1032 + i)))" "$(iconv -f UTF-8 -t WINDOWS-1252 <<<"${texts[i]}")" "${keys[i]} shown"
done
sleep 0.5  # painted
shoot "$(inspect windows '#32770' | awk '/"Message d.alerte"/ {print $1}')" alarm-messages-utf8-fr
inspect close "$A" >/dev/null
wait_until 10 inspect wait "$A" gone 200 || fail "the alarm dialog stayed"

e2e_log "a folder where the event file should be; the UPS goes silent"
table=$APP_DIR/EventRecord.csv
mv "$table" "$table.away"
mkdir "$table"
sim_control unplug >/dev/null
store_box() {
  local handle
  for handle in $(inspect windows '#32770' | awk '/visible/ {print $1}'); do
    inspect children "$handle" | grep -q 'EventRecord.csv' && { echo "$handle"; return 0; }
  done
  return 1
}
wait_until 20 store_box || fail "no box about the records: $(inspect windows '#32770')"
sleep 0.5
shoot "$(store_box)" records-error-box-fr
inspect children "$(store_box)" | grep -q $'enregistrements ne peuvent pas \xeatre' || fail "the box is not in French"
