#pragma once

// Translating forms: the texts of a widget and of every widget inside it,
// and the fonts that suit the target language.
//
// The texts that count: window titles, label texts, button texts (push,
// check, radio and tool buttons), group box titles, tool tips, the items of
// list and combo boxes, the tab titles of tab widgets, the column titles of
// tree and table widgets, and the lines of plain-text memos (translated as
// one memo block). TTranslateLabel and TTranslateBitBtn go by their GLID.

#include "setup/installlib/translator.h"

class QWidget;
class QFont;

namespace installlib {

// Translates Component and every widget inside it that is not a window of
// its own from SourceLanguage into the translator's target language; returns
// the language the widgets are now in (the target when it has text lines,
// else SourceLanguage).
TQrleLanguage TranslateComponent(TTranslator& Translator, TQrleLanguage SourceLanguage, QWidget* Component);
// The same with the target language set to TargetLanguage for the call.
TQrleLanguage TranslateComponentInto(
    TTranslator& Translator, TQrleLanguage SourceLanguage, TQrleLanguage TargetLanguage, QWidget* Component);

// Sets the fonts of Control and the widgets inside it for the target
// language (see languagefonts.h). The character set, which Qt fonts do not
// carry, is kept in each widget's "fontCharset" property.
void ApplyFonts(TTranslator& Translator, QWidget* Control, bool KeepWithoutText);
void ApplyFontsInto(TTranslator& Translator, TQrleLanguage TargetLanguage, QWidget* Control, bool KeepWithoutText);

// The same on the global translator; without one the texts and fonts stay
// and SourceLanguage is returned.
TQrleLanguage TranslateComponentTree(TQrleLanguage SourceLanguage, QWidget* Form);
TQrleLanguage TranslateComponentTree(TQrleLanguage SourceLanguage, TQrleLanguage TargetLanguage, QWidget* Form);
void ApplyLanguageFont(QWidget* Form, bool KeepWithoutText);
void ApplyLanguageFont(TQrleLanguage Language, QWidget* Form, bool KeepWithoutText);

// A TFont's face and size on a Qt font (the face is read as UTF-8, else
// byte for byte).
void AssignFont(QFont& target, const TFont& source);

} // namespace installlib
