#include "album/album_document.h"

#include "album/paper_sizes.h"

#include "core/ports.h"
#include "imaging/jpeg_codec.h"
#include "settings/settings.h"

#include <QDir>
#include <QHash>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <set>

namespace zb::album {

QSizeF paperSizeMm(qint32 code, quint8 orientation)
{
    // One table of papers serves documents and printing alike.
    const std::optional<PaperCode> paper = PaperOfCode(code);
    const QSizeF s = paper ? paper->portraitMm : QSizeF(210, 297);
    return orientation == 1 ? s.transposed() : s;
}

// ---- work files

namespace {

// The work folder is made fresh under the parent, readable by this user only,
// so that no other run's or user's files are ever read or deleted.
QString workTemplate(const QString& parent)
{
    const QString p = parent.isEmpty() ? QDir::tempPath() : parent;
    QDir().mkpath(p);
    return QDir(p).filePath(QStringLiteral("grph-XXXXXX"));
}

}  // namespace

GrphWork::GrphWork(const QString& parentFolder) : dir_(workTemplate(parentFolder)) {}

QString GrphWork::fileName(int page)
{
    return QStringLiteral("_GRPHTEMP.") + QString::number(page).rightJustified(3, u'0');
}

QString GrphWork::pagePath(int page) const { return dir_.filePath(fileName(page)); }

QByteArray GrphWork::read(int page) const
{
    if (!exists(page))
        return {};
    QFile f(pagePath(page));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool GrphWork::write(int page, const QByteArray& stream)
{
    if (page < 0 || page > kMaxPage)
        return false;
    QSaveFile f(pagePath(page));
    if (!f.open(QIODevice::WriteOnly) || f.write(stream) != stream.size() || !f.commit())
        return false;
    flags_[size_t(page)] = true;
    return true;
}

bool GrphWork::writePage(int page, const Page& content)
{
    if (content.parts.isEmpty())
        return remove(page);
    return write(page, encodePage(content));
}

bool GrphWork::remove(int page)
{
    if (page < 0 || page > kMaxPage)
        return false;
    const QString path = pagePath(page);
    if (QFile::exists(path) && !QFile::remove(path))
        return false;
    flags_[size_t(page)] = false;
    return true;
}

bool GrphWork::move(int from, int to)
{
    if (from < 0 || from > kMaxPage || to < 0 || to > kMaxPage || !exists(from) || exists(to))
        return false;
    if (!QFile::rename(pagePath(from), pagePath(to)))
        return false;
    flags_[size_t(from)] = false;
    flags_[size_t(to)] = true;
    return true;
}

void GrphWork::clear()
{
    for (int i = 0; i <= kMaxPage; ++i)
        if (flags_[size_t(i)] || QFile::exists(pagePath(i)))
            remove(i);
}

int GrphWork::lastPage(int current) const
{
    for (int i = kMaxPage; i > current; --i)
        if (flags_[size_t(i)])
            return i;
    return current;
}

QList<int> GrphWork::pages() const
{
    QList<int> out;
    for (int i = 1; i <= kMaxPage; ++i)
        if (flags_[size_t(i)])
            out << i;
    return out;
}

void GrphWork::rescan()
{
    for (int i = 0; i <= kMaxPage; ++i)
        flags_[size_t(i)] = QFile::exists(pagePath(i));
}

PhotoBinder::~PhotoBinder() = default;

// ---- surveys

namespace {

QList<int> tokenCodes(const QString& caption)
{
    QList<int> codes;
    substituteTokens(caption, [&](const CaptionToken& t) -> std::optional<QString> {
        codes << t.code;
        return std::nullopt;
    });
    return codes;
}

QString baseName(const QString& fileName) { return QFileInfo(fileName).completeBaseName(); }

}  // namespace

FormatSurvey surveyFormat(const Page& page)
{
    FormatSurvey s;
    for (const TPartsBox& p : page.parts) {
        s.maxSlot = qMax(s.maxSlot, int(p.FormIndex));
        if (p.Shape != ptKoumoku)
            continue;
        if (p.FormIndex > 0)
            s.anySlottedItem = true;
        for (int code : tokenCodes(p.Caption)) {
            if (isDrawingFrameCode(code))
                s.maxDrawing = qMax(s.maxDrawing, code - 2599);
            if (code >= 2000 && code <= 2999) {
                if (p.FormIndex > 0)
                    s.anySlottedPhotoItem = true;
                else
                    s.unslottedPhotoItem = true;
            }
        }
    }
    return s;
}

QByteArray encodeSelectedParts(const Page& page, const QList<int>& selection)
{
    Page out;
    out.orientation = page.orientation;
    out.formatName = page.formatName;
    for (int i = 0; i < page.parts.size(); ++i)
        if (selection.contains(i))
            out.parts << page.parts[i];
    return encodePage(out);
}

QList<int> pasteParts(Page& page, QByteArrayView stream)
{
    const std::optional<Page> pasted = decodePage(stream);
    if (!pasted)
        return {};
    // Which photo each slot of the page holds, before the paste.
    QHash<int, RECORD> slotPhoto;
    for (const TPartsBox& p : page.parts)
        if (p.FormIndex > 0 && p.PhotoRecord > 0 && !slotPhoto.contains(p.FormIndex))
            slotPhoto.insert(p.FormIndex, p.PhotoRecord);
    std::set<int> used;
    for (const TPartsBox& p : page.parts)
        if (p.FormIndex > 0)
            used.insert(p.FormIndex);
    QHash<RECORD, int> moved;  // photo → the slot its parts go to
    QList<int> indexes;
    for (TPartsBox p : pasted->parts) {
        if (p.FormIndex > 0 && p.PhotoRecord > 0) {
            if (moved.contains(p.PhotoRecord)) {
                p.FormIndex = qint8(moved[p.PhotoRecord]);
            } else if (slotPhoto.value(p.FormIndex) == p.PhotoRecord) {
                moved.insert(p.PhotoRecord, p.FormIndex);
            } else {
                int slot = slotPhoto.key(p.PhotoRecord, 0);
                if (!slot) {
                    slot = 1;
                    while (slot < kMaxSlot && used.count(slot))
                        ++slot;
                }
                used.insert(slot);
                moved.insert(p.PhotoRecord, slot);
                p.FormIndex = qint8(slot);
            }
        }
        indexes << int(page.parts.size());
        page.parts << p;
    }
    return indexes;
}

// ---- the document

AlbumDocument::AlbumDocument(DocKind kind, const QString& folder_, const QString& formFolder_,
                             const QString& workParent, Messages& messages)
    : folder(folder_), formFolder(formFolder_), kind_(kind), messages_(messages), work_(workParent)
{
    title = isAlbum() ? kNewAlbumTitle : kNewFormatTitle;
}

AlbumDocument::~AlbumDocument() { work_.clear(); }

QString AlbumDocument::path() const { return QDir(folder).filePath(fileName); }

void AlbumDocument::startNew(const Settings& s)
{
    startNew(s.grphFormName, qint16(s.grphPageInc), s.grphOffsetX, s.grphOffsetY);
}

void AlbumDocument::startNew(const QString& initialFormat, qint16 start, Currency x, Currency y)
{
    work_.clear();
    templateName_.clear();
    current_ = 1;
    page = Page();
    paperCode = initialPaperCode = 9;
    orientation = 0;
    pageStart = start;
    offsetX = x;
    offsetY = y;
    fileName.clear();
    title = isAlbum() ? kNewAlbumTitle : kNewFormatTitle;
    formatName = initialFormat;
    this->initialFormat = initialFormat;
    modified = false;
    if (!isAlbum())
        return;
    switch (readFormatTemplate(initialFormat, false)) {
    case TemplateResult::Missing:
        messages_.information(kInitialFormatMissing);
        return;
    case TemplateResult::Cover:
        break;
    case TemplateResult::Read:
        break;
    }
    if (templateHeader_.cover)
        messages_.warning(kInitialFormatIsCover);
    paperCode = initialPaperCode = templateHeader_.paperCode;
    orientation = templateHeader_.orientation;
    page.orientation = orientation;
    page.formatName = baseName(initialFormat);
}

bool AlbumDocument::open(const QString& filePath)
{
    QFile f(filePath);
    if (!f.open(QIODevice::ReadOnly)) {
        messages_.error(kFileInUse);
        return false;
    }
    const QByteArray bytes = f.readAll();
    QString why;
    std::optional<DocumentFile> doc = decodeDocumentFile(bytes, &why);
    if (doc) {
        for (auto it = doc->pages.cbegin(); it != doc->pages.cend() && doc; ++it)
            if (!decodePage(it.value(), &why))
                doc.reset();
    }
    if (!doc) {
        messages_.error(kDamagedDocument + QStringLiteral("\r\n>") + QFileInfo(filePath).fileName());
        return false;
    }
    work_.clear();
    for (auto it = doc->pages.cbegin(); it != doc->pages.cend(); ++it) {
        if (!work_.write(it.key(), it.value())) {
            work_.clear();
            messages_.error(kFileInUse);
            return false;
        }
    }
    const TGrphFileHeader& h = doc->header;
    title = h.title;
    pageStart = h.pageStart;
    offsetX = h.offsetX;
    offsetY = h.offsetY;
    paperCode = h.paperCode;
    orientation = h.orientation;
    if (isAlbum()) {
        initialPaperCode = paperCode;
        // The file keeps no initial format of its own: the format its first
        // page of photos was poured from stands for it, while that format exists.
        for (const int n : work_.pages()) {
            const std::optional<Page> p = decodePage(work_.read(n));
            if (!p || std::none_of(p->parts.begin(), p->parts.end(),
                                   [](const TPartsBox& b) { return isPhotoFrameCode(frameCode(b)); }))
                continue;
            const QString name = p->formatName + QStringLiteral(".ZBF");
            if (!p->formatName.isEmpty() && QFileInfo::exists(QDir(formFolder).filePath(name)))
                initialFormat = name;
            break;
        }
    }
    folder = QFileInfo(filePath).absolutePath();
    fileName = QFileInfo(filePath).fileName();
    current_ = 1;
    page = decodePage(work_.read(1)).value_or(Page());
    if (!work_.exists(1)) {
        page.orientation = orientation;
        page.formatName = baseName(formatName);
    }
    modified = false;
    return true;
}

TGrphFileHeader AlbumDocument::buildHeader() const
{
    TGrphFileHeader h;
    h.title = title;
    h.paperCode = paperCode;
    h.orientation = orientation;
    h.offsetX = offsetX;
    h.offsetY = offsetY;
    h.pageStart = pageStart;
    h.pageCount = qint32(work_.pages().size());
    if (!isAlbum()) {
        const FormatSurvey s = surveyFormat(page);
        h.cover = s.cover();
        h.maxSlot = s.maxSlot;
        h.maxDrawing = s.maxDrawing;
    }
    return h;
}

QImage AlbumDocument::renderPreview(const DrawContext& context) const
{
    const QSizeF paper = paperMm();
    const double scale = 128.0 / qMax(paper.width(), paper.height());
    QImage image(qMax(1, int(std::lround(paper.width() * scale))), qMax(1, int(std::lround(paper.height() * scale))),
                 QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter g(&image);
    g.setPen(QPen(Qt::black, 0));
    g.setBrush(Qt::NoBrush);
    g.drawRect(QRectF(0.5, 0.5, image.width() - 1.0, image.height() - 1.0));
    DrawContext c = context;
    c.mode = DrawMode::Format;
    c.target = DrawTarget::onPrinter(scale);
    drawPage(g, page, c);
    g.end();
    return image;
}

bool AlbumDocument::save(const QString& name)
{
    DrawContext c;
    c.today = QDate::currentDate();
    return save(name, c);
}

bool AlbumDocument::save(const QString& name, const DrawContext& previewContext)
{
    if (!storeCurrentPage()) {
        messages_.error(kFileInUse);
        return false;
    }
    DocumentFile file;
    file.header = buildHeader();
    if (!isAlbum() && !page.parts.isEmpty()) {
        SilentMessages quiet;
        QByteArray jpeg;
        if (EncodeJpeg(renderPreview(previewContext), jpeg, false, kDefaultJpegQuality, quiet))
            file.preview = jpeg;
    }
    for (int n : work_.pages()) {
        const QByteArray stream = work_.read(n);
        if (stream.isEmpty() && QFileInfo(work_.pagePath(n)).size() != 0) {
            messages_.error(kFileInUse);
            return false;
        }
        file.pages.insert(n, stream);
    }
    const QString target = QDir(folder).filePath(name);
    if (QFile::exists(target)) {
        // The old file stays behind as the user's backup.
        const QString bak = QDir(QFileInfo(work_.folder()).absolutePath())
                                .filePath(isAlbum() ? QStringLiteral("DATAFILE.BAK") : QStringLiteral("FORMFILE.BAK"));
        QFile::remove(bak);
        QFile::copy(target, bak);
    }
    QDir().mkpath(folder);
    const QByteArray bytes = encodeDocumentFile(file);
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        messages_.error(kFileInUse);
        return false;
    }
    fileName = name;
    modified = false;
    if (!isAlbum()) {
        const FormatSurvey s = surveyFormat(page);
        if (s.unslottedPhotoItem)
            messages_.information(kUnslottedPhotoItems);
        else if (!s.anySlottedItem)
            messages_.information(kCoverFormatSaved);
    }
    return true;
}

bool AlbumDocument::storeCurrentPage() { return work_.writePage(current_, page); }

bool AlbumDocument::gotoPage(int number)
{
    number = qBound(1, number, kMaxPage);
    if (!storeCurrentPage())
        return false;
    current_ = number;
    if (work_.exists(number)) {
        std::optional<Page> p = decodePage(work_.read(number));
        page = p.value_or(Page());
    } else {
        page = Page();
        page.orientation = templateName_.isEmpty() ? orientation : templateHeader_.orientation;
        page.formatName = baseName(formatName);
    }
    return true;
}

TemplateResult AlbumDocument::readFormatTemplate(const QString& name, bool pouring)
{
    if (name != templateName_ || !work_.exists(0)) {
        QFile f(QDir(formFolder).filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            return TemplateResult::Missing;
        const std::optional<DocumentFile> doc = decodeDocumentFile(f.readAll());
        if (!doc)
            return TemplateResult::Missing;
        const QByteArray stream = doc->pages.isEmpty() ? QByteArray() : doc->pages.first();
        std::optional<Page> p = decodePage(stream);
        if (!p)
            return TemplateResult::Missing;
        work_.write(0, stream);
        templateName_ = name;
        templateHeader_ = doc->header;
        templatePage_ = *p;
        guide_.clear();
        if (isAlbum()) {
            for (const TPartsBox& part : templatePage_.parts)
                guide_ << GuideRect{part.FormIndex, QRectF(toMm(part.PLeft), toMm(part.PTop), toMm(part.PWidth),
                                                           toMm(part.PHeight))};
        }
    }
    if (templateHeader_.cover && pouring)
        return TemplateResult::Cover;
    return TemplateResult::Read;
}

bool AlbumDocument::selectFormat(const QString& name)
{
    if (readFormatTemplate(name, false) == TemplateResult::Missing) {
        messages_.error(kInitialFormatMissing);
        return false;
    }
    if (templateHeader_.paperCode != initialPaperCode)
        messages_.information(kOtherPaperFormat);
    formatName = name;
    return true;
}

bool AlbumDocument::openPageSlot(int number, bool insertMode)
{
    if (!insertMode || !work_.exists(number))
        return true;
    // Every page from `number` up to 998 moves one number up, highest first.
    if (work_.exists(kMaxPage))
        return false;
    for (int i = kMaxPage - 1; i >= number; --i)
        if (work_.exists(i) && !work_.move(i, i + 1))
            return false;
    return true;
}

PourResult AlbumDocument::pour(const QList<RECORD>& photos, PhotoBinder& binder, Progress& progress, bool insertMode)
{
    PourResult result;
    if (photos.isEmpty())
        return result;
    const bool many = photos.size() > 1;
    if (many)
        progress.start(int(photos.size()));
    binder.beginBatch();
    for (RECORD photo : photos) {
        modified = true;
        const TemplateResult t = readFormatTemplate(formatName, true);
        if (t == TemplateResult::Cover) {
            messages_.warning(kCoverFormatPour);
            result.stopped = true;
            break;
        }
        if (t == TemplateResult::Missing) {
            messages_.error(kInitialFormatMissing);
            result.stopped = true;
            break;
        }
        bool placed = false;
        int slotPartsPlaced = 0;
        while (!placed) {
            std::set<int> used;
            bool common = false;
            RECORD slotOnePhoto = 0;
            for (const TPartsBox& p : page.parts) {
                if (p.FormIndex > 0)
                    used.insert(p.FormIndex);
                if (p.FormIndex == 0)
                    common = true;
                if (p.FormIndex == 1 && p.PhotoRecord > 0 && !slotOnePhoto)
                    slotOnePhoto = p.PhotoRecord;
            }
            int k = 1;
            while (k <= kMaxSlot && used.count(k))
                ++k;
            if (templateHeader_.maxSlot < k) {
                if (current_ >= kMaxPage) {
                    messages_.warning(kLastPageReached);
                    result.stopped = true;
                    break;
                }
                if (!storeCurrentPage() || !openPageSlot(current_ + 1, insertMode)) {
                    messages_.error(kPageInsertFailed);
                    result.stopped = true;
                    break;
                }
                gotoPage(current_ + 1);
                continue;
            }
            if (k == 1)
                slotOnePhoto = photo;
            result.lastParts.clear();
            slotPartsPlaced = 0;
            for (const TPartsBox& source : templatePage_.parts) {
                const bool ofSlot = source.FormIndex == k;
                if (!ofSlot && !(source.FormIndex == 0 && !common))
                    continue;
                TPartsBox part = source;
                const RECORD bound = ofSlot ? photo : (slotOnePhoto ? slotOnePhoto : photo);
                if (ofSlot)
                    part.PhotoRecord = photo;
                if (part.Shape == ptKoumoku && !binder.bindPart(part, bound))
                    continue;
                result.lastParts << int(page.parts.size());
                page.parts << part;
                slotPartsPlaced += ofSlot ? 1 : 0;
            }
            page.formatName = baseName(formatName);
            page.orientation = templatePage_.orientation;
            placed = true;
        }
        if (!placed)
            break;
        // A photo whose row is gone leaves its slot free.
        if (slotPartsPlaced > 0)
            ++result.placed;
        if (many && !progress.step()) {
            result.stopped = true;
            break;
        }
    }
    binder.endBatch();
    if (many)
        progress.end();
    storeCurrentPage();
    return result;
}

}  // namespace zb::album
