#pragma once

// TCustomInstallGroup (published as TInstallGroup): a file container the
// user sees as a group of the product, with options that describe it to a
// component-selection page. A group sits under the engine or under another
// group, and stands before directories and files in its container's walk
// (type code 500).

#include "setup/installlib/filecontainer.h"

#include <string>
#include <string_view>
#include <vector>

namespace installlib {

// How a component-selection page shows a group. Nothing in the library
// reads these; they are carried and streamed.
class TInstallGroupDialogOptions {
public:
    bool AllowChangeDir = true;
    bool AllowExcludeInclude = true;
    std::vector<std::string> Description;
    bool DisplayDirectory = true;
    // The icon's data as stored; empty when none.
    std::string SmallIcon;

    // Copies every option.
    void Assign(const TInstallGroupDialogOptions& Source) { *this = Source; }
};

class TCustomInstallGroup : public TFileContainer {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TCustomInstallGroup(TComponent* Owner = nullptr);

    const TInstallGroupDialogOptions& DialogOptions() const { return dialogOptions_; }
    // Assigned by copying.
    void SetDialogOptions(const TInstallGroupDialogOptions& Value) { dialogOptions_.Assign(Value); }

    int RegisteredType() override;
    // Only the engine or another group may contain a group
    // (IEInstallGroup); null becomes the engine when there is one.
    void SetContainer(TInstallContainer* Value) override;

private:
    TInstallGroupDialogOptions dialogOptions_;
};

class TInstallGroup : public TCustomInstallGroup {
public:
    INSTALLLIB_CLASS_INFO()
    using TCustomInstallGroup::TCustomInstallGroup;
};

} // namespace installlib
