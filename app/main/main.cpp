#include "CordalisApplication.h"
#include "GuiResources.h"
#include "GuiSeams.h"
#include "ProgramPaths.h"
#include "TDM.h"
#include "TFicheCordalis.h"
#include "TFicheNativeXML.h"

#include <QFont>

int main(int argc, char** argv)
{
    CordalisApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Cordalis"));
    // The forms were designed in Tahoma 8 pt; where Tahoma is missing the system's closest
    // sans-serif font stands in at the same size.
    QApplication::setFont(QFont(QStringLiteral("Tahoma"), 8));
    InstallMessageBoxHandler();
    try {
        // The installation is the executable's own folder, whatever the working directory.
        ProgramPaths::Init(QCoreApplication::applicationDirPath());
        InitGuiResources();
        ApplyStyleSheet();

        TFicheCordalis ficheCordalis;
        TFicheNativeXML ficheNativeXml;
        TDM dm;
        ficheCordalis.show();
        app.exec();
    } catch (...) {
        CordalisApplication::ShowCurrentException();
    }
    return 0;
}
