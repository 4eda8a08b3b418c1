// The program's entry on both platforms: the GUI-subsystem Windows program and the Linux
// program both start here and hand their command-line text to the same entry function.
#include "platform/program.h"
#include "script/startup.h"

int main(int argc, char** argv) { return UpdaterMain(CommandLineText(argc, argv).c_str()); }
