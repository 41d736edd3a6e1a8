#include "GuiSeams.h"

#include "MessageBox.h"
#include "Regional.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QMessageBox>
#include <deque>

namespace Dialogs {
namespace {
std::deque<QString>& answers()
{
    static std::deque<QString> queue;
    return queue;
}

bool takeAnswer(QString& answer)
{
    if (answers().empty())
        return false;
    answer = answers().front();
    answers().pop_front();
    return true;
}

// "Fichier csv|*.csv" (the designed filter form) to Qt's "Fichier csv (*.csv)".
QString qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        result << QStringLiteral("%1 (%2)").arg(
            parts[i], QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')));
    return result.join(QStringLiteral(";;"));
}

// Qt's file model writes sizes and modification dates in the session's locale
// (QLocale::system(): "8 Dec 2026" under LANG=C); the dialogs show them in the program's
// regional formats, as every other date of the program. Sorting stays the model's own.
class RegionalFileColumns : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role == Qt::DisplayRole && files != nullptr) {
            const QModelIndex source = mapToSource(index);
            if (index.column() == 1 && !files->isDir(source))
                return Regional::Locale().formattedDataSize(files->size(source));
            if (index.column() == 3)
                return Regional::Locale().toString(files->lastModified(source),
                                                   QLocale::ShortFormat);
        }
        return QIdentityProxyModel::data(index, role);
    }
};

// Qt's own dialog, never the desktop's: it speaks the program's French whatever the session,
// and it keeps the options asked for.
void UseQtsOwnDialog(QFileDialog& dialog, QFileDialog::Options options)
{
    dialog.setOptions(options | QFileDialog::DontUseNativeDialog);
    dialog.setProxyModel(new RegionalFileColumns(&dialog));
}
} // namespace

QString GetExistingDirectory(QWidget* parent, const QString& caption)
{
    QString answer;
    if (takeAnswer(answer))
        return answer;
    // An existing folder only: no new folder, no renaming or deleting from its menu.
    QFileDialog dialog(parent, caption, QStringLiteral("/"));
    dialog.setFileMode(QFileDialog::Directory);
    UseQtsOwnDialog(dialog, QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
    if (auto* newFolder = dialog.findChild<QWidget*>(QStringLiteral("newFolderButton")))
        newFolder->hide();
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                        const QString& defaultSuffix)
{
    QString answer;
    if (takeAnswer(answer))
        return answer;
    QFileDialog dialog(parent, caption, QString(), qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    // The user has just chosen that name: an existing file is replaced without a question.
    UseQtsOwnDialog(dialog, QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void SetNextAnswer(const QString& answer)
{
    answers().push_back(answer);
}
void ClearAnswers()
{
    answers().clear();
}

} // namespace Dialogs

WaitCursor::WaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}
WaitCursor::~WaitCursor()
{
    QApplication::restoreOverrideCursor();
}

void InstallMessageBoxHandler()
{
    SetMessageHandler([](const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    });
}
