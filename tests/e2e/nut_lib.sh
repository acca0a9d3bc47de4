# NUT's own server for the program to follow, sourced after lib.sh: upsd
# serving the UPS "dummy" of the dummy-ups driver on 127.0.0.1, whose readings
# the test rewrites, and on demand a real upsmon primary beside the program.
# Everything lives in $RUN/nut-server; every process started here is
# stopped by PID in e2e_cleanup.
#
# Users of the server: monuser/pass (upsmon secondary, as the program logs
# in) and admin/adminpass (upsmon primary, for upsmon and forced shutdowns).

NUT_UPS=dummy
NUT_LIBEXEC=$(dirname "$(dpkg -L nut-server 2>/dev/null | grep '/upsd$' | head -n1)")
NUT_DIR=
NUT_PORT=
NUT_SERVER=     # dummy@127.0.0.1:PORT, as upsc names it
NUT_DEV_STAMP=0 # the .dev file's last modification time, in whole seconds
# The daemons' folders, as a command prefix: env execs the daemon, so the PID
# the shell hands back is the daemon's own (a shell function put in the
# background would be a subshell, and stopping it would leave the daemon).
NUT_ENV=()
UPSD_PID=
NUT_DRIVER_PID=
UPSMON_DIR=

# nut_server_start [VAR=VALUE...]: the driver with these readings (ups.status
# OL unless given), then upsd on a free loopback port; NUT_PORT and NUT_SERVER
# say where. Fails the test when either does not come up.
nut_server_start() {
  [ -x "$NUT_LIBEXEC/upsd" ] && [ -x "$NUT_LIBEXEC/dummy-ups" ] || fail "upsd or dummy-ups is missing (package nut-server)"
  command -v upsc >/dev/null || fail "upsc is missing (package nut-client)"
  NUT_DIR=$RUN/nut-server
  NUT_ENV=(env NUT_CONFPATH="$NUT_DIR/etc" NUT_STATEPATH="$NUT_DIR/state")
  mkdir -p "$NUT_DIR/etc" "$NUT_DIR/state"
  chmod 700 "$NUT_DIR/state"
  local readings=(ups.status=OL "$@")
  [[ " $* " == *" ups.status="* ]] && readings=("$@")
  nut_write_dev "${readings[@]}"
  # A poll each second halves how long a new reading takes to be served.
  printf '[%s]\n  driver = dummy-ups\n  port = %s\n  pollinterval = 1\n' "$NUT_UPS" "$NUT_DIR/etc/$NUT_UPS.dev" \
    >"$NUT_DIR/etc/ups.conf"
  printf '[monuser]\n  password = pass\n  upsmon secondary\n[admin]\n  password = adminpass\n  upsmon primary\n' \
    >"$NUT_DIR/etc/upsd.users"
  chmod 640 "$NUT_DIR"/etc/*
  "${NUT_ENV[@]}" "$NUT_LIBEXEC/dummy-ups" -D -a "$NUT_UPS" -u root >"$NUT_DIR/driver.log" 2>&1 &
  NUT_DRIVER_PID=$!
  E2E_PIDS+=("$NUT_DRIVER_PID")
  wait_until 10 test -S "$NUT_DIR/state/dummy-ups-$NUT_UPS" || fail "dummy-ups did not start: $(tail -n 5 "$NUT_DIR/driver.log")"
  # Another process may take the port between its choice and upsd's bind: then another port.
  local _
  for _ in 1 2 3 4 5; do
    NUT_PORT=$(nut_unused_port)
    nut_upsd_launch && break
    NUT_PORT=
  done
  [ -n "$NUT_PORT" ] || fail "upsd did not start: $(tail -n 5 "$NUT_DIR/upsd.log")"
  NUT_SERVER=$NUT_UPS@127.0.0.1:$NUT_PORT
  nut_wait_served "${readings[@]}"
}


# A port the system itself hands out as free (lib.sh's free_port only knows
# that nothing listens there).
nut_unused_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# nut_upsd_launch: upsd on NUT_PORT, until it serves ups.status; fails when it
# ends (the port is taken) or stays silent for 5 s. Its log (-DD: it names
# every connection) grows across restarts.
nut_upsd_launch() {
  printf 'LISTEN 127.0.0.1 %s\n' "$NUT_PORT" >"$NUT_DIR/etc/upsd.conf"
  chmod 640 "$NUT_DIR/etc/upsd.conf"
  "${NUT_ENV[@]}" "$NUT_LIBEXEC/upsd" -DD -u root >>"$NUT_DIR/upsd.log" 2>&1 &
  UPSD_PID=$!
  E2E_PIDS+=("$UPSD_PID")
  local _ status
  for _ in $(seq 100); do
    kill -0 "$UPSD_PID" 2>/dev/null || break
    # "WAIT" until the driver has handed over its readings.
    status=$(upsc "$NUT_UPS@127.0.0.1:$NUT_PORT" ups.status 2>/dev/null) && [ "$status" != WAIT ] && return 0
    sleep 0.05
  done
  nut_upsd_stop
  return 1
}

# nut_upsd_stop: the server goes; its clients find the port refusing them.
nut_upsd_stop() {
  [ -n "$UPSD_PID" ] || return 0
  kill "$UPSD_PID" 2>/dev/null
  wait_until 5 bash -c "! kill -0 $UPSD_PID" || kill -9 "$UPSD_PID" 2>/dev/null
  wait "$UPSD_PID" 2>/dev/null
  e2e_forget "$UPSD_PID"
  UPSD_PID=
}

# nut_upsd_restart: the server comes back on the same port.
nut_upsd_restart() {
  local _
  for _ in 1 2 3; do
    nut_upsd_launch && return 0
    sleep 0.5
  done
  fail "upsd did not come back on port $NUT_PORT: $(tail -n 5 "$NUT_DIR/upsd.log")"
}

# nut_write_dev VAR=VALUE...: the driver's file with these readings changed
# or added, replaced in one rename so the driver never reads half of it.
nut_write_dev() {
  local dev=$NUT_DIR/etc/$NUT_UPS.dev
  local new=$dev.new pair
  if [ -f "$dev" ]; then cp "$dev" "$new"; else : >"$new"; fi
  for pair in "$@"; do
    local name=${pair%%=*}
    sed -i "/^${name//./\\.}:/d" "$new"
    printf '%s: %s\n' "$name" "${pair#*=}" >>"$new"
  done
  # dummy-ups reads the file again only when its modification time in whole
  # seconds differs from the last one it read: two changes within a second
  # would lose the second.
  local stamp
  stamp=$(date +%s)
  [ "$stamp" -gt "$NUT_DEV_STAMP" ] || stamp=$((NUT_DEV_STAMP + 1))
  touch -d "@$stamp" "$new"
  NUT_DEV_STAMP=$stamp
  mv "$new" "$dev"
}

# nut_set VAR=VALUE...: new readings, once upsd serves every one of them.
nut_set() {
  nut_write_dev "$@"
  nut_wait_served "$@"
}

nut_wait_served() {
  local pair
  for pair in "$@"; do
    wait_until 10 nut_shows "${pair%%=*}" "${pair#*=}" ||
      fail "the server did not show ${pair%%=*} '${pair#*=}': $(nut_var "${pair%%=*}" 2>&1)"
  done
}

# nut_var VAR: the value upsd serves now.
nut_var() { upsc "$NUT_SERVER" "$1" 2>/dev/null; }
nut_shows() { [ "$(nut_var "$1")" = "$2" ]; }

# nut_numlogins: how many clients are logged in to the UPS (GET NUMLOGINS,
# which upsc cannot ask).
nut_numlogins() {
  local fd reply
  exec {fd}<>"/dev/tcp/127.0.0.1/$NUT_PORT" || return 1
  printf 'GET NUMLOGINS %s\n' "$NUT_UPS" >&"$fd"
  read -r -t 5 reply <&"$fd"
  printf 'LOGOUT\n' 1>&"$fd" 2>/dev/null
  exec {fd}>&-
  reply=${reply%$'\r'}
  [[ "$reply" == "NUMLOGINS $NUT_UPS "* ]] || return 1
  echo "${reply##* }"
}
nut_numlogins_is() { [ "$(nut_numlogins)" = "$1" ]; }

# nut_connections: connections upsd has accepted so far, over all its runs
# (upsc and nut_numlogins count too).
nut_connections() { grep -c 'Connect from ' "$NUT_DIR/upsd.log"; }

# nut_refused_logins: LOGINs upsd refused for a wrong password so far.
nut_refused_logins() { grep -c 'user_checkaction: password mismatch' "$NUT_DIR/upsd.log"; }

# nut_upsmon_primary_start [HOSTSYNC]: a real upsmon, primary of the UPS,
# logged in as admin. After a forced shutdown it waits up to HOSTSYNC seconds
# (default 20) for the secondaries to log out, then runs its SHUTDOWNCMD,
# which writes to $UPSMON_DIR/shutdown-ran the time and the server's
# NUMLOGINS at that moment (the primary itself still counts: 1 when every
# secondary had gone). Its log: $UPSMON_DIR/upsmon.log.
nut_upsmon_primary_start() {
  UPSMON_DIR=$NUT_DIR/upsmon
  mkdir -p "$UPSMON_DIR"
  # Asked at the moment itself: a secondary's LOGOUT and the primary's
  # shutdown can be a few milliseconds apart, too close for a poll to order.
  cat >"$UPSMON_DIR/shutdown-cmd" <<CMD
#!/bin/bash
at=\$(date +%s.%N)
reply=\$( (exec 3<>/dev/tcp/127.0.0.1/$NUT_PORT && printf 'GET NUMLOGINS $NUT_UPS\\n' >&3 && read -r -t 5 r <&3 && echo "\$r") 2>/dev/null)
echo "\$at \${reply##* }" >"$UPSMON_DIR/shutdown-ran"
CMD
  chmod 700 "$UPSMON_DIR/shutdown-cmd"
  cat >"$UPSMON_DIR/upsmon.conf" <<CONF
MONITOR $NUT_UPS@127.0.0.1:$NUT_PORT 1 admin adminpass primary
MINSUPPLIES 1
SHUTDOWNCMD "$UPSMON_DIR/shutdown-cmd"
POWERDOWNFLAG $UPSMON_DIR/killpower
RUN_AS_USER root
POLLFREQ 1
POLLFREQALERT 1
HOSTSYNC ${1:-20}
DEADTIME 15
FINALDELAY 0
CONF
  chmod 600 "$UPSMON_DIR/upsmon.conf"
  local logins
  logins=$(nut_numlogins) || fail "no NUMLOGINS from the server"
  e2e_upsmon "$UPSMON_DIR"
  wait_until 15 nut_numlogins_is $((logins + 1)) || fail "upsmon did not log in: $(tail -n 5 "$UPSMON_DIR/upsmon.log")"
}

# nut_upsmon_fsd: what `upsmon -c fsd` does on the primary's computer. The
# signal goes to our upsmon by its PID (-P), not through the PID file, which
# may be the system's.
nut_upsmon_fsd() { "$E2E_UPSMON" -c fsd -P "$UPSMON_PID" >>"$UPSMON_DIR/upsmon-c.log" 2>&1; }

# follow_network_ups [KEY=VALUE...]: the installed program follows the UPS of
# this server (ComboPort=9), logged in as monuser; the keys given replace or
# add to those of section NetworkUps.
follow_network_ups() {
  set_setting ComboPort 9
  local -A keys=([Host]=127.0.0.1 [Port]=$NUT_PORT [UpsName]=$NUT_UPS [User]=monuser [Password]=pass)
  local order=(Host Port UpsName User Password) pair
  for pair in "$@"; do
    [ -n "${keys[${pair%%=*}]+set}" ] || order+=("${pair%%=*}")
    keys[${pair%%=*}]=${pair#*=}
  done
  printf '[NetworkUps]\r\n' >>"$APP_DIR/UpsConfigure.ini"
  for pair in "${order[@]}"; do printf '%s=%s\r\n' "$pair" "${keys[$pair]}" >>"$APP_DIR/UpsConfigure.ini"; done
}
