#pragma once
// The save-as flow for a picture: which file types are offered, which entry is
// preselected, the extension the chosen type forces, the overwrite question,
// the JPEG quality question and the writers. The dialogs themselves are behind
// SavePictureDialogs so the flow runs without a window.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

namespace zb {

class Messages;

// What is being saved: a bitmap, or a metafile kept as its bytes.
struct Graphic {
    QImage bitmap;
    QByteArray metafile;  // WMF or EMF bytes when this is a metafile
    bool isMetafile() const { return !metafile.isEmpty(); }
};

// Filters in the form "description|pattern|description|pattern…". FlashPix is
// not offered: no writer for it exists here.
inline const QString kBitmapSaveFilter = QStringLiteral(
    "JPEG イメージファイル (*.jpg)|*.jpg|ビットマップ (*.bmp)|*.bmp|PNG ファイル(*.png)|*.png|"
    "DIB ファイル(*.dib)|*.dib|PCX ファイル(*.pcx)|*.pcx");
inline const QString kMetafileSaveFilter =
    QStringLiteral("メタファイル (*.wmf)|*.wmf|エンハンスメタファイル(*.emf)|*.emf");

inline const QString kSaveFailedText = QStringLiteral("画像の保存に失敗しました。");

// The 1-based filter entry preselected for a proposed name: .WMF 1, .BMP 2,
// .EMF 2, .PNG 3, .DIB 4, .PCX 5, anything else 1.
int SaveFilterIndexFor(const QString& proposedName);

// The chosen name with its extension replaced by the one the chosen entry
// forces: bitmap 1 .JPG, 2 .BMP, 3 .PNG, 4 .DIB, 5 .PCX; metafile 1 .WMF,
// 2 .EMF.
QString ForceSaveExtension(const QString& chosenName, int filterIndex, bool metafile);

// The overwrite question for an existing file.
QString OverwriteQuestion(const QString& path);

// Quality for names ending in .JPG, .JPEG or .FPX; other names need none.
bool NeedsJpegQuality(const QString& fileName);
// The entries of the quality dialog, in order, and the quality each gives.
inline constexpr int kJpegQualityEntries[7] = {100, 90, 80, 70, 60, 50, 90};
int JpegQualityForEntry(int index);

// Writes the graphic to `path` by its extension (.JPG/.JPEG with `quality`,
// .BMP, .DIB, .PNG, .PCX; a metafile as .WMF or .EMF). False on failure,
// after showing "画像の保存に失敗しました。".
bool WritePictureFile(const Graphic& graphic, const QString& path, int quality, Messages& messages);

struct SaveChoice {
    QString path;
    int filterIndex = 1;  // 1-based
};

class SavePictureDialogs {
public:
    virtual ~SavePictureDialogs() = default;
    // The save dialog; nullopt when the user cancels.
    virtual std::optional<SaveChoice> chooseFile(const QString& filter, const QString& folder,
                                                 const QString& fileName, int filterIndex) = 0;
    // The quality dialog: 1..100, 0 when cancelled.
    virtual int askJpegQuality(const QString& fileName) = 0;
    // Told before and after the file is written (the wait cursor).
    virtual void writing(bool busy) {}
};

// The whole save-as flow; true when a file was written.
bool SavePictureAs(SavePictureDialogs& dialogs, Messages& messages, const Graphic& graphic,
                   const QString& proposedName);
// The same, giving the path of the file written (empty when none was).
QString SavePictureAsPath(SavePictureDialogs& dialogs, Messages& messages, const Graphic& graphic,
                          const QString& proposedName);

}  // namespace zb
