#pragma once

#include <QString>
#include <cstdio>

// What a run without a window says: each step one line on the standard output, each message
// the window would show in a box one line on the standard error, both prefixed with the local
// date and time (in the program's regional formats) so that a log read later tells when. A
// text's own line breaks and tabs become single spaces: a journal or a mail from cron keeps
// one message per line.
class Console
{
public:
    // A step, on the standard output.
    void Step(const QString& text);
    // A line that belongs to the step before it (a report's detail text), on the standard
    // output, indented and without the date.
    void Detail(const QString& text);
    // A message, on the standard error.
    void Message(const QString& text);

    // Makes this console the message seam's sink: every ShowMessage of the program goes to
    // Message. Undone when the console is destroyed.
    void InstallAsMessageHandler();
    ~Console();

    // The text on one line: every run of blanks holding a line break or a tab becomes one
    // space, and the ends are trimmed.
    static QString OneLine(const QString& text);

private:
    bool installed_ = false;
};

// Prints a text on stream (a file of the C library: stdout, stderr) in UTF-8; false when it
// could not be written (a closed or full output).
bool PrintText(std::FILE* stream, const QString& text);

// An exception without a text of its own, as the runs without a window tell it.
inline QString ErreurSansTexte()
{
    return QStringLiteral("Erreur inattendue.");
}
