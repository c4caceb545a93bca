// A scratch data folder made current for one test, with the installation's table files.
#pragma once

#include "server/DataUnit2.h"
#include "tools/TableInstaller.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace parlino::test {

class DataFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = std::filesystem::current_path();
        folder_ = previous_ / "data" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        std::filesystem::current_path(folder_);
        tools::InstallTables(folder_, Content(), FixedNow);
    }
    void TearDown() override { std::filesystem::current_path(previous_); }
    virtual tools::InstallContent Content() const { return tools::InstallContent::Empty; }

    static constexpr double FixedNow = 46000.5;  // a fixed date at noon
    std::filesystem::path folder_;

private:
    std::filesystem::path previous_;
};

}  // namespace parlino::test
