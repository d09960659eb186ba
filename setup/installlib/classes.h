#pragma once

// Run-time class information for the install library: every object knows its
// class, a class knows its parent, and the classes a stored install script
// may name are registered by name. Registration is explicit (the library's
// start-up calls the Register... routines), so nothing depends on the order
// in which static objects are made.

#include <string>
#include <string_view>

namespace installlib {

class TComponent;

class TMetaClass {
public:
    using Factory = TComponent* (*)(TComponent* Owner);

    // Parent is null only for TObject. Create is null for a class that cannot
    // be made on its own.
    TMetaClass(std::string_view Name, const TMetaClass* Parent, Factory Create = nullptr);
    TMetaClass(const TMetaClass&) = delete;
    TMetaClass& operator=(const TMetaClass&) = delete;

    const std::string& Name() const { return name_; }
    const TMetaClass* Parent() const { return parent_; }
    // True when this is Other or derives from it.
    bool InheritsFrom(const TMetaClass& Other) const;
    // The same by class name, compared without case; lets a unit test for a
    // class it cannot include.
    bool InheritsFrom(std::string_view ClassName) const;
    bool CanCreate() const { return create_ != nullptr; }
    // Raises EComponentError for a class without a factory.
    TComponent* Create(TComponent* Owner) const;

private:
    std::string name_;
    const TMetaClass* parent_;
    Factory create_;
};

class TObject {
public:
    virtual ~TObject() = default;
    static const TMetaClass& StaticClass();
    virtual const TMetaClass& ClassType() const { return StaticClass(); }
    const std::string& ClassName() const { return ClassType().Name(); }
    bool InheritsFrom(const TMetaClass& Class) const { return ClassType().InheritsFrom(Class); }
    bool InheritsFrom(std::string_view ClassName) const { return ClassType().InheritsFrom(ClassName); }
};

// True when Object is not null and is of that class or derives from it.
inline bool ObjectIs(const TObject* Object, std::string_view ClassName)
{
    return Object && Object->InheritsFrom(ClassName);
}

// Makes a class known by name. Registering a class again does nothing; a
// different class under a name already registered raises EComponentError.
void RegisterClass(const TMetaClass& Class);
// The registered class of that name (without case), or null.
const TMetaClass* FindClass(std::string_view Name);
// The position of a registered class in registration order, from 1; 0 when
// it is not registered.
int RegisteredClassNumber(const TMetaClass& Class);

} // namespace installlib

// In a class body: the class information of the class.
#define INSTALLLIB_CLASS_INFO()                                                                                        \
    static const ::installlib::TMetaClass& StaticClass();                                                              \
    const ::installlib::TMetaClass& ClassType() const override                                                         \
    {                                                                                                                  \
        return StaticClass();                                                                                          \
    }

// In a source file: the class information of a class that cannot be made by name.
#define INSTALLLIB_DEFINE_CLASS(Class, Parent)                                                                         \
    const ::installlib::TMetaClass& Class::StaticClass()                                                               \
    {                                                                                                                  \
        static const ::installlib::TMetaClass meta(#Class, &Parent::StaticClass());                                    \
        return meta;                                                                                                   \
    }

// In a source file: the class information of a component that a stored
// script can make by name (the class takes the owner as its only argument).
#define INSTALLLIB_DEFINE_COMPONENT_CLASS(Class, Parent)                                                               \
    const ::installlib::TMetaClass& Class::StaticClass()                                                               \
    {                                                                                                                  \
        static const ::installlib::TMetaClass meta(#Class, &Parent::StaticClass(),                                     \
            [](::installlib::TComponent* Owner) -> ::installlib::TComponent* { return new Class(Owner); });            \
        return meta;                                                                                                   \
    }
