# shellcheck shell=bash
# readme.txt, the last file of the copy list, is held open without sharing
# by another program: message 124, and the program, the files written before
# it and readme.txt itself are as they were.
install_product
product_archive "$WORK/update.dat"
ship "$WORK/dist" "$WORK/update.dat"
start_app "$GUI_DRIVER" hold --path "$(winpath "$PROGRAM/readme.txt")" --for 8000
holder=$APP_PID
for ((i = 0; i < 200; i++)); do
  grep -q '^held' "$LOGS/app.log" 2>/dev/null && break
  sleep 0.05
done
grep -q '^held' "$LOGS/app.log" || fail "the file was not held open"
finish_product_wizard "$WORK/dist"
expect_failed_upgrade
wait_app_exit "$holder" 20
