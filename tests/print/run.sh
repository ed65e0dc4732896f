#!/usr/bin/env bash
# Runs the real-printer test against a CUPS server of its own: a private cupsd on
# a socket in a scratch folder with one cups-pdf printer whose files land in that
# folder. Exits 77 (skipped) with a line saying why when CUPS cannot be had.
set -u
qt_tests=$1
for tool in /usr/sbin/cupsd /usr/sbin/lpadmin pdftoppm pdftotext; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (cups, poppler-utils)"; exit 77; }
done
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
[ -x /usr/lib/cups/backend/cups-pdf ] && [ -f $ppd ] || { echo "SKIP: printer-driver-cups-pdf is not installed"; exit 77; }
# cups-pdf reads a queue's settings only from its own folder under /etc/cups.
# Besides the first queue: two whose printable areas differ (the stock PPD's, which
# starts at the page corner, and one 18 points in), one that refuses jobs and one
# that is stopped.
queue=ScanDeckTest$$
flush=${queue}Flush inset=${queue}Inset rejecting=${queue}Rejecting stopped=${queue}Stopped
conf=/etc/cups/cups-pdf-$queue.conf
[ -w /etc/cups ] || { echo "SKIP: /etc/cups is not writable, so the PDF printer cannot be told where to write"; exit 77; }

dir=$(mktemp -d)
chmod 755 "$dir"
mkdir -p "$dir"/{root,spool,cache,state,log,out,tmp}
chmod 1777 "$dir/tmp"  # the filters run as lp
cleanup() {
  [ -n "${cupsd_pid:-}" ] && kill "$cupsd_pid" 2>/dev/null
  for q in "$queue" "$flush" "$inset" "$rejecting" "$stopped"; do rm -f "/etc/cups/cups-pdf-$q.conf"; done
  rm -rf "$dir"
}
trap cleanup EXIT

cat >"$dir/root/cups-files.conf" <<CONF
ServerRoot $dir/root
RequestRoot $dir/spool
TempDir $dir/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
CONF
cat >"$dir/root/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel info
WebInterface No
Browsing No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
printf 'Out %s\nAnonDirName %s\nLabel 0\n' "$dir/out" "$dir/out" >"$conf"
for q in "$flush" "$inset" "$rejecting" "$stopped"; do
  mkdir -p "$dir/out/$q"
  printf 'Out %s\nAnonDirName %s\nLabel 0\n' "$dir/out/$q" "$dir/out/$q" >"/etc/cups/cups-pdf-$q.conf"
done
# Every page size's printable area 18 points in from each edge.
grep -q '^\*ImageableArea .*: "0 0 ' $ppd || { echo "FAIL: $ppd no longer starts its printable area at the page corner"; exit 1; }
awk '/^\*ImageableArea / { split($0, q, "\""); split(q[2], a, " ");
       printf "%s\"%d %d %d %d\"\n", q[1], a[1] + 18, a[2] + 18, a[3] - 18, a[4] - 18; next } { print }' \
  $ppd >"$dir/inset.ppd"

/usr/sbin/cupsd -f -c "$dir/root/cupsd.conf" -s "$dir/root/cups-files.conf" &
cupsd_pid=$!
export CUPS_SERVER=$dir/cups.sock
for _ in $(seq 50); do [ -S "$CUPS_SERVER" ] && lpstat -r >/dev/null 2>&1 && break; sleep 0.1; done
lpstat -r >/dev/null 2>&1 || { echo "SKIP: cupsd did not start"; tail -5 "$dir/log/error_log" 2>/dev/null; exit 77; }
# Poppler's PostScript keeps the fonts as outlines, so the page survives the spooler's round trip.
for q in "$queue" "$flush" "$inset" "$rejecting" "$stopped"; do
  p=$ppd
  [ "$q" = "$inset" ] && p=$dir/inset.ppd
  /usr/sbin/lpadmin -p "$q" -E -v "cups-pdf:/$q" -P "$p" -o pdftops-renderer-default=pdftops 2>/dev/null ||
    { echo "SKIP: the PDF printer $q could not be added"; exit 77; }
done
cupsreject "$rejecting" && cupsdisable "$stopped" || { echo "FAIL: the queues could not be stopped"; exit 1; }

SCANDECK_CUPS_PRINTER=$queue SCANDECK_CUPS_OUT=$dir/out QT_QPA_PLATFORM=offscreen \
  SCANDECK_CUPS_FLUSH=$flush SCANDECK_CUPS_INSET=$inset SCANDECK_CUPS_REJECTING=$rejecting SCANDECK_CUPS_STOPPED=$stopped \
  "$qt_tests" --gtest_filter='RealPrinter.*'
rc=$?
[ $rc -eq 0 ] || tail -20 "$dir/log/error_log"
exit $rc
