#pragma once

#include "Errors.h"

#include <QDateTime>
#include <QString>
#include <memory>
#include <vector>

// An FTP error. Two categories are told apart: a failure of the security negotiation with
// the server (AUTH TLS, certificate) and every other error.
class FtpError : public CordalisError
{
public:
    enum class Category
    {
        Security,
        Other
    };
    FtpError(Category category, const QString& text, int replyCode = 0)
        : CordalisError(text), category_(category), replyCode_(replyCode)
    {
    }
    Category category() const { return category_; }
    bool isSecurity() const { return category_ == Category::Security; }
    // When the server itself refused the command (a 4xx or 5xx reply, the session going on):
    // that reply's code. 0 for every other failure (connection, time-out, local file, TLS).
    int replyCode() const { return replyCode_; }

private:
    Category category_;
    int replyCode_;
};

// One entry of a directory listing.
struct FtpListItem
{
    QString FileName;
    bool IsFile = false;    // a plain file (not a directory, link or anything else)
    QDateTime ModifiedDate; // local time; invalid when the server gave none
    qint64 Size = -1;
};

// A blocking FTP client over libcurl: IPv4, no proxy, passive mode. After Connect the same
// control connection serves every operation until Disconnect. Every failure throws FtpError.
// No wait is without bound: connecting and each wait for a server reply are bounded, and a
// transfer that moves no byte for the stall time-out fails; a slow transfer that moves is
// never cut. One thread at a time uses a client; Abort may come from any thread.
class FtpClient
{
public:
    FtpClient();
    ~FtpClient();
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    // The server and the account of the next connection.
    void Configure(const QString& host, const QString& user, const QString& password, quint16 port);
    // Explicit TLS (AUTH TLS, then PROT P) required for the control and data connections: a
    // server that does not offer it is refused before the login. Off by default. The
    // server's certificate and host name are always verified.
    void SetTlsRequired(bool required);
    // A PEM file holding the certificate (or authority) to trust for the server, in place of
    // the system's authorities (for a self-signed certificate); empty: the system's.
    void SetTrustedCertificates(const QString& pemFile);
    // Bounds connecting and each wait for a server reply; 30 s unless set (tests use less).
    void SetReplyTimeout(int seconds);
    // How long a transfer may go without moving a byte before it fails; 120 s unless set
    // (tests use less).
    void SetStallTimeout(int seconds);
    // The two time-outs above, given to another client that works beside this one.
    void CopyTimeoutsTo(FtpClient& other) const;

    // Opens the control connection and logs in; a connected client first ends its session.
    // The host must be given: an empty or malformed host is refused before any network use.
    void Connect();
    // True from a successful Connect to Disconnect. When the server closes an idle session
    // in between, the next operation logs in again on a new connection.
    bool Connected() const;
    // Sends QUIT and closes the connection. The session ends whatever the server answers,
    // so this never throws; a connection the server already closed is simply let go.
    void Disconnect();

    // Stops the operation under way, from any thread, within milliseconds: its sockets are
    // cut and it throws FtpError, as does every later operation until Disconnect, which
    // then closes without QUIT (a server that stopped answering cannot hold the stop up).
    // A download stopped midway leaves no file behind.
    void Abort();

    void SetPassive(bool passive);
    void SetBinary();

    // Absolute path from the server's root, e.g. "/Rapport" (a path without a leading "/" is
    // taken from the login folder). A missing folder is an error and keeps the current one.
    void ChangeDir(const QString& absolutePath);
    // Lists the current directory: MLSD where offered, else LIST (Unix or DOS format).
    void List();
    int ListingCount() const;
    // Throws FtpError for an index out of range. The reference lasts until the next List().
    const FtpListItem& Listing(int index) const;
    // Takes the last listing of another client of the same server, as if this client had
    // listed that folder itself: its downloads from that folder then rely on the listed sizes
    // and the server's own bytes of each name. The other client must not be listing.
    void UseListingOf(const FtpClient& lister);

    // Downloads a file of the current directory; replaces localPath only when complete.
    void Get(const QString& remoteName, const QString& localPath);
    // Uploads localPath under remoteName in the current directory, replacing it whole.
    void Put(const QString& localPath, const QString& remoteName);
    // Renames a file of the current directory (RNFR, RNTO); where the new name exists, most
    // servers replace that file in one step. Returns false, the session going on, when the
    // server accepts the old name but refuses the new one (some servers, Windows ones among
    // them, keep an existing file rather than replace it); throws FtpError for every other
    // failure, a refused old name included.
    bool Rename(const QString& from, const QString& to);
    // Deletes a file of the current directory (DELE).
    void Delete(const QString& remoteName);

private:
    // One download; with a listed size (>= 0), false when the byte count differs from it.
    bool GetOnce(const QString& remoteName, const QString& localPath, qint64 listedSize);

    class Impl;
    std::unique_ptr<Impl> d;
};
