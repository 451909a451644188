#pragma once
// The full-screen backdrop behind the setup dialogs: a 256-step blue ramp,
// the product title and our copyright line.
#include <QFont>
#include <QSize>
#include <QString>

class QPainter;

namespace zbsetup {

inline const QString kCopyright = QStringLiteral("Copyright (C) 2026 The ZBWin developers");

// "<Title> Setup" or "<Title> Update".
QString backdropTitle(const QString& title, bool update);

// The font of the texts at `pixelSize`: "ＭＳ ゴシック" bold italic, with its
// Linux substitutes after it.
QFont backdropFont(int pixelSize);

// The first size from 5 up to 100 at which `text` is at least `share` of
// `width` wide (100 when none is).
int fittingSize(const QString& text, int width, double share);

// Draws the ramp (bands when `bands`, nested rectangles otherwise) and the texts.
void paintBackdrop(QPainter& p, QSize size, bool bands, const QString& title);

}  // namespace zbsetup
