#pragma once
// The folders of the program folder zbcli works in. zbcli never asks about
// shared mode: it always works on the local data root.
#include "cli/cli.h"
#include "store/folders.h"

namespace zb::cli {

inline Folders localFolders(const Context& ctx)
{
    return resolveFolders(ctx.root, NetworkSettings{}, SharedDecision{});
}

}  // namespace zb::cli
