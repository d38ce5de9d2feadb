// tessaro-cli: the positioners of a Fieldbus segment from a shell, for scripts, fleets and
// service laptops.
#include "cli/CommandLine.h"

int main(int argc, char** argv) { return cli::RunCommandLine(argc, argv); }
