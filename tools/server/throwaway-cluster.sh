#!/usr/bin/env bash
# A throw-away PostgreSQL 15 cluster for the tests and benchmarks of the reference server's
# PostgreSQL backend. It listens only on a Unix socket in its own folder, so it takes no TCP port
# and several can run side by side.
#   throwaway-cluster.sh start DIR [NAME=VALUE...]  makes a new cluster for DIR (stopping and
#       wiping one left there before) with these server settings, starts it, and writes DIR/uri:
#       the URI of its database "postgres" as the superuser postgres, e.g.
#       postgresql:///postgres?host=/path/to/cluster&user=postgres
#   throwaway-cluster.sh stop DIR   stops the cluster of DIR and removes it; nothing to do when none
# PostgreSQL refuses to run as root: run as root, the cluster belongs to the user postgres (made
# by the Debian package postgresql). The cluster lives in DIR/cluster, or in a folder under /tmp
# when that user cannot reach DIR or the socket's path would be too long for a Unix socket.
set -euo pipefail

bindir=${PG_BINDIR:-/usr/lib/postgresql/15/bin}
[ $# -ge 2 ] || { echo "usage: $0 start|stop DIR [NAME=VALUE...]" >&2; exit 2; }
command=$1
dir=$2
shift 2

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

stop_cluster() {
  [ -f "$dir/location" ] || return 0
  local cluster
  cluster=$(cat "$dir/location")
  if [ -f "$cluster/data/postmaster.pid" ]; then
    as_owner "$bindir/pg_ctl" -D "$cluster/data" -m fast -w -t 60 stop >/dev/null || true
  fi
  rm -rf "$cluster"
  rm -f "$dir/location" "$dir/uri"
}

start_cluster() {
  if [ ! -x "$bindir/initdb" ]; then
    echo "no PostgreSQL 15 in $bindir: install the Debian package postgresql" >&2
    exit 1
  fi
  if [ "$(id -u)" -eq 0 ] && ! id postgres >/dev/null 2>&1; then
    echo "no user postgres to run the cluster as: install the Debian package postgresql" >&2
    exit 1
  fi
  stop_cluster
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  local cluster=$dir/cluster
  mkdir -p "$cluster"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$cluster"
  # A Unix socket's path holds at most 107 bytes: "/.s.PGSQL.5432" takes 14 of them.
  if [ ${#cluster} -gt 90 ] || ! as_owner test -w "$cluster"; then
    rm -rf "$cluster"
    cluster=$(mktemp -d /tmp/vmc-cluster.XXXXXX)
    [ "$(id -u)" -eq 0 ] && chown postgres: "$cluster"
  fi
  echo "$cluster" >"$dir/location"

  local settings=(-c "listen_addresses=" -c "unix_socket_directories=$cluster") setting
  for setting in "$@"; do
    settings+=(-c "$setting")
  done
  if ! as_owner "$bindir/initdb" -D "$cluster/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 --no-sync \
      >"$dir/initdb.log" 2>&1; then
    cat "$dir/initdb.log" >&2
    exit 1
  fi
  # pg_ctl's -o takes one string: quote each setting for the server's own command line.
  local options="" word
  for word in "${settings[@]}"; do
    options+=" '${word//\'/\'\\\'\'}'"
  done
  if ! as_owner "$bindir/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -w -t 60 -o "$options" start >/dev/null; then
    cat "$cluster/server.log" >&2
    exit 1
  fi
  echo "postgresql:///postgres?host=$cluster&user=postgres" >"$dir/uri"
  echo "PostgreSQL cluster for $dir: $(cat "$dir/uri")"
}

case "$command" in
  start) start_cluster "$@" ;;
  stop) stop_cluster ;;
  *) echo "usage: $0 start|stop DIR [NAME=VALUE...]" >&2; exit 2 ;;
esac
