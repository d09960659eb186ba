#pragma once

// Answers the viewer's questions from a script and records what was shown.

#include "viewer/app/new_file.h"
#include "viewer/app/viewer_dialogs.h"
#include "viewer/components/pagesetup.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace viewer::testing {

class ScriptedDialogs : public IViewerDialogs {
public:
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::deque<TAnswer> answers; // Cancel once they run out
    std::function<bool(SaveOptions&, int)> editOptions = [](SaveOptions&, int) { return true; };
    std::string saveName; // empty: the save dialog is cancelled
    std::string openName; // empty: the open dialog is cancelled
    std::string lastDefaultExtension;
    std::string lastOpenFilter;
    std::deque<TColor> colours; // the colour dialog is cancelled once they run out
    std::deque<TChartFont> fonts; // the font dialog likewise
    std::vector<TChartFont> fontsOffered; // what each font dialog started from
    std::vector<std::string> urls; // every address handed to the desktop
    bool urlsOpen = true;
    // Fills in the new-file dialog; false is Cancel.
    std::function<bool(TNewFileValues&)> editNewFile = [](TNewFileValues&) { return true; };
    std::deque<std::string> normaliseAnswers; // typed impedances; Cancel once they run out
    std::vector<std::string> normaliseShown; // what the dialog showed each time
    // The page-setup dialog: null cancels; the default keeps the margins on
    // portrait A4 in the dialog's units.
    std::function<bool(TPageSetupDialog&)> pageSetup = [](TPageSetupDialog& d) {
        d.PaperSize
            = d.Measurements == TPSMeasurements::pmMillimeters ? TPSPoint { 21000, 29700 } : TPSPoint { 8268, 11693 };
        return true;
    };
    int pageSetupRuns = 0;

    std::function<void(const std::string&)> onMessage; // called with each message, after it is recorded

    void ShowMessage(const std::string& text) override
    {
        messages.push_back(text);
        if (onMessage)
            onMessage(text);
    }
    TAnswer AskYesNoCancel(const std::string& text) override
    {
        questions.push_back(text);
        TAnswer a = answers.empty() ? TAnswer::Cancel : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return a;
    }
    bool EditSaveOptions(SaveOptions& o, int ports) override { return editOptions(o, ports); }
    bool AskSaveFileName(const std::string&, const std::string& ext, std::string& name) override
    {
        lastDefaultExtension = ext;
        if (saveName.empty())
            return false;
        name = saveName;
        return true;
    }
    bool AskOpenFileName(const std::string& filter, std::string& name) override
    {
        lastOpenFilter = filter;
        if (openName.empty())
            return false;
        name = openName;
        return true;
    }
    bool ChooseColour(TColor& colour) override
    {
        if (colours.empty())
            return false;
        colour = colours.front();
        colours.pop_front();
        return true;
    }
    bool ChooseFont(TChartFont& font) override
    {
        fontsOffered.push_back(font);
        if (fonts.empty())
            return false;
        font = fonts.front();
        fonts.pop_front();
        return true;
    }
    bool OpenUrl(const std::string& url) override
    {
        urls.push_back(url);
        return urlsOpen;
    }
    bool EditNewFile(TNewFileValues& values) override { return editNewFile(values); }
    bool EditNormalise(std::string& impedance) override
    {
        normaliseShown.push_back(impedance);
        if (normaliseAnswers.empty())
            return false;
        impedance = normaliseAnswers.front();
        normaliseAnswers.pop_front();
        return true;
    }
    bool ExecutePageSetup(TPageSetupDialog& d) override
    {
        ++pageSetupRuns;
        return pageSetup && pageSetup(d);
    }
};

} // namespace viewer::testing
