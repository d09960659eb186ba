#include "viewer/app/ui/qt_viewer_dialogs.h"

#include "viewer/app/ui/new_form.h"
#include "viewer/app/ui/normalise_form.h"
#include "viewer/app/ui/save_form.h"
#include "viewer/components/pagesetup.h"

#include "viewer/components/qtchartcanvas.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFontDialog>
#include <QUrl>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

namespace viewer {

namespace {
const QString kCaption = QStringLiteral("Rivelle");
}

std::string ToolkitFilter(const std::string& filter)
{
    std::string out;
    std::size_t pos = 0;
    while (pos < filter.size()) {
        std::size_t bar = filter.find('|', pos);
        if (bar == std::string::npos)
            break;
        std::string text = filter.substr(pos, bar - pos);
        std::size_t end = filter.find('|', bar + 1);
        std::string pattern = filter.substr(bar + 1, end == std::string::npos ? std::string::npos : end - bar - 1);
        // Patterns are case-sensitive here; offer the lower-case form too.
        std::string patterns;
        std::size_t p = 0;
        while (p <= pattern.size()) {
            std::size_t semi = pattern.find(';', p);
            std::string one = pattern.substr(p, semi == std::string::npos ? std::string::npos : semi - p);
            std::string lower = one;
            for (char& c : lower)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            auto add = [&](const std::string& pat) {
                if ((" " + patterns + " ").find(" " + pat + " ") == std::string::npos)
                    patterns += (patterns.empty() ? "" : " ") + pat;
            };
            add(one);
            add(lower);
            if (semi == std::string::npos)
                break;
            p = semi + 1;
        }
        if (!out.empty())
            out += ";;";
        out += text + " (" + patterns + ")";
        if (end == std::string::npos)
            break;
        pos = end + 1;
    }
    return out;
}

QFont ToQFont(const TChartFont& f)
{
    QFont font(QString::fromStdString(f.Name));
    if (f.Size > 0)
        font.setPointSize(f.Size);
    else if (f.Size < 0)
        font.setPixelSize(-f.Size);
    font.setBold((f.Style & fsBold) != 0);
    font.setItalic((f.Style & fsItalic) != 0);
    font.setUnderline((f.Style & fsUnderline) != 0);
    font.setStrikeOut((f.Style & fsStrikeOut) != 0);
    return font;
}

TChartFont FromQFont(const QFont& font, TColor colour)
{
    TChartFont f;
    f.Name = font.family().toStdString();
    f.Size = font.pointSize() > 0 ? font.pointSize() : -font.pixelSize();
    f.Style = (font.bold() ? fsBold : 0u) | (font.italic() ? fsItalic : 0u) | (font.underline() ? fsUnderline : 0u)
        | (font.strikeOut() ? fsStrikeOut : 0u);
    f.Color = colour;
    return f;
}

TQtViewerDialogs::TQtViewerDialogs(QWidget* parent, TSaveForm& saveForm)
    : parent_(parent)
    , saveForm_(saveForm)
{
}

void TQtViewerDialogs::ShowMessage(const std::string& text)
{
    QMessageBox::warning(parent_, kCaption, QString::fromStdString(text));
}

void TQtViewerDialogs::ShowInformation(const std::string& text)
{
    QMessageBox::information(parent_, kCaption, QString::fromStdString(text));
}

TAnswer TQtViewerDialogs::AskYesNoCancel(const std::string& text)
{
    auto r = QMessageBox::warning(parent_, kCaption, QString::fromStdString(text),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    return r == QMessageBox::Yes ? TAnswer::Yes : r == QMessageBox::No ? TAnswer::No : TAnswer::Cancel;
}

TQtViewerDialogs::~TQtViewerDialogs() = default;

TNormalise& TQtViewerDialogs::NormaliseForm()
{
    if (!normalise_)
        normalise_ = std::make_unique<TNormalise>(parent_);
    return *normalise_;
}

bool TQtViewerDialogs::EditNormalise(std::string& impedance)
{
    TNormalise& form = NormaliseForm();
    form.Impedance->setText(QString::fromStdString(impedance));
    if (form.exec() != QDialog::Accepted)
        return false;
    impedance = form.Impedance->text().toStdString();
    return true;
}

bool TQtViewerDialogs::ExecutePageSetup(TPageSetupDialog& dialog)
{
    return dialog.Execute();
}

bool TQtViewerDialogs::EditSaveOptions(SaveOptions& options, int dataPorts)
{
    saveForm_.LoadFrom(options, dataPorts);
    if (saveForm_.exec() != QDialog::Accepted)
        return false;
    options = saveForm_.Values();
    return true;
}

bool TQtViewerDialogs::AskSaveFileName(
    const std::string& filter, const std::string& defaultExtension, std::string& name)
{
    QFileDialog dialog(parent_, QString(), QString::fromStdString(name), QString::fromStdString(ToolkitFilter(filter)));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromStdString(defaultExtension));
    if (!name.empty())
        dialog.selectFile(QString::fromStdString(name));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    name = dialog.selectedFiles().front().toStdString();
    return true;
}

bool TQtViewerDialogs::AskOpenFileName(const std::string& filter, std::string& name)
{
    QString chosen = QFileDialog::getOpenFileName(
        parent_, QString(), QDir::currentPath(), QString::fromStdString(ToolkitFilter(filter)));
    if (chosen.isEmpty())
        return false;
    name = chosen.toStdString();
    return true;
}

bool TQtViewerDialogs::ChooseColour(TColor& colour)
{
    const QColor chosen = QColorDialog::getColor(ToQColor(colour), parent_);
    if (!chosen.isValid())
        return false;
    colour = FromQColor(chosen);
    return true;
}

bool TQtViewerDialogs::ChooseFont(TChartFont& font)
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, ToQFont(font), parent_);
    if (!ok)
        return false;
    font = FromQFont(chosen, font.Color);
    return true;
}

bool TQtViewerDialogs::OpenUrl(const std::string& url)
{
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

bool TQtViewerDialogs::EditNewFile(TNewFileValues& values)
{
    if (!newForm_)
        return false;
    newForm_->LoadFrom(values);
    if (newForm_->exec() != QDialog::Accepted)
        return false;
    values = newForm_->Values();
    return true;
}

} // namespace viewer
