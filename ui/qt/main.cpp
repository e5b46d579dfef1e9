#include "command_line.h"

int main(int argc, char** argv) { return quorvale::runCommandLine(argc, argv); }
