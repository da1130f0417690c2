// corvalisbar.exe: a GUI program without a console; it reads no command line.
#include <windows.h>

#include "program/program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return corvalis::runProgram(); }
