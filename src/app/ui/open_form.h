#pragma once
// TOpenForm: the splash window shown while the program starts.
#include <QWidget>

namespace zb {

class TOpenForm : public QWidget {
    Q_OBJECT
public:
    explicit TOpenForm(QWidget* parent = nullptr);
    // Centred horizontally, at (screen height − window height) / 2.5 vertically.
    void place();

protected:
    void paintEvent(QPaintEvent*) override;
};

// TDataModule_Image: the image lists the windows share (tree and list icons).
class TDataModule_Image : public QObject {
    Q_OBJECT
public:
    explicit TDataModule_Image(QObject* parent = nullptr);
};

}  // namespace zb
