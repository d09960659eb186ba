#include "setup/installlib/programmanager.h"

#include "platform/win/machine.h"
#include "platform/win/progman.h"
#include "setup/installlib/format.h"
#include "setup/installlib/translator.h"

namespace installlib {

EAIPMError::EAIPMError()
    : EAI(TranslateText("The TProgramManager object was unable to communicate with Program Manager"))
{
}

EAIPMError::EAIPMError(std::string message)
    : EAI(std::move(message))
{
}

EAIPMCannotOpen::EAIPMCannotOpen()
    : EAIPMError(TranslateText("The TProgramManager object was unable to establish a link with Program Manager"))
{
}

EAIPMCannotOpenGroup::EAIPMCannotOpenGroup(std::string G)
    : EAIPMError(TranslateText("The TProgramManager object was unable to open the following program group: ") + G)
    , Group(std::move(G))
{
}

EAIPMCannotCreateGroup::EAIPMCannotCreateGroup(std::string G)
    : EAIPMError(TranslateText("The TProgramManager object was unable to create the following program group: ") + G)
    , Group(std::move(G))
{
}

EAIPMCannotAddItem::EAIPMCannotAddItem(std::string G, std::string I, std::string M)
    : EAIPMError(TranslateText("The TProgramManager object was unable to add the following program item: ") + I
        + Format(TranslateText(" to the following group: %s. The arguments passed to ")
                + TranslateText(" Program Manager were: %s"),
            { G, M }))
    , Group(std::move(G))
    , Item(std::move(I))
    , Macro(std::move(M))
{
}

EAIPMCannotReplaceItem::EAIPMCannotReplaceItem(std::string G, std::string I)
    : EAIPMError(Format(TranslateText("The TProgramManager object was unable to replace the following program item: %s")
            + TranslateText(" to the following group: %s"),
        { I, G }))
    , Group(std::move(G))
    , Item(std::move(I))
{
}

TProgramManager::TProgramManager(TComponent* Owner)
    : TComponent(Owner)
{
}

TProgramManager::~TProgramManager() = default;

void TProgramManager::ConnectProgramManager()
{
    if (connected_)
        return;
    if (!win::Machine::hasCurrent())
        throw EAIPMCannotOpen();
    auto conversation = std::make_unique<win::ProgramManager>(win::Machine::current());
    if (!conversation->running())
        throw EAIPMCannotOpen();
    conversation_ = std::move(conversation);
    connected_ = true;
}

bool TProgramManager::execute(const std::string& Macro)
{
    return conversation_->execute(Macro);
}

std::string TProgramManager::request(const std::string& Item)
{
    return conversation_->request(Item).value_or(std::string());
}

void TProgramManager::CreateGroup(const std::string& Name)
{
    ConnectProgramManager();
    if (Name.empty())
        return;
    if (!execute("[CreateGroup(\"" + Name + "\")]"))
        throw EAIPMCannotCreateGroup(Name);
    SelectGroup(Name);
}

void TProgramManager::SelectGroup(const std::string& Name)
{
    ConnectProgramManager();
    group_.clear();
    lines_.clear();
    const std::string reply = request(Name);
    if (reply.empty())
        return;
    size_t start = 0;
    while (start < reply.size()) {
        size_t end = reply.find("\r\n", start);
        if (end == std::string::npos)
            end = reply.size();
        lines_.push_back(reply.substr(start, end - start));
        start = end + 2;
    }
    group_ = Name;
}

void TProgramManager::GetGroups(std::vector<std::string>& List)
{
    ConnectProgramManager();
    List.clear();
    const std::string reply = request("Groups");
    size_t start = 0;
    while (start < reply.size()) {
        size_t end = reply.find("\r\n", start);
        if (end == std::string::npos)
            end = reply.size();
        List.push_back(reply.substr(start, end - start));
        start = end + 2;
    }
}

void TProgramManager::AddItem(const std::string& CommandLine, const std::string& Name, const std::string& IconPath,
    int IconIndex, const std::string& WorkingDirectory, const std::string& HotKey)
{
    ConnectProgramManager();
    if (group_.empty())
        return;
    const std::string group = group_;
    if (!execute("[ShowGroup(" + group + ",8)]"))
        throw EAIPMCannotOpenGroup(group);
    const std::string macro = "[AddItem(" + CommandLine + "," + Name + "," + IconPath + "," + std::to_string(IconIndex)
        + ",,," + WorkingDirectory + "," + HotKey + ")]";
    if (!execute(macro))
        throw EAIPMCannotAddItem(group, Name, macro);
    SelectGroup(group);
}

void TProgramManager::ReplaceItem(const std::string& Name)
{
    ConnectProgramManager();
    if (group_.empty())
        return;
    const std::string group = group_;
    if (!execute("[ShowGroup(" + group + ",8)]"))
        throw EAIPMCannotOpenGroup(group);
    if (!execute("[ReplaceItem(\"" + Name + "\")]"))
        throw EAIPMCannotReplaceItem(group, Name);
    SelectGroup(group);
}

int TProgramManager::ItemCount()
{
    return lines_.size() < 2 ? 0 : int(lines_.size()) - 1;
}

std::string TProgramManager::ItemField(int Index, int Field)
{
    if (Index <= 0 || Index >= int(lines_.size()))
        return {};
    const std::string& line = lines_[size_t(Index)];
    std::string field;
    int n = 1;
    size_t start = 0;
    for (;;) {
        const size_t comma = line.find(',', start);
        if (n == Field) {
            field = line.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            break;
        }
        if (comma == std::string::npos)
            return {};
        start = comma + 1;
        ++n;
    }
    if (!field.empty() && field.front() == '"')
        field.erase(0, 1);
    if (!field.empty() && field.back() == '"')
        field.pop_back();
    return field;
}

int TProgramManager::FindItem(const std::string& Name)
{
    for (int i = 1; i <= ItemCount(); ++i)
        if (ItemField(i, 1) == Name)
            return i;
    return -1;
}

namespace {
std::unique_ptr<TProgramManager>& globalProgramManager()
{
    static std::unique_ptr<TProgramManager> instance;
    return instance;
}
} // namespace

TProgramManager& ProgramManager()
{
    auto& instance = globalProgramManager();
    if (!instance)
        instance = std::make_unique<TProgramManager>();
    return *instance;
}

void FreeProgramManager()
{
    globalProgramManager().reset();
}

} // namespace installlib
