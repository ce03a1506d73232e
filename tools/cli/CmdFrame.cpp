#include <cstdio>

#include "Commands.h"

int CmdFrame(int, char**, int) {
    std::fprintf(stderr, "marevox-cli frame: not built yet\n");
    return 1;
}
