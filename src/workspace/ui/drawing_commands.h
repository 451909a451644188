#pragma once
// The drawing command 登録済み写真から選択: photos already in the job become
// drawings of the one selected photo, chosen in TSankoForm.
#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace zb {

class HierarchyModel;
class JobLife;
class Messages;
class TPhotoListPanel;
class TSankoForm;

class TDrawingCommands : public QObject {
    Q_OBJECT
public:
    TDrawingCommands(JobLife& job, HierarchyModel& tree, TPhotoListPanel& list, Messages& messages, QWidget* window,
                     QObject* parent = nullptr);

    // Shows the chooser; tests replace it. Returns whether 実行 was pressed.
    std::function<bool(TSankoForm&)> runChooser;

    void chooseRegistered();

    void installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler);

private:
    JobLife& job_;
    HierarchyModel& tree_;
    TPhotoListPanel& list_;
    Messages& messages_;
    QPointer<QWidget> window_;
};

}  // namespace zb
