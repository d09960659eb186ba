#include "setup/installlib/messageparameters.h"

#include <cmath>

namespace installlib {

INSTALLLIB_DEFINE_CLASS(TList, TObject)
INSTALLLIB_DEFINE_CLASS(TMessageParameter, TObject)
INSTALLLIB_DEFINE_CLASS(TDiskParameter, TObject)
INSTALLLIB_DEFINE_CLASS(TFileStatusParameter, TObject)
INSTALLLIB_DEFINE_CLASS(TDownloadStatusParameter, TObject)

int SafePercent(std::int64_t Done, std::int64_t Total)
{
    if (Total <= 0 || Done <= 0)
        return 0;
    if (Done >= Total)
        return 100;
    // Halves to even, as the rounding of the original arithmetic.
    return static_cast<int>(std::nearbyint(static_cast<double>(Done) * 100.0 / static_cast<double>(Total)));
}

TDownloadStatusParameter::TDownloadStatusParameter(
    std::int32_t BlockBytes, std::string File, std::int32_t Size, std::int32_t Received)
    : Bytes(BlockBytes)
    , FileName(std::move(File))
    , FileSize(Size)
    , BytesReceived(Received)
    , Percent(SafePercent(Received, Size))
{
}

} // namespace installlib
