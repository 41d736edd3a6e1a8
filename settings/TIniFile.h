#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The settings file (Cordalis.ini), with the behaviour of the Windows private-profile
// functions: section and key names found without regard to case, the first occurrence of a
// duplicate section or key wins, every write reaches the disk at once (atomically: a
// temporary file beside it, then a rename), and the first write creates the file and the
// section. Booleans are written 1/0 and read as integers. A file that is valid UTF-8 is read
// as UTF-8, otherwise as windows-1252, and is written back in the encoding it was read in.
// The file holds passwords: one the program creates is readable and writable by its owner
// only; an existing file keeps its permissions.
//
// Each use constructs a TIniFile on the path, reads or writes, and lets it go.
class TIniFile
{
public:
    // Changes gathered in order and applied by Apply in one rewrite of the file, so that a
    // save made of several writes (or of a section replaced by new keys) leaves the file
    // with all of them or none of them, never a part, whatever happens during the save.
    class Changes
    {
    public:
        Changes& WriteString(const QString& section, const QString& key, const QString& value);
        Changes& WriteInteger(const QString& section, const QString& key, int value);
        Changes& WriteBool(const QString& section, const QString& key, bool value);
        // Removes every section of that name, as EraseSection does.
        Changes& EraseSection(const QString& section);

    private:
        friend class TIniFile;
        struct Change
        {
            bool erase = false;
            QString section;
            QString key;
            QString value;
        };
        std::vector<Change> changes_;
    };

    explicit TIniFile(QString fileName);

    QString FileName() const { return fileName_; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // An absent key or a value that is not an integer gives the default.
    int ReadInteger(const QString& section, const QString& key, int def) const;
    // Read as an integer: non-zero is true.
    bool ReadBool(const QString& section, const QString& key, bool def) const;

    // Each write throws IniWriteError (naming the file) when the system refuses it.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);

    bool SectionExists(const QString& section) const;
    void EraseSection(const QString& section);

    // Applies the changes in their order by one atomic rewrite of the file. Every name and
    // value is checked first: a refused one throws IniWriteError and nothing is written. The
    // file is not touched (nor created) when no change alters it, as when only absent
    // sections are erased. Throws IniWriteError when the system refuses the write.
    void Apply(const Changes& changes);
    // One "key=value" line per key of the section, in file order.
    void ReadSectionValues(const QString& section, QStringList& list) const;

private:
    QString fileName_;
};
