#include "setup/installlib/classes.h"

#include "setup/installlib/component.h"

#include <strings.h>
#include <vector>

namespace installlib {

namespace {

bool sameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::vector<const TMetaClass*>& registeredClasses()
{
    static std::vector<const TMetaClass*> classes;
    return classes;
}

} // namespace

TMetaClass::TMetaClass(std::string_view Name, const TMetaClass* Parent, Factory Create)
    : name_(Name)
    , parent_(Parent)
    , create_(Create)
{
}

bool TMetaClass::InheritsFrom(const TMetaClass& Other) const
{
    for (const TMetaClass* c = this; c; c = c->parent_)
        if (c == &Other)
            return true;
    return false;
}

bool TMetaClass::InheritsFrom(std::string_view ClassName) const
{
    for (const TMetaClass* c = this; c; c = c->parent_)
        if (sameText(c->name_, ClassName))
            return true;
    return false;
}

TComponent* TMetaClass::Create(TComponent* Owner) const
{
    if (!create_)
        throw EComponentError(TranslateFormat("Cannot create an instance of the class %s", { name_ }));
    return FinishConstruction(create_(Owner));
}

const TMetaClass& TObject::StaticClass()
{
    static const TMetaClass meta("TObject", nullptr);
    return meta;
}

void RegisterClass(const TMetaClass& Class)
{
    const TMetaClass* known = FindClass(Class.Name());
    if (known == &Class)
        return;
    if (known)
        throw EComponentError(TranslateFormat("A class named %s is already registered", { Class.Name() }));
    registeredClasses().push_back(&Class);
}

const TMetaClass* FindClass(std::string_view Name)
{
    for (const TMetaClass* c : registeredClasses())
        if (sameText(c->Name(), Name))
            return c;
    return nullptr;
}

int RegisteredClassNumber(const TMetaClass& Class)
{
    const auto& classes = registeredClasses();
    for (std::size_t i = 0; i < classes.size(); ++i)
        if (classes[i] == &Class)
            return static_cast<int>(i) + 1;
    return 0;
}

} // namespace installlib
