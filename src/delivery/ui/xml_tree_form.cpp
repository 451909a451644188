#include "delivery/ui/xml_tree_form.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>

namespace zb {

TXMLTreeForm::TXMLTreeForm(Messages& messages, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowStaysOnTopHint), messages_(messages)
{
    setObjectName(QStringLiteral("TXMLTreeForm"));
    setWindowTitle(kXmlTreeCaption);
    setMinimumSize(300, 200);
    resize(520, 420);
    parserLabel = new QLabel(this);
    tree = new QTreeWidget(this);
    tree->setObjectName(QStringLiteral("XMLTreeView"));
    tree->setHeaderHidden(true);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont mono = tree->font();
    mono.setStyleHint(QFont::TypeWriter);
    mono.setFamily(QStringLiteral("monospace"));
    tree->setFont(mono);
    expandButton = new QPushButton(QStringLiteral("ツリーを全て開く"), this);
    collapseButton = new QPushButton(QStringLiteral("カーソル位置以外のツリーを全て閉じる"), this);
    closeButton = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    connect(expandButton, &QPushButton::clicked, tree, &QTreeWidget::expandAll);
    connect(collapseButton, &QPushButton::clicked, this, [this] { collapseOthers(); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(expandButton);
    buttons->addWidget(collapseButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(parserLabel);
    layout->addWidget(tree, 1);
    layout->addLayout(buttons);
}

bool TXMLTreeForm::showFile(const QString& path, bool libxml2, bool modal)
{
    TXMLTreeView view;
    view.MSXML = libxml2;
    view.GamenPrint = true;
    parserLabel->setText(view.parserLabel());
    tree->clear();
    const bool ok = view.LoadFromFile(path, &messages_);
    std::function<void(const std::vector<std::unique_ptr<XmlNode>>&, QTreeWidgetItem*)> fill =
        [&](const std::vector<std::unique_ptr<XmlNode>>& nodes, QTreeWidgetItem* parent) {
            for (const auto& n : nodes) {
                auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
                QString caption = n->caption;
                caption.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
                item->setText(0, caption);
                fill(n->children, item);
            }
        };
    fill(view.nodes(), nullptr);
    if (!ok)
        return false;
    if (tree->topLevelItemCount() > 0)
        tree->setCurrentItem(tree->topLevelItem(0));
    tree->expandAll();
    if (modal) {
        exec();
    } else {
        show();
        raise();
        activateWindow();
    }
    return true;
}

void TXMLTreeForm::collapseOthers()
{
    QSet<QTreeWidgetItem*> keep;
    for (QTreeWidgetItem* i = tree->currentItem(); i; i = i->parent())
        keep.insert(i);
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
        for (int c = 0; c < item->childCount(); ++c)
            walk(item->child(c));
        if (!keep.contains(item))
            item->setExpanded(false);
    };
    for (int t = 0; t < tree->topLevelItemCount(); ++t)
        walk(tree->topLevelItem(t));
}

}  // namespace zb
