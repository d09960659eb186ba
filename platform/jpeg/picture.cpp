#include "platform/jpeg/picture.h"

#include "platform/jpeg/jpeg_decoder.h"

namespace jpeg {

void TPicture::LoadJpeg(const std::vector<std::uint8_t>& bytes)
{
    QImage decoded = DecodeJpeg(bytes); // raises before anything changes
    image_ = std::move(decoded);
    if (OnChange)
        OnChange();
}

void TPicture::Clear()
{
    if (image_.isNull())
        return;
    image_ = QImage();
    if (OnChange)
        OnChange();
}

} // namespace jpeg
