#pragma once

// The upward information chain of a file container: DoInformationEventControl
// for the positive codes 1001 to 1016 (typecodes.h). A busy container checks
// the parameter object, handles the code (progress, replace, new disk,
// download) and passes sender, code and parameter on to its own Container;
// an idle container drops the code. Each container on the chain computes the
// progress percentage against its own total.
//
// The file container derives from TInformationChain next to its install
// object base, calls HandleInformationCode from its DoInformationEventControl
// and supplies the few facts about install files the chain needs.

#include "setup/installlib/installcontainer.h"
#include "setup/installlib/messageparameters.h"

#include <cstdint>
#include <functional>
#include <string>

namespace installlib {

using TNewDiskEvent = std::function<void(TInstallObject* File, int DiskNumber, std::string& Path)>;
using TReplacingEvent = std::function<void(TInstallObject* File)>;
using TStatusEvent = std::function<void(TInstallObject* File, int FilePercent, int TotalPercent)>;

enum TBusyState : std::uint8_t { bsIdle = 0, bsCompressing = 1, bsInstalling = 2, bsCopying = 3 };

class TInformationChain {
public:
    explicit TInformationChain(TInstallObject& Container)
        : chainContainer_(Container)
    {
    }
    virtual ~TInformationChain() = default;
    TInformationChain(const TInformationChain&) = delete;
    TInformationChain& operator=(const TInformationChain&) = delete;

    TNewDiskEvent OnNewDisk;
    TReplacingEvent OnReplacing;
    TStatusEvent OnStatus;

    std::uint8_t BusyState = bsIdle;
    // Bytes of the included files below the container, and bytes done so far.
    std::int64_t TotalSize = 0;
    std::int64_t BytesDone = 0;

    // Starts a piece of work: the busy state, the total and no bytes done.
    void BeginWork(std::uint8_t State, std::int64_t Total)
    {
        BusyState = State;
        TotalSize = Total;
        BytesDone = 0;
    }

    // The whole of DoInformationEventControl. A parameter object that does
    // not fit the code raises IEFileContainer.
    void HandleInformationCode(TInstallObject* Sender, int Code, TObject* PO);

    // The steps, overridable as the file container's own slots.
    // Fires OnNewDisk with the parameter's path (marking the file as answered
    // when the event is set) and stores the path back.
    virtual void NewDiskStep(TInstallObject& File, TDiskParameter& Disk);
    // Fires OnReplacing and broadcasts -997 with the file.
    virtual void ReplaceStep(TInstallObject& File);
    // Fires OnStatus and broadcasts -998 with the parameter.
    virtual void StatusStep(TInstallObject& File, TFileStatusParameter& Status);

protected:
    // 1014: the container's OnDataReceived (Sender = the container) with the
    // parameter's file name and counts and no buffer.
    virtual void DataReceivedStep(TDownloadStatusParameter& Download) = 0;
    // Facts of an install file (a TCustomInstallFile).
    virtual std::int64_t InstallFileSize(TInstallObject& File) = 0;
    virtual std::string InstallFileName(TInstallObject& File) = 0;
    virtual void MarkNewDiskAnswered(TInstallObject& File) = 0;

private:
    void progress(TInstallObject& File, TFileStatusParameter& Status);
    void wholeFileProgress(TInstallObject& File);
    TList& listOf(TObject* PO);

    TInstallObject& chainContainer_;
};

// True for an install file (a TCustomInstallFile or a class derived from it).
bool IsInstallFile(const TObject* Object);

} // namespace installlib
