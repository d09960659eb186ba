#include "setup/installlib/pathmacros.h"

#include "setup/installlib/apiroutines.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/translator.h"

namespace installlib {

namespace {

const TMetaVariableSource* gSource = nullptr;

std::string macroDirectory(char letter, const TComponent* component)
{
    switch (letter) {
    case 'a':
        if (!component)
            throw EAICannotExpandContainerDirMV(
                TranslateText("Cannot expand the %a meta variable because the component is Nil"));
        return gSource ? gSource->ObjectDirectory(*component) : std::string();
    case 'b':
        return GetProgramsDir();
    case 'c': {
        if (!component)
            throw EAICannotExpandContainerDirMV(
                TranslateText("Cannot expand the %c meta variable because the component is Nil"));
        std::optional<std::string> dir = gSource ? gSource->ContainerDirectory(*component) : std::nullopt;
        if (!dir)
            throw EAICannotExpandContainerDirMV(
                TranslateText("Cannot expand the %c meta variable because the Container property is Nil"));
        return *dir;
    }
    case 'd':
        return GetDesktopDir();
    case 'f':
        return GetCommonFilesDir();
    case 'i': {
        std::optional<std::string> dir = gSource ? gSource->InstallDirectory() : std::nullopt;
        if (!dir)
            throw EAICannotExpandInstallDirMV(
                TranslateText("Cannot expand the %i meta variable because there is no TInstall component"));
        return *dir;
    }
    case 'm':
        return GetStartMenuDir();
    case 'p':
        return GetProgramFilesDir();
    case 's':
        return GetSystemDir();
    case 'w':
        return GetWindowsDir();
    default:
        return {};
    }
}

bool isMacroLetter(char c)
{
    switch (c) {
    case 'a':
    case 'b':
    case 'c':
    case 'd':
    case 'f':
    case 'i':
    case 'm':
    case 'p':
    case 's':
    case 'w':
        return true;
    default:
        return false;
    }
}

} // namespace

void SetMetaVariableSource(const TMetaVariableSource* Source)
{
    gSource = Source;
}

const TMetaVariableSource* MetaVariableSource()
{
    return gSource;
}

std::string ExpandMetaVariables(std::string_view Text, const TComponent* Component)
{
    std::string out;
    out.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i) {
        char c = Text[i];
        if (c != '%') {
            out += c;
            continue;
        }
        if (++i >= Text.size())
            break; // a "%" at the very end is dropped
        char next = Text[i];
        if (next == '%') {
            out += '%';
            continue;
        }
        char letter = (next >= 'A' && next <= 'Z') ? static_cast<char>(next - 'A' + 'a') : next;
        if (isMacroLetter(letter))
            out += RemoveBackslash(macroDirectory(letter, Component));
    }
    return out;
}

} // namespace installlib
