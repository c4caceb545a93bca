// What the server tests reach inside the operator window beyond its controls: its state,
// under the names the window keeps it by. The window's one friend.
#pragma once

#include "server/ZeltServerUnit1.h"

namespace parlino {

class ServerFormTestAccess {
public:
    explicit ServerFormTestAccess(TZeltServerForm1& form)
        : ClientSockets(form.ClientSockets),
          voiceSockets(form.voiceSockets_),
          LinePrices(form.LinePrices),
          TalkList(form.TalkList),
          SecondCounter(form.SecondCounter),
          RelayThread(form.RelayThread),
          NetPayPerMin(form.NetPayPerMin),
          RandomState(form.RandomState),
          iniFileName(form.iniFileName_),
          listenAddress(form.listenAddress_),
          editorProgram(form.editorProgram_),
          editorDirectory(form.editorDirectory_),
          PayPerDay(form.PayPerDay),
          StartHidden(form.StartHidden),
          callLogSaver(form.callLogSaver_),
          callAnswers(form.callAnswers_)
    {
    }

    decltype(TZeltServerForm1::ClientSockets)& ClientSockets;
    VoiceSocketTables& voiceSockets;
    decltype(TZeltServerForm1::LinePrices)& LinePrices;
    decltype(TZeltServerForm1::TalkList)& TalkList;
    std::int32_t& SecondCounter;
    decltype(TZeltServerForm1::RelayThread)& RelayThread;
    double& NetPayPerMin;
    std::uint32_t& RandomState;
    QString& iniFileName;
    QHostAddress& listenAddress;
    std::string& editorProgram;
    std::string& editorDirectory;
    double& PayPerDay;
    bool& StartHidden;
    dataset::BackgroundTableSaver& callLogSaver;
    CallAnswers& callAnswers;
};

}  // namespace parlino
