#include "setup/installlib/informationchain.h"

#include "setup/installlib/typecodes.h"

namespace installlib {

bool IsInstallFile(const TObject* Object)
{
    return ObjectIs(Object, "TCustomInstallFile");
}

namespace {

bool needsParameter(int Code)
{
    switch (Code) {
    case icFileInUse:
    case icInstallProgress:
    case icCompressProgress:
    case icCopyProgress:
    case icNewDisk:
    case icDataReceived:
    case icFileInstallAborted:
    case icFileKept:
        return true;
    default:
        return false;
    }
}

} // namespace

TList& TInformationChain::listOf(TObject* PO)
{
    auto* list = dynamic_cast<TList*>(PO);
    if (!list)
        throw IEFileContainer("DoInformationEventControl--PO is not a TList object");
    if (list->Count() < 2)
        throw IEFileContainer("DoInformationEventControl--Not engouh parameters for status event");
    return *list;
}

void TInformationChain::HandleInformationCode(TInstallObject* Sender, int Code, TObject* PO)
{
    if (BusyState == bsIdle)
        return;
    if (needsParameter(Code) && !PO)
        throw IEFileContainer("%s got a nil PO parameter", { chainContainer_.Name() });

    switch (Code) {
    case icFileInUse: {
        if (!IsInstallFile(PO))
            throw IEFileContainer("DoInformationEventControl parameter is not TInstallFile");
        ReplaceStep(*static_cast<TInstallObject*>(PO));
        break;
    }
    case icInstallProgress:
    case icCompressProgress:
    case icCopyProgress: {
        TList& list = listOf(PO);
        if (!IsInstallFile(list.Items[0]))
            throw IEFileContainer("DoInformationEventControl says bad first parameter");
        auto* status = dynamic_cast<TFileStatusParameter*>(list.Items[1]);
        if (!status)
            throw IEFileContainer("DoInformationEventControl says bad second parameter");
        progress(*static_cast<TInstallObject*>(list.Items[0]), *status);
        break;
    }
    case icNewDisk: {
        TList& list = listOf(PO);
        if (!IsInstallFile(list.Items[0]))
            throw IEFileContainer("DoInformationEventControl says bad %d parameter", { 1 });
        auto* disk = dynamic_cast<TDiskParameter*>(list.Items[1]);
        if (!disk)
            throw IEFileContainer("DoInformationEventControl says bad %d parameter", { 2 });
        NewDiskStep(*static_cast<TInstallObject*>(list.Items[0]), *disk);
        chainContainer_.Broadcast(icNextDiskNeeded, &list);
        break;
    }
    case icDataReceived: {
        auto* download = dynamic_cast<TDownloadStatusParameter*>(PO);
        if (!download)
            throw IEFileContainer(
                "The PO object passed to %s is not a TDownloadStatusParameter object", { chainContainer_.Name() });
        DataReceivedStep(*download);
        chainContainer_.Broadcast(icDownloadProgress, download);
        break;
    }
    case icFileInstallAborted:
    case icFileKept: {
        if (!IsInstallFile(PO))
            throw IEFileContainer("DoInformationEventControl says bad first parameter");
        wholeFileProgress(*static_cast<TInstallObject*>(PO));
        break;
    }
    default:
        break; // passed on only
    }

    if (TInstallContainer* up = chainContainer_.Container())
        up->DoInformationEventControl(Sender, Code, PO);
}

void TInformationChain::progress(TInstallObject& File, TFileStatusParameter& Status)
{
    const std::int64_t done = BytesDone + Status.FileBytesDone;
    Status.TotalBytesDone = static_cast<std::int32_t>(done);
    Status.TotalPercent = SafePercent(done, TotalSize);
    StatusStep(File, Status);
    if (Status.FileStats.Finished && BusyState != bsIdle)
        BytesDone += Status.FileStats.FileSize;
}

void TInformationChain::wholeFileProgress(TInstallObject& File)
{
    const std::int64_t size = InstallFileSize(File);
    TFileStatusParameter status;
    status.FileBytesDone = static_cast<std::int32_t>(size);
    status.FilePercent = 100;
    status.FileName = InstallFileName(File);
    const std::int64_t done = BytesDone + size;
    status.TotalBytesDone = static_cast<std::int32_t>(done);
    status.TotalPercent = SafePercent(done, TotalSize);
    StatusStep(File, status);
    BytesDone += size;
}

void TInformationChain::NewDiskStep(TInstallObject& File, TDiskParameter& Disk)
{
    std::string path = Disk.Path;
    if (OnNewDisk) {
        OnNewDisk(&File, Disk.DiskNumber, path);
        MarkNewDiskAnswered(File);
    }
    Disk.Path = path;
}

void TInformationChain::ReplaceStep(TInstallObject& File)
{
    if (OnReplacing)
        OnReplacing(&File);
    chainContainer_.Broadcast(icReplacing, &File);
}

void TInformationChain::StatusStep(TInstallObject& File, TFileStatusParameter& Status)
{
    if (OnStatus)
        OnStatus(&File, Status.FilePercent, Status.TotalPercent);
    chainContainer_.Broadcast(icFileProgress, &Status);
}

} // namespace installlib
