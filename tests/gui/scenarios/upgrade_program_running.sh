# shellcheck shell=bash
# The installed program is running while the user upgrades it. Windows (and
# Wine) let its file be read and renamed, so only a check before the first
# write can tell: IDS_WRITE_FAILED, and the product is as installed, with no
# backup of the running program left beside it.
install_product
harness product-archive "$WORK/update.dat"
harness ship "$WORK/dist" "$WORK/update.dat"
start_app "$PROGRAM/$SAMPLE_EXE" /wait
running=$APP_PID
drv wait-window --caption "Sample Running" --hidden-ok

finish_product_wizard "$WORK/dist"
snap failed
drv answer-box --buttons ok --button ok \
  --expect 'Failed to write file.\r\nThe upgrade did not finish successfully.'
wait_app_exit
kill "$running"
wait_app_exit "$running"
expect_product_untouched
