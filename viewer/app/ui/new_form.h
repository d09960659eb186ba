#pragma once

// The new-file dialog: file type, ports, data format, Z0, the frequency
// range and number of points, and the frequency units.

#include "viewer/app/new_file.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace viewer {

class TNewForm : public QDialog {
    Q_OBJECT
public:
    explicit TNewForm(QWidget* parent = nullptr);

    void LoadFrom(const TNewFileValues& values);
    TNewFileValues Values() const;

    // Ports can be chosen exactly when "SNP" is.
    void FileTypeClick();

    // How OK reports a refused value; a message box unless replaced.
    std::function<void(const QString&)> ShowMessage;

    QButtonGroup* FileType = nullptr;
    QSpinBox* PortCount = nullptr;
    QButtonGroup* DataFormat = nullptr;
    QLineEdit* Impedance = nullptr;
    QLineEdit* Start = nullptr;
    QLineEdit* Stop = nullptr;
    QSpinBox* Points = nullptr;
    QComboBox* FreqUnits = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

signals:
    // Help opens this help context (10).
    void helpRequested(int context);

public slots:
    // Closes only when every field can be used.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace viewer
