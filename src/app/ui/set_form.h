#pragma once
// The environment dialog "環境設定": the common settings and the company data.
// Nothing changes until "登録(&R)" is pressed.
#include "settings/settings.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QFormLayout;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;

namespace zb {

// What the dialog edits.
struct SetFormValues {
    int thumbnailUser = 80;
    bool msXmlParser = true;
    int autoSaveTime = 0;
    int stampMode = 1;
    bool backupFile = true, fdiFileName = true, komaAuto = true, deleteOneKey = false;
    bool hyojunPrnDialog = false, prnImagekit = true;
    CommonSettings common;

    static SetFormValues from(const Settings& s, const CommonSettings& c);
    void applyTo(Settings& s, CommonSettings& c) const;
};

// Character modes the contractor fields are converted with when left.
enum class ContractorMode { ZenHanEisu, HanSuji };
// The conversion itself belongs to the item grids; until they provide it the
// text is kept as typed.
using ContractorConversion = std::function<QString(const QString&, ContractorMode)>;

class TSetForm : public QDialog {
    Q_OBJECT
public:
    explicit TSetForm(QWidget* parent = nullptr);

    void setValues(const SetFormValues& v);
    SetFormValues values() const;
    void setConversion(ContractorConversion c) { convert_ = std::move(c); }

    QTabWidget* tabs() const { return tabs_; }
    QLineEdit* commonEdit(const QString& key) const;

private:
    QLineEdit* addCommonField(QFormLayout* form, const QString& caption, const QString& key);
    void convertOnLeave(QLineEdit* edit, ContractorMode mode);

    QTabWidget* tabs_;
    QSpinBox* thumbSize_;
    QComboBox* xmlParser_;
    QSpinBox* autoSave_;
    QComboBox* stampMode_;
    QCheckBox *backupFile_, *fdi_, *koma_, *deleteKey_, *hyojunPrn_, *prnImagekit_;
    QHash<QString, QLineEdit*> common_;
    ContractorConversion convert_;
};

}  // namespace zb
