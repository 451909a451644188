#pragma once
// The delivery check: what a client's checker would refuse in a delivery of
// the current layout (errors) and what deserves a second look (warnings). It
// runs on the model the export is about to write, and on any delivery folder.
#include "delivery/delivery_model.h"

#include <QList>
#include <QString>
#include <optional>

namespace zb {

struct DeliveryFinding {
    enum class Level { Error, Warning };
    Level level = Level::Error;
    std::optional<qint64> serial;  // the photo it belongs to
    QString file;                  // a file name without folder
    QString element;               // the element it concerns
    QString message;

    bool isError() const { return level == Level::Error; }
};

// One line for a person: the level, the photo, the file and the message.
QString findingLine(const DeliveryFinding& f);
bool hasErrors(const QList<DeliveryFinding>& findings);

// No more findings than this are listed; one more line says that some were left out.
inline constexpr int kMaxFindings = 10000;

// The items of the set: required elements, vocabularies, lengths,
// characters, dates, serial numbers, file names. With `job` (the header of
// the job being exported) also the warnings about the shooting date outside
// the construction period and about edited and converted photos, and the
// pictures that would be missing.
QList<DeliveryFinding> checkDeliverySet(const DeliverySet& set, const JobHeader* job);

struct FolderCheck {
    bool readable = false;  // PHOTO.XML found and well-formed
    QString error;          // why it is not readable
    QList<DeliveryFinding> findings;
};
// Checks the delivery in `folder` (the folder holding PHOTO.XML): validity
// against PHOTO05.DTD, the items, the files named and the files present.
FolderCheck checkDeliveryFolder(const QString& folder);

// What a check of a folder found, as the text of a message box.
QString folderCheckReport(const FolderCheck& check);

// The question asked before an export whose check found something.
QString deliveryCheckQuestion(const QList<DeliveryFinding>& findings);

}  // namespace zb
