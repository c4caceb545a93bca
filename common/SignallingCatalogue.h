// The signalling messages of the TCP connection between client and server: one letter
// per message, and the field kinds each end reads for it.
#pragma once

#include "common/ZeltUtils.h"

#include <optional>
#include <span>

namespace parlino {

namespace Letter {
// Client (or outside-line gateway) to server.
inline constexpr char LoginRequest = 'P';
inline constexpr char BalanceRequest = 'b';
inline constexpr char CardTopUp = 'p';
inline constexpr char CallRequest = 'C';
inline constexpr char OutsideCallRequest = 'c';
inline constexpr char OrderQuery = 'q';
inline constexpr char OrderPlace = 'o';
inline constexpr char RingingNotice = 'F';
inline constexpr char BusyNotice = 'B';
inline constexpr char AnswerCall = 'A';
inline constexpr char TalkStart = 'S';
inline constexpr char TalkEnd = 'T';
inline constexpr char CallCancel = 't';
inline constexpr char DtmfDigits = 'd';
inline constexpr char TalkButton = 'L';
inline constexpr char PriceOffer = 'f';
inline constexpr char OrderTable = 'r';
inline constexpr char OrderPlaced = 'w';
inline constexpr char OrderFailed = '0';

// Server to client (besides the relayed forms of the letters above).
inline constexpr char LoginAccepted = 'V';
inline constexpr char LoginRefused = 'P';
inline constexpr char BalanceReport = 'b';
inline constexpr char TopUpAccepted = 'v';
inline constexpr char TopUpRefused = 'p';
inline constexpr char InfoMessage = 'I';
inline constexpr char IncomingCall = 'C';
inline constexpr char IncomingOutsideCall = 'c';
inline constexpr char TalkStarted = 'S';
inline constexpr char CallDropped = 'T';
inline constexpr char NoFunds = 'Z';
inline constexpr char PeerNoFunds = 'z';
inline constexpr char NoSuchUser = 'N';
inline constexpr char PeerUnavailable = 'O';

// Voice datagram on UDP.
inline constexpr char VoiceData = 'D';
}  // namespace Letter

// The field kinds of one letter as a reader sees it; an empty span is a bare letter.
using LetterFields = std::span<const FieldKind>;

// Field kinds of the 19 letters the server reads; nullopt for any other byte.
std::optional<LetterFields> ServerReadFields(char letter);

// Field kinds of the 21 letters the client reads; nullopt for any other byte.
std::optional<LetterFields> ClientReadFields(char letter);

// Field kinds of the voice datagram: sequence, samples, send time.
LetterFields VoicePacketFields(bool wideSamples);

}  // namespace parlino
