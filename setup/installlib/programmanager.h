#pragma once

// TProgramManager: the client of the Program Manager's "PROGMAN" service. It
// makes program groups and items for links on kinds of Windows without shell
// shortcuts, and lists the existing groups for the program folder page. The
// conversation goes to the current emulated machine's Program Manager
// (platform/win/progman.h), opened on first use and kept until the object goes.

#include "setup/installlib/component.h"
#include "setup/installlib/exceptions.h"

#include <memory>
#include <string>
#include <vector>

namespace win {
class ProgramManager;
}

namespace installlib {

class EAIPMError : public EAI {
public:
    EAIPMError();

protected:
    explicit EAIPMError(std::string message);
};

class EAIPMCannotOpen : public EAIPMError {
public:
    EAIPMCannotOpen();
};

class EAIPMCannotOpenGroup : public EAIPMError {
public:
    explicit EAIPMCannotOpenGroup(std::string Group);
    std::string Group;
};

class EAIPMCannotCreateGroup : public EAIPMError {
public:
    explicit EAIPMCannotCreateGroup(std::string Group);
    std::string Group;
};

class EAIPMCannotAddItem : public EAIPMError {
public:
    EAIPMCannotAddItem(std::string Group, std::string Item, std::string Macro);
    std::string Group, Item, Macro;
};

class EAIPMCannotReplaceItem : public EAIPMError {
public:
    EAIPMCannotReplaceItem(std::string Group, std::string Item);
    std::string Group, Item;
};

class TProgramManager : public TComponent {
public:
    explicit TProgramManager(TComponent* Owner = nullptr);
    ~TProgramManager() override;

    bool Connected() const { return connected_; }
    void ConnectProgramManager();
    void CreateGroup(const std::string& Name);
    void SelectGroup(const std::string& Name);
    void GetGroups(std::vector<std::string>& List);
    void AddItem(const std::string& CommandLine, const std::string& Name, const std::string& IconPath, int IconIndex,
        const std::string& WorkingDirectory, const std::string& HotKey);
    void ReplaceItem(const std::string& Name);
    int ItemCount();
    std::string ItemField(int Index, int Field);
    int FindItem(const std::string& Name);
    const std::string& CurrentGroup() const { return group_; }

private:
    bool execute(const std::string& Macro);
    std::string request(const std::string& Item);

    bool connected_ = false;
    std::unique_ptr<win::ProgramManager> conversation_;
    std::string group_;
    std::vector<std::string> lines_;
};

// The one global instance (made at library start-up); made on first use here.
TProgramManager& ProgramManager();
void FreeProgramManager();

} // namespace installlib
