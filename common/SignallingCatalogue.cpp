#include "common/SignallingCatalogue.h"

#include <array>

namespace parlino {

namespace {

using K = FieldKind;

constexpr std::array<K, 0> kNone{};
constexpr std::array kTarget{K::Int32};
constexpr std::array kLogin{K::Int32, K::Int32, K::String, K::String};
constexpr std::array kText{K::String};
constexpr std::array kOutsideCall{K::Int32, K::String, K::String, K::String, K::Boolean};
constexpr std::array kOrderPlace{K::Int32, K::Int32, K::Int32};
constexpr std::array kTwoIds{K::Int32, K::Int32};
constexpr std::array kDtmf{K::Int32, K::String};
constexpr std::array kPriceOffer{K::Int32, K::String, K::Float64, K::Boolean};
constexpr std::array kOrderTable{K::Int32, K::String, K::Float64};
constexpr std::array kFloat{K::Float64};
constexpr std::array kDeliveredPriceOffer{K::String, K::Float64, K::Boolean};
constexpr std::array kDeliveredOrderTable{K::String, K::Float64};
constexpr std::array kVoiceNarrow{K::Int32, K::Int8Array, K::Float64};
constexpr std::array kVoiceWide{K::Int32, K::Int16Array, K::Float64};

}  // namespace

std::optional<LetterFields> ServerReadFields(char letter)
{
    switch (letter) {
    case Letter::LoginRequest: return kLogin;
    case Letter::BalanceRequest: return kNone;
    case Letter::CardTopUp: return kText;
    case Letter::CallRequest:
    case Letter::OrderQuery:
    case Letter::RingingNotice:
    case Letter::BusyNotice:
    case Letter::AnswerCall:
    case Letter::TalkStart:
    case Letter::CallCancel:
    case Letter::TalkButton:
    case Letter::OrderPlaced:
    case Letter::OrderFailed: return kTarget;
    case Letter::OutsideCallRequest: return kOutsideCall;
    case Letter::OrderPlace: return kOrderPlace;
    case Letter::TalkEnd: return kTwoIds;
    case Letter::DtmfDigits: return kDtmf;
    case Letter::PriceOffer: return kPriceOffer;
    case Letter::OrderTable: return kOrderTable;
    default: return std::nullopt;
    }
}

std::optional<LetterFields> ClientReadFields(char letter)
{
    switch (letter) {
    case Letter::LoginAccepted: return kTarget;
    case Letter::BalanceReport: return kFloat;
    case Letter::InfoMessage: return kText;
    case Letter::IncomingCall: return kTarget;
    case Letter::IncomingOutsideCall: return kOutsideCall;
    case Letter::PriceOffer: return kDeliveredPriceOffer;
    case Letter::OrderTable: return kDeliveredOrderTable;
    case Letter::LoginRefused:
    case Letter::TopUpAccepted:
    case Letter::TopUpRefused:
    case Letter::RingingNotice:
    case Letter::BusyNotice:
    case Letter::AnswerCall:
    case Letter::TalkStarted:
    case Letter::CallDropped:
    case Letter::NoFunds:
    case Letter::PeerNoFunds:
    case Letter::NoSuchUser:
    case Letter::PeerUnavailable:
    case Letter::OrderPlaced:
    case Letter::OrderFailed: return kNone;
    default: return std::nullopt;
    }
}

LetterFields VoicePacketFields(bool wideSamples)
{
    if (wideSamples)
        return kVoiceWide;
    return kVoiceNarrow;
}

}  // namespace parlino
