// Feeds arbitrary bytes, in arbitrary chunks, through both ends' receive loops and the
// voice framing. Whatever arrives, the loops must stay inside the buffer, terminate, and
// leave only an incomplete message behind. The softphone's messages also drive its call
// control, with the buttons pressed in between: its call state must stay consistent.
#include "client/CallControl.h"
#include "common/MessageFraming.h"

#include <cstdint>
#include <cstdlib>

using namespace parlino;

namespace {
void Drain(ByteString& buffer, FieldLookup fields)
{
    DrainMessages(buffer, fields, [](char, const MessageValues& values) {
        if (values.size() != MaxMessageFields)
            std::abort();
        return true;
    });
}

// The window's controls reduced to what call control reads back.
class QuietCallView : public CallView {
public:
    void addLogEntry(const QString&) override {}
    void addInfoLine(const QString&) override {}
    void setBalanceEnabled(bool) override {}
    void setCallButtonsEnabled(bool) override {}
    void setTalkButtonEnabled(bool enabled) override { talkEnabled = enabled; }
    bool talkButtonEnabled() const override { return talkEnabled; }
    void setLevel(int) override {}
    void setRates(const QString&, const QString&) override {}
    void startRateTimer() override {}
    void stopRateTimer() override {}
    void startSoundTimer(int) override { soundTimer = true; }
    void stopSoundTimer() override { soundTimer = false; }
    bool soundTimerActive() const override { return soundTimer; }
    void playSound(CallSound) override {}
    void restoreWindow() override {}
    bool runDialing(DialedNumber& choice) override
    {
        choice.number = dialled;
        choice.localNumber = dialled % 2 ? "5550100" : "";
        return true;
    }
    QString inputBox(const QString&, const QString&, const QString&) override { return "12#"; }

    bool talkEnabled = false;
    bool soundTimer = false;
    std::int32_t dialled = 0;
};

struct Softphone {
    ClientShared shared;
    QuietCallView view;
    ByteString out;
    CallControl control{shared, view, out, [](std::string_view bytes) {
                            return static_cast<std::int64_t>(bytes.size());
                        }};
};

void Press(Softphone& phone, std::uint8_t choice)
{
    switch (choice % 8) {
    case 0: phone.control.dropClicked(); break;
    case 1:
        phone.view.dialled = static_cast<std::int32_t>(choice) *
            4;  // 0..1020: subscribers and lines
        phone.control.callClicked();
        break;
    case 2: phone.control.talkPressed(); break;
    case 3: phone.control.talkReleased(); break;
    case 4: phone.control.soundTick(); break;
    case 5: phone.control.rateTick(); break;
    case 6: phone.control.dropBeforeClose(); break;
    default: break;
    }
}

void CheckConsistent(const Softphone& phone)
{
    const CallState& s = phone.shared.callState;
    const int phases = int(s.Calling) + int(s.Ringing) + int(s.InTalk) + int(s.BusyTone);
    if (phases > 1 || s.ErrorDrop || s.RemoteDrop)
        std::abort();
    if (phone.view.talkEnabled && !(s.InTalk && s.HalfDuplex))
        std::abort();
    if (s.Idle() && phone.view.soundTimer)
        std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // One softphone for the run: its sound system is made once.
    static Softphone phone;
    phone.shared.callState.clear();
    phone.view = QuietCallView{};
    // The first byte chooses the chunk size, so that messages get split across reads.
    const std::size_t chunk = 1 + data[0] % 64;
    ByteString server, client, softphone, voice;
    for (std::size_t at = 1; at < size; at += chunk) {
        const std::string_view piece(reinterpret_cast<const char*>(data) + at,
                                     std::min(chunk, size - at));
        server.append(piece);
        client.append(piece);
        softphone.append(piece);
        voice.append(piece);
        Drain(server, &ServerReadFields);
        Drain(client, &ClientReadFields);
        DrainMessages(softphone, &ClientReadFields, [](char letter, const MessageValues& values) {
            phone.control.handleMessage(letter, values);
            return true;
        });
        if (softphone.size() > MaxUnhandledInput)
            softphone.clear();
        CheckConsistent(phone);
        Press(phone, static_cast<std::uint8_t>(piece.front()));
        CheckConsistent(phone);
        DrainVoicePackets(voice, [](VoicePacket&& p) {
            if (p.Samples.size() != static_cast<std::size_t>(SamplesPerPacket))
                std::abort();
        });
    }
    // What stays behind must start with a known letter waiting for more bytes.
    if (!server.empty() && !ServerReadFields(server.front()))
        std::abort();
    if (!client.empty() && !ClientReadFields(client.front()))
        std::abort();
    if (!voice.empty() && voice.front() != 'D')
        std::abort();
    return 0;
}
