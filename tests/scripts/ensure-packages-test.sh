#!/usr/bin/env bash
# What scripts/ensure-packages does for each kind of user, with stand-ins on an otherwise empty
# PATH: an id that says who runs it, a sudo that is missing, refuses or works, and an apt-get that
# only notes how it was called. The packages asked for: one installed, two missing.
set -euo pipefail
script=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
missing="kelpov-missing-one kelpov-missing-two"
installed=dpkg
failures=0

# check NAME UID SUDO PACKAGES STATUS STDERR CALLS: SUDO is none, refuses or works; STDERR is a
# line the errors must hold, or empty for none; CALLS the apt-get calls, one a line, each after its
# sudo if any.
check() {
    local name=$1 uid=$2 sudo=$3 packages=$4 status=$5 stderr=$6 calls=$7
    local bin=$scratch/$name
    mkdir -p "$bin"
    printf '#!/bin/sh\necho %s\n' "$uid" >"$bin/id"
    printf '#!/bin/sh\necho "apt-get $*" >>"%s/calls"\n' "$bin" >"$bin/apt-get"
    case $sudo in
    refuses) printf '#!/bin/sh\necho "sudo: Permission denied" >&2\nexit 1\n' >"$bin/sudo" ;;
    works) printf '#!/bin/sh\necho "sudo" >>"%s/calls"\nexec "$@"\n' "$bin" >"$bin/sudo" ;;
    esac
    chmod +x "$bin"/*
    ln -s "$(command -v dpkg-query)" "$bin/dpkg-query"
    local got=0
    # shellcheck disable=SC2086
    env -i PATH="$bin" "$script" $packages >"$bin/out" 2>"$bin/err" || got=$?
    touch "$bin/calls"
    if [ "$got" -ne "$status" ] ||
        { [ -n "$stderr" ] && ! grep -qxF -- "$stderr" "$bin/err"; } ||
        { [ -z "$stderr" ] && [ -s "$bin/err" ]; } ||
        [ "$(cat "$bin/calls")" != "$calls" ]; then
        echo "FAILED: $name: status $got (want $status)"
        echo "stderr:"; cat "$bin/err"
        echo "calls:"; cat "$bin/calls"
        failures=$((failures + 1))
    fi
}

update="apt-get update -q"
install="apt-get install -y -q --no-install-recommends $missing"
needs="    apt-get install $missing"
check nothing-missing 1000 none "$installed" 0 "" ""
check root 0 none "$installed $missing" 0 "" "$update
$install"
check no-sudo 1000 none "$missing $installed" 1 "$needs" ""
check sudo-refuses 1000 refuses "$missing $installed" 1 "$needs" ""
check sudo-works 1000 works "$missing $installed" 0 "" "sudo
$update
sudo
$install"
exit $((failures > 0))
