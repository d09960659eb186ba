#include "setup/installlib/ordertrace.h"

#include "platform/win/file.h"
#include "platform/win/machine.h"
#include "setup/installlib/apiroutines.h"
#include "setup/installlib/format.h"
#include "setup/installlib/routines.h"

namespace installlib {

std::string OrderTraceFile(TOrderTrace Trace)
{
    return AddBackslash(GetWindowsDir())
        + (Trace == TOrderTrace::Compress ? "QrleCompressOrder.txt" : "QrleInstallOrder.txt");
}

void AppendOrderTrace(TOrderTrace Trace, std::string_view Line)
{
    try {
        if (!win::Machine::hasCurrent())
            return;
        win::Machine& machine = win::Machine::current();
        win::File file;
        if (!file.open(machine, OrderTraceFile(Trace), win::GENERIC_READ | win::GENERIC_WRITE, win::FILE_SHARE_READ,
                win::OPEN_ALWAYS))
            return;
        std::string text;
        // A file whose last line has no break (edited by hand) gets one first,
        // so the new line stays a line of its own.
        const std::int64_t size = file.size();
        if (size > 0 && file.seek(size - 1, win::FILE_BEGIN) >= 0) {
            char last = 0;
            std::uint32_t done = 0;
            if (file.read(&last, 1, done) && done == 1 && last != '\n')
                text = "\r\n";
        }
        text.append(Line);
        text.append("\r\n");
        if (file.seek(0, win::FILE_END) < 0)
            return;
        std::uint32_t written = 0;
        file.write(text.data(), static_cast<std::uint32_t>(text.size()), written);
    } catch (const std::exception&) {
        // Nothing reads the traces; a missing Windows directory must not stop the work.
    }
}

void TraceContainerOrder(TOrderTrace Trace, std::string_view Description)
{
    AppendOrderTrace(Trace, Format("FILECONTAINER: %s", { Description }));
}

void TraceFileOrder(TOrderTrace Trace, std::string_view ComponentName, std::string_view FileName)
{
    AppendOrderTrace(Trace, Format("CompName: %s, File: %s", { ComponentName, FileName }));
}

} // namespace installlib
