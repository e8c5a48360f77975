# shellcheck shell=bash
# A copy-list line in the middle names no entry of the archive: the same
# ending as a damaged entry.
install_product
product_archive "$WORK/update.dat" "$SAMPLE_EXE=$SAMPLE_EXE" "Viewer.exe=$SAMPLE_EXE" \
  "gone.txt=not-in-the-archive.txt" 'help\guide.txt=guide.txt'
ship "$WORK/dist" "$WORK/update.dat"
finish_product_wizard "$WORK/dist"
expect_failed_upgrade
