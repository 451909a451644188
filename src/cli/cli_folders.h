#pragma once
// The folders of the program folder zbcli works in. zbcli never asks about
// shared mode: it always works on the local data root. An installed zbcli
// works in the per-user folder, which gets the shipped files (formats, lists)
// the first time, as the program's start gives them.
#include "cli/cli.h"
#include "core/ports.h"
#include "store/folders.h"

namespace zb::cli {

inline Folders localFolders(const Context& ctx)
{
    Folders folders = resolveFolders(ctx.root, NetworkSettings{}, SharedDecision{});
    SilentMessages quiet;
    copyShippedFiles(folders, quiet);
    return folders;
}

}  // namespace zb::cli
