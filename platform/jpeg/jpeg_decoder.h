#pragma once

// JPEG file images decoded with libjpeg into pictures. A damaged or foreign
// image is an error for the caller, never an end of the process.

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace jpeg {

class EJPEGError : public std::runtime_error {
public:
    explicit EJPEGError(const std::string& message)
        : std::runtime_error(message)
    {
    }
};

// Decodes one whole JPEG file image (grey, colour or CMYK) into an RGB888
// or Grayscale8 image. Raises EJPEGError with the library's text for data that
// is not a JPEG, is cut short or is corrupt, and for images larger than
// kMaxPixels.
QImage DecodeJpeg(const std::uint8_t* data, std::size_t size);
QImage DecodeJpeg(const std::vector<std::uint8_t>& bytes);

constexpr std::uint64_t kMaxPixels = 100'000'000;

} // namespace jpeg
