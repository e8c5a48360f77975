# shellcheck shell=bash
# An entry of an unsealed archive's copy list that does not expand to its
# size: IDS_WRITE_FAILED, and the files written before it are put back, so
# the program folder is byte for byte as before; the library is not called
# and no link changes.
install_product
harness product-archive --no-digests "$WORK/update.dat"
harness damage-entry "$WORK/update.dat" guide.txt
harness ship "$WORK/dist" "$WORK/update.dat"
finish_product_wizard "$WORK/dist"
snap failed
expect_failed_upgrade
