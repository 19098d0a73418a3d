#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests that need one.
#   pg_fixture.sh start STATE   initdb and start a server in a new temporary
#                               folder, on 127.0.0.1 and a free port; writes
#                               its URL to STATE/url (nothing there when the
#                               postgresql package is absent)
#   pg_fixture.sh stop STATE    stops it and removes its folder
# The server refuses to run as root, so under root it runs as nobody.
set -euo pipefail
action="${1:-}"
state="${2:-}"
[ -n "$action" ] && [ -n "$state" ] || { echo "usage: $0 start|stop STATE_FOLDER" >&2; exit 2; }
mkdir -p "$state"

as_server() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}

stop() {
  [ -f "$state/folder" ] || return 0
  local folder
  folder="$(cat "$state/folder")"
  if [ -d "$folder/data" ]; then as_server "$bin/pg_ctl" -D "$folder/data" -m immediate -w stop > /dev/null 2>&1 || true; fi
  rm -rf "$folder"
  rm -f "$state/folder" "$state/url"
}

bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)"
case "$action" in
  stop) stop; exit 0 ;;
  start) ;;
  *) echo "usage: $0 start|stop STATE_FOLDER" >&2; exit 2 ;;
esac

stop  # a server an interrupted run left behind
rm -f "$state/url"
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "PostgreSQL is not installed (Debian package postgresql): its tests are skipped" >&2
  exit 0
fi

folder="$(mktemp -d /tmp/kvt-pg.XXXXXX)"
echo "$folder" > "$state/folder"
chmod 755 "$folder"
[ "$(id -u)" -eq 0 ] && chown nobody "$folder"
as_server "$bin/initdb" -D "$folder/data" -U kvt --auth=trust -E UTF8 --no-locale > "$folder/initdb.log" 2>&1 || {
  cat "$folder/initdb.log" >&2; stop; exit 1; }

# A free port: asked of the kernel, then tried; another program may take it
# in between, so a failed start tries another.
for attempt in 1 2 3 4 5; do
  port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
  if as_server "$bin/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 \
      -o "-h 127.0.0.1 -p $port -k $folder -c fsync=on -c max_connections=50" start > /dev/null; then
    echo "postgresql://kvt@127.0.0.1:$port/postgres" > "$state/url"
    exit 0
  fi
done
cat "$folder/server.log" >&2
stop
exit 1
