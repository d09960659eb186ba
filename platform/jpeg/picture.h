#pragma once

// The picture a picture control shows: the model behind an image widget.
// Loading a bad JPEG leaves the shown picture as it was and raises the error.

#include <QImage>

#include <cstdint>
#include <functional>
#include <vector>

namespace jpeg {

class TPicture {
public:
    // Decodes `bytes` and makes it the picture. On failure the previous
    // picture stays and EJPEGError is raised.
    void LoadJpeg(const std::vector<std::uint8_t>& bytes);
    void Clear();
    const QImage& Image() const { return image_; }
    bool Empty() const { return image_.isNull(); }

    // Told after every change of the picture (the view repaints).
    std::function<void()> OnChange;

private:
    QImage image_;
};

} // namespace jpeg
