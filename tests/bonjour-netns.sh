#!/usr/bin/env bash
# A private local network for the Bonjour end-to-end test: a network namespace
# with a veth pair inside it and an avahi-daemon that sees only that pair. The
# namespace has no link to this machine's interfaces, so no mDNS leaves it;
# clients reach the daemon over the system D-Bus, a file-system socket that
# works across network namespaces.
#
# Usage: bonjour-netns.sh up | down | daemon-stop | daemon-start
# Exit status 77 means the test cannot run here; the reason is on stdout.
set -euo pipefail

ns=trellis-bonjour-e2e
state=/run/trellis-bonjour-e2e
host_name=trellis-e2e
avahi_pid_file=/run/avahi-daemon/pid
dbus_pid_file=/run/dbus/pid
dbus_socket=/run/dbus/system_bus_socket

skip() {
  echo "$*"
  exit 77
}

alive() {
  [ -n "$1" ] && [ -d "/proc/$1" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$1/status" 2>/dev/null
}

# Waits up to five seconds for a process to end.
wait_gone() {
  for _ in $(seq 50); do
    alive "$1" || return 0
    sleep 0.1
  done
  kill -KILL "$1" 2>/dev/null || true
}

system_bus_answers() {
  dbus-send --system --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.GetId >/dev/null 2>&1
}

avahi_answers() {
  dbus-send --system --print-reply --dest=org.freedesktop.Avahi / \
    org.freedesktop.Avahi.Server.GetVersionString >/dev/null 2>&1
}

ns_exists() {
  ip netns list | grep -qw "^$ns"
}

# Our daemon is the one whose network namespace is ours.
ours() {
  ns_exists && [ "$(ip netns identify "$1" 2>/dev/null)" = "$ns" ]
}

daemon_stop() {
  if ns_exists; then
    for pid in $(ip netns pids "$ns"); do
      kill "$pid" 2>/dev/null || true
      wait_gone "$pid"
    done
  fi
  # avahi-daemon removes its pid file when it ends; one that survived a
  # killed daemon is stale.
  if [ -f "$avahi_pid_file" ] && ! alive "$(cat "$avahi_pid_file")"; then
    rm -f "$avahi_pid_file"
  fi
}

daemon_start() {
  if [ -f "$avahi_pid_file" ]; then
    pid=$(cat "$avahi_pid_file")
    if alive "$pid" && ! ours "$pid"; then
      skip "an avahi-daemon (pid $pid) already serves this machine; the test needs its own"
    fi
    alive "$pid" || rm -f "$avahi_pid_file"
  fi
  if avahi_answers; then
    skip "another avahi-daemon owns org.freedesktop.Avahi on the system bus"
  fi
  ip netns exec "$ns" avahi-daemon --no-chroot --no-rlimits -D -f "$state/avahi-daemon.conf"
  for _ in $(seq 100); do
    avahi_answers && return 0
    sleep 0.1
  done
  echo "avahi-daemon did not come up on the system bus" >&2
  exit 1
}

down() {
  daemon_stop
  if ns_exists; then
    ip netns del "$ns"
  fi
  if [ -f "$state/dbus.pid" ]; then
    pid=$(cat "$state/dbus.pid")
    if alive "$pid"; then
      kill "$pid" 2>/dev/null || true
      wait_gone "$pid"
    fi
    rm -f "$dbus_pid_file" "$dbus_socket"
  fi
  rm -rf "$state"
}

up() {
  [ "$(id -u)" -eq 0 ] || skip "needs root to create a network namespace and start avahi-daemon"
  for tool in ip avahi-daemon dbus-daemon dbus-send; do
    command -v "$tool" >/dev/null || skip "$tool is missing; scripts/install-deps.sh installs it"
  done
  # Whatever a run that did not finish left behind.
  down
  mkdir -p "$state"

  if ! system_bus_answers; then
    rm -f "$dbus_pid_file"
    mkdir -p "$(dirname "$dbus_socket")"
    dbus-daemon --system --fork --print-pid >"$state/dbus.pid"
    for _ in $(seq 50); do
      system_bus_answers && break
      sleep 0.1
    done
    system_bus_answers || { echo "the system bus did not start" >&2; exit 1; }
  fi

  # Two ends of one cable, both inside the namespace: the daemon hears its
  # own announcements on the other end, as from another device. Link-local
  # addresses only, and no route anywhere else.
  ip netns add "$ns"
  ip -n "$ns" link add tr-e2e0 type veth peer name tr-e2e1
  ip -n "$ns" addr add 169.254.201.1/16 dev tr-e2e0
  ip -n "$ns" addr add 169.254.201.2/16 dev tr-e2e1
  ip -n "$ns" link set tr-e2e0 up
  ip -n "$ns" link set tr-e2e1 up

  cat >"$state/avahi-daemon.conf" <<CONF
[server]
host-name=$host_name
use-ipv4=yes
use-ipv6=no
allow-interfaces=tr-e2e0,tr-e2e1
ratelimit-interval-usec=1000000
ratelimit-burst=1000

[wide-area]
enable-wide-area=no

[publish]
publish-addresses=yes
publish-hinfo=no
publish-workstation=no
CONF
  daemon_start
  echo "$host_name"
}

case "${1:-}" in
  up) up ;;
  down) down ;;
  daemon-stop) daemon_stop ;;
  daemon-start) daemon_start ;;
  *)
    echo "usage: $0 up | down | daemon-stop | daemon-start" >&2
    exit 2
    ;;
esac
