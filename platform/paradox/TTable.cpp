#include "TTable.h"

#include "CodePage.h"
#include "Errors.h"
#include "ParadoxFile.h"

namespace {

QString Quoted(const QString& s)
{
    return QStringLiteral("« %1 »").arg(s);
}

const CodePage& Ansi()
{
    static const CodePage ansi(1252);
    return ansi;
}

} // namespace

// ---- TField ------------------------------------------------------------------------------

QString TField::FieldName() const
{
    return file_->Fields()[static_cast<size_t>(column_)].name;
}

FieldKind TField::Kind() const
{
    return file_->Fields()[static_cast<size_t>(column_)].kind;
}

bool TField::IsNull() const
{
    return file_->IsNull(file_->Fields()[static_cast<size_t>(column_)]);
}

QString TField::AsString() const
{
    return file_->Text(file_->Fields()[static_cast<size_t>(column_)]);
}

QByteArray TField::AsAnsiString() const
{
    return Ansi().Encode(AsString());
}

int TField::AsInteger() const
{
    return file_->Integer(file_->Fields()[static_cast<size_t>(column_)]);
}

// ---- TTable ------------------------------------------------------------------------------

TTable::TTable(QString folder, QString tableName, QStringList fixedFields)
    : folder_(std::move(folder)), tableName_(std::move(tableName)),
      fixedFields_(std::move(fixedFields))
{
}

TTable::~TTable() = default;

bool TTable::Active() const
{
    return file_ != nullptr;
}

void TTable::Open()
{
    if (file_)
        return;
    auto file = std::make_unique<ParadoxFile>(folder_, tableName_, defaultCodePage_);
    const auto& columns = file->Fields();
    std::vector<TField> fields;
    if (fixedFields_.isEmpty()) {
        for (size_t i = 0; i < columns.size(); ++i)
            fields.push_back(TField(file.get(), static_cast<int>(i)));
    } else {
        for (const QString& name : fixedFields_) {
            int found = -1;
            for (size_t i = 0; i < columns.size() && found < 0; ++i)
                if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
                    found = static_cast<int>(i);
            if (found < 0)
                throw TableError(QStringLiteral("Le champ %1 est introuvable dans la table %2.")
                                     .arg(Quoted(name), Quoted(tableName_)));
            fields.push_back(TField(file.get(), found));
        }
    }
    file_ = std::move(file);
    fields_ = std::move(fields);
}

void TTable::Close()
{
    fields_.clear();
    file_.reset();
}

std::vector<TableSourceFile> TTable::SourceFiles() const
{
    return file_ ? file_->SourceFiles() : std::vector<TableSourceFile>();
}

void TTable::RequireOpen() const
{
    if (!file_)
        throw TableError(QStringLiteral("La table %1 n'est pas ouverte.").arg(Quoted(tableName_)));
}

void TTable::First()
{
    RequireOpen();
    file_->First();
}

void TTable::Next()
{
    RequireOpen();
    file_->Next();
}

bool TTable::Eof() const
{
    RequireOpen();
    return file_->Eof();
}

int TTable::RecordCount() const
{
    RequireOpen();
    return file_->RecordCount();
}

int TTable::RecNo() const
{
    RequireOpen();
    return file_->RecordNumber();
}

int TTable::FieldCount() const
{
    if (!file_)
        return static_cast<int>(fixedFields_.size());
    return static_cast<int>(fields_.size());
}

TField& TTable::Fields(int index)
{
    RequireOpen();
    if (index < 0 || index >= static_cast<int>(fields_.size()))
        throw TableError(QStringLiteral("La table %1 n'a pas de champ n° %2 (elle en a %3).")
                             .arg(Quoted(tableName_))
                             .arg(index)
                             .arg(fields_.size()));
    return fields_[static_cast<size_t>(index)];
}

TField& TTable::FieldByName(const QString& name)
{
    RequireOpen();
    for (TField& field : fields_)
        if (field.FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return field;
    throw TableError(QStringLiteral("Le champ %1 est introuvable dans la table %2.")
                         .arg(Quoted(name), Quoted(tableName_)));
}

int TTable::KeyFieldCount() const
{
    RequireOpen();
    return file_->KeyFieldCount();
}

TField TTable::KeyField(int index) const
{
    RequireOpen();
    if (index < 0 || index >= file_->KeyFieldCount())
        throw TableError(QStringLiteral("La table %1 n'a pas de champ de clé n° %2.")
                             .arg(Quoted(tableName_))
                             .arg(index));
    return TField(file_.get(), index);
}
