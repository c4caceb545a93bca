#include "support/Subscriber.h"

#include "QtWait.h"

namespace parlino::test {

Subscriber::Subscriber(quint16 port)
{
    socket_.connectToHost(QHostAddress::LocalHost, port);
    connected_ = socket_.waitForConnected(5000);
}

void Subscriber::SendRaw(const ByteString& bytes)
{
    socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    socket_.flush();
}

void Subscriber::Send(char letter, int count, const MessageValues& values)
{
    SendRaw(BuildMessage(letter, count, values));
}

void Subscriber::SignIn(std::int32_t id, const std::string& password, const std::string& newPassword,
                        std::int32_t voicePort)
{
    Send('P', 4, {voicePort, id, password, newPassword});
}

std::optional<ServerMessage> Subscriber::Next(int timeoutMs)
{
    WaitUntil([&] {
        Drain();
        return !received_.empty();
    }, timeoutMs);
    if (received_.empty())
        return std::nullopt;
    ServerMessage message = std::move(received_.front());
    received_.pop_front();
    return message;
}

char Subscriber::NextLetter()
{
    const auto message = Next();
    return message ? message->letter : '\0';
}

ByteString Subscriber::TakeRaw(std::size_t count, int timeoutMs)
{
    WaitUntil([&] {
        raw_ += socket_.readAll().toStdString();
        return raw_.size() >= count;
    }, timeoutMs);
    ByteString head = raw_.substr(0, count);
    raw_.erase(0, head.size());
    return head;
}

void Subscriber::Drain()
{
    raw_ += socket_.readAll().toStdString();
    DrainMessages(raw_, &ClientReadFields, [this](char letter, const MessageValues& values) {
        received_.push_back({letter, values});
        return true;
    });
}

}  // namespace parlino::test
