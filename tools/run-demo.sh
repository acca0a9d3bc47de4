#!/usr/bin/env bash
# The demo: Voltaris under Wine, on a simulated UPS mapped to COM1.
# Shows on your display when DISPLAY is set; otherwise on a private Xvfb with
# a screenshot every few seconds in build/demo/screens. Uses its own Wine
# prefix (build/demo), never yours. Type commands to change the UPS.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/tools/setup-debian.sh" || exit 1
for preset in cross native; do
  cmake --preset $preset >/dev/null && cmake --build --preset $preset >/dev/null ||
    { echo "build $preset failed"; exit 1; }
done

demo=$root/build/demo
mkdir -p "$demo"
VOLTARIS_E2E_ROOT=$demo "$root/tests/e2e/make-template.sh" || exit 1
export WINEPREFIX=$demo/template WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
pids=()
cleanup() {
  wineserver -k 2>/dev/null
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  echo "demo stopped"
}
trap cleanup EXIT
trap 'exit 0' INT TERM

if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$demo/display" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 200); do [ -s "$demo/display" ] && break; sleep 0.02; done
  export DISPLAY=:$(cat "$demo/display")
  mkdir -p "$demo/screens"
  (while sleep 3; do import -window root "$demo/screens/$(date +%H%M%S).png" 2>/dev/null; done) &
  pids+=($!)
  echo "no DISPLAY: running on a private screen; screenshots every 3 s in $demo/screens"
fi

control=$demo/upssim.ctl
build/native/tools/upssim/upssim --control "$control" --log "$demo/upssim-commands.log" >"$demo/upssim.out" &
pids+=($!)
for _ in $(seq 200); do [ -s "$demo/upssim.out" ] && break; sleep 0.02; done
tty=$(head -n1 "$demo/upssim.out")
wineserver -k 2>/dev/null; wineserver -w
grep -q 'Wine\\\\Ports' "$WINEPREFIX/system.reg" && sed -i '/^\[Software\\\\Wine\\\\Ports\]/,/^$/d' "$WINEPREFIX/system.reg"
printf '\n[Software\\\\Wine\\\\Ports] 1796710300\n"COM1"="%s"\n\n' "$tty" >>"$WINEPREFIX/system.reg"
wineserver -f -p >/dev/null 2>&1 &
pids+=($!)

rm -rf "$demo/app"
cp -r dist/en "$demo/app"
(cd "$demo/app" && exec wine "$demo/app/Voltaris.exe") &
pids+=($!)
# A new user should see the program, not a bare desktop with a small tray
# icon: the main window is opened as a double-click on the icon would.
inspect=$root/build/cross/tools/inspector/inspect.exe
wine "$inspect" wait Voltaris exists 30000 >/dev/null 2>&1 &&
  wine "$inspect" command Voltaris 40023 >/dev/null 2>&1 ||
  echo "the main window did not come up; double-click the tray icon"
echo "Voltaris is running (working folder $demo/app); the UPS is on COM1 ($tty)."
cat <<'HELP'
Worth trying in its menus: Data Analysis > Data Plot (Ctrl+D) and History Data
Record (Ctrl+H); File > UPS Setting Configure (Ctrl+S); Schedule > Weekly
Schedule (Ctrl+W); Control Center > UPS Selftest 10 Seconds (Ctrl+F). Closing
the window hides it: the tray icon brings it back, and its menu has Exit.
Commands: f = mains fails, r = mains returns, l = battery low, n = battery normal,
          u = unplug the UPS, p = plug it back, q = quit; anything else is sent to
          the simulator as written (for example "temperature 40" or "load 80").
HELP
while read -r -p "ups> " line; do
  case "$line" in
    f) action="mains fail" ;;
    r) action="mains ok" ;;
    l) action="battery low on" ;;
    n) action="battery low off" ;;
    u) action="unplug" ;;
    p) action="plug" ;;
    q) break ;;
    "") continue ;;
    *) action=$line ;;
  esac
  build/native/tools/upssim/upssim --send "$control" "$action"
done
