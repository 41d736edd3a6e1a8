#include "QtTranslation.h"

#include <QCoreApplication>
#include <QTranslator>

// Q_INIT_RESOURCE may not be used inside a namespace.
static void registerTranslations()
{
    Q_INIT_RESOURCE(qt_translations);
}

bool InstallQtFrenchTranslation()
{
    registerTranslations();
    // Owned by the application object, so that it lives as long as the texts it translates.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral(":/translations/qtbase_fr.qm"))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
