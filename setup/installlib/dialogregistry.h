#pragma once

// The registries that tie dialog form classes to the dialog components of
// the install script. A form unit registers its class with no dialog; the
// dialog component's unit takes that entry out again, and every component
// then registers (its form class, itself). So a page whose component class
// is present is shown once per component, and a page without one through
// its own entry, for the manager its form names.
//
//   TFormEntry* entry = RegisterInstallForm(TWelcomeForm::StaticClass(), nullptr, 0);
//   ...
//   UnregisterInstallForm(entry);

#include "setup/installlib/classes.h"

#include <memory>
#include <vector>

namespace installlib {

class TCustomBaseInstallDlg;
class TDialogManager;

enum TManagerType : int {
    dmBeforeInstall,
    dmAfterGoodInstall,
    dmAfterBadInstall,
    dmDuringCopyFiles,
    dmChangeDisk,
    dmReboot,
};

// One form class with the dialog component it is shown for (null: shown
// for the manager the form itself names).
struct TFormEntry {
    const TMetaClass* FormClass = nullptr;
    TCustomBaseInstallDlg* Dialog = nullptr;
    int Reserved = 0; // always 0
};
using TBIFEntry = TFormEntry;
using TDCFEntry = TFormEntry;

// A list of entries it owns, in registration order.
class TFormEntryList {
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    TFormEntry* Items(int Index) const { return entries_.at(static_cast<std::size_t>(Index)).get(); }
    TFormEntry* Add(const TMetaClass& FormClass, TCustomBaseInstallDlg* Dialog, int Reserved);
    // Takes the entry out and frees it; one that is not there is no fault.
    void Remove(TFormEntry* Entry);
    // Takes out every entry naming Dialog.
    void RemoveDialog(const TCustomBaseInstallDlg* Dialog);

private:
    std::vector<std::unique_ptr<TFormEntry>> entries_;
};

// Wizard pages. Made on the first registration.
TFormEntry* RegisterInstallForm(const TMetaClass& FormClass, TCustomBaseInstallDlg* Dialog, int Reserved);
void UnregisterInstallForm(TFormEntry* Entry);
// Null until the first registration.
TFormEntryList* BIFList();
// Entry Index of the page list; raises Exception for no list, an index
// outside it or an empty entry.
TFormEntry& BIFListEntry(int Index);

// Forms shown while files are copied.
TFormEntry* RegisterCopyForm(const TMetaClass& FormClass, TCustomBaseInstallDlg* Dialog, int Reserved);
void UnregisterCopyForm(TFormEntry* Entry);
TFormEntryList* DCFList();

// Change-disk forms: the library registers none.
TFormEntryList& ChangeDiskFormList();

// Empties all three lists (library shut-down, tests).
void ClearDialogRegistries();

// The manager whose wizard or change-disk form is being built or shown.
TDialogManager* CurrentDialogManager();
void SetCurrentDialogManager(TDialogManager* Manager);

// The first dialog manager of that type, in the install-container registry's
// order, whose Container is the engine; null when none.
TDialogManager* FindDialogManager(TManagerType Type);

} // namespace installlib
