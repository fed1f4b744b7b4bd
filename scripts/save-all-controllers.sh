#!/bin/sh
# Saves the settings and every archive of each controller that answers on the line.
# Usage: save-all-controllers.sh PORT [TARGET_DIR]
# Each controller gets TARGET_DIR/<factory number>/settings.bin and a download folder in
# TARGET_DIR/<factory number>/archives; the script goes on past a controller that fails.
set -u
port=${1:?port}
target=${2:-.}
tq17ctl=${TQ17CTL:-tq17ctl}
status=0

"$tq17ctl" scan --port "$port" > "$target/controllers.txt" || exit $?
while read -r address number; do
    dir="$target/$number"
    mkdir -p "$dir"
    echo "Адрес $address, зав. № $number"
    "$tq17ctl" read-settings "$dir/settings.bin" --port "$port" --address "$address" || status=1
    "$tq17ctl" download "$dir/archives" --all --port "$port" --address "$address" || status=1
done < "$target/controllers.txt"
exit $status
