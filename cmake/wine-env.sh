# shellcheck shell=bash
# The Wine environment of every Windows program that the tests, the demo,
# scripts/wine-prefix and the GUI harness start: they all source this.
# The 64-bit loader is called directly: /usr/bin/wine picks the 32-bit one
# when it is installed. No desktop files from shortcuts, no Mono or Gecko
# prompts.
export WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="

# Debian's Wine has no preloader to keep its fixed addresses free before the
# C library starts, and its loader is placed at a fixed address with the heap
# at a random distance above it: about one start in a few thousand, the heap
# lands on the page Wine shares with every process, and the program ends at
# once with exit code 1 ("failed to map the shared user data", hidden by
# WINEDEBUG). Started through the command below, with address randomisation off,
# the heap always lies right above the loader. Every process a Windows
# program starts inherits it. The launchers use it (cmake/wine-run*,
# scripts/wine-prefix, the GUI tests' commands), and scripts/test and
# scripts/demo run under it as a whole.
# shellcheck disable=SC2034 # read by the scripts that source this file
wine_fixed_layout=(setarch "$(uname -m)" --addr-no-randomize)
