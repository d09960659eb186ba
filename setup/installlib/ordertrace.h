#pragma once

// The two order trace files in the Windows directory, "QrleCompressOrder.txt"
// and "QrleInstallOrder.txt": one line per container and per file, in the
// order the tree was worked. They are only ever appended to; nothing reads
// them, so a failure to write one is ignored.

#include <string>
#include <string_view>

namespace installlib {

enum class TOrderTrace { Compress, Install };

// The file's full path in the Windows directory.
std::string OrderTraceFile(TOrderTrace Trace);

// Adds Line and a line break at the end of the file (made when missing).
void AppendOrderTrace(TOrderTrace Trace, std::string_view Line);

// "FILECONTAINER: <Description>"
void TraceContainerOrder(TOrderTrace Trace, std::string_view Description);
// "CompName: <Name>, File: <FileName>"
void TraceFileOrder(TOrderTrace Trace, std::string_view ComponentName, std::string_view FileName);

} // namespace installlib
