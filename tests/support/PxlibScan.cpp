#include "PxlibScan.h"

#include <QFile>
#include <stdexcept>
#include <vector>

// pxlib's header declares its functions without C linkage.
extern "C" {
#include <paradox.h>
}

namespace {

void IgnoreErrors(pxdoc_t*, int, const char*, void*) {}

// One pxlib document, closed and freed with its owner.
class PxDocument
{
public:
    PxDocument() : px_(PX_new2(IgnoreErrors, nullptr, nullptr, nullptr)) {}
    ~PxDocument()
    {
        if (px_) {
            PX_close(px_);
            PX_delete(px_);
        }
    }
    PxDocument(const PxDocument&) = delete;
    PxDocument& operator=(const PxDocument&) = delete;
    pxdoc_t* get() const { return px_; }

private:
    pxdoc_t* px_;
};

} // namespace

int PxlibFetchAllRecords(const QString& path, unsigned long& checksum)
{
    PxDocument doc;
    const QByteArray file = QFile::encodeName(path);
    if (!doc.get() || PX_open_file(doc.get(), file.constData()) < 0)
        throw std::runtime_error("pxlib cannot open " + path.toStdString());
    const int records = PX_get_num_records(doc.get());
    std::vector<char> record(static_cast<size_t>(doc.get()->px_head->px_recordsize));
    int fetched = 0;
    for (int i = 0; i < records; ++i) {
        int deleted = 0;
        pxdatablockinfo_t info;
        if (PX_get_record2(doc.get(), i, record.data(), &deleted, &info)) {
            ++fetched;
            checksum += static_cast<unsigned char>(record[0]);
        }
    }
    return fetched;
}
