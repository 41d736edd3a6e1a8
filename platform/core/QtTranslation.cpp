#include "QtTranslation.h"

#include <QCoreApplication>
#include <QTranslator>

// Q_INIT_RESOURCE may not be used inside a namespace.
static void registerTranslations()
{
    Q_INIT_RESOURCE(qt_translations);
}

namespace {

// Texts Qt draws that its French catalogue of this Qt version lacks (the file type column of
// the file dialogs moved to a context the catalogue does not have yet). Asked first; what it
// does not know goes on to Qt's catalogue.
class MissingQtFrench : public QTranslator
{
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char*, int) const override
    {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return QString();
        static const struct
        {
            const char* english;
            const char* french;
        } texts[] = {{"Drive", "Lecteur"}, {"Folder", "Dossier"}, {"Unknown", "Inconnu"}};
        for (const auto& text : texts) {
            if (qstrcmp(sourceText, text.english) == 0)
                return QString::fromUtf8(text.french);
        }
        return QString();
    }
    bool isEmpty() const override { return false; }
};

} // namespace

bool InstallQtFrenchTranslation()
{
    registerTranslations();
    // Owned by the application object, so that they live as long as the texts they translate.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral(":/translations/qtbase_fr.qm"))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator) &&
           QCoreApplication::installTranslator(new MissingQtFrench(QCoreApplication::instance()));
}
