# shellcheck shell=bash
# The Wine environment of every Windows program that the tests, the demo,
# scripts/wine-prefix and the GUI harness start: they all source this.
# The 64-bit loader is called directly: /usr/bin/wine picks the 32-bit one
# when it is installed. No desktop files from shortcuts, no Mono or Gecko
# prompts.
export WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
