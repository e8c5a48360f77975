// An installed program for the wizard scenarios to find and upgrade. Only
// its file name and its version resource matter; run, it does nothing.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
