// Commands about the program itself.
#include "cli/cli.h"

namespace {

int version(zb::cli::Context&)
{
    zb::cli::printLine(QStringLiteral("zbcli 1.0"));
    return 0;
}

ZB_CLI_COMMAND("version", "", version);

}  // namespace
