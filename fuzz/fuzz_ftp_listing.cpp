// Feeds any bytes to the three listing parsers (MLSD, Unix LIST, DOS LIST) as a whole listing.
#include "FtpListing.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray listing(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // A fixed "now" keeps the runs reproducible; early January puts year-less Unix dates
    // on both sides of the year boundary.
    static const QDateTime now(QDate(2021, 1, 3), QTime(10, 0));
    qsizetype sink = 0;
    for (const auto& entry : FtpListing::ParseMlsd(listing))
        sink += entry.item.FileName.size() + entry.item.ModifiedDate.isValid();
    for (const auto& entry : FtpListing::ParseList(listing, now))
        sink += entry.item.FileName.size() + entry.item.ModifiedDate.isValid();
    return sink < 0 ? 1 : 0;
}
