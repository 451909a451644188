#include "album/paper_sizes.h"

#include <cmath>

namespace zb {
namespace {

struct Row {
    int code;
    const char* name;
    double w, h;
    QPageSize::PageSizeId id;
};

// Sizes in mm, portrait. The inch sizes are rounded to a tenth of a mm.
const Row kRows[] = {
    {1, "Letter", 215.9, 279.4, QPageSize::Letter},
    {3, "Tabloid", 279.4, 431.8, QPageSize::Tabloid},
    {5, "Legal", 215.9, 355.6, QPageSize::Legal},
    {6, "Statement", 139.7, 215.9, QPageSize::Statement},
    {7, "Executive", 184.2, 266.7, QPageSize::ExecutiveStandard},
    {8, "A3", 297, 420, QPageSize::A3},
    {9, "A4", 210, 297, QPageSize::A4},
    {11, "A5", 148, 210, QPageSize::A5},
    {12, "B4 (JIS)", 257, 364, QPageSize::JisB4},
    {13, "B5 (JIS)", 182, 257, QPageSize::JisB5},
    {14, "Folio", 215.9, 330.2, QPageSize::FanFoldGermanLegal},
    {20, "封筒 #10", 104.8, 241.3, QPageSize::Comm10E},
    {27, "封筒 DL", 110, 220, QPageSize::DLE},
    {28, "封筒 C5", 162, 229, QPageSize::C5E},
    {43, "はがき", 100, 148, QPageSize::Postcard},
    {66, "A2", 420, 594, QPageSize::A2},
    {69, "往復はがき", 200, 148, QPageSize::DoublePostcard},
    {70, "A6", 105, 148, QPageSize::A6},
    {73, "長形 3 号", 120, 235, QPageSize::EnvelopeChou3},
    {74, "長形 4 号", 90, 205, QPageSize::EnvelopeChou4},
    {88, "B6 (JIS)", 128, 182, QPageSize::JisB6},
};

PaperCode toPaper(const Row& r) {
    return PaperCode{r.code, QString::fromUtf8(r.name), QSizeF(r.w, r.h), r.id};
}

}  // namespace

std::optional<PaperCode> PaperOfCode(int code) {
    for (const Row& r : kRows)
        if (r.code == code) return toPaper(r);
    return std::nullopt;
}

int PaperCodeOf(const QPageSize& size) {
    const QPageSize::PageSizeId id = size.id();
    if (id != QPageSize::Custom)
        for (const Row& r : kRows)
            if (r.id == id) return r.code;
    const QSizeF mm = size.size(QPageSize::Millimeter);
    const double a = std::min(mm.width(), mm.height()), b = std::max(mm.width(), mm.height());
    for (const Row& r : kRows) {
        const double ra = std::min(r.w, r.h), rb = std::max(r.w, r.h);
        if (std::abs(ra - a) <= 1.0 && std::abs(rb - b) <= 1.0) return r.code;
    }
    return 0;
}

std::optional<QPageSize> PageSizeOfCode(int code) {
    const auto p = PaperOfCode(code);
    if (!p) return std::nullopt;
    if (p->pageSizeId != QPageSize::Custom) return QPageSize(p->pageSizeId);
    return QPageSize(p->portraitMm, QPageSize::Millimeter, p->name);
}

}  // namespace zb
