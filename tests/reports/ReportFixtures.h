#pragma once

#include "Errors.h"
#include "Regional.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <optional>

// Builders of report and history files as the franchisees' update program writes them, and
// a fixture that fixes the clock (12/03/2024 10:00) and French regional settings.
namespace fixtures {

struct Section
{
    // The Etat attribute; nullopt leaves it out.
    std::optional<QString> etat = QStringLiteral("0");
    QStringList messages;
    bool withEtatElement = true;
    bool withMessagesElement = true;
};

inline Section Ok(QStringList messages = {})
{
    return {QStringLiteral("0"), messages};
}
inline Section Ko(QStringList messages, const QString& etat = QStringLiteral("1"))
{
    return {etat, messages};
}

inline QString SectionXml(const QString& name, const Section& s)
{
    QString xml = QLatin1Char('<') + name + QLatin1Char('>');
    if (s.withEtatElement)
        xml +=
            s.etat ? QStringLiteral("<Etat Etat=\"%1\"/>").arg(*s.etat) : QStringLiteral("<Etat/>");
    if (s.withMessagesElement) {
        xml += QStringLiteral("<Messages>");
        for (const QString& m : s.messages)
            xml += QStringLiteral("<Message>") + m.toHtmlEscaped() + QStringLiteral("</Message>");
        xml += QStringLiteral("</Messages>");
    }
    return xml + QStringLiteral("</") + name + QLatin1Char('>');
}

// A record (a report's root or a history Item) with its Date and three sections.
inline QString RecordXml(const QString& tag, const QString& date, const Section& general,
                         const Section& cdl, const Section& quillfen)
{
    return QStringLiteral("<%1 Date=\"%2\">").arg(tag, date) +
           SectionXml(QStringLiteral("General"), general) + SectionXml(QStringLiteral("CDL"), cdl) +
           SectionXml(QStringLiteral("Quillfen"), quillfen) + QStringLiteral("</%1>").arg(tag);
}

inline QByteArray Document(const QString& body)
{
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") + body).toUtf8();
}

inline QByteArray Report(const QString& date, const Section& general = Ok(),
                         const Section& cdl = Ok(), const Section& quillfen = Ok())
{
    return Document(RecordXml(QStringLiteral("Velmora"), date, general, cdl, quillfen));
}

// Today in the fixed clock.
inline QDateTime Now()
{
    return QDateTime(QDate(2024, 3, 12), QTime(10, 0));
}
inline QDateTime DaysAgo(int days, QTime time = QTime(8, 30))
{
    return QDateTime(Now().date().addDays(-days), time);
}
inline QString DateText(const QDateTime& d)
{
    return d.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

// The connection count of the report passes under test when the environment variable
// CORDALIS_TEST_CONNEXIONS gives one (ctest runs the report tests a second time with 1: a
// single connection, as before passes downloaded over several); none: the settings' default.
inline std::optional<int> ConnexionsImposees()
{
    bool ok = false;
    const int connexions = qEnvironmentVariableIntValue("CORDALIS_TEST_CONNEXIONS", &ok);
    return ok ? std::optional<int>(connexions) : std::nullopt;
}

class FrenchClock : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Regional::SetLocale(QLocale(QLocale::French, QLocale::France));
        Regional::SetClock([] { return Now(); });
    }
    void TearDown() override
    {
        Regional::SetClock({});
        Regional::ResetLocale();
    }
};

} // namespace fixtures
