#include "platform/ui/EditMask.h"

#include <gtest/gtest.h>

namespace parlino::ui {
namespace {

struct MaskCase {
    const char* mask;
    const char* typed;
    bool canHold;
    bool complete;
};

// The masks of the softphone's dialogs: octets with and without their dot, the Client ID.
const MaskCase Cases[] = {
    {"!990\\.;0;_", "", true, false},
    {"!990\\.;0;_", "1", true, true},
    {"!990\\.;0;_", "127", true, true},
    {"!990\\.;0;_", "1270", false, false},
    {"!990\\.;0;_", "1.", false, false},
    {"!990;0;_", "", true, false},
    {"!990;0;_", "25", true, true},
    {"!990;0;_", "x", false, false},
    {"999;0; ", "", true, true},
    {"999;0; ", "800", true, true},
    {"999;0; ", "8000", false, false},
    {"999;0; ", "-1", false, false},
    // Without '!' the digits fill from the left, so a required last digit needs them all.
    {"990;0;_", "1", true, false},
    {"990;0;_", "123", true, true},
    {"000;1;_", "12", true, false},
};

TEST(EditMaskTest, TypedTextAgainstMask)
{
    for (const MaskCase& c : Cases) {
        const EditMask mask{QString::fromLatin1(c.mask)};
        const QString typed = QString::fromLatin1(c.typed);
        EXPECT_EQ(mask.canHold(typed), c.canHold) << c.mask << " with \"" << c.typed << '"';
        EXPECT_EQ(mask.isComplete(typed), c.complete) << c.mask << " with \"" << c.typed << '"';
    }
}

TEST(EditMaskTest, SectionsAndLiterals)
{
    const EditMask octet(QStringLiteral("!990\\.;0;_"));
    EXPECT_EQ(octet.digitCount(), 3);
    EXPECT_EQ(octet.maxLength(), 4);
    EXPECT_EQ(octet.literals(), QStringLiteral("."));
    EXPECT_FALSE(octet.keepsLiterals());
    EXPECT_EQ(octet.blank(), QLatin1Char('_'));

    const EditMask number(QStringLiteral("999;0; "));
    EXPECT_EQ(number.maxLength(), 3);
    EXPECT_EQ(number.blank(), QLatin1Char(' '));

    const EditMask bare(QStringLiteral("00"));
    EXPECT_TRUE(bare.keepsLiterals());
    EXPECT_EQ(bare.blank(), QLatin1Char('_'));
}

}  // namespace
}  // namespace parlino::ui
