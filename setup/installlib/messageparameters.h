#pragma once

// The objects an information code carries. The sender makes them and frees
// them after the call returns; a receiver may change the fields meant for it
// (the path of the next disk) but never keeps the object.

#include "setup/installlib/classes.h"
#include "setup/installlib/qrlecompress.h"

#include <cstdint>
#include <string>
#include <vector>

namespace installlib {

// round(Done / Total x 100) kept within 0..100; 0 when Total is not positive.
int SafePercent(std::int64_t Done, std::int64_t Total);

// A plain list of objects, not owned: the two-entry list of the file codes
// holds the sending install file and the parameter object.
class TList : public TObject {
public:
    INSTALLLIB_CLASS_INFO()
    TList() = default;
    TList(std::initializer_list<TObject*> Entries)
        : Items(Entries)
    {
    }
    int Count() const { return static_cast<int>(Items.size()); }
    std::vector<TObject*> Items;
};

// -974: the status line to push.
class TMessageParameter : public TObject {
public:
    INSTALLLIB_CLASS_INFO()
    TMessageParameter() = default;
    explicit TMessageParameter(std::string Text)
        : StatusText(std::move(Text))
    {
    }
    std::string StatusText;
};

// -993, 1011: the volume needed and where it is looked for.
class TDiskParameter : public TObject {
public:
    INSTALLLIB_CLASS_INFO()
    int DiskNumber = 0;
    std::string Path; // a handler may change it
};

// -998, 1008-1010, 1015, 1016: progress of one file and of the work around it.
class TFileStatusParameter : public TObject {
public:
    INSTALLLIB_CLASS_INFO()
    std::int32_t FileBytesDone = 0;
    std::int32_t FilePercent = 0;
    std::string FileName; // the install file's FileName
    TlzhFileStats FileStats; // copy of the archive component's record
    // The sending file puts the record's totals; each container on the chain
    // puts its own before it passes the parameter on.
    std::int32_t TotalBytesDone = 0;
    std::int32_t TotalPercent = 0;
};

// -988, 1014: progress of a download.
class TDownloadStatusParameter : public TObject {
public:
    INSTALLLIB_CLASS_INFO()
    TDownloadStatusParameter() = default;
    // Percent is taken from the counts.
    TDownloadStatusParameter(std::int32_t BlockBytes, std::string File, std::int32_t Size, std::int32_t Received);
    std::int32_t Bytes = 0; // of this block
    std::string FileName;
    std::int32_t FileSize = 0;
    std::int32_t BytesReceived = 0;
    std::int32_t Percent = 0;
};

} // namespace installlib
