#include "client/ClientStartup.h"

#include "client/ContactsFile.h"
#include "common/AudioHelpers.h"
#include "platform/audio/WaveImage.h"
#include "platform/core/PerformanceCounter.h"

#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace parlino {

namespace {
const QString CannotReadWaveData = QStringLiteral("Cannot read wave data");

// Only the first line of "ClientID.txt" counts; longer than this it is no number anyway.
constexpr qint64 MaxClientIdLineBytes = 4096;

// The whole file, or its first maxBytes when that is not negative; throws
// std::runtime_error naming the file and the system's reason.
QByteArray ReadFileBytes(const QString& path, qint64 maxBytes = -1)
{
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = maxBytes < 0 ? file.readAll() : file.read(maxBytes);
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(
            QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString()).toStdString());
    return bytes;
}

// A line read with any of the line breaks CR LF, LF or CR.
QStringList SplitLines(const QByteArray& bytes)
{
    QString text = QString::fromLatin1(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();  // the break after the last line starts no line of its own
    return lines;
}

void ReadCounterFrequency(ClientShared& shared)
{
    std::int64_t frequency = 0;
    shared.CounterAvailable = QueryCounterFrequency(frequency);
    shared.CounterFrequency = static_cast<long double>(frequency);
}

// Loads the silence packet; mu-law silence (0xFF) stands in when the file gives none.
bool LoadSilence(ClientShared& shared, const QString& path)
{
    shared.SilenceData = QByteArray(SamplesPerPacket, '\0');
    if (ReadWaveData(path.toStdString(), shared.SilenceData.data(), SamplesPerPacket))
        return true;
    shared.SilenceData.fill('\xFF');
    return false;
}

// A sound held in memory for the whole run. One that is missing or holds no sound data
// stays empty, and so silent.
bool LoadSound(QByteArray& sound, const QString& path)
{
    QFile file(path);
    sound = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    WaveImage image;
    std::string error;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(sound.constData());
    if (!ReadWaveImage({bytes, static_cast<std::size_t>(sound.size())}, image, error) ||
        image.data.empty())
        sound.clear();
    return !sound.isEmpty();
}
}  // namespace

std::int32_t ReadOwnClientID(const QString& path)
{
    // One byte beyond the bound tells a first line that fits from one that does not.
    const QByteArray start = ReadFileBytes(path, MaxClientIdLineBytes + 1);
    const bool lineEnds = start.contains('\n') || start.contains('\r');
    if (!lineEnds && start.size() > MaxClientIdLineBytes)
        throw std::runtime_error(QStringLiteral("The first line of \"%1\" is longer than %2 bytes")
                                     .arg(path)
                                     .arg(MaxClientIdLineBytes)
                                     .toStdString());
    return decimalToInt32(SplitLines(start).value(0));
}

QStringList ReadContacts(const QString& path)
{
    if (!QFileInfo::exists(path))
        return {};
    return SplitLines(ReadFileBytes(path));
}

QStringList StartUpClient(ClientShared& shared, const ClientStartupFiles& files)
{
    QStringList failures;
    const auto step = [&failures](const auto& run) {
        try {
            run();
        } catch (const std::exception& error) {
            failures.append(QString::fromLocal8Bit(error.what()));
        }
    };
    ReadCounterFrequency(shared);
    step([&] { shared.OwnClientID = ReadOwnClientID(files.clientIdFile); });
    step([&] { shared.Contacts = ReadContacts(files.contactsFile); });
    shared.OrderSlots.clear();
    if (!LoadSilence(shared, files.silenceFile))
        failures.append(CannotReadWaveData);
    bool soundsComplete = true;
    for (auto [sound, name] : {std::pair{&shared.Answer, "Answer"}, std::pair{&shared.Busy, "Busy"},
                               std::pair{&shared.RingIn, "RingIn"}}) {
        if (!LoadSound(*sound, files.soundFolder + QLatin1String(name)))
            soundsComplete = false;
    }
    if (!soundsComplete)
        failures.append(CannotReadWaveData);
    return failures;
}

}  // namespace parlino
