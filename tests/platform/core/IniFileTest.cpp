#include "platform/core/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace parlino {
namespace {

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(IniFile, MissingOrUnreadableFileGivesTheDefaults)
{
    std::filesystem::remove("absent.ini");
    const IniFile absent("absent.ini");
    EXPECT_FALSE(absent.sectionExists("Server"));
    EXPECT_EQ(absent.readInteger("Server", "TCP port", 1101), 1101);
    EXPECT_EQ(absent.readFloat("Server", "Net pay per min", 0.0), 0.0);
    EXPECT_EQ(absent.readString("Server", "Host name", "localhost"), "localhost");

    std::filesystem::create_directories("a_directory.ini");
    const IniFile directory("a_directory.ini");
    EXPECT_EQ(directory.readInteger("Server", "TCP port", 1101), 1101);
}

TEST(IniFile, ReadsKeysOfTheirOwnSectionIgnoringCaseAndBlanks)
{
    WriteFile("server.ini",
              "; settings\r\n"
              "[Other]\r\n"
              "TCP port=9\r\n"
              "[server]\r\n"
              "  tcp PORT = 2202 \r\n"
              "Net pay per min=1.25\r\n"
              "Pay per day=0,5\r\n"
              "Host name = voice.example\r\n");
    const IniFile ini("server.ini");
    EXPECT_TRUE(ini.sectionExists("Server"));
    EXPECT_EQ(ini.readInteger("Server", "TCP port", 1101), 2202);
    EXPECT_DOUBLE_EQ(ini.readFloat("Server", "Net pay per min", 0), 1.25);
    EXPECT_DOUBLE_EQ(ini.readFloat("Server", "Pay per day", 0), 0.5);
    EXPECT_EQ(ini.readString("Server", "Host name", ""), "voice.example");
    EXPECT_EQ(ini.readInteger("Other", "TCP port", 0), 9);
    EXPECT_EQ(ini.readInteger("Server", "Missing", 7), 7);
}

TEST(IniFile, ValuesThatAreNotNumbersGiveTheDefault)
{
    WriteFile("bad.ini",
              "[Server]\n"
              "TCP port=11o1\n"
              "Huge=99999999999\n"
              "Empty=\n"
              "Negative=-12\n"
              "Hex=$1F\n"
              "C hex=0x1\n"
              "Plus=+1\n"
              "Minus twice=--1\n"
              "Net pay per min=cheap\n"
              "Twice=1.2.3\n");
    const IniFile ini("bad.ini");
    EXPECT_EQ(ini.readInteger("Server", "TCP port", 1101), 1101);
    EXPECT_EQ(ini.readInteger("Server", "Huge", 5), 5);
    EXPECT_EQ(ini.readInteger("Server", "Empty", 5), 5);
    EXPECT_EQ(ini.readInteger("Server", "Negative", 5), -12);
    EXPECT_EQ(ini.readInteger("Server", "Hex", 5), 5);
    EXPECT_EQ(ini.readInteger("Server", "C hex", 5), 5);
    EXPECT_EQ(ini.readInteger("Server", "Plus", 5), 5);
    EXPECT_EQ(ini.readInteger("Server", "Minus twice", 5), 5);
    EXPECT_EQ(ini.readFloat("Server", "Net pay per min", 2.5), 2.5);
    EXPECT_EQ(ini.readFloat("Server", "Twice", 2.5), 2.5);
    EXPECT_EQ(ini.readString("Server", "Empty", "x"), "");
}

TEST(IniFile, WrittenKeysSurviveSavingAndOtherLinesAreKept)
{
    WriteFile("client.ini", "; keep me\n[Server]\nIP address=10.0.0.1\n");
    IniFile ini("client.ini");
    ini.writeString("server", "ip ADDRESS", "127.0.0.1");
    ini.writeInteger("Server", "TCP port", 1101);
    ini.writeString("Extra", "Name", "x");
    ASSERT_TRUE(ini.save());

    const std::string text = ReadFile("client.ini");
    EXPECT_NE(text.find("; keep me"), std::string::npos);
    const IniFile again("client.ini");
    EXPECT_EQ(again.readString("Server", "IP address", ""), "127.0.0.1");
    EXPECT_EQ(again.readInteger("Server", "TCP port", 0), 1101);
    EXPECT_EQ(again.readString("Extra", "Name", ""), "x");
    EXPECT_EQ(text.find("10.0.0.1"), std::string::npos);

    std::filesystem::create_directories("blocked");
    EXPECT_FALSE(IniFile("blocked").save());
}

}  // namespace
}  // namespace parlino
