#pragma once
// An open album or format: the document's values, the current page held in
// memory and the other pages in work files "_GRPHTEMP.000" … "_GRPHTEMP.999"
// of a work folder private to this run; reading and writing the document
// file; the format template used for pouring and the pour itself.
#include "album/document_file.h"
#include "album/parts_draw.h"
#include "album/units.h"

#include <QRectF>
#include <QSizeF>
#include <QTemporaryDir>
#include <bitset>
#include <memory>

namespace zb {
class Messages;
class Progress;
struct Settings;
}  // namespace zb

namespace zb::album {

// The paper of a Windows paper-size code in mm (A4 for codes this program
// does not know), landscape when orientation is 1.
QSizeF paperSizeMm(qint32 paperCode, quint8 orientation);

// The work files of one open document, in a folder only this run uses.
class GrphWork {
public:
    explicit GrphWork(const QString& parentFolder);
    bool isValid() const { return dir_.isValid(); }
    QString folder() const { return dir_.path(); }
    static QString fileName(int page);  // "_GRPHTEMP." + three digits
    QString pagePath(int page) const;

    bool exists(int page) const { return page >= 0 && page <= kMaxPage && flags_[size_t(page)]; }
    // The stream of a page; empty when the page file is missing.
    QByteArray read(int page) const;
    bool write(int page, const QByteArray& stream);
    // A page without parts deletes its file instead.
    bool writePage(int page, const Page& content);
    bool remove(int page);
    bool move(int from, int to);
    void clear();
    // The highest existing page not below `current` (current itself when none).
    int lastPage(int current) const;
    QList<int> pages() const;  // existing pages 1–999 in order
    // The flags as the files in the folder say.
    void rescan();

private:
    QTemporaryDir dir_;
    std::bitset<kMaxPage + 1> flags_;
};

enum class DocKind { Album, Format };

// The layout guide: slot and bounds in mm of each part of the template page.
struct GuideRect {
    int slot = 0;
    QRectF mm;  // left, top, width, height in mm
};

// Binding album parts to photo rows while pouring; supplied by the job.
class PhotoBinder {
public:
    virtual ~PhotoBinder();
    virtual bool photoExists(RECORD photo) = 0;
    // Binds a placed part to the poured photo and resolves its text; false
    // when the part is not to be placed.
    virtual bool bindPart(TPartsBox& part, RECORD photo) = 0;
    // 写真整理フラッグ: sets the photo's FLAG from 0 to 1; true when it changed
    // (other values stay).
    virtual bool markInAlbum(RECORD photo) { return false; }
    virtual void beginBatch() {}
    virtual void endBatch() {}
};

// Messages of documents.
inline const QString kFileInUse = QStringLiteral("このファイルは他のユーザーが使用中です。");
inline const QString kUnslottedPhotoItems = QStringLiteral(
    "[写真情報]に属する項目で関連付ける「写真番号」が指定されていない項目があります。\r\n"
    "これらの項目は「写真番号」でグループ化されませんが「写真番号１」の内容が適用されます。");
inline const QString kCoverFormatSaved =
    QStringLiteral("この書式には「写真番号」の関連付けがありませんので「表書き」として登録されます。");
inline const QString kCoverFormatPour = QStringLiteral("表書き用の書式が選択されています ここには写真は貼り付けできません。");
inline const QString kInitialFormatMissing = QStringLiteral(
    "初期書式がみつかりません。\r\n正しく動作させるためには用紙共通設定で再設定してください。");
inline const QString kInitialFormatIsCover = QStringLiteral(
    "『用紙共通設定/初期書式』で「表書」の書式が選択されています。\r\n"
    "この設定は無効ですので通常使用する「写真」書式を選択してください。");
inline const QString kOtherPaperFormat =
    QStringLiteral("用紙サイズの違う書式が選択されましたが初期書式の用紙サイズが適用されます。");
inline const QString kLastPageReached = QStringLiteral("最終ページに達しました、これ以上追加できません。");
inline const QString kPageInsertFailed = QStringLiteral("ページの挿入に失敗しました。");
inline const QString kNewAlbumTitle = QStringLiteral("工事写真帳");
inline const QString kNewFormatTitle = QStringLiteral("書式");

// What reading a format template found.
enum class TemplateResult { Read = 0, Missing = 1, Cover = 2 };

struct PourResult {
    int placed = 0;         // photos placed
    bool stopped = false;   // a message or ESC ended the pour early
    QList<int> lastParts;   // indexes in the current page of the last photo's parts
};

class AlbumDocument {
public:
    // `folder` holds the documents of the kind, `formFolder` the formats;
    // the work folder is made under `workParent`.
    AlbumDocument(DocKind kind, const QString& folder, const QString& formFolder, const QString& workParent,
                  Messages& messages);
    ~AlbumDocument();

    DocKind kind() const { return kind_; }
    bool isAlbum() const { return kind_ == DocKind::Album; }
    GrphWork& work() { return work_; }

    // The document's values.
    QString title;
    QString fileName;          // without folder, with extension; empty until saved
    QString folder;
    qint32 paperCode = 9;
    qint32 initialPaperCode = 9;
    quint8 orientation = 0;
    Currency offsetX = 0, offsetY = 0;
    qint16 pageStart = 1;
    QString formatName;        // the current format's file name in the format folder ("A4縦3連A.ZBF")
    QString initialFormat;     // albums: the initial format (初期書式), which a rebuild of all pages pours with
    QString formFolder;
    bool modified = false;

    // The current page and its number.
    Page page;
    int currentPage() const { return current_; }
    int lastPage() const { return work_.lastPage(current_); }
    QSizeF paperMm() const { return paperSizeMm(paperCode, orientation); }
    QString path() const;      // folder + fileName

    // A new document: albums load the initial format's header and template
    // page (with its messages); formats start empty.
    void startNew(const Settings& settings);
    void startNew(const QString& initialFormat, qint16 pageStart, Currency offsetX, Currency offsetY);
    // Opens a document file; false (after a message) when it cannot be read,
    // the document then stays as it was.
    bool open(const QString& path);
    // Saves under folder + name; false (after the message) when the file cannot
    // be written, the work files stay as they were. Formats also write the
    // preview and tell about unbound photo items or a cover format.
    bool save(const QString& name, const DrawContext& previewContext);
    bool save(const QString& name);

    // Writes the current page to its work file.
    bool storeCurrentPage();
    // Moves to another page (1–999): the current page is stored first; an
    // absent page is an empty page in the current format's orientation.
    bool gotoPage(int number);

    // Reads the named format's template into page 000; Cover when it is a
    // cover format and photos are being poured.
    TemplateResult readFormatTemplate(const QString& name, bool pouring);
    const TGrphFileHeader& templateHeader() const { return templateHeader_; }
    const Page& templatePage() const { return templatePage_; }
    const QList<GuideRect>& layoutGuide() const { return guide_; }
    // 書式選択: the album pours into another format from now on.
    bool selectFormat(const QString& name);

    // Pours photos into the slots of the current format from the current page on.
    PourResult pour(const QList<RECORD>& photos, PhotoBinder& binder, Progress& progress, bool insertMode = false);

    // The header as it would be written now (counts from the work files).
    TGrphFileHeader buildHeader() const;
    // The preview of a format page: the paper's longer side 128 pixels, a black
    // frame round the paper, every part drawn.
    QImage renderPreview(const DrawContext& context) const;

private:
    bool openPageSlot(int number, bool insertMode);

    DocKind kind_;
    Messages& messages_;
    GrphWork work_;
    int current_ = 1;
    QString templateName_;
    TGrphFileHeader templateHeader_;
    Page templatePage_;
    QList<GuideRect> guide_;
};

// The internal clipboard of parts: the selected parts as a page stream, and
// pasting such a stream onto a page. Photo parts keep their slot when the page
// holds the same photo in that slot; otherwise they move to the slot that
// holds their photo, or to the lowest free slot (the parts of one photo
// together). Returns the indexes of the pasted parts.
QByteArray encodeSelectedParts(const Page& page, const QList<int>& selection);
QList<int> pasteParts(Page& page, QByteArrayView stream);

// The highest photo slot and drawing frame a format's parts use, and whether
// a photo item (codes 2000–2999) has no slot / any item has a slot.
struct FormatSurvey {
    int maxSlot = 0;
    int maxDrawing = 0;
    bool unslottedPhotoItem = false;
    bool anySlottedItem = false;
    bool cover() const { return !anySlottedPhotoItem; }
    bool anySlottedPhotoItem = false;
};
FormatSurvey surveyFormat(const Page& page);

}  // namespace zb::album
