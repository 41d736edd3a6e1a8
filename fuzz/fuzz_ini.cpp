// The settings file reader on any bytes: every read must give a value or the default, and a
// write followed by a read must give back what was written.
#include "FuzzSupport.h"
#include "TIniFile.h"

#include "Errors.h"

#include <QStringList>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path =
        WriteFuzzFile(QStringLiteral("Cordalis.ini"), reinterpret_cast<const char*>(data), size);
    TIniFile ini(path);
    static const QStringList sections = {QStringLiteral("Cordalis"), QStringLiteral("FTP"),
                                         QStringLiteral("Exclusions"), QStringLiteral("é")};
    static const QStringList keys = {QStringLiteral("Alias"), QStringLiteral("Port"),
                                     QStringLiteral("Actif"), QString()};
    QStringList lines;
    for (const QString& section : sections) {
        (void)ini.SectionExists(section);
        ini.ReadSectionValues(section, lines);
        for (const QString& key : keys) {
            (void)ini.ReadString(section, key, QStringLiteral("def"));
            (void)ini.ReadInteger(section, key, 7);
            (void)ini.ReadBool(section, key, false);
        }
    }
    try {
        ini.WriteString(QStringLiteral("FTP"), QStringLiteral("Port"), QStringLiteral("2121"));
        if (ini.ReadInteger(QStringLiteral("FTP"), QStringLiteral("Port"), 0) != 2121)
            std::abort(); // a write that is not read back
        ini.EraseSection(QStringLiteral("Cordalis"));
        if (ini.SectionExists(QStringLiteral("Cordalis")))
            std::abort(); // an erased section still found
    } catch (const CordalisError&) {
        // A file we may not rewrite (e.g. unreadable) is refused with a message: fine.
    }
    return 0;
}
