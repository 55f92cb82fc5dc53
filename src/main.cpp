#include <app/AppCommand.h>
#include <cli/Commands.h>

int main(int argc, char** argv) { return vd::cli::runCommandLine(argc, argv, vd::cli::addAppCommand); }
