#include "Conversions.h"

#include <QString>
#include <gtest/gtest.h>

namespace {

TEST(ConversionsTest, IntegersReadAsTheSettingsAlwaysHaveBeen)
{
    EXPECT_EQ(StrToIntDef(u"12", 5), 12);
    EXPECT_EQ(StrToIntDef(u"-7", 5), -7);
    EXPECT_EQ(StrToIntDef(u"+7", 5), 7);
    EXPECT_EQ(StrToIntDef(u"$1F", 5), 31);
    EXPECT_EQ(StrToIntDef(u"-0x10", 5), -16);
    EXPECT_EQ(StrToIntDef(u"2147483647", 5), 2147483647);
    EXPECT_EQ(StrToIntDef(u"-2147483648", 5), -2147483647 - 1);
    for (const char16_t* bad :
         {u"", u"douze", u"12abc", u" 12", u"12 ", u"1.5", u"--1", u"+-1", u"$", u"0x", u"$G",
          u"2147483648", u"99999999999999999999", u"١٢"}) {
        int value = 42;
        EXPECT_FALSE(TryStrToInt(QStringView(bad), value)) << QString::fromUtf16(bad).toStdString();
        EXPECT_EQ(value, 42);
    }
}

} // namespace
