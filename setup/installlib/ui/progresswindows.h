#pragma once

// The two windows the library shows while it works:
// - the status message window (TInstallStatusDlg, TInstallStatusForm): a
//   borderless box in the middle of the screen with the text of the last
//   -974 push; -973 goes back to the message before and hides the window
//   when none is left;
// - the copy-progress window (TCopyFileDlg, TCopyFileForm), a form of the
//   copy manager: the file being copied or downloaded with its progress and
//   the total progress, and Cancel, which stops the archive and downloads
//   at their next check. Its close box is Cancel too.

#include "setup/installlib/basedialogs.h"
#include "setup/installlib/pagerules.h"
#include "setup/installlib/ui/dialogwindows.h"
#include "setup/installlib/ui/translatecontrols.h"

#include <memory>
#include <string>

class QLabel;
class QProgressBar;

namespace installlib {

class TInstallStatusForm : public TQtWindowed<TBaseQuorleForm> {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TInstallStatusForm(TComponent* Owner = nullptr);
    ~TInstallStatusForm() override;

    QLabel* Image = nullptr;
    QWidget* BackPanel = nullptr;
    QWidget* MessagePanel = nullptr;
    QLabel* lblMessage = nullptr;

    // Sizes and centres the window for the label's text.
    void FitMessage();

protected:
    TQrleLanguage TranslateTexts(TQrleLanguage Source, const TQrleLanguage* Into) override;
    void ApplyFormFonts(const TQrleLanguage* Into) override;
};

class TInstallStatusDlg : public TBaseInstallDlg {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TInstallStatusDlg(TComponent* Owner = nullptr);
    ~TInstallStatusDlg() override;

    const TMetaClass& FormClass() override;
    // -974 pushes its message and shows it, -973 pops; nothing while a
    // dialog manager is set.
    void ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO) override;
    // The framework's, then the texts count as English again, so that each
    // new message is translated from English.
    void Translate() override;

    const std::string& CurrentMessage() const { return message_; }
    const TStatusMessageStack& Messages() const { return stack_; }
    // The window, made at the first message; null before.
    TInstallStatusForm* Form() const { return form_.get(); }

private:
    void showMessage();

    std::string message_;
    TStatusMessageStack stack_;
    std::unique_ptr<TInstallStatusForm> form_;
};

class TCopyFileForm : public TQtDuringCopyForm {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TCopyFileForm(TComponent* Owner = nullptr);

    QLabel* UnZipImage = nullptr;
    QLabel* TransferBitmap = nullptr;
    QLabel* FileLabel = nullptr;
    QProgressBar* ProgressBar1 = nullptr; // the file
    QProgressBar* ProgressBar2 = nullptr; // the total
    TTranslateBitBtn* CancelBtn = nullptr;

    void UpdateStatus(TFileStatusParameter* FileStatus, TDownloadStatusParameter* DownloadStatus) override;
    // The close box asks as Cancel does; the window stays until the work
    // ends, so a copy never goes on unseen.
    void UserClose() override { CancelCopy(); }
};

class TCopyFileDlg : public TBaseInstallDlg {
public:
    INSTALLLIB_CLASS_INFO()
    // 474 x 146 at the bottom centre, 30 pixels up; registers its form as a
    // copy form and takes the first copy manager.
    explicit TCopyFileDlg(TComponent* Owner = nullptr);
    const TMetaClass& FormClass() override { return TCopyFileForm::StaticClass(); }
};

} // namespace installlib
