#include <cstdio>

#include "Commands.h"

int CmdDecode(int, char**, int) {
    std::fprintf(stderr, "marevox-cli decode: not built yet\n");
    return 1;
}
