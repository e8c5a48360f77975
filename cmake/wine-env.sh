# shellcheck shell=bash
# The Wine environment of every Windows program that the tests, the demo and
# scripts/wine-prefix start: sourced by the shell scripts, and read line by
# line by the GUI harness (tests/gui/harness/wine.py), which takes the
# `export NAME=VALUE` and `export NAME=${NAME:-VALUE}` lines below.
# The 64-bit loader is called directly: /usr/bin/wine picks the 32-bit one
# when it is installed. No desktop files from shortcuts, no Mono or Gecko
# prompts.
export WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
