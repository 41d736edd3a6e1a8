#include "GuiResources.h"

#include "MessageBox.h"

#include <QApplication>
#include <QFile>

// Q_INIT_RESOURCE may not be used inside a namespace.
static void registerResources()
{
    Q_INIT_RESOURCE(cordalis_gui);
}

void InitGuiResources()
{
    static const bool registered = (registerResources(), true);
    (void)registered;
}

bool ApplyStyleSheet(const QString& resourcePath)
{
    InitGuiResources();
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly)) {
        // A compiled-in resource can only be missing, never unreadable.
        ShowMessage(
            QStringLiteral("Impossible d'appliquer le style visuel « Smokey Quartz Kamri » : "
                           "la ressource %1 est introuvable.")
                .arg(resourcePath));
        return false;
    }
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr)
        return false;
    app->setStyleSheet(QString::fromUtf8(file.readAll()));
    return true;
}
