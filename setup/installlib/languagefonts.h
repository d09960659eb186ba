#pragma once

// Which font a form gets for a language: the character set, face and
// minimum size of each language, or the language's own font when it
// overrides them. Kept apart from the widgets so that it is tested without
// a window.

#include "setup/installlib/translator.h"

#include <cstdint>
#include <string>

namespace installlib {

struct TLanguageFontRule {
    std::uint8_t Charset = 0;
    std::string Face; // bytes in the language's code page
    int MinSize = 8; // points
};

// Raises Exception "Unrecognized language" for qgUser and values beyond
// qgVietnamese. Hebrew uses Arial (its Windows versions carry the Hebrew
// script) with a minimum of 8 points.
TLanguageFontRule LanguageFontRule(TQrleLanguage language);

// The language whose font settings apply for Target (qgUser mapped): null
// when there is none; English instead when it has no text lines and
// KeepWithoutText is false.
const TLanguage* FontLanguage(const TTranslator& translator, TQrleLanguage Target, bool KeepWithoutText);

// Sets Font as the language asks: a copy of its Font when FontOverride is
// set, else its character set, face and (when smaller) minimum size.
void ApplyLanguageFontTo(TFont& Font, const TLanguage& language);

} // namespace installlib
