# shellcheck shell=bash
# The driver's folder-browser command picks the given folder: a helper
# program shows the browser and writes what it returned.
mkdir -p "$WORK/pick/inner"
start_app "$GUI_HOST" browse "$(winpath "$WORK/chosen.txt")" "Pick the inner folder"
drv wait-window --caption "Browse for Folder" --has-id 14145
snap
drv browse-folder --path "$(winpath "$WORK/pick/inner")"
wait_app_exit
expect_text "$(cat "$WORK/chosen.txt" 2>/dev/null)" "$(winpath "$WORK/pick/inner")" "chosen folder"
