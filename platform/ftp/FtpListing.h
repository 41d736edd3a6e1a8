#pragma once

#include "FtpClient.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

// Parsers for what FTP servers send as directory listings. A server can send anything:
// every parser takes raw bytes, never crashes, and skips what it does not understand.
// Names are decoded as UTF-8 when they are valid UTF-8, otherwise as windows-1252, the code
// page of Windows servers (rawName keeps the bytes the server sent, to ask for the same file
// again).
namespace FtpListing {

struct Entry
{
    FtpListItem item;
    QByteArray rawName;
};

// One MLSD line: "type=file;size=12;modify=20200528140309; name". modify= is UTC and is
// returned in local time. The "." and ".." entries (cdir, pdir) give nothing.
std::optional<Entry> ParseMlsdLine(QByteArrayView line);

// One LIST line in the Unix "ls -l" format or the DOS/IIS format. Times are the server's
// local time and are taken as ours. A Unix line without a year lies in the twelve months up
// to now (plus a day of clock skew). "total 12" lines and "." and ".." give nothing.
std::optional<Entry> ParseListLine(QByteArrayView line, const QDateTime& now);

// A whole listing, one entry per line (LF or CR LF), unparsable lines skipped.
std::vector<Entry> ParseMlsd(const QByteArray& listing);
std::vector<Entry> ParseList(const QByteArray& listing, const QDateTime& now);

} // namespace FtpListing
