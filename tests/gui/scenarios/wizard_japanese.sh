# shellcheck shell=bash
# Under a Japanese locale (country code 81) the wizard takes its texts from
# the Japanese string table and the script's Japanese sections: the title,
# the introduction, the Japanese licence, the button captions, the location
# page and the messages. A Japanese font stands in for the dialog font, so
# that the screenshots show every text whole.
export LC_ALL=ja_JP.UTF-8
harness japanese-fonts
WIZARD=(--has-id 1001 --not-box)
app=$WORK/app
harness install-program "$app" 1.5.0
harness register-app-path "$app"
harness sample-script "$WORK/found/update.inf" "exe,$SAMPLE_EXE"
harness build-archive "$WORK/found/update.inf" "$WORK/found.dat"
harness sample-script "$WORK/lost/update.inf" 'reg,Quintarel\Not Installed' "exe,Lost.exe"
harness build-archive "$WORK/lost/update.inf" "$WORK/lost.dat"

title=$(harness cp932 "サンプルビューア 1.61 アップグレード")
back="1003|enabled,visible|$(harness cp932 "< 戻る(&B)")"
cancel="1005|enabled,visible|$(harness cp932 "キャンセル")"

start_app "$GUI_UPDATER" "$(winpath "$WORK/found.dat")"
drv text "${WIZARD[@]}" --expect "$title"
page "$(harness cp932 $'このウィザードは、サンプルビューア 1.50 以降をバージョン 1.61 にアップグレードします。\r\n[次へ] をクリックしてください。')" "" \
  "1003|disabled,visible|$(harness cp932 "< 戻る(&B)")" "1004|enabled,visible|$(harness cp932 "次へ(&N) >")" "$cancel"
snap intro
drv click "${WIZARD[@]}" --id 1004
page "$(harness cp932 $'ソフトウェア使用許諾書を最後までお読みください。\r\n同意いただけるときは[同意する]、\r\n同意いただけないときは[同意しない]をクリックしてください。')" \
  "$(harness cp932 $'サンプルビューア 使用許諾書\r\n大切にお使いください。\r\n')" \
  "$back" "1004|enabled,visible|$(harness cp932 "同意する(&A)")" "1005|enabled,visible|$(harness cp932 "同意しない(&D)")"
snap license
drv click "${WIZARD[@]}" --id 1004
page "$(harness cp932 $'バージョンアップの準備ができました。\r\n[完了]をクリックすると、バージョンアップします。')" "" \
  "$back" "1004|enabled,visible|$(harness cp932 "完了(&F)")" "$cancel"
snap final
drv click "${WIZARD[@]}" --id 1004
# The caption is compared as bytes here: a caption given to the driver on
# its command line would reach it converted.
drv text --box --expect "$title"
snap success
drv answer-box --buttons ok --button ok \
  --expect "$(harness cp932 "バージョンアップが正常に終了しました")"
wait_app_exit
cmp -s "$app/$SAMPLE_EXE" "$WORK/found/new.exe" || fail "the program was not replaced"

start_app "$GUI_UPDATER" "$(winpath "$WORK/lost.dat")"
drv click "${WIZARD[@]}" --id 1004
page "$(harness cp932 "[参照]をクリックして、プログラムの場所を指定してください。")" \
  "$(harness cp932 $'プログラムの場所\r\n不明')" \
  "$back" "1004|disabled,visible|$(harness cp932 "次へ(&N) >")" "$cancel" "1007|enabled,visible|$(harness cp932 "参照(&R)...")"
snap location
drv syscommand "${WIZARD[@]}" --command 16
drv controls --caption About --has-id 1008 --control "1002|visible|$title"
snap about
drv key --caption About --has-id 1008 --key escape
drv wait-gone --caption About --has-id 1008
drv click "${WIZARD[@]}" --id 1005
drv answer-box --buttons ok --button ok \
  --expect "$(harness cp932 $'Lost.exe が見つかりません。\r\nサンプルビューア をインストールしてください。')"
wait_app_exit
