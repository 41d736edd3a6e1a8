#include "Regional.h"
#include "Errors.h"

#include <gtest/gtest.h>

namespace {

// Every test runs under French regional settings and a fixed clock, whatever the machine's.
class RegionalTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Regional::SetLocale(QLocale(QLocale::French, QLocale::France));
        Regional::SetClock([] { return QDateTime(QDate(2024, 3, 12), QTime(9, 30, 15)); });
    }
    void TearDown() override
    {
        Regional::ResetLocale();
        Regional::SetClock({});
    }

    static QDateTime Parse(const QString& text)
    {
        QDateTime result;
        EXPECT_TRUE(Regional::TryStrToDateTime(text, result)) << text.toStdString();
        return result;
    }
    static bool Refused(const QString& text)
    {
        QDateTime result(QDate(1999, 1, 1), QTime(1, 2, 3));
        const bool ok = Regional::TryStrToDateTime(text, result);
        // A refused text leaves the caller's value alone.
        EXPECT_EQ(result, QDateTime(QDate(1999, 1, 1), QTime(1, 2, 3)));
        return !ok;
    }
};

TEST_F(RegionalTest, ClockAndDaysFollowTheInstalledClock)
{
    EXPECT_EQ(Regional::Today(), QDate(2024, 3, 12));
    EXPECT_EQ(Regional::Now(), QDateTime(QDate(2024, 3, 12), QTime(9, 30, 15)));
    EXPECT_EQ(Regional::AddDays(Regional::Today(), -15), QDate(2024, 2, 26));
    EXPECT_EQ(Regional::AddDays(QDate(2024, 12, 31), 1), QDate(2025, 1, 1));

    Regional::SetClock({});
    EXPECT_LE(qAbs(Regional::Now().secsTo(QDateTime::currentDateTime())), 5);
}

TEST_F(RegionalTest, FrenchTextForms)
{
    EXPECT_EQ(Regional::DateToStr(QDate(2020, 5, 28)), "28/05/2020");
    EXPECT_EQ(Regional::TimeToStr(QTime(14, 3, 9)), "14:03:09");
    EXPECT_EQ(Regional::DateTimeToStr(QDateTime(QDate(2024, 3, 2), QTime(7, 5, 0))),
              "02/03/2024 07:05:00");
    // Exactly midnight: the date alone. One millisecond later the time is written.
    EXPECT_EQ(Regional::DateTimeToStr(QDateTime(QDate(2024, 3, 2), QTime(0, 0))), "02/03/2024");
    EXPECT_EQ(Regional::DateTimeToStr(QDateTime(QDate(2024, 3, 2), QTime(0, 0, 0, 1))),
              "02/03/2024 00:00:00");
}

TEST_F(RegionalTest, ParsesDatesAloneAndWithTimes)
{
    EXPECT_EQ(Parse("12/03/2024"), QDateTime(QDate(2024, 3, 12), QTime(0, 0)));
    EXPECT_EQ(Parse("1/2/2024"), QDateTime(QDate(2024, 2, 1), QTime(0, 0)));
    EXPECT_EQ(Parse("12/03/2024 14:05:09"), QDateTime(QDate(2024, 3, 12), QTime(14, 5, 9)));
    EXPECT_EQ(Parse("12/03/2024 14:05"), QDateTime(QDate(2024, 3, 12), QTime(14, 5)));
    EXPECT_EQ(Parse("  12/03/2024   8:05:09 "), QDateTime(QDate(2024, 3, 12), QTime(8, 5, 9)));
    EXPECT_EQ(Parse("12/03/2024 14:05:09.5"), QDateTime(QDate(2024, 3, 12), QTime(14, 5, 9, 500)));
    EXPECT_EQ(Parse("29/02/2024"), QDateTime(QDate(2024, 2, 29), QTime(0, 0)));
    // Two-digit years fall within fifty years of today.
    EXPECT_EQ(Parse("12/03/24").date(), QDate(2024, 3, 12));
    EXPECT_EQ(Parse("12/03/95").date(), QDate(1995, 3, 12));
}

TEST_F(RegionalTest, RoundTripsItsOwnText)
{
    for (const QDateTime& value : {QDateTime(QDate(2024, 3, 12), QTime(0, 0)),
                                   QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59)),
                                   QDateTime(QDate(2030, 1, 1), QTime(0, 0, 1))}) {
        EXPECT_EQ(Parse(Regional::DateTimeToStr(value)), value);
    }
}

TEST_F(RegionalTest, RefusesWhatIsNotADate)
{
    EXPECT_TRUE(Refused(""));
    EXPECT_TRUE(Refused("   "));
    EXPECT_TRUE(Refused("xx"));
    EXPECT_TRUE(Refused("31/02/2024"));
    EXPECT_TRUE(Refused("12/13/2024"));
    EXPECT_TRUE(Refused("12/03"));
    EXPECT_TRUE(Refused("12/03/2024/1"));
    EXPECT_TRUE(Refused("2024-03-12"));
    EXPECT_TRUE(Refused("12/03/2024 25:00"));
    EXPECT_TRUE(Refused("12/03/2024 14"));
    EXPECT_TRUE(Refused("12/03/2024 14:05 demain"));
    EXPECT_TRUE(Refused("+1/03/2024"));
    EXPECT_TRUE(Refused("１２/03/2024")); // full-width digits are not digits here

    try {
        Regional::StrToDateTime("xx");
        FAIL() << "no ConvertError";
    } catch (const ConvertError& error) {
        EXPECT_EQ(error.text(), "'xx' n'est pas une date et heure correcte");
    }
    EXPECT_EQ(Regional::StrToDateTime("02/03/2024 07:05:00"),
              QDateTime(QDate(2024, 3, 2), QTime(7, 5)));
}

TEST_F(RegionalTest, FollowsTheInstalledLocale)
{
    Regional::SetLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(Regional::DateToStr(QDate(2024, 3, 12)), "3/12/24");
    EXPECT_EQ(Parse("3/12/2024 2:05 PM"), QDateTime(QDate(2024, 3, 12), QTime(14, 5)));
    EXPECT_EQ(Parse(Regional::DateTimeToStr(QDateTime(QDate(2024, 3, 12), QTime(0, 5, 6)))),
              QDateTime(QDate(2024, 3, 12), QTime(0, 5, 6)));

    Regional::SetLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(Parse("12.3.2024 14:05").date(), QDate(2024, 3, 12));

    // A locale that spells the month out still reads back its own text.
    Regional::SetLocale(QLocale::c());
    const QDateTime value(QDate(2024, 3, 12), QTime(14, 5, 9));
    EXPECT_EQ(Parse(Regional::DateTimeToStr(value)), value);
    EXPECT_EQ(Parse(Regional::DateToStr(value.date())).date(), value.date());
}

// The head office's formats, not the session's: French unless a locale is chosen by name.
TEST(RegionalLocale, FrenchByDefaultAnotherByName)
{
    Regional::ResetLocale();
    EXPECT_EQ(Regional::Locale().name(), "fr_FR");
    EXPECT_EQ(Regional::Locale().decimalPoint(), ",");
    EXPECT_EQ(Regional::DateTimeToStr(QDateTime(QDate(2026, 12, 8), QTime(8, 15, 30))),
              "08/12/2026 08:15:30");

    const auto named = [](const QString& name) {
        const std::optional<QLocale> locale = Regional::LocaleNamed(name);
        return locale ? locale->name() : QStringLiteral("<aucun>");
    };
    EXPECT_EQ(named("fr_BE"), "fr_BE");
    EXPECT_EQ(named(" fr-CH "), "fr_CH");
    EXPECT_EQ(named("de_CH"), "de_CH");
    EXPECT_EQ(named("fr"), "fr_FR");
    EXPECT_EQ(named("sr_Latn_RS"), "sr_RS");
    EXPECT_EQ(named("fr_BE.UTF-8"), "fr_BE");
    EXPECT_EQ(named("de_CH@euro"), "de_CH");
    // Qt would answer these with the C locale or with another territory's formats.
    for (const char* unknown :
         {"", " ", "C", "POSIX", "xx", "xx_YY", "fr_ZZ", ".UTF-8", "français", "_"})
        EXPECT_EQ(named(QString::fromUtf8(unknown)), "<aucun>") << unknown;

    Regional::SetLocale(*Regional::LocaleNamed("fr_CH"));
    EXPECT_EQ(Regional::DateToStr(QDate(2026, 12, 8)), "08.12.26");
    QDateTime read;
    EXPECT_TRUE(Regional::TryStrToDateTime("08.12.26 08:15:30", read));
    EXPECT_EQ(read, QDateTime(QDate(2026, 12, 8), QTime(8, 15, 30)));
    Regional::ResetLocale();
    EXPECT_EQ(Regional::Locale().name(), "fr_FR");
}

} // namespace
