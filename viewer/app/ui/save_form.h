#pragma once

// The save-options dialog: file type, ports, parameter type, data format,
// digits, units, Z0 and the comment lines written with the file.

#include "viewer/app/save_options.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace viewer {

class TSaveForm : public QDialog {
    Q_OBJECT
public:
    explicit TSaveForm(QWidget* parent = nullptr);

    // Shows `options` for data of `dataPorts` ports.
    void LoadFrom(const SaveOptions& options, int dataPorts);
    // The values as the controls hold them.
    SaveOptions Values() const;

    // Event handlers of the dialog.
    void FileTypeClick();
    void PortCountChange();

    // How OK reports a refused choice; a message box unless replaced.
    std::function<void(const QString&)> ShowMessage;

    QButtonGroup* FileType = nullptr;
    QSpinBox* PortCount = nullptr;
    QButtonGroup* ParameterType = nullptr;
    QButtonGroup* DataFormat = nullptr;
    QSpinBox* digits = nullptr;
    QComboBox* FreqUnits = nullptr;
    QLineEdit* Impedance = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

signals:
    // Help opens this help context (5).
    void helpRequested(int context);

public slots:
    void accept() override;

private:
    int dataPorts_ = 2;
    std::vector<std::string> loadedMemo_;
    bool updating_ = false;
};

} // namespace viewer
