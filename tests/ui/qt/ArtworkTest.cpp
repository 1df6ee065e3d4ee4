#include "ui/qt/Artwork.h"
#include "resources/resource.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

QByteArray ReadArtwork(ArtworkKind kind, int id) {
    QFile file(ArtworkPath(kind, id));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int LittleEndian16(const QByteArray& bytes, int offset) {
    return static_cast<std::uint8_t>(bytes[offset]) | static_cast<std::uint8_t>(bytes[offset + 1]) << 8;
}

TEST(Artwork, BitmapsHaveTheirSizesAnd24BitsPerPixel) {
    const struct {
        int id;
        QSize size;
    } bitmaps[] = {{IDB_LOGO, {81, 79}},
                   {IDB_LAMP_RED, {24, 24}},
                   {IDB_LAMP_GREEN, {24, 24}},
                   {IDB_LAMP_GREY, {24, 24}}};
    for (const auto& bitmap : bitmaps) {
        EXPECT_EQ(LoadBitmapResource(bitmap.id).size(), bitmap.size) << "id " << bitmap.id;
        const QByteArray file = ReadArtwork(ArtworkKind::Bitmap, bitmap.id);
        ASSERT_GE(file.size(), 54) << "id " << bitmap.id;
        EXPECT_EQ(LittleEndian16(file, 28), 24) << "id " << bitmap.id; // bits per pixel
        EXPECT_EQ(LittleEndian16(file, 30), 0) << "id " << bitmap.id;  // uncompressed
    }
}

TEST(Artwork, LampsAreColouredDiscsWithWhiteCorners) {
    const QImage red = LoadBitmapResource(IDB_LAMP_RED).toImage();
    const QImage green = LoadBitmapResource(IDB_LAMP_GREEN).toImage();
    const QImage grey = LoadBitmapResource(IDB_LAMP_GREY).toImage();
    for (const QImage* lamp : {&red, &green, &grey}) {
        EXPECT_EQ(lamp->pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(lamp->pixel(23, 23) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_LT(qGray(lamp->pixel(12, 1)), 100); // the dark outline
    }
    const QColor redCentre = red.pixelColor(14, 15);
    const QColor greenCentre = green.pixelColor(14, 15);
    const QColor greyCentre = grey.pixelColor(14, 15);
    EXPECT_GT(redCentre.red(), 2 * redCentre.green());
    EXPECT_GT(greenCentre.green(), 2 * greenCentre.red());
    EXPECT_EQ(greyCentre.red(), greyCentre.green());
    EXPECT_EQ(greyCentre.green(), greyCentre.blue());
}

TEST(Artwork, IconGroupHolds32And16And64PixelImagesOf256Colours) {
    const QByteArray file = ReadArtwork(ArtworkKind::Icon, IDR_MAINFRAME);
    ASSERT_GE(file.size(), 6 + 3 * 16);
    ASSERT_EQ(LittleEndian16(file, 4), 3);
    const int sizes[] = {32, 16, 64};
    for (int i = 0; i < 3; ++i) {
        const int entry = 6 + 16 * i;
        EXPECT_EQ(static_cast<std::uint8_t>(file[entry]), sizes[i]);
        EXPECT_EQ(static_cast<std::uint8_t>(file[entry + 1]), sizes[i]);
        EXPECT_EQ(LittleEndian16(file, entry + 6), 8); // bits per pixel
    }
    QImageReader reader(ArtworkPath(ArtworkKind::Icon, IDR_MAINFRAME));
    ASSERT_EQ(reader.imageCount(), 3);
    for (int size : sizes) {
        const QImage image = reader.read();
        EXPECT_EQ(image.size(), QSize(size, size)) << reader.errorString().toStdString();
        reader.jumpToNextImage();
    }
    EXPECT_EQ(LoadIconResource(IDR_MAINFRAME).availableSizes().size(), 3);
}

TEST(Artwork, UnknownIdsLoadNothing) {
    EXPECT_TRUE(LoadBitmapResource(IDB_LOGO + 1).isNull());
    EXPECT_TRUE(LoadIconResource(IDB_LOGO).isNull());
}

} // namespace
