#!/usr/bin/env bash
# Makes a golden case folder: make_case.sh NAME STATUS ARG... ; stdin, in/,
# and the expected texts are then written by hand or with
# RECFORGE_UPDATE_GOLDEN=1 and reviewed.
set -eu
dir="$(dirname "$0")/cases/$1"
status="$2"
shift 2
mkdir -p "$dir"
: > "$dir/args"
for arg in "$@"; do printf '%s\n' "$arg" >> "$dir/args"; done
printf '%s\n' "$status" > "$dir/status"
touch "$dir/stdout"
