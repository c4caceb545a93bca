// The operator window on demo data with its settings file in the scratch directory and its
// listening socket kept on loopback, plus helpers to run Start Server with a given answer.
#pragma once

#include "QtWait.h"
#include "WindowTestFixture.h"

#include "server/CriticalFix.h"

#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QTcpServer>
#include <QTimer>

#include <fstream>
#include <optional>
#include <sstream>

namespace parlino::test {

// A TCP port nobody listens on right now. It is taken below the system's range of ports
// for outgoing connections, so that the many loopback connections of tests running in
// parallel cannot take it between this probe and the server's listen.
inline quint16 FreeLoopbackPort()
{
    constexpr int first = 20000;
    constexpr int count = 12000;
    static int next = static_cast<int>(QCoreApplication::applicationPid() * 7919 % count);
    for (int tries = 0; tries < 200; ++tries) {
        const auto port = static_cast<quint16>(first + next);
        next = (next + 1) % count;
        QTcpServer probe;
        if (probe.listen(QHostAddress::AnyIPv4, port))
            return port;
    }
    return 0;
}

inline bool PortIsFree(quint16 port)
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, port);
}

struct IniValues {
    std::optional<int> port;
    std::optional<std::string> netPayPerMin;
    std::optional<std::string> payPerDay;
};

inline void WriteServerIni(const QString& path, const IniValues& values)
{
    std::ofstream ini(path.toStdString(), std::ios::trunc);
    ini << "[Server]\n";
    if (values.port)
        ini << "TCP port=" << *values.port << "\n";
    if (values.netPayPerMin)
        ini << "Net pay per min=" << *values.netPayPerMin << "\n";
    if (values.payPerDay)
        ini << "Pay per day=" << *values.payPerDay << "\n";
}

class StartupTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        PrepareWindow();
    }

    // After MakeWindow(): the settings file in the scratch directory, loopback only.
    void PrepareWindow()
    {
        inside().iniFileName = IniPath();
        inside().listenAddress = QHostAddress::LocalHost;
    }

    static QString IniPath() { return QDir::current().filePath(QStringLiteral("ParlinoServer.ini")); }

    // Settings with a free port and the given charges.
    quint16 WriteIniWithFreePort(std::optional<std::string> netPay = {}, std::optional<std::string> perDay = {})
    {
        const quint16 port = FreeLoopbackPort();
        EXPECT_NE(port, 0);
        WriteServerIni(IniPath(), {port, std::move(netPay), std::move(perDay)});
        return port;
    }

    // The start-up timer firing: Reload All and the automatic Start Server. Returns what
    // it asked or showed.
    std::vector<ui::DialogRequest> AutoStart()
    {
        ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
        window->Timer2->start();
        window->Timer2Timer();
        window->errorDisplay().showPending();
        return dialogs.requests();
    }

    // "Start Server" clicked, the new-day question answered with `answer`.
    std::vector<ui::DialogRequest> ClickStart(ui::DialogAnswer answer)
    {
        ui::ScopedDialogResponder dialogs([answer](const ui::DialogRequest& request) {
            if (request.text == QStringLiteral("Start New Server Day?"))
                return ui::DialogResponse{answer, {}};
            return ui::DialogResponse{ui::DialogAnswer::Ok, {}};
        });
        window->BitBtn26->click();
        window->errorDisplay().showPending();
        return dialogs.requests();
    }

    std::string Field(std::int32_t id, const char* name)
    {
        EXPECT_TRUE(store->GotoClient(UsersKeyed, id)) << id;
        return Users().FieldByName(name).AsText();
    }
    double BalanceOf(std::int32_t id)
    {
        EXPECT_TRUE(store->GotoClient(UsersKeyed, id)) << id;
        return Users().FieldByName("Balance").AsFloat();
    }

    // Sets a status in the table and in critical.fix, as a sign-in would.
    void SetStatus(std::int32_t id, const std::string& status)
    {
        ASSERT_TRUE(store->GotoClient(UsersKeyed, id));
        Users().Edit();
        dataset::Field& field = Users().FieldByName("Status");
        field.SetAsText(status);
        Users().Post();
        FixRecordFile critical(CriticalFixPath, FixRecordFile::Mode::Write);
        critical.Seek(FixRecordOffset(id) + FixStatusOffset);
        WriteFixField(critical, field, false);
    }
    static std::string FixStatus(std::int32_t id) { return FixText(ReadFixRecord(id), FixStatusOffset, 8); }
    static double FixBalance(std::int32_t id) { return FixDouble(ReadFixRecord(id), FixBalanceOffset); }

    static QByteArray FileBytes(const std::string& path)
    {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString Caption() const { return window->windowTitle(); }
};

}  // namespace parlino::test
