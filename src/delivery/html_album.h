#pragma once
// The HTML photo album (HTML工事写真帳): ALBUM/ with a frame page, a table of
// contents, a page of the basic and construction information and the photo
// pages, two photo slots each, with the pictures beside them.
#include "delivery/delivery_export.h"

#include <QString>

namespace zb {

inline const QString kHtmlCaption = QStringLiteral("ＨＴＭＬ工事写真帳作成／ＨＴＭＬ出力先の指定");
inline const QString kHtmlFolderMessage = QStringLiteral("出力先のフォルダを指定してください。");
inline const QString kHtmlTitle = QStringLiteral("ゾルベルHTML");
// Texts of this implementation.
inline const QString kHtmlAlbumExists = QStringLiteral("【ALBUM】フォルダが既に存在します。\r\n%1");
inline const QString kHtmlWriteFailed =
    QStringLiteral("HTML工事写真帳の作成中にファイルを書き込めませんでした。作成を中止しました。\r\n%1\r\n%2");

// "yyyymmdd" shown as "yyyy 年 mm 月 dd 日"; any other value as it is.
QString htmlDate(const QString& value);
// A value made safe inside a page: & < > " as character references.
QString htmlText(const QString& value);

struct HtmlOptions {
    QString folder;         // ALBUM is made inside it
    bool original = false;  // imported pictures instead of the current ones
    int jpegQuality = 90;
};

enum class HtmlResult { Done, Refused, Failed, Stopped };

// Writes the site; on Done *albumPage is ALBUM.HTM, for the browser.
HtmlResult writeHtmlAlbum(const ExportJob& job, const HtmlOptions& options, Messages& messages, Progress& progress,
                          QString* albumPage = nullptr, int* pages = nullptr);

}  // namespace zb
