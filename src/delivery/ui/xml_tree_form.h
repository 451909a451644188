#pragma once
// TXMLTreeForm "ＸＭＬデータ内容": an XML file's tree with the values in the
// captions, the parser's name, and buttons to open or close the branches.
#include "delivery/xml_tree.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace zb {

class Messages;

inline const QString kXmlTreeCaption = QStringLiteral("ＸＭＬデータ内容");

class TXMLTreeForm : public QDialog {
    Q_OBJECT
public:
    explicit TXMLTreeForm(Messages& messages, QWidget* parent = nullptr);

    // Loads the file with the given parser (libxml2 when set) and shows it:
    // modally when asked, else modeless and brought to the front. False
    // (after the parser's message) when the file cannot be read.
    bool showFile(const QString& path, bool libxml2, bool modal);
    // Closes every branch except the path to the current node.
    void collapseOthers();

    QLabel* parserLabel = nullptr;
    QTreeWidget* tree = nullptr;
    QPushButton* expandButton = nullptr;
    QPushButton* collapseButton = nullptr;
    QPushButton* closeButton = nullptr;

private:
    Messages& messages_;
};

}  // namespace zb
