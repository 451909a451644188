#include "imaging/picture_editor.h"

#include "core/ports.h"
#include "imaging/pixel_geometry.h"
#include "imaging/pixel_reduce.h"
#include "imaging/resample.h"
#include "imaging/working_bitmap.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace zb {

const EditTabInfo& editTabInfo(EditTab tab)
{
    static const EditTabInfo infos[kEditTabCount] = {
        {QStringLiteral("明度"), QStringLiteral(" 明るさの調整を行います。"), 95},
        {QStringLiteral("編集"), QStringLiteral(" 画像の９０度回転、トリミングを行います。"), 96},
        {QStringLiteral("編集２"), QStringLiteral(" 画像の回転、拡大、縮小などを行います。"), 97},
        {QStringLiteral("色"), QStringLiteral(" 色合いの調整を行います。"), 98},
        {QStringLiteral("効果"), QStringLiteral(" ｸﾞﾚｲ変換、256減色などによる処理を行います。"), 99},
    };
    return infos[std::clamp(int(tab), 0, kEditTabCount - 1)];
}

QImage previewOf(const QImage& picture)
{
    QImage source = toWorkingBitmap(picture);
    if (source.isNull())
        return {};
    const int w = source.width(), h = source.height();
    if (w <= kPreviewSide && h <= kPreviewSide)
        return copyWorking(source);
    const double scale = std::min(double(kPreviewSide) / h, double(kPreviewSide) / w);
    const int pw = std::max(1, int(w * scale)), ph = std::max(1, int(h * scale));
    return ResizeSmooth(source, pw, ph);
}

PictureEditor::PictureEditor(Messages& messages, Progress& progress) : messages_(messages), progress_(progress) {}

void PictureEditor::load(const QImage& bitmap)
{
    picture_ = copyWorking(toWorkingBitmap(bitmap));
    undo_ = QImage();
    changed_ = false;
    flipV_ = flipH_ = turns_ = 0;
    selection_.reset();
    resetSliders();
    rebuildPreview();
}

void PictureEditor::clearChanged()
{
    changed_ = false;
    flipV_ = flipH_ = turns_ = 0;
}

void PictureEditor::undo()
{
    if (undo_.isNull())
        return;
    keepCopy(picture_, undo_);
    // The flips and turns the copy was taken after are counted again, so that
    // undoing a mirror leaves the picture counted as unchanged.
    flipV_ = undoFlipV_;
    flipH_ = undoFlipH_;
    turns_ = undoTurns_;
    selection_.reset();
    changedPicture();
}

void PictureEditor::resetSliders()
{
    sliders = AdjustSettings();
    angle = 0;
    sizePercent = 100;
}

void PictureEditor::rebuildPreview()
{
    preview_ = previewOf(picture_);
    previewDiffers_ = false;
    previewRotated_ = false;
}

void PictureEditor::changedPicture()
{
    rebuildPreview();
}

void PictureEditor::sliderReleased()
{
    rebuildPreview();
    applyAdjustments(preview_, sliders);
    previewDiffers_ = true;
}

void PictureEditor::resetPreview()
{
    rebuildPreview();
    resetSliders();
}

bool PictureEditor::prepare()
{
    if (picture_.isNull())
        return false;
    if (makeWorking(picture_))
        return true;
    messages_.error(kEditNoMemory);
    return false;
}

void PictureEditor::saveUndo()
{
    keepCopy(undo_, picture_);
    undoFlipV_ = flipV_;
    undoFlipH_ = flipH_;
    undoTurns_ = turns_;
}

bool PictureEditor::askIfLarge()
{
    return picture_.height() <= kEditAskAboveRows || messages_.ask(kEditLargeQuestion);
}

template <typename Op>
bool PictureEditor::runWithProgress(Op op)
{
    if (picture_.height() < kEditProgressFromRows)
        return op();
    progress_.start(100);
    int shown = 0;
    const RowWatch watch([&](int done, int total) {
        const int percent = total > 0 ? int(qint64(done) * 100 / total) : 100;
        for (; shown < percent; ++shown)
            progress_.step();
    });
    const bool ok = op();
    progress_.end();
    return ok;
}

void PictureEditor::applyPipeline()
{
    const bool active = !activeSteps(sliders).empty();
    if (active && prepare()) {
        undoFlipV_ = flipV_;
        undoFlipH_ = flipH_;
        undoTurns_ = turns_;
        const bool ok = runWithProgress([&] { return applyAdjustments(picture_, sliders, &undo_); });
        if (ok)
            changed_ = true;
        else
            messages_.error(kEditNoMemory);
    }
    resetSliders();
    changedPicture();
}

void PictureEditor::previewRotation()
{
    rebuildPreview();
    if (angle != 0 && rotatePicture(preview_, angle) == RotateResult::Rotated) {
        previewDiffers_ = true;
        previewRotated_ = true;
    }
}

bool PictureEditor::applyRotation()
{
    if (angle == 0 || !prepare())
        return false;
    QImage work = picture_;
    RotateResult result = RotateResult::NoPicture;
    runWithProgress([&] {
        result = rotatePicture(work, angle);
        return true;
    });
    if (result != RotateResult::Rotated) {
        if (result == RotateResult::TooLarge)
            messages_.error(kEditTooLarge);
        return false;
    }
    saveUndoFrom(std::move(work));
    angle = 0;
    return true;
}

bool PictureEditor::applyResize()
{
    if (sizePercent == 100 || !prepare()) {
        sizePercent = 100;
        return false;
    }
    ResizeResult result;
    runWithProgress([&] {
        result = ResizeByPercent(picture_, sizePercent, interpolate);
        return true;
    });
    sizePercent = 100;
    switch (result.status) {
    case ResizeStatus::Resized:
        break;
    case ResizeStatus::TooSmall:
        messages_.error(kEditTooSmall);
        return false;
    case ResizeStatus::TooLarge:
        messages_.error(kEditTooLarge);
        return false;
    default:
        return false;
    }
    saveUndoFrom(std::move(result.bitmap));
    return true;
}

void PictureEditor::saveUndoFrom(QImage result)
{
    // The old picture itself becomes the undo copy: nothing is copied.
    undo_ = std::move(picture_);
    undoFlipV_ = flipV_;
    undoFlipH_ = flipH_;
    undoTurns_ = turns_;
    picture_ = std::move(result);
    changed_ = true;
    selection_.reset();
    changedPicture();
}

bool PictureEditor::inPlace(const std::function<void(QImage&)>& op)
{
    if (!prepare())
        return false;
    saveUndo();
    runWithProgress([&] {
        op(picture_);
        return true;
    });
    changedPicture();
    return true;
}

bool PictureEditor::toGrey()
{
    if (!inPlace([](QImage& p) { zb::toGrey(p); }))
        return false;
    changed_ = true;
    return true;
}

bool PictureEditor::invert()
{
    if (!inPlace([](QImage& p) { invertColours(p); }))
        return false;
    changed_ = true;
    return true;
}

bool PictureEditor::mirror()
{
    const bool vertical = mirrorVertical;
    if (!inPlace([vertical](QImage& p) { vertical ? flipVertical(p) : flipHorizontal(p); }))
        return false;
    int& counter = vertical ? flipV_ : flipH_;
    counter ^= 1;
    return true;
}

bool PictureEditor::replaceBy(const std::function<QImage()>& make)
{
    QImage out;
    runWithProgress([&] {
        out = make();
        return true;
    });
    if (out.isNull()) {
        messages_.error(kEditNoMemory);
        return false;
    }
    saveUndoFrom(std::move(out));
    return true;
}

bool PictureEditor::reduceColours()
{
    return prepare() && replaceBy([this] { return ReduceTo256Colours(picture_); });
}

bool PictureEditor::filter(Filter3x3 kind)
{
    return prepare() && askIfLarge() && replaceBy([this, kind] { return ApplyFilter3x3(picture_, kind); });
}

bool PictureEditor::removeNoise()
{
    return prepare() && replaceBy([this] { return RemoveNoise(picture_, kNoiseStrength); });
}

bool PictureEditor::quarterTurn()
{
    if (!prepare() || !askIfLarge())
        return false;
    QImage work = picture_;
    bool ok = false;
    runWithProgress([&] {
        ok = turnClockwise(work);
        return ok;
    });
    if (!ok) {
        messages_.error(kEditNoMemory);
        return false;
    }
    const bool wasChanged = changed_;
    saveUndoFrom(std::move(work));
    // A quarter turn is counted by the turn counter alone, so that four of
    // them leave the picture counted as unchanged.
    changed_ = wasChanged;
    turns_ = (turns_ + 1) % 4;
    return true;
}

bool PictureEditor::paste(const QImage& bitmap)
{
    if (bitmap.isNull())
        return false;
    QImage pasted = copyWorking(toWorkingBitmap(bitmap));
    if (pasted.isNull()) {
        messages_.error(kEditTooLarge);
        return false;
    }
    saveUndoFrom(std::move(pasted));
    return true;
}

void PictureEditor::switchTab(EditTab tab)
{
    tab_ = tab;
    selection_.reset();
    if (tab == EditTab::Edit || tab == EditTab::Edit2 || tab == EditTab::Effects)
        resetSliders();
    rebuildPreview();
}

void PictureEditor::setRatio(int percent)
{
    if (std::find(std::begin(kDisplayRatios), std::end(kDisplayRatios), percent) != std::end(kDisplayRatios))
        ratio_ = percent;
}

QSize PictureEditor::displaySize() const
{
    return {toDisplay(picture_.width()), toDisplay(picture_.height())};
}

int PictureEditor::toDisplay(int picturePixels) const
{
    return int(qint64(picturePixels) * ratio_ / 100);
}

int PictureEditor::toPicture(int displayPixels) const
{
    return int(qint64(displayPixels) * 100 / ratio_);
}

int PictureEditor::minSelection(int pictureSide) const
{
    // 30 display pixels in picture pixels, rounded up; never more than the picture.
    const int side = int((qint64(kMinSelectionDisplay) * 100 + ratio_ - 1) / ratio_);
    return std::min(side, pictureSide);
}

namespace {

// The rectangle moved (not shrunk) to lie inside bounds, as far as it fits.
QRect keepInside(QRect r, const QRect& bounds)
{
    r.setWidth(std::min(r.width(), bounds.width()));
    r.setHeight(std::min(r.height(), bounds.height()));
    if (r.right() > bounds.right())
        r.moveRight(bounds.right());
    if (r.bottom() > bounds.bottom())
        r.moveBottom(bounds.bottom());
    if (r.left() < bounds.left())
        r.moveLeft(bounds.left());
    if (r.top() < bounds.top())
        r.moveTop(bounds.top());
    return r;
}

}  // namespace

void PictureEditor::selectDisplayRect(QPoint from, QPoint to)
{
    if (picture_.isNull())
        return;
    // The corners are where the drag began and where the pointer is now; the
    // size is their distance.
    const int left = std::min(from.x(), to.x()), top = std::min(from.y(), to.y());
    QRect r(toPicture(left), toPicture(top), toPicture(std::abs(to.x() - from.x())),
            toPicture(std::abs(to.y() - from.y())));
    r.setWidth(std::max(r.width(), minSelection(picture_.width())));
    r.setHeight(std::max(r.height(), minSelection(picture_.height())));
    selection_ = keepInside(r, picture_.rect());
}

void PictureEditor::selectSize(QPoint topLeft, QSize size)
{
    if (picture_.isNull())
        return;
    if (size.isEmpty()) {
        selection_ = picture_.rect();
        return;
    }
    const QRect r = QRect(topLeft, size) & picture_.rect();
    if (r.isEmpty())
        selection_ = keepInside(QRect(topLeft, size), picture_.rect());
    else
        selection_ = r;
}

void PictureEditor::moveSelection(int dx, int dy, bool resize)
{
    if (!selection_ || picture_.isNull())
        return;
    // A display pixel is at least one picture pixel.
    auto step = [&](int d) { return d == 0 ? 0 : (d > 0 ? 1 : -1) * std::max(1, toPicture(std::abs(d))); };
    QRect r = *selection_;
    const QRect bounds = picture_.rect();
    if (resize) {
        const int w = std::clamp(r.width() + step(dx), minSelection(bounds.width()), bounds.right() - r.left() + 1);
        const int h = std::clamp(r.height() + step(dy), minSelection(bounds.height()), bounds.bottom() - r.top() + 1);
        r.setWidth(w);
        r.setHeight(h);
        selection_ = keepInside(r, bounds);
        return;
    }
    r.translate(step(dx), step(dy));
    selection_ = keepInside(r, bounds);
}

bool PictureEditor::trim()
{
    if (!selection_ || !prepare())
        return false;
    const QRect part = *selection_ & picture_.rect();
    if (part.isEmpty()) {
        messages_.error(kEditEmptySelection);
        return false;
    }
    QImage work = picture_;
    const TrimResult result = trimPicture(work, part);
    if (result == TrimResult::EmptySelection) {
        messages_.error(kEditEmptySelection);
        return false;
    }
    if (result != TrimResult::Trimmed) {
        selection_.reset();
        return false;
    }
    saveUndoFrom(std::move(work));
    return true;
}

QString PictureEditor::selectionStatus() const
{
    if (!selection_)
        return {};
    const QRect& r = *selection_;
    return QStringLiteral(" 選択領域 Ｘ : ") + QString::number(r.left()) + QStringLiteral("  Ｙ : ") +
           QString::number(r.top()) + QStringLiteral("  幅 : ") + QString::number(r.width()) +
           QStringLiteral("  高さ : ") + QString::number(r.height());
}

QString PictureEditor::sizeStatus() const
{
    return QStringLiteral(" 縦 ") + QString::number(picture_.height()) + QStringLiteral(" 横 ") +
           QString::number(picture_.width()) + QStringLiteral("(ﾋﾟｸｾﾙ)");
}

std::array<std::int64_t, 256> PictureEditor::histogram() const
{
    return channelHistogram(picture_);
}

PictureEditor::Close PictureEditor::applyAndClose()
{
    if (previewDiffers_) {
        switch (messages_.askThree(kEditApplyPreviewQuestion)) {
        case Messages::Answer::Cancel:
            return Close::Stay;
        case Messages::Answer::Yes:
            if (previewRotated_)
                applyRotation();
            else
                applyPipeline();
            break;
        case Messages::Answer::No:
            break;
        }
    }
    return Close::Applied;
}

PictureEditor::Close PictureEditor::closeWindow()
{
    if (!isChanged())
        return Close::NotApplied;
    switch (messages_.askThree(kEditChangedQuestion)) {
    case Messages::Answer::Yes:
        return Close::Applied;
    case Messages::Answer::No:
        return Close::NotApplied;
    case Messages::Answer::Cancel:
        break;
    }
    return Close::Stay;
}

}  // namespace zb
