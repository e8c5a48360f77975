# shellcheck shell=bash
# A sealed archive with one byte of a stored entry changed, so that it still
# expands to its size: the check at the start finds it, IDS_FILES_MISSING
# shows before the wizard, and the product is as installed.
install_product
harness product-archive "$WORK/update.dat"
harness damage-entry --flip "$WORK/update.dat" readme.txt
harness ship "$WORK/dist" "$WORK/update.dat"
start_app "$WORK/dist/updater.exe" "$(winpath "$WORK/dist/update.dat")"
drv wait-window --caption Updater --box
drv absent --has-id 1001 --for 0
drv answer-box --caption Updater --buttons ok --button ok \
  --expect 'One or more files require for upgrading cannot be found.\r\nThe operation is stopped.'
wait_app_exit "$APP_PID" 5
expect_product_untouched
