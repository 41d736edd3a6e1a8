#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

// The GUI pieces a test cannot click through: the folder browser and the save-file dialog.
// Without an answer queued by a test they show the real dialogs: Qt's own, never the
// desktop's, so that they speak French with the rest of the program.
namespace Dialogs {

// Folder browser: existing directories only (no new-folder button), rooted at the file
// system root. Empty when cancelled.
QString GetExistingDirectory(QWidget* parent, const QString& caption);
// Save-file dialog with a filter in the "Description|*.ext" form and a default extension; an
// existing file is chosen without a confirmation. Empty when cancelled.
QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                        const QString& defaultSuffix);

// Test seam: the answer the next dialog gives without showing itself (an empty text =
// cancelled). Each queued answer is used once.
void SetNextAnswer(const QString& answer);
void ClearAnswers();

} // namespace Dialogs

// Shows the hourglass while it lives; restored on every path, exceptions included.
class WaitCursor
{
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Installs the message handler that shows a real modal message box with an OK button.
void InstallMessageBoxHandler();
