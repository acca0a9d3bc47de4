# A print server of the test's own, sourced after lib.sh: cupsd with its
# configuration, spool and socket in the run folder (nothing of the machine's
# own print system is used or changed, and it runs as root or not), and one
# queue, "VoltarisPDF", the default, that turns each job into a PDF in
# $RUN/pdf. Wine's printing finds it through CUPS_SERVER.

# e2e_cups: starts it; PDF_DIR is where the jobs arrive.
e2e_cups() {
  local dir=$RUN/cups
  PDF_DIR=$RUN/pdf
  command -v cupsd >/dev/null && command -v gs >/dev/null || fail "cupsd or gs missing (tools/setup-debian.sh)"
  mkdir -p "$dir"/conf "$dir"/spool "$dir"/cache "$dir"/state "$dir"/log "$dir"/tmp "$dir"/bin/backend "$PDF_DIR"
  chmod 1777 "$PDF_DIR" "$dir/tmp"  # a root cupsd runs the backend as its own user (lp)
  local part
  for part in filter daemon cgi-bin notifier driver monitor; do
    [ -e "/usr/lib/cups/$part" ] && ln -s "/usr/lib/cups/$part" "$dir/bin/$part"
  done
  install -m 0755 "$(dirname "${BASH_SOURCE[0]}")/pdf_backend.sh" "$dir/bin/backend/pdffolder"
  # A socket's path must stay under about 100 bytes: a deep run folder is
  # reached through a short link.
  local socket=$dir/socket
  if [ ${#socket} -gt 100 ]; then
    CUPS_LINK=$(mktemp -u /tmp/voltaris-cups.XXXXXX)
    ln -s "$dir" "$CUPS_LINK"
    socket=$CUPS_LINK/socket
  fi
  cat >"$dir/conf/cupsd.conf" <<CONF
Listen $socket
Browsing No
WebInterface No
LogLevel warn
DefaultAuthType None
DefaultPolicy open
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy open>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
  cat >"$dir/conf/cups-files.conf" <<CONF
ServerRoot $dir/conf
ServerBin $dir/bin
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/tmp
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
Printcap $dir/printcap
CONF
  cupsd -f -c "$dir/conf/cupsd.conf" -s "$dir/conf/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
  E2E_PIDS+=($!)
  export CUPS_SERVER=$socket
  wait_until 10 cups_up || fail "the print server did not start: $(cat "$dir/log/cupsd.out" "$dir/log/error_log" 2>/dev/null)"
  lpadmin -p VoltarisPDF -v "pdffolder:$PDF_DIR" -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd -E \
    >>"$dir/log/lpadmin.out" 2>&1 || fail "no print queue: $(cat "$dir/log/lpadmin.out")"
  lpadmin -d VoltarisPDF >>"$dir/log/lpadmin.out" 2>&1
}

cups_up() { [ "$(lpstat -r 2>/dev/null)" = "scheduler is running" ]; }

# e2e_cups_done: removes the short link, if one was made (the server itself
# is stopped with the test's other processes).
e2e_cups_done() { [ -n "${CUPS_LINK:-}" ] && rm -f "$CUPS_LINK"; return 0; }

# pdf_jobs: the PDFs printed so far, oldest first.
pdf_jobs() { ls -1tr "$PDF_DIR"/job-*.pdf 2>/dev/null; }
