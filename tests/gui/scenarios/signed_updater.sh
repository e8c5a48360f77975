# shellcheck shell=bash
# A signed updater.exe still runs: scripts/sign-programs signs a copy with a
# throw-away certificate, the signature verifies, and the copy, given a
# script, asks the builder's question (answered No, the script is then no
# usable archive).
# shellcheck source=tests/throwaway_signer.sh
source "$ROOT/tests/throwaway_signer.sh"
throwaway_signer "$WORK"
cp "$GUI_UPDATER" "$WORK/updater.exe"
"$ROOT/scripts/sign-programs" "$WORK/updater.exe"
osslsigncode verify -CAfile "$WORK/cert.pem" -in "$WORK/updater.exe" >"$LOGS/verify.log" 2>&1 ||
  fail "the signature does not verify: $(tail -n 3 "$LOGS/verify.log")"

harness write-script "$WORK/update.inf" "[Quintarel Corporation UpdateInfo]" "format=0" "[filelist]" "a.txt"
echo a >"$WORK/a.txt"
start_app "$WORK/updater.exe" "$(winpath "$WORK/update.inf")"
drv answer-box --caption Updater --expect "Create update-archive from update.inf" \
  --buttons yes,no --button no
snap
drv answer-box --caption Updater --buttons ok --button ok \
  --expect 'One or more files require for upgrading cannot be found.\r\nThe operation is stopped.'
wait_app_exit
