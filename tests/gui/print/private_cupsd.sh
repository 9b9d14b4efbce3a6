#!/bin/sh
# A print server of the test's own: cupsd with every file under one folder and its
# socket there, and one PDF queue as the default printer. The queue is CUPS's
# generic PDF printer writing to a file, so the PDF that arrives still carries its
# text (cups-pdf re-renders through PostScript and leaves glyphs pdftotext cannot read).
#   private_cupsd.sh start DIR [OWNER]  exit 0: running, jobs arrive as DIR/out/printed.pdf;
#                                       exit 77: cupsd cannot be started here.
#                                       The server ends by itself when process OWNER does.
#   private_cupsd.sh stop DIR
set -u
action=$1 dir=$2 owner=${3:-}

stop() {
    if [ -f "$dir/cupsd.pid" ]; then
        pid=$(cat "$dir/cupsd.pid")
        kill "$pid" 2>/dev/null
        i=0
        while kill -0 "$pid" 2>/dev/null && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
        kill -9 "$pid" 2>/dev/null
        rm -f "$dir/cupsd.pid"
    fi
}

case $action in
stop)
    stop
    exit 0
    ;;
start) ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac

command -v cupsd >/dev/null || { echo "cupsd is not installed" >&2; exit 77; }
command -v lpadmin >/dev/null || { echo "lpadmin is not installed" >&2; exit 77; }

# The filters run as the lp user and must reach the spool.
mkdir -p "$dir/etc/ppd" "$dir/spool/tmp" "$dir/run" "$dir/cache" "$dir/log" "$dir/out" || exit 77
chmod 0755 "$dir" "$dir/out"
cat >"$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
StateDir $dir/run
CacheDir $dir/cache
TempDir $dir/spool/tmp
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
Printcap $dir/printcap
ServerBin /usr/lib/cups
DataDir /usr/share/cups
SystemGroup root
FileDevice Yes
Sandboxing Relaxed
CONF
cat >"$dir/etc/cupsd.conf" <<CONF
LogLevel info
Listen $dir/cups.sock
Browsing No
WebInterface No
DefaultAuthType None
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

cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" </dev/null >"$dir/log/cupsd.out" 2>&1 &
cupsd_pid=$!
echo $cupsd_pid >"$dir/cupsd.pid"
if [ -n "$owner" ]; then
    # A test that crashes must not leave its server behind.
    (
        while kill -0 "$owner" 2>/dev/null && kill -0 "$cupsd_pid" 2>/dev/null; do sleep 1; done
        kill "$cupsd_pid" 2>/dev/null
    ) </dev/null >/dev/null 2>&1 &
fi

export CUPS_SERVER="$dir/cups.sock"
i=0
# lpstat -r exits 0 also while the scheduler is not running yet: read what it says.
until lpstat -r 2>/dev/null | grep -q 'scheduler is running'; do
    i=$((i + 1))
    if [ $i -gt 100 ] || ! kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null; then
        echo "cupsd did not start:" >&2
        cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null
        stop
        exit 77
    fi
    sleep 0.1
done

ppd=$(lpinfo -m 2>/dev/null | awk '/Generic-PDF_Printer-PDF/ {print $1; exit}')
[ -n "$ppd" ] || ppd=lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd
# A scheduler that has just come up may still refuse the first connection.
i=0
until lpadmin -p VantorelPDF -E -v "file://$dir/out/printed.pdf" -m "$ppd" \
    2>"$dir/log/lpadmin.err" && lpadmin -d VantorelPDF 2>>"$dir/log/lpadmin.err"; do
    i=$((i + 1))
    if [ $i -gt 20 ]; then
        cat "$dir/log/lpadmin.err" >&2
        stop
        exit 1
    fi
    sleep 0.25
done
exit 0
