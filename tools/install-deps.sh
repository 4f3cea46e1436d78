#!/usr/bin/env bash
# Installs the Debian packages of the named lists that are not installed yet. Each list is
# tools/debian-packages-NAME.txt: `run` for building and running, `test` for the tests on top.
# Runs apt-get directly as root, through sudo otherwise; does nothing when all are present.
#   install-deps.sh [--list | --dry-run] NAME...
#   --list     prints the lists' packages and installs nothing
#   --dry-run  prints the packages that are missing and installs nothing
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mode=install
case "${1:-}" in
--list | --dry-run)
    mode=${1#--}
    shift
    ;;
esac
if [ $# -eq 0 ]; then
    echo "usage: $0 [--list | --dry-run] run|test..." >&2
    exit 2
fi
wanted=()
for name in "$@"; do
    list="$here/debian-packages-$name.txt"
    if [ ! -f "$list" ]; then
        echo "$0: no package list $list" >&2
        exit 2
    fi
    mapfile -t -O "${#wanted[@]}" wanted < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$list" | grep -v '^$')
done
if [ "$mode" = list ]; then
    printf '%s\n' "${wanted[@]}"
    exit 0
fi
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
missing=()
for p in "${wanted[@]}"; do
    installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$mode" = dry-run ]; then
    echo "Would install: ${missing[*]}"
    exit 0
fi
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
# The tests start their own PulseAudio server on a private socket. On a desktop whose sound
# server is PipeWire, the pulseaudio package would also start in every session and fight
# pipewire-pulse for the session's sound socket: it is kept from starting there.
if printf '%s\n' "${missing[@]}" | grep -qx pulseaudio && installed pipewire-pulse &&
    command -v systemctl >/dev/null; then
    $sudo systemctl --global mask pulseaudio.service pulseaudio.socket
    echo "PipeWire serves this desktop's sound: the pulseaudio daemon will not start in sessions"
fi
# The other way round: on a desktop whose sound server is PulseAudio, the PipeWire packages the
# tests bring would start in every session and take the sound devices and PulseAudio's socket.
# Only what this run brought is kept from starting; a PipeWire already there stays as it was.
newly() { printf '%s\n' "${missing[@]}" | grep -qx "$1"; }
if ! newly pulseaudio && installed pulseaudio && command -v systemctl >/dev/null; then
    units=()
    newly pipewire && units+=(pipewire.service pipewire.socket)
    newly wireplumber && units+=(wireplumber.service)
    newly pipewire-pulse && units+=(pipewire-pulse.service pipewire-pulse.socket)
    if [ ${#units[@]} -gt 0 ]; then
        $sudo systemctl --global mask "${units[@]}"
        echo "PulseAudio serves this desktop's sound: ${units[*]} will not start in sessions"
    fi
fi
