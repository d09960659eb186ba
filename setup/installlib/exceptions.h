#pragma once

// The install library's exception classes. Every class carries only its
// message text. Install-object errors (IException and its IE... classes)
// translate their message before it is stored, so the code writes English
// and the user reads the interface language.

#include "setup/installlib/format.h"

#include <exception>
#include <string>
#include <string_view>

namespace installlib {

// The toolchain's base exception: a message and nothing else.
class Exception : public std::exception {
public:
    explicit Exception(std::string message)
        : message_(std::move(message))
    {
    }
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const { return message_; }

protected:
    std::string message_;
};

// The silent abort: ends the current step without an error box.
class EAbort : public Exception {
public:
    EAbort()
        : Exception("Operation aborted")
    {
    }
    using Exception::Exception;
};

// A conversion (number text, format string) that does not fit.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Install errors; base of the user abort and of the path-macro errors.
class EAI : public Exception {
public:
    using Exception::Exception;
};

// The user cancelled the installation. Its text is fixed and never translated.
class EAIUserAbort : public EAI {
public:
    EAIUserAbort()
        : EAI("Installation aborted by the user")
    {
    }
};

// Base of the library's internal errors.
class ECustomQuorleAbnormal : public Exception {
public:
    using Exception::Exception;
};

class EQuorleAbnormal : public ECustomQuorleAbnormal {
public:
    using ECustomQuorleAbnormal::ECustomQuorleAbnormal;
};

// Errors of the Windows queries (kind of Windows, directories, temporary files).
class EAPIRoutines : public EQuorleAbnormal {
public:
    using EQuorleAbnormal::EQuorleAbnormal;
};

// Archive errors.
class EQrleCompress : public EQuorleAbnormal {
public:
    using EQuorleAbnormal::EQuorleAbnormal;
};

class EqcDiskFull : public EQrleCompress {
public:
    using EQrleCompress::EQrleCompress;
};

class EqcAborted : public EQrleCompress {
public:
    using EQrleCompress::EQrleCompress;
};

// Base of every install-object error. Both constructors translate: the
// first the message, the second the format string, which is then formatted
// with the arguments (the English format is used when a translation does
// not fit the arguments).
class IException : public ECustomQuorleAbnormal {
public:
    explicit IException(std::string_view message);
    IException(std::string_view format, const FormatArgs& args);
};

} // namespace installlib
