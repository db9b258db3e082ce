#include "Version.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("zelmarctl %s\n", ZELMAR_VERSION);
        return 0;
    }
    std::fprintf(stderr, "zelmarctl: usage: zelmarctl [GLOBAL OPTIONS] COMMAND [ARGS]\n");
    return 1;
}
