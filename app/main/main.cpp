#include "CordalisApplication.h"
#include "GuiResources.h"
#include "GuiSeams.h"
#include "ProgramPaths.h"
#include "TDM.h"
#include "TFicheCordalis.h"
#include "TFicheNativeXML.h"

int main(int argc, char** argv)
{
    CordalisApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Cordalis"));
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
