// cordalis-demo-data: writes the demo head office used by scripts/demo.sh.
//
//   cordalis-demo-data --tables DIR          the head-office tables of the alias folder
//   cordalis-demo-data --rapports DIR        franchisee reports (DIR) and histories
//                                            (DIR/Historique), dated from today
//   cordalis-demo-data --ini FILE --alias DIR --cible DIR --port-ftp N --port-rapport N
//                                            fills the demo settings file
//
// Options combine; dates use the regional settings the program itself reads them with.

#include "DemoHeadOffice.h"
#include "Errors.h"
#include "Regional.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <exception>

namespace {

int Usage()
{
    std::fputs("usage: cordalis-demo-data [--tables DIR] [--rapports DIR]\n"
               "       [--ini FILE --alias DIR --cible DIR --port-ftp N --port-rapport N]\n",
               stderr);
    return 2;
}

void Say(const QString& text)
{
    std::fprintf(stdout, "%s\n", text.toUtf8().constData());
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QString tables, rapports, ini, alias, cible;
    DemoServers servers;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (i + 1 >= args.size())
            return Usage();
        const QString value = args[++i];
        bool ok = true;
        if (a == QLatin1String("--tables"))
            tables = value;
        else if (a == QLatin1String("--rapports"))
            rapports = value;
        else if (a == QLatin1String("--ini"))
            ini = value;
        else if (a == QLatin1String("--alias"))
            alias = value;
        else if (a == QLatin1String("--cible"))
            cible = value;
        else if (a == QLatin1String("--port-ftp"))
            servers.ftpPort = value.toInt(&ok);
        else if (a == QLatin1String("--port-rapport"))
            servers.rapportPort = value.toInt(&ok);
        else
            return Usage();
        if (!ok)
            return Usage();
    }
    if (tables.isEmpty() && rapports.isEmpty() && ini.isEmpty())
        return Usage();
    if (!ini.isEmpty() &&
        (alias.isEmpty() || cible.isEmpty() || servers.ftpPort <= 0 || servers.rapportPort <= 0))
        return Usage();

    try {
        if (!tables.isEmpty()) {
            const DemoCounts c = WriteDemoTables(tables);
            Say(QStringLiteral("Tables : %1 fournisseurs, %2 conditions d'achat, %3 modèles, "
                               "%4 messages, %5 documents.")
                    .arg(c.fournisseurs)
                    .arg(c.remises)
                    .arg(c.perso)
                    .arg(c.messages)
                    .arg(c.docs));
        }
        if (!rapports.isEmpty()) {
            const DemoCounts c = WriteDemoReports(rapports, Regional::Today());
            Say(QStringLiteral("Rapports : %1 franchisés, %2 historiques.")
                    .arg(c.rapports)
                    .arg(c.historiques));
        }
        if (!ini.isEmpty())
            WriteDemoSettings(ini, alias, cible, servers);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cordalis-demo-data : %s\n", e.what());
        return 1;
    }
    return 0;
}
