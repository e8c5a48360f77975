# shellcheck shell=bash
# A copy line whose destination climbs out of the installation, after a line
# that is fine: IDS_WRITE_FAILED before anything is written. The product is as
# installed, nothing appears above it, and the library is not called.
install_product
harness product-archive "$WORK/update.dat" "$SAMPLE_EXE=$SAMPLE_EXE" '..\..\outside.txt=readme.txt'
harness ship "$WORK/dist" "$WORK/update.dat"
finish_product_wizard "$WORK/dist"
snap failed
expect_failed_upgrade
[ -e "$WORK/outside.txt" ] && fail "a file was written outside the installation"
true
