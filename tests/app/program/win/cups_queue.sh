#!/usr/bin/env bash
# The print queue of the printing tests, on the machine's own spooler:
#   cups_queue.sh setup QUEUE FOLDER    spooler started when none runs (as
#                                       scripts/run does), and a cups-pdf
#                                       printer QUEUE whose PDFs go to FOLDER
#   cups_queue.sh cleanup QUEUE FOLDER  the printer and its configuration
#                                       removed; the spooler stopped when
#                                       setup started it
# cups-pdf reads the configuration named after the instance of its device
# URI (cups-pdf:/QUEUE), so the test's files land in a folder of its own
# whoever prints. Wine lists the queue in the programs started afterwards.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../../../scripts/common.sh"

action="$1"
queue="$2"
folder="$3"
config="/etc/cups/cups-pdf-$queue.conf"
started="$folder.spooler-pid"
sudo=""
if [ "$(id -u)" != "0" ]; then sudo="sudo -n"; fi

case "$action" in
  setup)
    ensure_spooler
    if [ "$spooler_started" = 1 ]; then pgrep -n -x cupsd >"$started"; fi
    rm -rf "$folder"
    mkdir -p "$folder"
    printf 'Out %s\nAnonDirName %s\nUserUMask 0022\n' "$folder" "$folder" | $sudo tee "$config" >/dev/null
    $sudo lpadmin -p "$queue" -E -v "cups-pdf:/$queue" -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null
    lpstat -v "$queue"
    ;;
  cleanup)
    $sudo lpadmin -x "$queue" 2>/dev/null || true
    $sudo rm -f "$config"
    if [ -f "$started" ]; then
      $sudo kill "$(cat "$started")" 2>/dev/null || true
      rm -f "$started"
    fi
    ;;
  *)
    echo "usage: cups_queue.sh setup|cleanup QUEUE FOLDER" >&2
    exit 2
    ;;
esac
