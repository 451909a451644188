#pragma once
// The printed listing of a page's parts (書式印刷 / レイアウト印刷): the
// document lines, a block of label–value pairs per part, and the pages they
// fill on A4 portrait with a heading and today's date in the era calendar.
#include "album/document_file.h"
#include "album/print_run.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QStringList>

namespace zb {
class TPrinterEnv;
}

namespace zb::album {

struct ListingDocument {
    bool album = false;
    QString albumName;       // empty: "(無)"
    Currency offsetX = 0, offsetY = 0;
    int pageStart = 0;
    int page = 1, lastPage = 1;
    QString formatName;
    // The printer's name of the document's paper; empty when the printer
    // lacks the code.
    QString paperName;
    int paperCode = 9;
    int orientation = 0;
};

using ListingPair = QPair<QString, QString>;

QStringList listingDocumentLines(const ListingDocument& doc);
// The pairs of one part, in the listing's order; flags and styles that are
// not set are left out.
QList<ListingPair> listingPartPairs(const TPartsBox& part);
// "《 ゾルベル 書式 印刷 》" or "… レイアウト 印刷 》" with the date, e.g.
// "令和8年12月10日".
QString listingHeading(bool formatMode, QDate today);
QString eraDateText(QDate date);

// Prints the listing of a page on A4 portrait through the environment.
PrintReport printLayoutListing(TPrinterEnv& env, bool formatMode, const ListingDocument& doc, const Page& page,
                               QDate today, Messages& messages, Progress& progress);

}  // namespace zb::album
