#pragma once
// Copies one installation file and reports what it met as result flags, the
// way the platform's version-checking installer does. The copy goes to a
// temporary name beside the destination and is renamed over it, so the
// destination is always either the old file or the complete new one.
#include <QString>
#include <cstdint>

namespace zbsetup {

namespace vif {
enum Flag : uint32_t {
    TempFile = 1u << 0,
    Mismatch = 1u << 1,
    SrcOld = 1u << 2,
    DiffLang = 1u << 3,
    DiffCodePg = 1u << 4,
    DiffType = 1u << 5,
    WriteProt = 1u << 6,
    FileInUse = 1u << 7,
    OutOfSpace = 1u << 8,
    AccessViolation = 1u << 9,
    SharingViolation = 1u << 10,
    CannotCreate = 1u << 11,
    CannotDelete = 1u << 12,
    CannotRename = 1u << 13,
    OutOfMemory = 1u << 14,
    CannotReadSrc = 1u << 15,
    CannotReadDst = 1u << 16,
    BuffTooSmall = 1u << 17,
};
}  // namespace vif

struct InstallResult {
    uint32_t flags = 0;
    QString tempFile;  // a temporary file the copy left behind (TempFile set)
};

// Installs `srcDir/srcName` as `dstDir/dstName`. A destination newer than the
// source is kept (SrcOld). The copy keeps the source's time and permissions.
InstallResult installFile(const QString& srcDir, const QString& dstDir, const QString& srcName,
                          const QString& dstName);

// The failure number of a result, 0 when it counts as success.
int failureNumber(uint32_t flags);

// The flag for an errno met while creating or writing the temporary file.
uint32_t flagForCreateError(int err);
uint32_t flagForWriteError(int err);

// True when another open file holds a lock on `path` (a running program that
// keeps the file open, such as a database with its table open).
bool fileInUse(const QString& path);

}  // namespace zbsetup
