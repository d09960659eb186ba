#include "setup/installlib/dialogregistry.h"

#include "setup/installlib/dialogmanager.h"
#include "setup/installlib/exceptions.h"
#include "setup/installlib/installlibrary.h"

#include <algorithm>

namespace installlib {

namespace {

std::unique_ptr<TFormEntryList>& bifList()
{
    static std::unique_ptr<TFormEntryList> list;
    return list;
}

std::unique_ptr<TFormEntryList>& dcfList()
{
    static std::unique_ptr<TFormEntryList> list;
    return list;
}

TDialogManager*& currentManager()
{
    static TDialogManager* manager = nullptr;
    return manager;
}

} // namespace

TFormEntry* TFormEntryList::Add(const TMetaClass& FormClass, TCustomBaseInstallDlg* Dialog, int Reserved)
{
    entries_.push_back(std::make_unique<TFormEntry>(TFormEntry { &FormClass, Dialog, Reserved }));
    return entries_.back().get();
}

void TFormEntryList::Remove(TFormEntry* Entry)
{
    std::erase_if(entries_, [&](const std::unique_ptr<TFormEntry>& e) { return e.get() == Entry; });
}

void TFormEntryList::RemoveDialog(const TCustomBaseInstallDlg* Dialog)
{
    std::erase_if(entries_, [&](const std::unique_ptr<TFormEntry>& e) { return e->Dialog == Dialog; });
}

TFormEntry* RegisterInstallForm(const TMetaClass& FormClass, TCustomBaseInstallDlg* Dialog, int Reserved)
{
    if (!bifList())
        bifList() = std::make_unique<TFormEntryList>();
    return bifList()->Add(FormClass, Dialog, Reserved);
}

void UnregisterInstallForm(TFormEntry* Entry)
{
    if (bifList())
        bifList()->Remove(Entry);
}

TFormEntryList* BIFList()
{
    return bifList().get();
}

TFormEntry& BIFListEntry(int Index)
{
    TFormEntryList* list = BIFList();
    if (!list)
        throw Exception(TranslateFormat("The BIFList is NIL", {}));
    if (Index < 0 || Index >= list->Count())
        throw Exception(TranslateFormat("%d is an invalid index in the BIFList", { Index }));
    TFormEntry* entry = list->Items(Index);
    if (!entry)
        throw Exception(TranslateFormat("The %d 'th entry in the BIFList is NIL", { Index }));
    return *entry;
}

TFormEntry* RegisterCopyForm(const TMetaClass& FormClass, TCustomBaseInstallDlg* Dialog, int Reserved)
{
    if (!dcfList())
        dcfList() = std::make_unique<TFormEntryList>();
    return dcfList()->Add(FormClass, Dialog, Reserved);
}

void UnregisterCopyForm(TFormEntry* Entry)
{
    if (dcfList())
        dcfList()->Remove(Entry);
}

TFormEntryList* DCFList()
{
    return dcfList().get();
}

TFormEntryList& ChangeDiskFormList()
{
    static TFormEntryList list;
    return list;
}

void ClearDialogRegistries()
{
    bifList().reset();
    dcfList().reset();
    ChangeDiskFormList() = TFormEntryList();
    currentManager() = nullptr;
}

TDialogManager* CurrentDialogManager()
{
    return currentManager();
}

void SetCurrentDialogManager(TDialogManager* Manager)
{
    currentManager() = Manager;
}

TDialogManager* FindDialogManager(TManagerType Type)
{
    TInstallContainerList* registry = InstallContainerListIfStarted();
    TInstallContainer* engine = InstallEngineContainer();
    if (!registry || !engine)
        return nullptr;
    for (TInstallContainer* object : registry->All()) {
        auto* manager = dynamic_cast<TDialogManager*>(object);
        if (manager && manager->ManagerType == Type && manager->Container() == engine)
            return manager;
    }
    return nullptr;
}

} // namespace installlib
