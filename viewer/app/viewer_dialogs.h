#pragma once

// What the file commands ask of the user: message boxes, the save-options
// dialog and the file dialogs. The application shows real dialogs
// (ui/qt_viewer_dialogs.h); tests answer from a script.

#include "viewer/app/save_options.h"
#include "viewer/components/chartcanvas.h"
#include "viewer/components/colors.h"

#include <string>

namespace viewer {

struct TNewFileValues;
class TPageSetupDialog;

enum class TAnswer { Yes, No, Cancel };

class IViewerDialogs {
public:
    virtual ~IViewerDialogs() = default;

    // An error box (a file that cannot be read or written, a bad value),
    // with the warning icon and the application title as caption.
    virtual void ShowMessage(const std::string& text) = 0;

    // An information box, for what is no error: a prompt, a notice.
    virtual void ShowInformation(const std::string& text) { ShowMessage(text); }

    // A warning box with OK.
    virtual void ShowWarning(const std::string& text) { ShowMessage(text); }

    // A warning box with Yes, No and Cancel.
    virtual TAnswer AskYesNoCancel(const std::string& text) = 0;

    // Shows the save-options dialog modally on `options`; true on OK, with
    // `options` updated. `dataPorts` is the data's port count.
    virtual bool EditSaveOptions(SaveOptions& options, int dataPorts) = 0;

    // A save dialog; `name` holds the proposed name and receives the choice.
    // The filter is in the "Text|pattern|" form.
    virtual bool AskSaveFileName(const std::string& filter, const std::string& defaultExtension, std::string& name) = 0;

    // An open dialog for existing files; `name` receives the choice.
    virtual bool AskOpenFileName(const std::string& filter, std::string& name) = 0;

    // Shows the new-file dialog modally on `values`; true on OK, with
    // `values` updated. A service without the dialog answers Cancel.
    virtual bool EditNewFile(TNewFileValues&) { return false; }
    // The re-normalise dialog ("Rivelle Normalise"): `impedance` holds the
    // text shown and receives the text typed; true on OK. Answerers that
    // show no dialogs cancel.
    virtual bool EditNormalise(std::string& impedance)
    {
        (void)impedance;
        return false;
    }

    // Runs the page-setup dialog; true on OK, with its answers in `dialog`.
    // Answerers that show no dialogs cancel.
    virtual bool ExecutePageSetup(TPageSetupDialog& dialog)
    {
        (void)dialog;
        return false;
    }

    // The colour dialog, starting from `colour`; true on OK with the choice.
    // Without one, the choice is always cancelled.
    virtual bool ChooseColour(TColor&) { return false; }

    // The font dialog, starting from `font`; true on OK with the choice.
    virtual bool ChooseFont(TChartFont&) { return false; }

    // Hands a web or "mailto:" address to the desktop's browser or mail
    // program; false when nothing could be started.
    virtual bool OpenUrl(const std::string&) { return false; }
};

} // namespace viewer
