#pragma once

// The capture dialog: the analyser type, the device's port count and the
// bus address; OK captures, Cancel closes or, while a capture runs,
// aborts it.

#include "viewer/app/capture_session.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace viewer {

class IViewerDialogs;
class TMainForm;

class TAquireForm : public QDialog, private ICaptureHost {
    Q_OBJECT
public:
    TAquireForm(TMainForm& mainForm, IViewerDialogs& dialogs, QWidget* parent = nullptr);

    // The port count the controls give: 1, 2, 3 or the N-port count.
    int PortCountValue() const;
    bool Capturing() const { return capturing_; }
    bool AbortRequested() const { return aborted_; }

    void OKbuttonClick();
    void CancelButtonClick();
    void DataTypeClick();

    // The wait after a sweep is started (the analyser needs it).
    int SettleMilliseconds = 500;

    QComboBox* VNAtype = nullptr;
    QButtonGroup* DataType = nullptr;
    QSpinBox* PortCount = nullptr;
    QSpinBox* GpiBad = nullptr;
    QPushButton* OKbutton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
    QLabel* Status = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void captureAnalyser(int ports);
    void beginCapture();
    void endCapture();

    void Prompt(const std::string& text) override;
    void SetStatus(const std::string& text) override;
    void SetProgress(int position, int maximum) override;
    void ProcessMessages() override;
    bool Aborted() const override { return aborted_; }

    TMainForm& main_;
    IViewerDialogs& dialogs_;
    bool capturing_ = false;
    bool aborted_ = false;
};

} // namespace viewer
