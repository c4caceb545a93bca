// A data folder from the installer's demo content in a scratch directory (the current
// directory while a test runs), a table store and an operator window on it, with every
// message box answered and recorded.
#pragma once

#include "ServerFormTestAccess.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/ErrorDisplay.h"
#include "server/CriticalFix.h"
#include "server/DataUnit2.h"
#include "server/StoreLayouts.h"
#include "server/ZeltServerUnit1.h"
#include "tools/TableInstaller.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace parlino::test {

// 15 March 2023, 18:00, as days since 30 December 1899.
inline constexpr double FixedNow = 45000.75;

struct LogRow {
    int serverDay;
    std::string callType;
    int otherParty;
    int duration;
    double date = 44990.0;
    double time = 0.5;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(scratch_.isValid());
        previousDir_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(scratch_.path()));
        tools::InstallTables(scratch_.path().toStdString(), tools::InstallContent::Demo, FixedNow);
        MakeWindow();
    }
    void TearDown() override
    {
        window.reset();
        store.reset();
        QDir::setCurrent(previousDir_);
    }

    void MakeWindow()
    {
        window.reset();
        store = std::make_unique<TDataModule2>();
        store->Now = [] { return FixedNow; };
        window = std::make_unique<TZeltServerForm1>(*store);
    }

    // Runs "Reload All" and returns what it asked or showed.
    std::vector<ui::DialogRequest> Reload()
    {
        ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
        window->BitBtn22Click();
        window->errorDisplay().showPending();
        return dialogs.requests();
    }

    // The window's state beyond its controls.
    ServerFormTestAccess inside() const { return ServerFormTestAccess(*window); }

    dataset::Dataset& Users() { return store->ClientDataSet1; }

    // One field of every users row, in the current order.
    std::vector<std::string> UsersColumn(const char* field)
    {
        std::vector<std::string> values;
        const int index = Users().FieldByName(field).Index();
        for (int row = 0; row < Users().RecordCount(); ++row)
            values.push_back(Users().RowValue(row, index).ToText());
        return values;
    }

    static std::array<char, 64> ReadFixRecord(int clientId)
    {
        std::array<char, 64> record{};
        std::ifstream file(CriticalFixPath, std::ios::binary);
        file.seekg(FixRecordOffset(clientId));
        file.read(record.data(), record.size());
        return record;
    }
    static double FixDouble(const std::array<char, 64>& record, int offset)
    {
        double value = 0;
        std::memcpy(&value, record.data() + offset, sizeof value);
        return value;
    }
    static std::string FixText(const std::array<char, 64>& record, int offset, int width)
    {
        const std::string bytes(record.data() + offset, static_cast<std::size_t>(width));
        return bytes.substr(0, bytes.find('\0'));
    }

    static void WriteLog(const std::string& path, LogKind kind, const std::vector<LogRow>& rows)
    {
        dataset::Dataset log(LogLayout(kind), "log");
        log.Open();
        for (const LogRow& row : rows) {
            log.Append();
            log.FieldByName("ServerDay").SetAsInteger(row.serverDay);
            log.FieldByName("CallDate").SetAsFloat(row.date);
            log.FieldByName("CallTime").SetAsFloat(row.time);
            log.FieldByName("CallType").SetAsText(row.callType);
            log.FieldByName("Client_ID").SetAsInteger(row.otherParty);
            log.FieldByName("Duration").SetAsInteger(row.duration);
            log.Post();
        }
        log.SaveToFile(path);
    }

    static std::vector<LogRow> ReadLog(const std::string& path, LogKind kind)
    {
        dataset::Dataset log(LogLayout(kind), "log");
        log.LoadFromFile(path);
        std::vector<LogRow> rows;
        for (log.First(); !log.Eof(); log.Next())
            rows.push_back({log.FieldByName("ServerDay").AsInteger(), log.FieldByName("CallType").AsText(),
                            log.FieldByName("Client_ID").AsInteger(),
                            log.FieldByName("Duration").AsInteger(),
                            log.FieldByName("CallDate").AsFloat(), log.FieldByName("CallTime").AsFloat()});
        return rows;
    }

    std::unique_ptr<TDataModule2> store;
    std::unique_ptr<TZeltServerForm1> window;

private:
    QTemporaryDir scratch_;
    QString previousDir_;
};

}  // namespace parlino::test
