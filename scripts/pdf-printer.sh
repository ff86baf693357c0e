#!/usr/bin/env bash
# Makes a PDF printer available on Debian: CUPS with the cups-pdf backend and a queue
# Kerrowvantis-PDF, made the default printer, so printing can be tried without paper.
# Installs only what is missing and starts the scheduler only when it is not running, with or
# without an init system (containers); safe to run again.
set -euo pipefail
export LC_ALL=C # lpstat's messages are matched below

queue=Kerrowvantis-PDF
packages=(cups cups-client printer-driver-cups-pdf)
conf=/etc/cups/cups-pdf.conf

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "pdf-printer: run as root or install sudo" >&2; exit 1; }
    sudo_cmd=(sudo)
fi
as_root() { "${sudo_cmd[@]}" "$@"; }

"$(dirname "${BASH_SOURCE[0]}")/install-deps.sh" "${packages[@]}"

scheduler_running() { lpstat -r 2>/dev/null | grep -qx 'scheduler is running'; }

# True once the scheduler answers, within about the given number of seconds.
wait_for_scheduler() {
    local tries=$(($1 * 5))
    while [ "$tries" -gt 0 ]; do
        scheduler_running && return 0
        sleep 0.2
        tries=$((tries - 1))
    done
    return 1
}

if ! scheduler_running; then
    echo "pdf-printer: starting the CUPS scheduler"
    started=false
    if [ -d /run/systemd/system ]; then
        as_root systemctl start cups && started=true
    elif command -v service >/dev/null && [ -x /etc/init.d/cups ]; then
        as_root service cups start >/dev/null && started=true
    fi
    # No init system, or it did not bring the scheduler up: run cupsd itself, which detaches.
    # Should a slow one come up after all, the second finds the port taken and ends.
    if ! { $started && wait_for_scheduler 5; }; then
        as_root cupsd || true
    fi
    wait_for_scheduler 20 || { echo "pdf-printer: the CUPS scheduler does not answer" >&2; exit 1; }
fi

if lpstat -p "$queue" >/dev/null 2>&1; then
    echo "pdf-printer: queue $queue exists"
else
    # The driver's name differs between cups-pdf versions; ask CUPS, prefer the one with options.
    models=$(lpinfo -m 2>/dev/null | awk '{print $1}' | grep -i 'cups-pdf' || true)
    model=$(grep -i '_opt' <<<"$models" | head -n1 || true)
    [ -n "$model" ] || model=$(head -n1 <<<"$models")
    if [ -n "$model" ]; then
        driver=(-m "$model")
    else
        ppd=$(find /usr/share/ppd -iname 'CUPS-PDF*.ppd*' 2>/dev/null | sort | head -n1)
        [ -n "$ppd" ] || { echo "pdf-printer: no cups-pdf driver found" >&2; exit 1; }
        driver=(-P "$ppd")
    fi
    as_root lpadmin -p "$queue" -E -v cups-pdf:/ "${driver[@]}" -D "Kerrowvantis PDF printer"
    echo "pdf-printer: added queue $queue (${driver[*]})"
fi
as_root cupsenable "$queue"
as_root cupsaccept "$queue"
as_root lpadmin -d "$queue"
lpstat -p "$queue" -d

# Where cups-pdf writes: its Out setting, ${HOME} and ${USER} being the job owner's, and
# AnonDirName for jobs of users the machine does not know.
setting() { sed -n "s/^[[:space:]]*$1[[:space:]]\+//p" "$conf" 2>/dev/null | tail -n1; }
out=$(setting Out)
anon=$(setting AnonDirName)
# shellcheck disable=SC2016 # ${HOME} and ${USER} are meant literally, as cups-pdf writes them
{
    [ -n "$out" ] || out='/var/spool/cups-pdf/${USER}'
    yours=${out//'${HOME}'/$HOME}
    yours=${yours//'${USER}'/$(id -un)}
}
[ -n "$anon" ] || anon=/var/spool/cups-pdf/ANONYMOUS
echo "pdf-printer: PDF files land in $out, for you $yours (jobs of unknown users: $anon)"
