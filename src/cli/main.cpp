#include "cli/cli.h"

int main(int argc, char** argv)
{
    return zb::cli::run(argc, argv);
}
