#pragma once

// IViewerDialogs with real message boxes, the save-options form and the
// toolkit's file dialogs.

#include "viewer/app/viewer_dialogs.h"

#include <memory>

class QFont;
class QWidget;

namespace viewer {

class TNewForm;
class TNormalise;
class TSaveForm;

class TQtViewerDialogs : public IViewerDialogs {
public:
    // `saveForm` is created once and shown for every Save As.
    TQtViewerDialogs(QWidget* parent, TSaveForm& saveForm);
    ~TQtViewerDialogs() override;

    void ShowMessage(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    TAnswer AskYesNoCancel(const std::string& text) override;
    bool EditSaveOptions(SaveOptions& options, int dataPorts) override;
    bool AskSaveFileName(const std::string& filter, const std::string& defaultExtension, std::string& name) override;
    bool AskOpenFileName(const std::string& filter, std::string& name) override;
    bool EditNewFile(TNewFileValues& values) override;

    // The new-file form, created once by the main window.
    void SetNewForm(TNewForm* form) { newForm_ = form; }
    bool EditNormalise(std::string& impedance) override;
    bool ExecutePageSetup(TPageSetupDialog& dialog) override;

    // The re-normalise dialog, created once.
    TNormalise& NormaliseForm();

    bool ChooseColour(TColor& colour) override;
    bool ChooseFont(TChartFont& font) override;
    bool OpenUrl(const std::string& url) override;

private:
    QWidget* parent_;
    TSaveForm& saveForm_;
    TNewForm* newForm_ = nullptr;
    std::unique_ptr<TNormalise> normalise_;
};

// A chart font as a toolkit font and back; the toolkit font has no colour,
// so `colour` is kept.
QFont ToQFont(const TChartFont& font);
TChartFont FromQFont(const QFont& font, TColor colour);

// "Text|pattern|Text|pattern" as the toolkit's ";;"-separated filter.
std::string ToolkitFilter(const std::string& filter);

} // namespace viewer
