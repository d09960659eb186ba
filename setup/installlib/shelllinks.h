#pragma once

// The program's shortcuts: a program-menu folder (a link group, type code
// 7000) and the links inside it (type code 8000). A link points at an
// installed file or folder of the script (ObjectLink) or at a path or address
// (ObjectLocation) and is made as a shortcut file, as an item of a Program
// Manager group (kinds of Windows without shortcut files), or as an internet
// shortcut (a LinkName ending in ".URL"). Each link made is written into the
// product's uninstall entry so that the uninstall program removes it.
//
// Links and groups are installed by the engine's type passes, after the
// files, so that an ObjectLink already knows whether it was installed.

#include "setup/installlib/installcontainer.h"
#include "setup/installlib/installerrors.h"
#include "setup/installlib/pathspecifiers.h"

#include <string>
#include <string_view>
#include <vector>

namespace installlib {

class IEInstallShellLink : public IException {
public:
    using IException::IException;
};
class IEShellLinkGroup : public IException {
public:
    using IException::IException;
};
class IEInstallShellLinkList : public IException {
public:
    using IException::IException;
};

enum TMethodType { mtAutoDetect, mtShellLinkInterface, mtProgramManager };

class TCustomShellLinkGroup : public TInstallObject {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TCustomShellLinkGroup(TComponent* Owner = nullptr);
    int RegisteredType() override;
    void ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO) override;
    // Records the folders its install created, for the uninstall program.
    void WriteUninstallInfo(std::string_view Key) override;

protected:
    void InstallStep() override;

private:
    std::vector<std::string> createdFolders_;
};

// The one program-menu folder of the product, always below the Programs folder.
class TMainLinkGroup : public TCustomShellLinkGroup {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TMainLinkGroup(TComponent* Owner = nullptr);
    ~TMainLinkGroup() override;
    // Only the shared TpsProgramMenu is taken; anything else does nothing.
    void SetDestDirType(TCustomPathSpecifier* Value) override;
};

TMainLinkGroup* MainLinkGroup();

class TCustomInstallShellLink : public TInstallObject {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TCustomInstallShellLink(TComponent* Owner = nullptr);
    ~TCustomInstallShellLink() override;

    TMethodType Method = mtAutoDetect;
    int HotKey = 0;
    std::string Parameters;

    const std::string& LinkName() const { return linkName_; }
    TInstallContainer* ObjectLink() const { return objectLink_; }
    const std::string& ObjectLocation() const { return objectLocation_; }
    TCustomPathSpecifier* ObjectLocationType() const { return objectLocationType_; }
    // The fields of the Program Manager item last made (cleared on each try).
    const std::vector<std::string>& ProgramManagerFields() const { return pmFields_; }

    virtual void InitializeCom();
    virtual void AddProgramManagerItem();
    virtual void CreateShellLinkFile();
    virtual void WriteInternetShortcut();
    virtual void SetLinkName(std::string_view Value);
    virtual void SetObjectLocation(std::string_view Value);
    virtual void SetObjectLocationType(TCustomPathSpecifier* Value);
    virtual void SetObjectLink(TInstallContainer* Value);
    virtual std::string GetObjectPath();

    bool IsInternetShortcut() const;
    // The link's destination path, a backslash and LinkName.
    std::string LinkFilePath();

    int RegisteredType() override;
    void ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO) override;
    void WriteUninstallInfo(std::string_view Key) override;
    void ContainerDestroyed(TInstallContainer* Obj) override;

protected:
    void InstallStep() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    // Raises when LinkName could not be a file name in the link's folder.
    void checkLinkName();
    // Whether this link's folder is a Program Manager group (a folder below the Programs folder).
    bool makesProgramManagerItem();

    bool comInitialised_ = false;
    std::vector<std::string> pmFields_;
    std::vector<std::string> createdFolders_; // by its install, for the uninstall entry
    std::string linkName_;
    TInstallContainer* objectLink_ = nullptr;
    std::string objectLocation_;
    TCustomPathSpecifier* objectLocationType_ = nullptr;
};

// A link in the product's program-menu folder.
class TInstallMainLink : public TCustomInstallShellLink {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TInstallMainLink(TComponent* Owner = nullptr);
    ~TInstallMainLink() override;
    void AfterConstruction() override;
    void SetContainer(TInstallContainer* Value) override;
    void SetDestDirType(TCustomPathSpecifier* Value) override;
};

// The path of the file or folder a link's ObjectLink names.
class TpsObjectLink : public TStandardPathSpecifier {
public:
    INSTALLLIB_CLASS_INFO()
    using TStandardPathSpecifier::TStandardPathSpecifier;
    std::string StandardName() const override;
    std::string Description() override;
    std::string ShortName() override;
    void Check(TComponent* Object) override;
    std::string Expand(TComponent* Object) override;
};

// The global lists of links and of main links (not owned).
const std::vector<TCustomInstallShellLink*>& ShellLinkList();
const std::vector<TCustomInstallShellLink*>& MainLinkList();

// Registers the link classes by name (library start-up).
void RegisterShellLinkClasses();

} // namespace installlib
