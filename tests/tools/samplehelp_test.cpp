#include "tools/samplehelp.h"

#include "tests/support/temp_dir.h"

#include <QPainter>

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <regex>
#include <set>

using tavix::testing::readFile;
using tavix::testing::TempDir;

namespace {

struct Reader {
    const std::string* bytes;
    size_t at = 0;
};

int readFromString(GifFileType* gif, GifByteType* out, int length)
{
    auto* r = static_cast<Reader*>(gif->UserData);
    const size_t n = std::min(size_t(length), r->bytes->size() - r->at);
    std::memcpy(out, r->bytes->data() + r->at, n);
    r->at += n;
    return int(n);
}

} // namespace

// Catches a GIF that giflib cannot read back or whose pixels come out in
// other colours or places.
TEST(SampleHelp, TheGifReadsBackWithItsPixels)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(26, 60, 120));
    QPainter(&image).fillRect(10, 5, 12, 20, QColor(240, 200, 40));
    const std::string bytes = sampledata::encodeGif(image);

    Reader reader { &bytes };
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, readFromString, &error);
    ASSERT_NE(gif, nullptr) << GifErrorString(error);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    ASSERT_EQ(gif->ImageCount, 1);
    ASSERT_EQ(gif->SWidth, 40);
    ASSERT_EQ(gif->SHeight, 30);
    const ColorMapObject* map = gif->SColorMap;
    ASSERT_NE(map, nullptr);
    for (auto [x, y] : { std::pair { 0, 0 }, { 15, 10 }, { 21, 24 }, { 39, 29 }, { 22, 5 } }) {
        const GifColorType c = map->Colors[gif->SavedImages[0].RasterBits[y * 40 + x]];
        const QColor want = image.pixelColor(x, y);
        EXPECT_EQ(QColor(c.Red, c.Green, c.Blue), want) << x << "," << y;
    }
    DGifCloseFile(gif, &error);
}

// Catches a page that points at a picture or page that is not written, and
// a help folder whose files differ from the lists the setup installs.
TEST(SampleHelp, PagesAndPicturesAreCompleteAndLinkedToEachOther)
{
    TempDir dir;
    sampledata::writeHelp(dir / "Help");
    const auto& pages = sampledata::helpPageNames();
    const auto& pictures = sampledata::helpPictureNames();
    ASSERT_EQ(pages.size(), 14u);
    EXPECT_EQ(pages.front(), "visao_geral.html");
    ASSERT_EQ(pictures.size(), 20u);
    EXPECT_EQ(std::count_if(pictures.begin(), pictures.end(), [](auto& n) { return n.ends_with(".jpg"); }), 19);
    EXPECT_EQ(pictures.back(), "logo.gif");

    std::set<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "Help" / "Imagens"))
        written.insert(entry.path().filename().string());
    EXPECT_EQ(written, std::set<std::string>(pictures.begin(), pictures.end()));
    for (const auto& name : pictures) {
        const std::string bytes = readFile(dir / "Help" / "Imagens" / name);
        EXPECT_EQ(bytes.substr(0, name.ends_with(".gif") ? 3 : 2), name.ends_with(".gif") ? "GIF" : "\xFF\xD8") << name;
    }

    const std::regex link(R"re((src|href)="([^"]+)")re");
    for (const auto& page : pages) {
        const std::string html = readFile(dir / "Help" / page);
        EXPECT_NE(html.find("</html>"), std::string::npos) << page;
        for (std::sregex_iterator it(html.begin(), html.end(), link), end; it != end; ++it)
            EXPECT_TRUE(std::filesystem::exists(dir / "Help" / (*it)[2].str())) << page << " -> " << (*it)[2];
    }
}
