#!/bin/sh
# A throwaway PostgreSQL server for the tests that need one. It lives in a folder of its own
# under /tmp, listens only on a Unix socket in that folder, and runs as an unprivileged user
# (the server refuses root, and CI runs as root). Stopping it removes the folder.
#
#   pgserver.sh start STATE   start a server; STATE receives its libpq connection string
#   pgserver.sh stop STATE    stop the server named in STATE and remove its folder
#   pgserver.sh halt STATE    stop it as an administrator would, keeping its folder
#   pgserver.sh resume STATE  start a halted server again
set -eu
action=${1:?start or stop}
state=${2:?state file}

bindir() {
    for dir in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -t/ -k5 -n -r); do
        [ -x "$dir/initdb" ] && { echo "$dir"; return; }
    done
    if command -v pg_config >/dev/null 2>&1 && [ -x "$(pg_config --bindir)/initdb" ]; then
        pg_config --bindir
        return
    fi
    echo "no PostgreSQL server programs found (install Debian's postgresql)" >&2
    exit 1
}

# Runs a server program as the folder's owner: as ourselves, or as nobody when we are root.
as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env -- "$@"
    else
        "$@"
    fi
}

# Starts the server whose folder is $1, on a socket in that folder only. Durability is not what
# these tests look at; a throwaway server need not wait for disks.
serve() {
    (cd "$1" && as_owner "$(bindir)/pg_ctl" -D "$1/data" -l "$1/server.log" -w -t 60 \
        -o "-c listen_addresses='' -c unix_socket_directories='$1' -c fsync=off \
            -c synchronous_commit=off -c full_page_writes=off -c max_connections=60" start) >/dev/null
}

stop() {
    [ -f "$state.dir" ] || return 0
    dir=$(cat "$state.dir")
    if [ -d "$dir/data" ]; then
        (cd "$dir" && as_owner "$(bindir)/pg_ctl" -D "$dir/data" -m immediate -w stop) \
            >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    rm -f "$state" "$state.dir"
}

case $action in
start)
    stop  # a server left behind by an interrupted run
    bin=$(bindir)
    dir=$(mktemp -d /tmp/qd-pg.XXXXXX)
    chmod 755 "$dir"
    [ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$dir"
    echo "$dir" >"$state.dir"
    cd "$dir"
    if ! as_owner "$bin/initdb" -D "$dir/data" -U quarrydesk --auth=trust -E UTF8 \
            --locale=C.UTF-8 >"$dir/initdb.log" 2>&1; then
        cat "$dir/initdb.log" >&2
        stop
        exit 1
    fi
    if ! serve "$dir"; then
        cat "$dir/server.log" >&2
        stop
        exit 1
    fi
    echo "host=$dir port=5432 user=quarrydesk dbname=postgres" >"$state"
    cat "$state"
    ;;
stop)
    stop
    ;;
halt)
    dir=$(cat "$state.dir")
    (cd "$dir" && as_owner "$(bindir)/pg_ctl" -D "$dir/data" -m fast -w stop) >/dev/null
    ;;
resume)
    serve "$(cat "$state.dir")"
    ;;
*)
    echo "usage: $0 start|stop|halt|resume STATE" >&2
    exit 2
    ;;
esac
