// sonograf-pack: builds, lists, verifies and extracts Sonograf packages.
#include <iostream>
#include <string>
#include <vector>

#include "tools/pack_commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return runPackTool(args, std::cout, std::cerr);
}
