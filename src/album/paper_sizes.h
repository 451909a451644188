#pragma once
// The paper-size codes album and format documents store (the numbering of
// printer drivers on the system the documents come from: 9 is A4) and what
// each code means on paper. The B sizes are the Japanese JIS ones, not ISO.
#include <QPageSize>
#include <QSizeF>
#include <QString>
#include <optional>

namespace zb {

struct PaperCode {
    int code = 0;
    QString name;         // the name shown in paper lists, e.g. "A4"
    QSizeF portraitMm;    // width × height with the short side first
    QPageSize::PageSizeId pageSizeId = QPageSize::Custom;
};

// The code's paper, or nothing for a code outside the table.
std::optional<PaperCode> PaperOfCode(int code);
// The code of a page size, 0 when the table has none for it. Sizes that are
// not one of Qt's named ones are matched by their dimensions (within 1 mm).
int PaperCodeOf(const QPageSize& size);
// A page size for a code: the named size, or nothing for an unknown code.
std::optional<QPageSize> PageSizeOfCode(int code);

inline constexpr int kPaperA4 = 9;

}  // namespace zb
