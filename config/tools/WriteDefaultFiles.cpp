// Writes the offline default configuration files RPXDEF.dmp and KPXDEF.dmp from the family
// defaults into the folder given on the command line (normally data/seed/Config Files).
#include <cstdio>

#include "config/OfflineDefault.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    if (config::WriteOfflineDefaultFiles(argv[1]) != 0) {
        std::fprintf(stderr, "could not write the default files into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
