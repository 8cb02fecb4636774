#!/usr/bin/env bash
# pg-server.sh start DIR | stop DIR: a throwaway PostgreSQL server for the tests and the
# benchmarks, in DIR (created; it should be short, as the server's socket lives there),
# listening only on a Unix socket in DIR. Run as root, the server runs as the
# unprivileged user nobody. `start` prints the connection string of its database
# "orbtest" (superuser "orb", no password on the socket; the role "orbpw" with password
# "orb-secret" checks password refusal). Nothing outside DIR is touched.
set -euo pipefail
action="$1"
dir="$2"
bin=""
for candidate in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
  if [ -x "$candidate/initdb" ]; then bin="$candidate"; break; fi
done
[ -n "$bin" ] || { echo "pg-server.sh: no PostgreSQL server installed (initdb)" >&2; exit 1; }

as_server_user() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"
  else
    "$@"
  fi
}

case "$action" in
  start)
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$dir"
    chmod 700 "$dir"
    if [ ! -f "$dir/data/PG_VERSION" ]; then
      as_server_user "$bin/initdb" -D "$dir/data" -U orb --auth-local=trust -E UTF8 \
        --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
        { cat "$dir/initdb.log" >&2; exit 1; }
      # The password role signs in with a password; everyone else is trusted locally.
      printf 'local all orbpw scram-sha-256\nlocal all all trust\n' >"$dir/data/pg_hba.conf"
      [ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$dir/data/pg_hba.conf"
    fi
    as_server_user "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-c listen_addresses='' -k $dir -c fsync=off -c synchronous_commit=off \
          -c full_page_writes=off -c shared_buffers=256MB -c max_connections=200" \
      start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    psql="$bin/psql"
    [ -x "$psql" ] || psql=psql
    as_server_user "$psql" -X -q -h "$dir" -U orb -d postgres -v ON_ERROR_STOP=1 >/dev/null <<SQL
SELECT 'CREATE DATABASE orbtest' WHERE NOT EXISTS (SELECT FROM pg_database WHERE datname = 'orbtest')\gexec
DO \$\$ BEGIN
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'orbpw') THEN
    CREATE ROLE orbpw LOGIN PASSWORD 'orb-secret';
  END IF;
END \$\$;
SQL
    echo "host=$dir user=orb dbname=orbtest"
    ;;
  stop)
    if [ -f "$dir/data/postmaster.pid" ]; then
      as_server_user "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    ;;
  *)
    echo "usage: pg-server.sh start|stop DIR" >&2
    exit 2
    ;;
esac
