// Files for the softphone's tests: plain files, the sounds made by the build, and small
// mu-law WAVE images.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

namespace parlino::test {

inline void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QByteArray ReadAsset(const QString& name)
{
    QFile file(QStringLiteral(PARLINO_CLIENT_ASSETS "/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

inline void CopyAsset(const QString& name, const QString& destination)
{
    WriteFile(destination, ReadAsset(name));
}

inline QByteArray LittleEndian(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}

// RIFF "WAVE" with an 18-byte "fmt " chunk (mu-law, mono, 8 kHz) and a "data" chunk.
inline QByteArray MuLawWave(const QByteArray& data)
{
    QByteArray format = LittleEndian(7, 2) + LittleEndian(1, 2) + LittleEndian(8000, 4) +
        LittleEndian(8000, 4) + LittleEndian(1, 2) + LittleEndian(8, 2) + LittleEndian(0, 2);
    QByteArray body = "WAVE";
    body += "fmt " + LittleEndian(static_cast<quint32>(format.size()), 4) + format;
    body += "data" + LittleEndian(static_cast<quint32>(data.size()), 4) + data;
    return "RIFF" + LittleEndian(static_cast<quint32>(body.size()), 4) + body;
}

}  // namespace parlino::test
