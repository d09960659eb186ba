#include "setup/installlib/ui/translatorui.h"

#include "setup/installlib/languagefonts.h"
#include "setup/installlib/ui/translatecontrols.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QWidget>

namespace installlib {

namespace {

std::string toStd(const QString& s)
{
    return s.toStdString();
}
QString toQ(const std::string& s)
{
    return QString::fromStdString(s);
}

class Texts {
public:
    Texts(const TTranslator& translator, TQrleLanguage source)
        : t_(translator)
        , source_(source)
    {
    }

    // Only texts that are not blank are looked up.
    QString operator()(const QString& text) const
    {
        if (text.trimmed().isEmpty())
            return text;
        return toQ(t_.TranslateString(source_, toStd(text)));
    }

    QString memo(const QString& text) const
    {
        // A memo's lines, as a line list holds them: a final line break
        // ends the last line and starts no new one.
        QStringList split = text.split(QLatin1Char('\n'));
        if (text.endsWith(QLatin1Char('\n')))
            split.removeLast();
        std::vector<std::string> lines;
        for (const QString& line : split)
            lines.push_back(toStd(line));
        std::vector<std::string> result;
        t_.TranslateMemo(source_, lines, result);
        if (result == lines)
            return text;
        QStringList out;
        for (const auto& line : result)
            out << toQ(line);
        return out.join(QLatin1Char('\n'));
    }

private:
    const TTranslator& t_;
    TQrleLanguage source_;
};

void translateTexts(const Texts& tr, QWidget* w)
{
    if (w->isWindow())
        w->setWindowTitle(tr(w->windowTitle()));
    if (!w->toolTip().isEmpty())
        w->setToolTip(tr(w->toolTip()));
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (!label->text().isEmpty())
            label->setText(tr(label->text()));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(tr(button->text()));
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        group->setTitle(tr(group->title()));
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        for (int i = 0; i < combo->count(); ++i)
            combo->setItemText(i, tr(combo->itemText(i)));
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setText(tr(list->item(i)->text()));
    } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
        for (int i = 0; i < tabs->count(); ++i)
            tabs->setTabText(i, tr(tabs->tabText(i)));
    } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
        if (QTreeWidgetItem* header = tree->headerItem())
            for (int c = 0; c < header->columnCount(); ++c)
                header->setText(c, tr(header->text(c)));
    } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
        for (int c = 0; c < table->columnCount(); ++c)
            if (QTableWidgetItem* item = table->horizontalHeaderItem(c))
                item->setText(tr(item->text()));
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
        QString text = memo->toPlainText();
        QString translated = tr.memo(text);
        if (translated != text)
            memo->setPlainText(translated);
    }
}

// Returns true when the widget went by its GLID (and its texts are done).
template <class T> bool byGlid(const TTranslator& t, QWidget* w)
{
    auto* c = qobject_cast<T*>(w);
    if (!c)
        return false;
    if (c->GLID() > 0)
        c->setText(toQ(t.TranslateGLID(c->GLID(), toStd(c->text()))));
    return c->GLID() != 0;
}

void walk(const TTranslator& t, const Texts& tr, QWidget* w)
{
    if (!byGlid<TTranslateLabel>(t, w) && !byGlid<TTranslateBitBtn>(t, w))
        translateTexts(tr, w);
    for (QObject* child : w->children())
        if (auto* cw = qobject_cast<QWidget*>(child); cw && !cw->isWindow())
            walk(t, tr, cw);
}

// Repaints are held back while the texts change, so that the form does not
// flicker through half-translated states (and focus stays where it is).
class UpdatesHeld {
public:
    explicit UpdatesHeld(QWidget* w)
        : w_(w)
        , was_(w->updatesEnabled())
    {
        w_->setUpdatesEnabled(false);
    }
    ~UpdatesHeld() { w_->setUpdatesEnabled(was_); }

private:
    QWidget* w_;
    bool was_;
};

QString faceName(const std::string& face)
{
    QByteArray bytes = QByteArray::fromStdString(face);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString name = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : name;
}

double pointSize(const QFont& f)
{
    if (f.pointSizeF() > 0)
        return f.pointSizeF();
    return f.pixelSize() > 0 ? f.pixelSize() * 72.0 / 96.0 : 0;
}

void applyFontTree(QWidget* w, const TLanguage& language)
{
    QFont f = w->font();
    int charset;
    if (language.FontOverride) {
        AssignFont(f, language.Font);
        charset = language.Font.Charset;
    } else {
        TLanguageFontRule rule = LanguageFontRule(language.LanguageIdent());
        f.setFamily(faceName(rule.Face));
        if (pointSize(f) < rule.MinSize)
            f.setPointSize(rule.MinSize);
        charset = rule.Charset;
    }
    w->setFont(f);
    w->setProperty("fontCharset", charset);
    for (QObject* child : w->children())
        if (auto* cw = qobject_cast<QWidget*>(child); cw && !cw->isWindow())
            applyFontTree(cw, language);
}

class TargetSwap {
public:
    TargetSwap(TTranslator& t, TQrleLanguage target)
        : t_(t)
        , saved_(t.TranslateIntoLanguage)
    {
        t_.TranslateIntoLanguage = target;
    }
    ~TargetSwap() { t_.TranslateIntoLanguage = saved_; }

private:
    TTranslator& t_;
    TQrleLanguage saved_;
};

} // namespace

void AssignFont(QFont& target, const TFont& source)
{
    target.setFamily(faceName(source.Name));
    int size = source.Size();
    if (size > 0)
        target.setPointSize(size);
    target.setBold(source.Bold);
    target.setItalic(source.Italic);
    target.setUnderline(source.Underline);
    target.setStrikeOut(source.StrikeOut);
}

TQrleLanguage TranslateComponent(TTranslator& Translator, TQrleLanguage SourceLanguage, QWidget* Component)
{
    if (Component) {
        UpdatesHeld held(Component);
        walk(Translator, Texts(Translator, SourceLanguage), Component);
    }
    return Translator.ResultLanguage(SourceLanguage);
}

TQrleLanguage TranslateComponentInto(
    TTranslator& Translator, TQrleLanguage SourceLanguage, TQrleLanguage TargetLanguage, QWidget* Component)
{
    TargetSwap swap(Translator, TargetLanguage);
    return TranslateComponent(Translator, SourceLanguage, Component);
}

void ApplyFonts(TTranslator& Translator, QWidget* Control, bool KeepWithoutText)
{
    ApplyFontsInto(Translator, Translator.TranslateIntoLanguage, Control, KeepWithoutText);
}

void ApplyFontsInto(TTranslator& Translator, TQrleLanguage TargetLanguage, QWidget* Control, bool KeepWithoutText)
{
    if (!Control)
        return;
    if (const TLanguage* language = FontLanguage(Translator, TargetLanguage, KeepWithoutText))
        applyFontTree(Control, *language);
}

TQrleLanguage TranslateComponentTree(TQrleLanguage SourceLanguage, QWidget* Form)
{
    TTranslator* t = GlobalTranslator();
    return t ? TranslateComponent(*t, SourceLanguage, Form) : SourceLanguage;
}

TQrleLanguage TranslateComponentTree(TQrleLanguage SourceLanguage, TQrleLanguage TargetLanguage, QWidget* Form)
{
    TTranslator* t = GlobalTranslator();
    return t ? TranslateComponentInto(*t, SourceLanguage, TargetLanguage, Form) : SourceLanguage;
}

void ApplyLanguageFont(QWidget* Form, bool KeepWithoutText)
{
    if (TTranslator* t = GlobalTranslator())
        ApplyFonts(*t, Form, KeepWithoutText);
}

void ApplyLanguageFont(TQrleLanguage Language, QWidget* Form, bool KeepWithoutText)
{
    if (TTranslator* t = GlobalTranslator())
        ApplyFontsInto(*t, Language, Form, KeepWithoutText);
}

} // namespace installlib
