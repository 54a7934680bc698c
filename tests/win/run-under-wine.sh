#!/bin/sh
# Runs a cross-compiled test program under Wine, in a Wine prefix of its own.
#
#   run-under-wine.sh --arch i686|x86_64 --prefix DIR [--missing WHAT]
#                     [--locale LOCALE:ACP]... -- PROGRAM.exe [ARG]...
#
# --missing names a tool the build did not find; the test is then skipped.
# Each --locale runs the program once with LANG and LC_ALL set to LOCALE and the
# arguments --acp ACP appended. Wine takes the ANSI code page from the locale's
# name, but the encoding of Unix file names from the C library's locale: a
# locale that is not installed would make non-ASCII file names unusable, so
# every locale but C.UTF-8 is compiled with localedef beside the prefix and
# reached through LOCPATH.
# Exit code 77 means skipped (SKIP_RETURN_CODE of the CTest registration).
set -u

arch= prefix= missing= locales=
while [ $# -gt 0 ]; do
    case $1 in
        --arch) arch=$2; shift 2 ;;
        --prefix) prefix=$2; shift 2 ;;
        --missing) missing=$2; shift 2 ;;
        --locale) locales="$locales $2"; shift 2 ;;
        --) shift; break ;;
        *) echo "run-under-wine.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
[ -n "$arch" ] && [ -n "$prefix" ] && [ $# -ge 1 ] || { echo "run-under-wine.sh: bad usage" >&2; exit 2; }

skip() {
    echo "SKIP: $*"
    exit 77
}

[ -z "$missing" ] || skip "$missing was not found when the build was configured (scripts/bootstrap installs it)"

# Debian keeps the loaders in /usr/lib/wine; /usr/bin/wine picks one of them.
case $arch in
    i686)
        loader=
        [ -x /usr/lib/wine/wine ] && loader=/usr/lib/wine/wine
        [ -z "$loader" ] && [ ! -d /usr/lib/wine ] && loader=$(command -v wine || true)
        [ -n "$loader" ] || skip "32-bit Wine is not installed (dpkg --add-architecture i386; apt-get install wine32)"
        ;;
    x86_64)
        loader=
        [ -x /usr/lib/wine/wine64 ] && loader=/usr/lib/wine/wine64
        [ -z "$loader" ] && loader=$(command -v wine64 || true)
        [ -n "$loader" ] || skip "64-bit Wine is not installed (apt-get install wine64)"
        ;;
    *) echo "run-under-wine.sh: unknown architecture $arch" >&2; exit 2 ;;
esac
server=/usr/lib/wine/wineserver
[ -x "$server" ] || server=$(command -v wineserver || true)

program=$1
shift
[ -f "$program" ] || { echo "FAIL: $program was not built"; exit 1; }

mkdir -p "$prefix" || exit 1
WINEPREFIX=$(cd "$prefix" && pwd)
WINEDEBUG=-all
# No Mono or Gecko installers when the prefix is created.
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
# Console programs only: nothing may open a window, with or without an X server.
unset DISPLAY WAYLAND_DISPLAY

status=0
run() {
    echo "== $loader $(basename "$program") $* (LANG=$LANG)"
    "$loader" "$program" "$@"
    rc=$?
    echo "== exit code $rc"
    [ $rc -eq 0 ] || status=1
}

localedir=$WINEPREFIX-locales
use_locale() {
    LANG=$1 LC_ALL=$1
    export LANG LC_ALL
    unset LOCPATH
    [ "$1" = C.UTF-8 ] && return 0
    if [ ! -d "$localedir/$1" ]; then
        command -v localedef >/dev/null 2>&1 || skip "localedef is not installed (apt-get install locales)"
        [ -f "/usr/share/i18n/locales/${1%%.*}" ] || skip "no locale source for $1 (apt-get install locales)"
        mkdir -p "$localedir"
        localedef -i "${1%%.*}" -f "${1#*.}" "$localedir/$1" || { echo "FAIL: localedef $1"; exit 1; }
    fi
    LOCPATH=$localedir
    export LOCPATH
}

# Settle every locale before the first run, so a skip never follows a result.
for entry in $locales; do
    use_locale "${entry%%:*}"
done

if [ -z "$locales" ]; then
    use_locale C.UTF-8
    run "$@"
else
    for entry in $locales; do
        use_locale "${entry%%:*}"
        run "$@" --acp "${entry##*:}"
    done
fi

# Ends whatever the test left running in its own prefix, and that prefix's server.
[ -n "$server" ] && "$server" -k >/dev/null 2>&1
exit $status
