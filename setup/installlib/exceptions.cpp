#include "setup/installlib/exceptions.h"

#include "setup/installlib/translator.h"

namespace installlib {

IException::IException(std::string_view message)
    : ECustomQuorleAbnormal(TranslateText(message))
{
}

IException::IException(std::string_view format, const FormatArgs& args)
    : ECustomQuorleAbnormal(TranslateFormat(format, args))
{
}

} // namespace installlib
