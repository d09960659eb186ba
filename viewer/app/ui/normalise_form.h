#pragma once

// The re-normalise dialog: the new reference impedance in ohms.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace viewer {

class TNormalise : public QDialog {
    Q_OBJECT
public:
    explicit TNormalise(QWidget* parent = nullptr);

    QLineEdit* Impedance = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

signals:
    void helpRequested(int context);

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace viewer
