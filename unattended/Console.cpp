#include "Console.h"

#include "Errors.h"
#include "MessageBox.h"
#include "Regional.h"

#include <QRegularExpression>
#include <cstdio>

namespace {

void Write(std::FILE* stream, const QString& line)
{
    // A closed output (the reader went away) must not stop the run: its files matter more
    // than its log.
    PrintText(stream, line + QLatin1Char('\n'));
}

QString Stamp()
{
    const QDateTime now = Regional::Now();
    return Regional::DateToStr(now.date()) + QLatin1Char(' ') + Regional::TimeToStr(now.time()) +
           QLatin1Char(' ');
}

} // namespace

void Console::Step(const QString& text)
{
    Write(stdout, Stamp() + OneLine(text));
}

void Console::Detail(const QString& text)
{
    Write(stdout, QStringLiteral("    ") + OneLine(text));
}

void Console::Message(const QString& text)
{
    Write(stderr, Stamp() + OneLine(text));
}

void Console::InstallAsMessageHandler()
{
    SetMessageHandler([this](const QString& text) { Message(text); });
    installed_ = true;
}

Console::~Console()
{
    if (installed_)
        SetMessageHandler(nullptr);
}

bool PrintText(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) ==
               size_t(bytes.size()) &&
           std::fflush(stream) == 0;
}

QString Console::OneLine(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n\\t]\\s*"));
    return QString(text).replace(breaks, QStringLiteral(" ")).trimmed();
}
