#pragma once

// The library's path macros (%a ... %w) and their expansion into real
// directories.
//
//   %a  the object's own directory      %b  the Programs folder
//   %c  the object's container's dir    %d  the Desktop
//   %f  the common-files directory      %i  the install engine's directory
//   %m  the Start Menu                  %p  the program-files directory
//   %s  the system directory            %w  the Windows directory
//   %%  a single "%"
//
// The install objects and the engine are built on this library, so they
// tell the expansion their directories through a TMetaVariableSource.

#include "setup/installlib/component.h"

#include <optional>
#include <string>
#include <string_view>

namespace installlib {

// %a or %c could not be expanded (no component, no container).
class EAICannotExpandContainerDirMV : public EAI {
public:
    using EAI::EAI;
};

// %i could not be expanded (no install engine).
class EAICannotExpandInstallDirMV : public EAI {
public:
    using EAI::EAI;
};

class TMetaVariableSource {
public:
    virtual ~TMetaVariableSource() = default;
    // The directory of the object itself, as the object reports it.
    virtual std::string ObjectDirectory(const TComponent& Component) const = 0;
    // The directory of the object's container; empty when it has none.
    virtual std::optional<std::string> ContainerDirectory(const TComponent& Component) const = 0;
    // The directory of the program's install engine; empty when there is none.
    virtual std::optional<std::string> InstallDirectory() const = 0;
};

// The source the expansion asks; null (the default) means there are no
// install objects and no engine. Not owned.
void SetMetaVariableSource(const TMetaVariableSource* Source);
const TMetaVariableSource* MetaVariableSource();

// Text with its macros replaced, scanned once from left to right: a letter
// in either case after "%" gives its directory without trailing backslash;
// an unknown letter is dropped with its "%", as is a "%" at the very end;
// replacements are not scanned again. Component may be null (then %a and %c
// raise EAICannotExpandContainerDirMV); %i without an engine raises
// EAICannotExpandInstallDirMV. The messages are translated.
std::string ExpandMetaVariables(std::string_view Text, const TComponent* Component);

} // namespace installlib
