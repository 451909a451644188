#pragma once
// The work of the setup program behind its dialogs: the folder it offers, the
// checks of "実行", the copy run with its disk questions and result flags,
// the group question and the menu entries, and the bootstrap copy.
#include "setup/control_file.h"
#include "setup/setup_platform.h"
#include "setup/setup_port.h"

namespace zbsetup {

enum class Outcome { Done, Failed, Cancelled, Abort };

// "<mode word>が終了しました。", "…は失敗しました。", "…を中止しました。"
QString outcomeText(Outcome outcome, const QString& modeWord);

class SetupRun {
public:
    // `programDir`: the folder of the setup program.
    SetupRun(SetupConfig config, QString programDir, const SetupPlatform& platform, SetupPort& port);

    const SetupConfig& config() const { return config_; }
    QString modeWord() const { return config_.modeWord(); }

    // The main dialog's caption, prompt and hint.
    QString caption() const;
    static QString prompt();
    QString hint() const;
    // The folder the field starts with.
    QString initialFolder() const;
    // The field after the browse dialog returned `chosen`.
    QString folderAfterBrowse(const QString& chosen) const;

    // The questions of the cancel button and the bootstrap dialog.
    QString cancelQuestion() const;

    enum class Check { Ok, Back, ResetField };
    // "実行": the update-mode folder check, the free-space check and the
    // creation of the folders. Back: the dialog shows again; ResetField: also
    // with the field reset to its initial folder.
    Check prepare(const QString& folder);

    // The copy run into `folder`, the group question and the menu entries.
    // Abort means the program ends at once (a file that must exist is missing).
    Outcome copyFiles(const QString& folder);

    // Disk questions are asked (dialog program) or taken as failures (unattended).
    void setPromptForDisks(bool on) { promptForDisks_ = on; }
    // Files the last run copied.
    int copied() const { return copied_; }

private:
    QString chosenFolder(const QString& folder) const;
    QString resolveSource(const QString& name) const;
    bool checkSpace(const QString& path, int requiredKb);
    bool makeMenuEntries(const QString& folder);

    SetupConfig config_;
    QString programDir_;
    const SetupPlatform& platform_;
    SetupPort& port_;
    bool promptForDisks_ = true;
    int copied_ = 0;
};

// The bootstrap: copies the program as Setup1 and its control file as
// Setup1.Inf into the Windows stand-in, the copy set to install from
// `programDir`. Returns the copied program's path, or empty after telling why.
QString bootstrapCopy(const QString& programPath, const SetupConfig& config, const SetupPlatform& platform,
                      SetupPort& port);

// The text of a control file with `key` of `section` set to `value`, the
// section or key added when missing; the rest of the text is kept.
QString withProfileValue(const QString& text, const QString& section, const QString& key, const QString& value);

}  // namespace zbsetup
