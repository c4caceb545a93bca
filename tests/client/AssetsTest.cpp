// The softphone's own sounds and picture, as the build made them.
#include "client/JpegPicture.h"

#include "ClientTestFiles.h"

#include <QFile>

#include <gtest/gtest.h>

namespace parlino {
namespace {

quint32 ReadLittleEndian(const QByteArray& bytes, int offset, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<quint8>(bytes.at(offset + i));
    return value;
}

TEST(AssetsTest, SoundsAreMuLawWaveFilesOfTheirLength)
{
    const std::pair<const char*, double> sounds[] = {
        {"RingIn.wav", 1.0}, {"Answer.wav", 1.5}, {"Busy.wav", 0.35}, {"silence.wav", 0.24}};
    for (const auto& [name, seconds] : sounds) {
        const QByteArray file = test::ReadAsset(QString::fromLatin1(name));
        ASSERT_GE(file.size(), 58) << name;
        EXPECT_EQ(file.left(4), "RIFF") << name;
        EXPECT_EQ(ReadLittleEndian(file, 4, 4), static_cast<quint32>(file.size() - 8)) << name;
        EXPECT_EQ(file.mid(8, 8), "WAVEfmt ") << name;
        EXPECT_EQ(ReadLittleEndian(file, 20, 2), 7u) << name << ": mu-law";
        EXPECT_EQ(ReadLittleEndian(file, 22, 2), 1u) << name << ": mono";
        EXPECT_EQ(ReadLittleEndian(file, 24, 4), 8000u) << name;
        EXPECT_EQ(ReadLittleEndian(file, 34, 2), 8u) << name;
        const int data = static_cast<int>(file.indexOf("data"));
        ASSERT_GT(data, 0) << name;
        const quint32 length = ReadLittleEndian(file, data + 4, 4);
        EXPECT_EQ(length, static_cast<quint32>(seconds * 8000 + 0.5)) << name;
        EXPECT_GE(file.size(), data + 8 + static_cast<qsizetype>(length)) << name;
    }
    const QByteArray silence = test::ReadAsset(QStringLiteral("silence.wav"));
    EXPECT_EQ(silence.right(1920), QByteArray(1920, '\xFF'));
    EXPECT_NE(test::ReadAsset(QStringLiteral("Busy.wav")).right(1000), QByteArray(1000, '\xFF'))
        << "the tone sounds";
}

TEST(AssetsTest, AboutPictureDecodesFromMemory)
{
    QFile embedded(QStringLiteral(":/about.jpg"));
    ASSERT_TRUE(embedded.open(QIODevice::ReadOnly));
    const QImage picture = DecodeJpeg(embedded.readAll());
    EXPECT_EQ(picture.size(), QSize(240, 160));
    // Blue field at the top left corner.
    const QColor corner = picture.pixelColor(2, 2);
    EXPECT_GT(corner.blue(), corner.red() + 40);
}

TEST(AssetsTest, NoJpegIsAnErrorNotAnExit)
{
    const QByteArray picture = test::ReadAsset(QStringLiteral("about.jpg"));
    EXPECT_THROW(DecodeJpeg({}), JpegError);
    EXPECT_THROW(DecodeJpeg(QByteArray(500, 'x')), JpegError);
    EXPECT_THROW(DecodeJpeg(picture.left(2)), JpegError);
}

}  // namespace
}  // namespace parlino
