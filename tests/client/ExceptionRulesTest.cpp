#include "client/ExceptionRules.h"

#include "platform/ui/ApplicationExceptions.h"
#include "platform/ui/ControlTag.h"

#include <QLineEdit>

#include <gtest/gtest.h>

namespace parlino {
namespace {

struct RuleCase {
    const char* what;
    int tag;
    std::exception_ptr error;
    bool standard;
    const char* text;
    bool deleteTypedChar;
};

TEST(ExceptionRulesTest, TagsPickTheMessage)
{
    const auto mask = std::make_exception_ptr(ui::MaskInputError());
    const auto key = std::make_exception_ptr(ui::GridKeyError());
    // The mask error's text raised as something else is no mask error.
    const auto maskText = std::make_exception_ptr(std::runtime_error(ui::MaskInputError().what()));
    const auto other = std::make_exception_ptr(std::runtime_error("Cannot read wave data"));
    const char* const mask_ = "Invalid input value.  Use escape key to abandon changes";
    const char* const key_ = "Key may not contain equals sign (\"=\")";
    const RuleCase cases[] = {
        {"mask error, Client ID field", 1, mask, false, "Invalid Client_ID number", false},
        {"mask error, IP octet", 2, mask, false, "IP address error", false},
        {"mask error, untagged", 0, mask, true, mask_, false},
        {"mask error, name grid", 3, mask, true, mask_, false},
        {"mask text from elsewhere", 1, maskText, true, mask_, false},
        {"'=' in a name grid", 3, key, false, "Name may not contain\r\nequals sign (\"=\")", true},
        {"'=' elsewhere", 1, key, true, key_, false},
        {"anything else", 3, other, true, "Cannot read wave data", false},
    };
    for (const RuleCase& c : cases) {
        QLineEdit control;
        ui::setTag(&control, c.tag);
        try {
            std::rethrow_exception(c.error);
        } catch (const std::exception& error) {
            const ExceptionResponse response = ChooseExceptionResponse(&control, error);
            EXPECT_EQ(response.standard, c.standard) << c.what;
            EXPECT_EQ(response.text, QString::fromUtf8(c.text)) << c.what;
            EXPECT_EQ(response.caption, c.standard ? QString() : QStringLiteral("Error")) << c.what;
            EXPECT_EQ(response.deleteTypedChar, c.deleteTypedChar) << c.what;
        }
    }
}

TEST(ExceptionRulesTest, NoControlGivesTheStandardDisplay)
{
    const ExceptionResponse response = ChooseExceptionResponse(nullptr, ui::MaskInputError());
    EXPECT_TRUE(response.standard);
}

}  // namespace
}  // namespace parlino
