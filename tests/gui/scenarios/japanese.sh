# shellcheck shell=bash
# Under a Japanese locale the Japanese string table is used: IDS_FILES_MISSING
# reads back, converted with the process code page, as the exact cp932
# bytes of its Japanese text. The progress dialog, whose template exists in
# Japanese only, shows its English texts.
expected=$(python3 -c 'print("バージョンアップに必要なファイルがみつかりません\r\n作業を中止します".encode("cp932").hex())')
src=$WORK/src
mkdir -p "$src" "$WORK/out"
harness write-script "$src/update.inf" "[Quintarel Corporation UpdateInfo]" "format=0" "[filelist]" "big.txt"
harness compressible "$src/big.txt" $((4 * 1024 * 1024))
# Wine takes its language from LC_ALL.
export LC_ALL=ja_JP.UTF-8

start_app "$GUI_UPDATER" "$(winpath "$WORK/missing.dat")"
drv wait-window --caption Updater --box
snap
drv answer-box --caption Updater --buttons ok --button ok --print-hex --expect-hex "$expected"
[[ $DRV_OUT == *"acp 932"* ]] || fail "the driver's code page is not 932: $DRV_OUT"
wait_app_exit

start_app "$GUI_UPDATER" "$(winpath "$src/update.inf")"
drv answer-box --caption Updater --expect "Create update-archive from update.inf" --button yes
drv save-as --expect-name update.dat --path "$(winpath "$WORK/out/update.dat")"
progress=(--caption "Updater - Creating update archive..." --has-id 1003)
drv text "${progress[@]}" --id 1005 --expect big.txt
snap progress
drv text "${progress[@]}" --id 2 --expect Cancel
wait_app_exit "$APP_PID" 60
[ -s "$WORK/out/update.dat" ] || fail "no archive written"
