#include "platform/jpeg/jpeg_decoder.h"

// clang-format off
#include <cstdio> // jpeglib.h needs FILE
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>
#include <cstring>

namespace jpeg {

namespace {

// libjpeg ends the process on an error unless error_exit does not return:
// ours jumps back into the step that called the library. The steps below
// keep no C++ objects of their own, so the jump skips no destructor.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings that mean the picture is cut short or damaged (libjpeg would
// fill the rest with grey): a bad picture, not a picture.
bool fatalWarning(int code)
{
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        return true;
    default:
        return false;
    }
}

void emitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0) {
        if (fatalWarning(cinfo->err->msg_code))
            errorExit(cinfo);
        ++cinfo->err->num_warnings;
    }
    // Traces and harmless warnings are dropped (the library would print them).
}

struct Decompressor {
    jpeg_decompress_struct cinfo {};
    ErrorManager err {};
    bool created = false;

    Decompressor()
    {
        cinfo.err = jpeg_std_error(&err.pub);
        err.pub.error_exit = errorExit;
        err.pub.emit_message = emitMessage;
    }
    ~Decompressor()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
};

// Each step gives false when the library raised an error (text in err.message).
bool readHeader(Decompressor& d, const std::uint8_t* data, std::size_t size)
{
    if (setjmp(d.err.jump))
        return false;
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d.cinfo, TRUE);
    return true;
}

bool startDecompress(Decompressor& d)
{
    if (setjmp(d.err.jump))
        return false;
    switch (d.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        d.cinfo.out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        d.cinfo.out_color_space = JCS_CMYK;
        break;
    default:
        d.cinfo.out_color_space = JCS_RGB;
        break;
    }
    jpeg_start_decompress(&d.cinfo);
    return true;
}

bool readLines(Decompressor& d, unsigned char* first, std::size_t stride, unsigned char* cmykLine)
{
    if (setjmp(d.err.jump))
        return false;
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        const JDIMENSION y = d.cinfo.output_scanline;
        JSAMPROW row = cmykLine ? cmykLine : first + static_cast<std::size_t>(y) * stride;
        jpeg_read_scanlines(&d.cinfo, &row, 1);
        if (cmykLine) {
            // Adobe writes CMYK inverted; others store ink amounts.
            const bool inverted = d.cinfo.saw_Adobe_marker;
            unsigned char* out = first + static_cast<std::size_t>(y) * stride;
            for (JDIMENSION x = 0; x < d.cinfo.output_width; ++x) {
                unsigned c = cmykLine[4 * x], m = cmykLine[4 * x + 1], ye = cmykLine[4 * x + 2],
                         k = cmykLine[4 * x + 3];
                if (!inverted) {
                    c = 255 - c;
                    m = 255 - m;
                    ye = 255 - ye;
                    k = 255 - k;
                }
                out[3 * x] = static_cast<unsigned char>(c * k / 255);
                out[3 * x + 1] = static_cast<unsigned char>(m * k / 255);
                out[3 * x + 2] = static_cast<unsigned char>(ye * k / 255);
            }
        }
    }
    jpeg_finish_decompress(&d.cinfo);
    return true;
}

[[noreturn]] void fail(const Decompressor& d)
{
    throw EJPEGError(std::string("JPEG error #") + std::to_string(d.err.pub.msg_code) + ": " + d.err.message);
}

} // namespace

QImage DecodeJpeg(const std::uint8_t* data, std::size_t size)
{
    if (!data || size == 0)
        throw EJPEGError("JPEG error: the picture is empty");
    Decompressor d;
    if (!readHeader(d, data, size))
        fail(d);
    const std::uint64_t pixels = std::uint64_t(d.cinfo.image_width) * d.cinfo.image_height;
    if (pixels > kMaxPixels)
        throw EJPEGError("JPEG error: the picture is too large (" + std::to_string(d.cinfo.image_width) + " x "
            + std::to_string(d.cinfo.image_height) + ")");
    if (!startDecompress(d))
        fail(d);

    const int width = static_cast<int>(d.cinfo.output_width);
    const int height = static_cast<int>(d.cinfo.output_height);
    const bool grey = d.cinfo.out_color_space == JCS_GRAYSCALE;
    QImage image(width, height, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    if (image.isNull())
        throw EJPEGError(
            "JPEG error: not enough memory for a picture of " + std::to_string(width) + " x " + std::to_string(height));
    std::vector<unsigned char> cmyk;
    if (d.cinfo.out_color_space == JCS_CMYK)
        cmyk.resize(static_cast<std::size_t>(width) * 4);
    if (!readLines(
            d, image.bits(), static_cast<std::size_t>(image.bytesPerLine()), cmyk.empty() ? nullptr : cmyk.data()))
        fail(d);
    return image;
}

QImage DecodeJpeg(const std::vector<std::uint8_t>& bytes)
{
    return DecodeJpeg(bytes.data(), bytes.size());
}

} // namespace jpeg
