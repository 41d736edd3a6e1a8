#include "FtpClient.h"

#include "FtpListing.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <curl/curl.h>
#include <filesystem>
#include <mutex>
#include <set>
#ifdef _WIN32
#include <winsock2.h>
#define poll WSAPoll
#define SHUT_RDWR SD_BOTH
#define CloseSocket closesocket
#else
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#define CloseSocket ::close
#endif

namespace {

// How long connecting and each wait for a server reply may take, unless told otherwise.
constexpr int DefaultReplyTimeoutSeconds = 30;
// How long a transfer may move no byte, unless told otherwise. A server that keeps the data
// connection open but stops sending or reading would otherwise hold the program for ever.
constexpr int DefaultStallTimeoutSeconds = 120;
// A listing larger than this is refused rather than filling the memory.
constexpr qsizetype MaxListingBytes = 64 * 1024 * 1024;
// The longest wait of the transfer loop between two looks at libcurl, whatever it asks for.
constexpr int MaxWaitMs = 100;

void InitCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Owners of libcurl's handles.
class EasyHandle
{
public:
    EasyHandle() : handle_(curl_easy_init())
    {
        if (!handle_)
            throw FtpError(FtpError::Category::Other,
                           QStringLiteral("Client FTP : mémoire insuffisante."));
    }
    ~EasyHandle() { curl_easy_cleanup(handle_); }
    EasyHandle(const EasyHandle&) = delete;
    EasyHandle& operator=(const EasyHandle&) = delete;
    CURL* get() const { return handle_; }

private:
    CURL* handle_;
};

class MultiHandle
{
public:
    MultiHandle() : handle_(curl_multi_init())
    {
        if (!handle_)
            throw FtpError(FtpError::Category::Other,
                           QStringLiteral("Client FTP : mémoire insuffisante."));
    }
    ~MultiHandle() { curl_multi_cleanup(handle_); }
    MultiHandle(const MultiHandle&) = delete;
    MultiHandle& operator=(const MultiHandle&) = delete;
    CURLM* get() const { return handle_; }

private:
    CURLM* handle_;
};

class StringList
{
public:
    StringList() = default;
    ~StringList() { curl_slist_free_all(list_); }
    StringList(const StringList&) = delete;
    StringList& operator=(const StringList&) = delete;
    void append(const char* text)
    {
        if (curl_slist* grown = curl_slist_append(list_, text))
            list_ = grown;
    }
    curl_slist* get() const { return list_; }

private:
    curl_slist* list_ = nullptr;
};

bool IsSecurityCode(CURLcode code)
{
    switch (code) {
    case CURLE_USE_SSL_FAILED:           // TLS required, the server offers none
    case CURLE_PEER_FAILED_VERIFICATION: // certificate not trusted, wrong name, expired
    case CURLE_SSL_CONNECT_ERROR:        // handshake or protocol failure
    case CURLE_SSL_CACERT_BADFILE:       // unusable CA file
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH: // pinned key mismatch
    case CURLE_SSL_CERTPROBLEM:          // local certificate
    case CURLE_SSL_CIPHER:               // no usable cipher
    case CURLE_SSL_SHUTDOWN_FAILED:      // TLS shutdown
    case CURLE_SSL_CRL_BADFILE:          // unusable revocation list
    case CURLE_SSL_ISSUER_ERROR:         // issuer check
    case CURLE_SSL_INVALIDCERTSTATUS:    // certificate status (OCSP)
    case CURLE_SSL_CLIENTCERT:           // client certificate refused
    case CURLE_SSL_ENGINE_NOTFOUND:      // crypto engine
    case CURLE_SSL_ENGINE_SETFAILED:     // crypto engine
    case CURLE_SSL_ENGINE_INITFAILED:    // crypto engine
        return true;
    default:
        return false;
    }
}

// The codes of a command the server refused with a reply, the session going on.
bool IsRefusalCode(CURLcode code)
{
    switch (code) {
    case CURLE_QUOTE_ERROR:           // RNFR, RNTO, DELE
    case CURLE_UPLOAD_FAILED:         // STOR
    case CURLE_REMOTE_ACCESS_DENIED:  // CWD
    case CURLE_REMOTE_FILE_NOT_FOUND: // SIZE, RETR
    case CURLE_FTP_COULDNT_RETR_FILE: // RETR, LIST, MLSD
        return true;
    default:
        return false;
    }
}

QString Reason(CURLcode code)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("serveur introuvable");
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("connexion refusée ou serveur injoignable");
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("le serveur ne répond pas (délai dépassé)");
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("identifiant ou mot de passe refusé");
    case CURLE_REMOTE_ACCESS_DENIED:
        return QStringLiteral("accès refusé par le serveur (dossier absent ou interdit)");
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return QStringLiteral("le fichier n'existe pas sur le serveur");
    case CURLE_FTP_COULDNT_RETR_FILE:
        return QStringLiteral("le serveur a refusé la lecture");
    case CURLE_UPLOAD_FAILED:
        return QStringLiteral("le serveur a refusé l'écriture du fichier");
    case CURLE_WRITE_ERROR:
        return QStringLiteral("écriture du fichier local impossible");
    case CURLE_READ_ERROR:
        return QStringLiteral("lecture du fichier local impossible");
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return QStringLiteral("la connexion avec le serveur a été interrompue");
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
        return QStringLiteral("réponse inattendue du serveur");
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_ACCEPT_TIMEOUT:
        return QStringLiteral("ouverture de la connexion de données impossible");
    case CURLE_QUOTE_ERROR:
        return QStringLiteral("commande refusée par le serveur");
    case CURLE_URL_MALFORMAT:
        return QStringLiteral("adresse ou nom de fichier invalide");
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("le serveur ne propose pas de connexion sécurisée (TLS)");
    case CURLE_PEER_FAILED_VERIFICATION:
        return QStringLiteral("le certificat du serveur n'est pas reconnu");
    case CURLE_SSL_CONNECT_ERROR:
        return QStringLiteral("la négociation sécurisée (TLS) a échoué");
    default:
        if (IsSecurityCode(code))
            return QStringLiteral("échec de la négociation sécurisée (TLS)");
        return QString::fromUtf8(curl_easy_strerror(code));
    }
}

// A reply line of a server, made fit for a message: printable, bounded.
QString Printable(const QByteArray& bytes)
{
    QString text = QString::fromUtf8(bytes.left(300)).trimmed();
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return text;
}

// The error of a failed operation, with every detail that helps the reader: what was done,
// why it failed (the reason of the code unless one is given), libcurl's own text and the
// server's last reply.
FtpError MakeError(CURLcode code, const QString& action, const QString& reason, bool security,
                   const QString& libraryText, const QByteArray& lastReply,
                   const QString& localError)
{
    QString text = action + QStringLiteral(" : ") + (reason.isEmpty() ? Reason(code) : reason);
    if (!localError.isEmpty())
        text += QStringLiteral(" (") + localError + QLatin1Char(')');
    else if (!libraryText.isEmpty())
        text += QStringLiteral(" (") + libraryText + QLatin1Char(')');
    text += QLatin1Char('.');
    // The server's last reply, when it is a refusal (4xx, 5xx): it often says why.
    const bool refusedReply = lastReply.startsWith('4') || lastReply.startsWith('5');
    if (refusedReply)
        text += QStringLiteral(" Réponse du serveur : ") + Printable(lastReply);
    return FtpError(security ? FtpError::Category::Security : FtpError::Category::Other, text,
                    refusedReply && IsRefusalCode(code) ? lastReply.left(3).toInt() : 0);
}

// OpenSSL's verification results (CURLINFO_SSL_VERIFYRESULT) that say what is wrong with a
// server's certificate.
constexpr long CertificateNotYetValid = 9; // X509_V_ERR_CERT_NOT_YET_VALID
constexpr long CertificateExpired = 10;    // X509_V_ERR_CERT_HAS_EXPIRED
constexpr long SelfSigned = 18;            // X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT
constexpr long SelfSignedInChain = 19;     // X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN
constexpr long IssuerUnknown = 20;         // X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY
constexpr long LeafUnverifiable = 21;      // X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE

FtpError Refusal(const QString& text)
{
    return FtpError(FtpError::Category::Other, text);
}

// A host name fit for a URL: the host must not smuggle a path, a user or a port in.
bool IsValidHost(const QString& host)
{
    if (host.isEmpty())
        return false;
    for (const QChar c : host)
        if (c.isSpace() || c.category() == QChar::Other_Control ||
            QStringLiteral("/\\?#@[]:%").contains(c))
            return false;
    return true;
}

// One path segment of a URL: every byte but letters, digits and "-._~" percent-encoded, so
// that a name can hold spaces, "#", "%" or bytes that are not UTF-8.
QByteArray EncodeSegment(const QByteArray& bytes)
{
    return bytes.toPercentEncoding();
}

// A remote name that names one file of the current folder, and nothing more.
bool IsValidRemoteName(const QByteArray& name)
{
    if (name.isEmpty() || name == "." || name == "..")
        return false;
    for (char c : name)
        if (c == '/' || c == '\r' || c == '\n' || c == '\0')
            return false;
    return true;
}

} // namespace

class FtpClient::Impl
{
public:
    QString host;
    QString user;
    QString password;
    quint16 port = 21;
    int replyTimeout = DefaultReplyTimeoutSeconds;
    int stallTimeout = DefaultStallTimeoutSeconds;
    bool tlsRequired = false;
    QString trustedCertificates; // a PEM file; empty: the system's authorities
    bool passive = true;

    // Present while connected. The connection itself lives in the multi handle's cache,
    // which libcurl reuses for every transfer of the same server and account. Replaced only
    // through ReplaceMulti: Abort reads it from another thread.
    std::unique_ptr<MultiHandle> multi;
    std::unique_ptr<EasyHandle> easy;
    curl_socket_t controlSocket = CURL_SOCKET_BAD;
    // The folder the listing was taken in: its sizes let a download of that folder skip SIZE.
    QString listingDir;

    QString currentDir; // empty: the login folder
    bool useMlsd = false;

    std::vector<FtpListItem> listing;
    QHash<QString, QByteArray> rawNames; // listed name -> the server's own bytes
    QHash<QString, qint64> listedSizes;  // listed file name -> its size (the first one listed)

    // Per operation.
    char errorBuffer[CURL_ERROR_SIZE] = {};
    QByteArray lastReply;
    QList<QByteArray> replyLines;
    QString localError;
    bool replied = false; // a reply line came in during the last curl_multi_perform

    // Stopping from another thread (Abort): the flag, and every socket libcurl has open so
    // that the stop can cut them. socketsMutex guards openSockets and the multi pointer as
    // Abort sees them; sockets are closed under it, so a stop never cuts a reused number.
    std::atomic<bool> aborted{false};
    std::mutex socketsMutex;
    std::set<curl_socket_t> openSockets;
    // Sockets opened and not yet seen connected (owner thread only): libcurl does not always
    // say that it waits for a passive data connection to open, so the loop watches them.
    std::vector<curl_socket_t> connecting;
    // The stall watch: bytes moved so far, since when nothing moved, the limit in seconds,
    // whether the operation sends, and whether the watch ended it.
    curl_off_t moved = 0;
    QElapsedTimer sinceMoved;
    int stallLimit = DefaultStallTimeoutSeconds;
    bool sending = false;
    bool stalled = false;

    QByteArray BaseUrl() const
    {
        return "ftp://" + host.toUtf8() + ':' + QByteArray::number(port) + '/';
    }

    // The URL of the current folder, ending with "/". Absolute folders start with %2F, the
    // encoded root: a plain leading "/" would be relative to the login folder.
    QByteArray DirUrl() const
    {
        if (currentDir.isEmpty())
            return BaseUrl();
        QByteArray url = BaseUrl();
        const bool absolute = currentDir.startsWith(QLatin1Char('/'));
        if (absolute)
            url += "%2F";
        bool first = true;
        for (const QString& part : currentDir.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            if (!first)
                url += '/';
            url += EncodeSegment(part.toUtf8());
            first = false;
        }
        return url + '/';
    }

    static size_t OnHeader(char* data, size_t size, size_t count, void* user)
    {
        auto* self = static_cast<Impl*>(user);
        self->replied = true;
        const QByteArray line(data, qsizetype(size * count));
        self->sinceMoved.restart(); // a reply is not a stall
        if (self->replyLines.size() < 1000)
            self->replyLines.append(line);
        // The last line of a reply is "NNN text".
        if (line.size() >= 4 && line[3] == ' ' && std::isdigit(uchar(line[0])))
            self->lastReply = line.trimmed();
        return size * count;
    }

    // libcurl's progress callback, called at least every few milliseconds by the transfer
    // loop: it ends a transfer that moved no byte (nor received a reply) for the stall limit.
    // libcurl's own low-speed limit would also cut a transfer that moves, only slowly.
    static int OnProgress(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent)
    {
        auto* self = static_cast<Impl*>(user);
        if (received + sent != self->moved) {
            self->moved = received + sent;
            self->sinceMoved.restart();
        } else if (self->sinceMoved.hasExpired(qint64(self->stallLimit) * 1000)) {
            self->stalled = true;
            return 1;
        }
        return 0;
    }

    // The reason of a transfer the stall watch ended.
    QString StallReason() const
    {
        return (sending ? QStringLiteral("transfert interrompu : aucune donnée envoyée depuis "
                                         "%1 secondes")
                        : QStringLiteral("transfert interrompu : aucune donnée reçue depuis "
                                         "%1 secondes"))
            .arg(stallLimit);
    }

    void Prepare(const QByteArray& url)
    {
        CURL* h = easy->get();
        curl_easy_reset(h);
        errorBuffer[0] = '\0';
        lastReply.clear();
        replyLines.clear();
        localError.clear();
        moved = 0;
        sinceMoved.start();
        stallLimit = stallTimeout;
        sending = false;
        stalled = false;

        curl_easy_setopt(h, CURLOPT_URL, url.constData());
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "ftp");
        curl_easy_setopt(h, CURLOPT_USERNAME, user.toUtf8().constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, password.toUtf8().constData());
        curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
        curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Impl::OnHeader);
        curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_IPRESOLVE, long(CURL_IPRESOLVE_V4));
        curl_easy_setopt(h, CURLOPT_PROXY, "");
        curl_easy_setopt(h, CURLOPT_NOPROXY, "*");
        curl_easy_setopt(h, CURLOPT_TCP_KEEPALIVE, 1L);

        // Connecting and each wait for a reply are bounded; the data transfer by the stall
        // watch, the longest time without a byte.
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, long(replyTimeout));
        curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(replyTimeout));
        curl_easy_setopt(h, CURLOPT_ACCEPTTIMEOUT_MS, long(replyTimeout) * 1000L);
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Impl::OnProgress);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);

        // One CWD to the whole folder, done for real so that a missing folder is an error.
        curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
        // Passive data connections go to the server's own address, whatever it announces.
        curl_easy_setopt(h, CURLOPT_FTP_SKIP_PASV_IP, 1L);
        if (!passive)
            curl_easy_setopt(h, CURLOPT_FTPPORT, "-");
        curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, 0L);
        if (tlsRequired) {
            // TLS on the control and data connections, or nothing: never a fall-back to clear
            // text, and never CCC (which would send the commands in clear after the login).
            // libcurl verifies the certificate and the host name; that stays on.
            curl_easy_setopt(h, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
            curl_easy_setopt(h, CURLOPT_FTPSSLAUTH, long(CURLFTPAUTH_TLS));
            // TLS 1.2: its sessions can be resumed again and again. A TLS 1.3 session is
            // resumed once, and libcurl only learns the next one by reading the data
            // connection, which an upload never does: the connection after an upload then
            // makes a full handshake, which proftpd, vsftpd and the like refuse (425).
            curl_easy_setopt(h, CURLOPT_SSLVERSION,
                             long(CURL_SSLVERSION_TLSv1_2) | long(CURL_SSLVERSION_MAX_TLSv1_2));
            if (!trustedCertificates.isEmpty()) {
                curl_easy_setopt(h, CURLOPT_CAINFO,
                                 QFile::encodeName(trustedCertificates).constData());
                // Or the system's folder of authorities would still be trusted beside it.
                curl_easy_setopt(h, CURLOPT_CAPATH, nullptr);
            }
        }
    }

    // What went wrong with an encrypted connection, in words a user can act on, and whether it
    // belongs to the security negotiation; empty when the code's usual reason says it.
    QString TlsReason(CURLcode code, bool& security) const
    {
        switch (code) {
        case CURLE_USE_SSL_FAILED:
            return QStringLiteral("le serveur ne propose pas de connexion chiffrée (TLS) ; rien "
                                  "n'a été envoyé en clair");
        case CURLE_SSL_CACERT_BADFILE:
            return QStringLiteral("le fichier de certificat « %1 » n'existe pas ou ne contient "
                                  "aucun certificat")
                .arg(trustedCertificates);
        case CURLE_SSL_CONNECT_ERROR:
            return QStringLiteral("la négociation chiffrée (TLS) avec le serveur a échoué");
        case CURLE_OPERATION_TIMEDOUT:
            // Silence right after the server accepted AUTH TLS: the handshake never came.
            if (lastReply.startsWith("234")) {
                security = true;
                return QStringLiteral("le serveur a accepté le chiffrement (AUTH TLS) puis n'a "
                                      "plus répondu");
            }
            return {};
        case CURLE_PEER_FAILED_VERIFICATION:
            break;
        default:
            return {};
        }
        long verification = 0;
        curl_easy_getinfo(easy->get(), CURLINFO_SSL_VERIFYRESULT, &verification);
        switch (verification) {
        case CertificateExpired:
            return QStringLiteral("le certificat du serveur a expiré");
        case CertificateNotYetValid:
            return QStringLiteral("le certificat du serveur n'est pas encore valable (vérifiez "
                                  "la date de cet ordinateur)");
        case SelfSigned:
        case SelfSignedInChain:
        case IssuerUnknown:
        case LeafUnverifiable:
            if (!trustedCertificates.isEmpty())
                return QStringLiteral("le certificat du serveur n'est pas celui du fichier « %1 » "
                                      "ni signé par lui")
                    .arg(trustedCertificates);
            return QStringLiteral("le certificat du serveur n'est signé par aucune autorité "
                                  "reconnue ; pour un certificat auto-signé, indiquez son "
                                  "fichier dans la clé Certificat des réglages du serveur");
        case 0:
        case 1:
            // Verified, but not for this name: libcurl's own check of the host, after which
            // the result is 0 or OpenSSL's "unspecified" (1).
            return QStringLiteral("le certificat du serveur n'est pas établi pour le nom « %1 »")
                .arg(host);
        default:
            return QStringLiteral("le certificat du serveur n'est pas reconnu (vérification "
                                  "%1)")
                .arg(verification);
        }
    }

    static curl_socket_t OnOpenSocket(void* user, curlsocktype, curl_sockaddr* address)
    {
        auto* self = static_cast<Impl*>(user);
        if (self->aborted.load())
            return CURL_SOCKET_BAD;
        const curl_socket_t s = ::socket(address->family, address->socktype, address->protocol);
        if (s != CURL_SOCKET_BAD) {
            const std::lock_guard lock(self->socketsMutex);
            self->openSockets.insert(s);
            self->connecting.push_back(s);
            // A stop between the check above and now did not see this socket.
            if (self->aborted.load())
                ::shutdown(s, SHUT_RDWR);
        }
        return s;
    }

    static int OnCloseSocket(void* user, curl_socket_t s)
    {
        auto* self = static_cast<Impl*>(user);
        const std::lock_guard lock(self->socketsMutex);
        self->openSockets.erase(s);
        std::erase(self->connecting, s);
        return CloseSocket(s);
    }

    // The multi handle is replaced (or dropped) under the lock that Abort takes, and the old
    // one is cleaned up outside it: its clean-up closes sockets, which takes the lock too.
    void ReplaceMulti(std::unique_ptr<MultiHandle> next)
    {
        std::unique_ptr<MultiHandle> old;
        {
            const std::lock_guard lock(socketsMutex);
            old = std::exchange(multi, std::move(next));
        }
    }

    // Runs the prepared transfer through the multi handle. libcurl's plain blocking call
    // can sleep a whole second after a passive reply: libcurl 7.88 acts on the reply only at
    // its next call and meanwhile names no socket and no timer. So the loop looks again at
    // once after any reply, watches each new socket until it has connected, and watches the
    // control connection itself (known from the previous operation on the same connection)
    // while libcurl has nothing due soon; otherwise it waits as libcurl asks, at most
    // MaxWaitMs. A stop (Abort) wakes the wait and ends the transfer.
    // Runs commands in the current folder, after the change of directory they rely on (a
    // quote before it would run in whatever folder the server was left in).
    CURLcode RunCommands(std::initializer_list<QByteArray> lines)
    {
        StringList commands;
        for (const QByteArray& line : lines)
            commands.append(line.constData());
        Prepare(DirUrl());
        curl_easy_setopt(easy->get(), CURLOPT_NOBODY, 1L);
        curl_easy_setopt(easy->get(), CURLOPT_POSTQUOTE, commands.get());
        return Run();
    }

    CURLcode Run()
    {
        CURLM* m = multi->get();
        CURL* h = easy->get();
        // Set for every transfer (Prepare resets the handle); a connection keeps the
        // callbacks it was opened with.
        curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, &Impl::OnOpenSocket);
        curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, this);
        curl_easy_setopt(h, CURLOPT_CLOSESOCKETFUNCTION, &Impl::OnCloseSocket);
        curl_easy_setopt(h, CURLOPT_CLOSESOCKETDATA, this);
        if (aborted.load())
            return CURLE_ABORTED_BY_CALLBACK;
        if (curl_multi_add_handle(m, h) != CURLM_OK)
            return CURLE_FAILED_INIT;
        CURLcode result = CURLE_FAILED_INIT;
        replied = false;
        // Times in a row the control connection alone was readable: libcurl then does not
        // want its data yet, and watching it would only spin.
        int controlOnly = 0;
        std::vector<curl_waitfd> watched;
        for (bool done = false; !done;) {
            if (aborted.load()) {
                result = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            int running = 0;
            if (curl_multi_perform(m, &running) != CURLM_OK)
                break;
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(m, &left)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == h) {
                    result = message->data.result;
                    done = true;
                }
            }
            if (done || running == 0)
                break;
            long due = -1;
            curl_multi_timeout(m, &due);
            watched.clear();
            const bool watchControl =
                controlOnly < 2 && (due < 0 || due > 1000) && controlSocket != CURL_SOCKET_BAD;
            if (watchControl)
                watched.push_back({controlSocket, CURL_WAIT_POLLIN, 0});
            for (const curl_socket_t s : connecting)
                watched.push_back({s, CURL_WAIT_POLLOUT, 0});
            const int waitMs = replied   ? 0
                               : due < 0 ? MaxWaitMs
                                         : int(std::min<long>(due, MaxWaitMs));
            replied = false;
            int active = 0;
            curl_multi_poll(m, watched.data(), unsigned(watched.size()), waitMs, &active);
            int readyWatched = 0;
            for (const curl_waitfd& w : watched) {
                if (!w.revents)
                    continue;
                ++readyWatched;
                // Connected (or failed): libcurl takes it from there.
                if (w.events == CURL_WAIT_POLLOUT)
                    std::erase(connecting, w.fd);
            }
            const bool controlReady = watchControl && (watched[0].revents & CURL_WAIT_POLLIN);
            controlOnly = controlReady && active == readyWatched ? controlOnly + 1 : 0;
        }
        // The control connection, when libcurl keeps it for the next operation.
        controlSocket = CURL_SOCKET_BAD;
        curl_easy_getinfo(h, CURLINFO_ACTIVESOCKET, &controlSocket);
        curl_multi_remove_handle(m, h);
        return result;
    }

    [[noreturn]] void Fail(CURLcode code, const QString& action)
    {
        // Whatever libcurl made of the cut sockets, a stop is a stop.
        if (aborted.load())
            throw Stopped(action);
        bool security = IsSecurityCode(code);
        QString reason;
        if (stalled)
            reason = StallReason();
        else if (tlsRequired)
            reason = TlsReason(code, security);
        throw MakeError(code, action, reason, security,
                        stalled ? QString() : QString::fromUtf8(errorBuffer), lastReply,
                        localError);
    }

    long ResponseCode() const
    {
        long code = 0;
        curl_easy_getinfo(easy->get(), CURLINFO_RESPONSE_CODE, &code);
        return code;
    }

    // True when the server closed the control connection (or said something unasked, which
    // on an idle connection is its farewell): then no QUIT can be sent.
    bool ControlConnectionClosed() const
    {
        if (controlSocket == CURL_SOCKET_BAD)
            return true;
        pollfd check{controlSocket, POLLIN, 0};
        return ::poll(&check, 1, 0) != 0;
    }

    // Every operation but Connect needs a session. When the server has closed the control
    // connection in the meantime (idle time-out), libcurl would send the next command on it
    // and fail on the server's farewell; a fresh connection logs in again instead.
    void RequireConnection()
    {
        if (aborted.load())
            throw Stopped(QStringLiteral("Opération FTP impossible"));
        if (!easy)
            throw Refusal(QStringLiteral("Pas de connexion au serveur FTP."));
        if (ControlConnectionClosed()) {
            easy.reset();
            ReplaceMulti(std::make_unique<MultiHandle>());
            easy = std::make_unique<EasyHandle>();
        }
    }

    static FtpError Stopped(const QString& action)
    {
        return Refusal(action + QStringLiteral(" : arrêt demandé."));
    }

    void Close()
    {
        easy.reset();
        ReplaceMulti(nullptr);
        controlSocket = CURL_SOCKET_BAD;
        currentDir.clear();
    }
};

FtpClient::FtpClient() : d(std::make_unique<Impl>())
{
    InitCurlOnce();
}

FtpClient::~FtpClient()
{
    try {
        Disconnect();
    } catch (...) {
        d->Close();
    }
}

void FtpClient::Configure(const QString& host, const QString& user, const QString& password,
                          quint16 port)
{
    d->host = host.trimmed();
    d->user = user;
    d->password = password;
    d->port = port;
}

void FtpClient::SetTlsRequired(bool required)
{
    d->tlsRequired = required;
}

void FtpClient::SetTrustedCertificates(const QString& pemFile)
{
    d->trustedCertificates = pemFile;
}

void FtpClient::SetReplyTimeout(int seconds)
{
    d->replyTimeout = seconds > 0 ? seconds : DefaultReplyTimeoutSeconds;
}

void FtpClient::SetStallTimeout(int seconds)
{
    d->stallTimeout = seconds > 0 ? seconds : DefaultStallTimeoutSeconds;
}

void FtpClient::CopyTimeoutsTo(FtpClient& other) const
{
    other.d->replyTimeout = d->replyTimeout;
    other.d->stallTimeout = d->stallTimeout;
}

void FtpClient::Connect()
{
    // Stopped: not even the session in place is closed (Disconnect ends the stop).
    if (d->aborted.load())
        throw Impl::Stopped(QStringLiteral("Connexion au serveur FTP impossible"));
    if (d->easy)
        Disconnect();
    // libcurl would take the first folder of the path for the host ("ftp:///Rapport/").
    if (d->host.isEmpty())
        throw Refusal(QStringLiteral("Connexion au serveur FTP impossible : aucun serveur "
                                     "n'est indiqué."));
    if (!IsValidHost(d->host))
        throw Refusal(QStringLiteral("Connexion au serveur FTP impossible : nom de serveur "
                                     "invalide « %1 ».")
                          .arg(d->host));
    if (d->port == 0)
        throw Refusal(QStringLiteral("Connexion au serveur FTP impossible : port invalide (0)."));

    d->ReplaceMulti(std::make_unique<MultiHandle>());
    d->easy = std::make_unique<EasyHandle>();
    d->useMlsd = false;
    d->listing.clear();
    d->rawNames.clear();
    d->listedSizes.clear();

    // Log in without transferring anything, and ask for the server's features on the way.
    // A server that does not know FEAT is no error ("*").
    d->Prepare(d->BaseUrl());
    StringList quote;
    quote.append("*FEAT");
    curl_easy_setopt(d->easy->get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(d->easy->get(), CURLOPT_QUOTE, quote.get());
    const CURLcode result = d->Run();
    if (result != CURLE_OK) {
        const QString action =
            QStringLiteral("Connexion au serveur FTP %1:%2 impossible").arg(d->host).arg(d->port);
        try {
            d->Fail(result, action);
        } catch (...) {
            d->Close();
            throw;
        }
    }
    // The features are the lines between "211-" and "211 "; MLST implies MLSD.
    bool inFeatures = false;
    for (const QByteArray& line : d->replyLines) {
        if (line.startsWith("211-")) {
            inFeatures = true;
        } else if (line.startsWith("211 ")) {
            inFeatures = false;
        } else if (inFeatures) {
            const QByteArray feature = line.trimmed().toUpper();
            if (feature.startsWith("MLST") || feature.startsWith("MLSD"))
                d->useMlsd = true;
        }
    }
}

bool FtpClient::Connected() const
{
    return d->easy != nullptr;
}

void FtpClient::Disconnect()
{
    // After a stop the sockets are cut: the session is closed without QUIT, which a server
    // that stopped answering would hold up.
    const auto clearStop = qScopeGuard([this] { d->aborted.store(false); });
    if (!d->easy)
        return;
    // One last exchange on the same connection that then closes it: libcurl sends QUIT when
    // it drops a connection it may not reuse. Whatever the server says, the session is over.
    if (!d->aborted.load() && !d->ControlConnectionClosed()) {
        d->Prepare(d->DirUrl());
        curl_easy_setopt(d->easy->get(), CURLOPT_NOBODY, 1L);
        curl_easy_setopt(d->easy->get(), CURLOPT_FORBID_REUSE, 1L);
        curl_easy_setopt(d->easy->get(), CURLOPT_TIMEOUT, long(d->replyTimeout));
        d->Run();
    }
    d->Close();
}

void FtpClient::Abort()
{
    d->aborted.store(true);
    const std::lock_guard lock(d->socketsMutex);
    // Out of the wait at once; the cut also ends the waits libcurl makes inside its own
    // calls (the reply after a transfer, the reply to QUIT), which no wake-up reaches.
    if (d->multi)
        curl_multi_wakeup(d->multi->get());
    for (const curl_socket_t s : d->openSockets)
        ::shutdown(s, SHUT_RDWR);
}

void FtpClient::SetPassive(bool passive)
{
    d->passive = passive;
}

void FtpClient::SetBinary()
{
    // Every transfer is binary (CURLOPT_TRANSFERTEXT 0): nothing to change.
}

void FtpClient::ChangeDir(const QString& absolutePath)
{
    d->RequireConnection();
    const QString previous = d->currentDir;
    QString path = absolutePath;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    d->currentDir = path;
    d->Prepare(d->DirUrl());
    curl_easy_setopt(d->easy->get(), CURLOPT_NOBODY, 1L);
    if (const CURLcode result = d->Run(); result != CURLE_OK) {
        d->currentDir = previous;
        d->Fail(
            result,
            QStringLiteral("Changement de dossier FTP vers « %1 » impossible").arg(absolutePath));
    }
}

void FtpClient::List()
{
    d->RequireConnection();
    QByteArray received;
    auto fetch = [&](const char* command) {
        received.clear();
        d->Prepare(d->DirUrl());
        curl_easy_setopt(d->easy->get(), CURLOPT_CUSTOMREQUEST, command);
        curl_easy_setopt(
            d->easy->get(), CURLOPT_WRITEFUNCTION,
            +[](char* data, size_t size, size_t count, void* user) -> size_t {
                auto* buffer = static_cast<QByteArray*>(user);
                if (buffer->size() + qsizetype(size * count) > MaxListingBytes)
                    return 0;
                buffer->append(data, qsizetype(size * count));
                return size * count;
            });
        curl_easy_setopt(d->easy->get(), CURLOPT_WRITEDATA, &received);
        return d->Run();
    };

    CURLcode result = CURLE_OK;
    bool mlsd = d->useMlsd;
    if (mlsd) {
        result = fetch("MLSD");
        // A server that announced MLST but does not know MLSD after all.
        const long reply = d->ResponseCode();
        if (result == CURLE_FTP_COULDNT_RETR_FILE && (reply == 500 || reply == 502)) {
            d->useMlsd = mlsd = false;
        }
    }
    if (!mlsd)
        result = fetch("LIST");
    if (result != CURLE_OK) {
        if (result == CURLE_WRITE_ERROR)
            d->localError = QStringLiteral("liste de plus de %1 Mo").arg(MaxListingBytes >> 20);
        d->Fail(result, QStringLiteral("Liste du dossier FTP « %1 » impossible")
                            .arg(d->currentDir.isEmpty() ? QStringLiteral(".") : d->currentDir));
    }

    // A LIST date without a year is placed by the server's clock, which the machine's real
    // clock approximates (not the program's adjustable "today").
    const std::vector<FtpListing::Entry> entries =
        mlsd ? FtpListing::ParseMlsd(received)
             : FtpListing::ParseList(received, QDateTime::currentDateTime());
    d->listing.clear();
    d->rawNames.clear();
    d->listedSizes.clear();
    d->listingDir = d->currentDir;
    d->listing.reserve(entries.size());
    for (const FtpListing::Entry& entry : entries) {
        d->listing.push_back(entry.item);
        d->rawNames.insert(entry.item.FileName, entry.rawName);
        if (entry.item.IsFile && !d->listedSizes.contains(entry.item.FileName))
            d->listedSizes.insert(entry.item.FileName, entry.item.Size);
    }
}

int FtpClient::ListingCount() const
{
    return int(d->listing.size());
}

const FtpListItem& FtpClient::Listing(int index) const
{
    if (index < 0 || index >= ListingCount())
        throw Refusal(QStringLiteral("Liste FTP : élément %1 hors limites (0 à %2).")
                          .arg(index)
                          .arg(ListingCount() - 1));
    return d->listing[size_t(index)];
}

void FtpClient::UseListingOf(const FtpClient& lister)
{
    d->listing = lister.d->listing;
    d->rawNames = lister.d->rawNames;
    d->listedSizes = lister.d->listedSizes;
    d->listingDir = lister.d->listingDir;
}

void FtpClient::Get(const QString& remoteName, const QString& localPath)
{
    // When the listing of this folder gives the file's size, the download skips the SIZE
    // command (a round trip per file, a third of a small file's time) and checks the byte
    // count against the listing instead; a file whose count differs (cut short, or changed
    // since the listing) is fetched again the usual way, where libcurl checks the size.
    const qint64 listedSize =
        d->listingDir == d->currentDir ? d->listedSizes.value(remoteName, -1) : -1;
    if (listedSize < 0 || !GetOnce(remoteName, localPath, listedSize))
        GetOnce(remoteName, localPath, -1);
}

bool FtpClient::GetOnce(const QString& remoteName, const QString& localPath, qint64 listedSize)
{
    d->RequireConnection();
    const QString action = QStringLiteral("Téléchargement de « %1 » impossible").arg(remoteName);
    const QByteArray raw = d->rawNames.value(remoteName, remoteName.toUtf8());
    if (!IsValidRemoteName(raw))
        throw Refusal(action + QStringLiteral(" : nom de fichier invalide."));

    // The copy goes to a temporary file beside the target, renamed over it once complete:
    // a reader never sees half a file and a failed transfer leaves the old copy. Unlike
    // QSaveFile, nothing is forced to disk: a download is a cache that the next run fetches
    // again, and a flush to disk per file made a pass of small reports twice as slow as a
    // plain mirror on a busy disk.
    const QFileInfo target(localPath);
    QTemporaryFile out(
        target.absoluteDir().filePath(target.fileName() + QStringLiteral(".XXXXXX.part")));
    const auto localFailure = [&](const QString& reason) {
        return Refusal(action + QStringLiteral(" : le fichier local « %1 » ne peut pas être "
                                               "écrit (%2).")
                                    .arg(localPath, reason));
    };
    if (!out.open())
        throw localFailure(out.errorString());

    struct Sink
    {
        QTemporaryFile* file;
        Impl* impl;
    } sink{&out, d.get()};
    d->Prepare(d->DirUrl() + EncodeSegment(raw));
    if (listedSize >= 0)
        curl_easy_setopt(d->easy->get(), CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
    curl_easy_setopt(
        d->easy->get(), CURLOPT_WRITEFUNCTION,
        +[](char* data, size_t size, size_t count, void* user) -> size_t {
            auto* sink = static_cast<Sink*>(user);
            const qint64 length = qint64(size * count);
            if (sink->file->write(data, length) != length) {
                sink->impl->localError = sink->file->errorString();
                return 0;
            }
            return size * count;
        });
    curl_easy_setopt(d->easy->get(), CURLOPT_WRITEDATA, &sink);
    if (const CURLcode result = d->Run(); result != CURLE_OK)
        d->Fail(result, action); // the temporary file is removed with out
    // A buffered write can fail only when flushed: check it before the rename.
    if (!out.flush())
        throw localFailure(out.errorString());
    if (listedSize >= 0 && out.size() != listedSize)
        return false;
    out.close();
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(out.fileName()).toStdString(),
                            QFile::encodeName(localPath).toStdString(), error);
    if (error)
        throw localFailure(QString::fromStdString(error.message()));
    out.setAutoRemove(false);
    return true;
}

void FtpClient::Put(const QString& localPath, const QString& remoteName)
{
    d->RequireConnection();
    const QString action = QStringLiteral("Envoi de « %1 » impossible").arg(remoteName);
    const QByteArray raw = remoteName.toUtf8();
    if (!IsValidRemoteName(raw))
        throw Refusal(action + QStringLiteral(" : nom de fichier invalide."));

    QFile in(localPath);
    if (!in.open(QIODevice::ReadOnly))
        throw Refusal(action + QStringLiteral(" : le fichier local « %1 » ne peut pas être "
                                              "lu (%2).")
                                   .arg(localPath, in.errorString()));

    struct Source
    {
        QFile* file;
        Impl* impl;
    } source{&in, d.get()};
    d->Prepare(d->DirUrl() + EncodeSegment(raw));
    CURL* h = d->easy->get();
    // A plain STOR: the remote file is created or replaced whole, never appended to.
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_APPEND, 0L);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(in.size()));
    curl_easy_setopt(
        h, CURLOPT_READFUNCTION, +[](char* data, size_t size, size_t count, void* user) -> size_t {
            auto* source = static_cast<Source*>(user);
            const qint64 got = source->file->read(data, qint64(size * count));
            if (got < 0) {
                source->impl->localError = source->file->errorString();
                return CURL_READFUNC_ABORT;
            }
            return size_t(got);
        });
    curl_easy_setopt(h, CURLOPT_READDATA, &source);
    d->sending = true;
    if (const CURLcode result = d->Run(); result != CURLE_OK)
        d->Fail(result, action);
}

bool FtpClient::Rename(const QString& from, const QString& to)
{
    d->RequireConnection();
    const QString action = QStringLiteral("Renommage de « %1 » en « %2 » impossible").arg(from, to);
    const QByteArray rawFrom = from.toUtf8();
    const QByteArray rawTo = to.toUtf8();
    if (!IsValidRemoteName(rawFrom) || !IsValidRemoteName(rawTo))
        throw Refusal(action + QStringLiteral(" : nom de fichier invalide."));

    const CURLcode result = d->RunCommands({"RNFR " + rawFrom, "RNTO " + rawTo});
    if (result == CURLE_OK)
        return true;
    // RNFR was accepted ("350 ... ready for destination") and RNTO refused.
    const bool fromAccepted =
        std::any_of(d->replyLines.begin(), d->replyLines.end(),
                    [](const QByteArray& line) { return line.startsWith("350"); });
    if (result == CURLE_QUOTE_ERROR && fromAccepted)
        return false;
    d->Fail(result, action);
}

void FtpClient::Delete(const QString& remoteName)
{
    d->RequireConnection();
    const QString action = QStringLiteral("Suppression de « %1 » impossible").arg(remoteName);
    const QByteArray raw = remoteName.toUtf8();
    if (!IsValidRemoteName(raw))
        throw Refusal(action + QStringLiteral(" : nom de fichier invalide."));
    if (const CURLcode result = d->RunCommands({"DELE " + raw}); result != CURLE_OK)
        d->Fail(result, action);
}
