#include "core/platform/tls_session.h"

#include <QDateTime>

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <climits>
#include <map>
#include <mutex>

namespace {

QString lastLibraryError() {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return {};
    char text[256] = {};
    ERR_error_string_n(code, text, sizeof text);
    return QString::fromLatin1(text);
}

void setCommonOptions(SSL_CTX* context) {
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    // A server that closes without close_notify has still sent everything:
    // FTP learns a transfer's outcome from the control connection.
    SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_mode(context, SSL_MODE_RELEASE_BUFFERS);
}

// One client context for the whole program, trusting what the system
// trusts. Its settings never change after it is made, so every thread can
// share it.
SSL_CTX* clientContext(int (*onNewSession)(SSL*, SSL_SESSION*)) {
    static SSL_CTX* const context = [onNewSession] {
        SSL_CTX* c = SSL_CTX_new(TLS_client_method());
        if (!c)
            return c;
        setCommonOptions(c);
        SSL_CTX_set_default_verify_paths(c);
        // Checked once the handshake is done, so an unknown certificate can
        // be shown to the user rather than refused outright.
        SSL_CTX_set_verify(c, SSL_VERIFY_NONE, nullptr);
        // New sessions go to the connection's TlsResumptions, for its data
        // connections to offer.
        SSL_CTX_set_session_cache_mode(c, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
        SSL_CTX_sess_set_new_cb(c, onNewSession);
        return c;
    }();
    return context;
}

SSL_CTX* newServerContext(const QByteArray& certificatePem, const QByteArray& keyPem) {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (!context)
        return nullptr;
    setCommonOptions(context);
    static const unsigned char idContext[] = "corvane";
    SSL_CTX_set_session_id_context(context, idContext, sizeof idContext - 1);
    BIO* certificateBio = BIO_new_mem_buf(certificatePem.constData(), int(certificatePem.size()));
    BIO* keyBio = BIO_new_mem_buf(keyPem.constData(), int(keyPem.size()));
    X509* certificate = PEM_read_bio_X509(certificateBio, nullptr, nullptr, nullptr);
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
    const bool usable = certificate && key && SSL_CTX_use_certificate(context, certificate) == 1 &&
                        SSL_CTX_use_PrivateKey(context, key) == 1;
    X509_free(certificate);
    EVP_PKEY_free(key);
    BIO_free(certificateBio);
    BIO_free(keyBio);
    if (!usable) {
        SSL_CTX_free(context);
        return nullptr;
    }
    return context;
}

// One context per certificate, kept for the program's life, so that a
// client can resume a session it had with the same server side.
SSL_CTX* serverContext(const QByteArray& certificatePem, const QByteArray& keyPem) {
    static std::mutex contextsMutex;
    // Never destroyed: the contexts live as long as the program.
    static auto* const contexts = new std::map<QByteArray, SSL_CTX*>;
    std::lock_guard<std::mutex> lock(contextsMutex);
    SSL_CTX*& context = (*contexts)[certificatePem + keyPem];
    if (!context)
        context = newServerContext(certificatePem, keyPem);
    if (context)
        SSL_CTX_up_ref(context);
    return context;
}

bool isAddress(const QByteArray& name) {
    unsigned char buffer[16];
    return inet_pton(AF_INET, name.constData(), buffer) == 1 ||
           inet_pton(AF_INET6, name.constData(), buffer) == 1;
}

QString nameText(const X509_NAME* name) {
    BIO* bio = BIO_new(BIO_s_mem());
    X509_NAME_print_ex(bio, name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    const QString text = QString::fromUtf8(data, size);
    BIO_free(bio);
    return text;
}

QString timeText(const ASN1_TIME* time) {
    tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1)
        return {};
    const QDateTime at(QDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday),
                       QTime(parts.tm_hour, parts.tm_min, parts.tm_sec), Qt::UTC);
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"));
}

QString fingerprintOf(X509* certificate) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &length) != 1)
        return {};
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex(':').toUpper());
}

// The reasons users meet, in their words; the library's text for the rest.
QString verifyProblem(long result) {
    switch (result) {
    case X509_V_OK:
        return {};
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        return QString::fromUtf8("证书是自签名的，不受系统信任");
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return QString::fromUtf8("证书的签发者不受系统信任");
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return QString::fromUtf8("证书已过期");
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return QString::fromUtf8("证书尚未生效");
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return QString::fromUtf8("证书上的名称与站点地址不符");
    default:
        return QString::fromLatin1(X509_verify_cert_error_string(result));
    }
}

} // namespace

void TlsResumptions::add(TlsResumption session) {
    std::lock_guard<std::mutex> lock(mutex_);
    sessions_.push_front(std::move(session));
    if (qsizetype(sessions_.size()) > Kept)
        sessions_.pop_back();
}

TlsResumption TlsResumptions::newestResumable() const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const TlsResumption& session : sessions_)
        if (SSL_SESSION_is_resumable(session.get()) == 1)
            return session;
    return {};
}

int TlsSession::onNewSession(SSL* ssl, SSL_SESSION* session) {
    auto* self = static_cast<TlsSession*>(SSL_get_app_data(ssl));
    if (!self)
        return 0;
    self->resumptions_->add(TlsResumption(session, SSL_SESSION_free));
    return 1; // the reference is ours now
}

std::unique_ptr<TlsSession> TlsSession::create(const Options& options, QString* error) {
    std::unique_ptr<TlsSession> session(new TlsSession);
    SSL_CTX* context = nullptr;
    ERR_clear_error();
    if (options.role == Role::Client) {
        context = clientContext(&TlsSession::onNewSession);
        if (context)
            SSL_CTX_up_ref(context);
    } else {
        context = serverContext(options.certificatePem, options.keyPem);
    }
    if (context) {
        session->ssl_ = SSL_new(context);
        SSL_CTX_free(context); // the session holds its own reference
    }
    if (!session->ssl_) {
        *error = QString::fromUtf8("无法建立加密连接：") + lastLibraryError();
        return nullptr;
    }
    SSL* ssl = session->ssl_;
    SSL_set_app_data(ssl, session.get());
    session->in_ = BIO_new(BIO_s_mem());
    session->out_ = BIO_new(BIO_s_mem());
    BIO_set_mem_eof_return(session->in_, -1); // empty means "more to come"
    SSL_set_bio(ssl, session->in_, session->out_);
    session->requiredFingerprint_ = options.requiredFingerprint;
    session->resumptions_ =
        options.resumptions ? options.resumptions : std::make_shared<TlsResumptions>();
    if (options.role == Role::Server) {
        SSL_set_accept_state(ssl);
        return session;
    }
    SSL_set_connect_state(ssl);
    const QByteArray name = options.serverName.toUtf8();
    if (!name.isEmpty()) {
        if (isAddress(name)) {
            X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), name.constData());
        } else {
            SSL_set_tlsext_host_name(ssl, name.constData());
            SSL_set1_host(ssl, name.constData());
        }
    }
    if (const TlsResumption earlier = session->resumptions_->newestResumable())
        SSL_set_session(ssl, earlier.get());
    return session;
}

TlsSession::~TlsSession() {
    SSL_free(ssl_);
}

void TlsSession::noteFailure(const char* what) {
    const QString detail = lastLibraryError();
    error_ = QString::fromUtf8(what);
    if (!detail.isEmpty())
        error_ += QStringLiteral(" (") + detail + QLatin1Char(')');
}

void TlsSession::feed(const char* data, qint64 size) {
    while (size > 0) {
        const int chunk = int(qMin<qint64>(size, INT_MAX));
        BIO_write(in_, data, chunk);
        data += chunk;
        size -= chunk;
    }
}

void TlsSession::feedEnd() {
    BIO_set_mem_eof_return(in_, 0);
}

QByteArray TlsSession::takeOutput() {
    QByteArray bytes;
    const size_t pending = BIO_ctrl_pending(out_);
    if (pending == 0)
        return bytes;
    bytes.resize(qsizetype(pending));
    const int n = BIO_read(out_, bytes.data(), int(pending));
    bytes.resize(qMax(n, 0));
    return bytes;
}

TlsSession::Step TlsSession::handshake() {
    if (done_)
        return Step::Done;
    ERR_clear_error();
    const int result = SSL_do_handshake(ssl_);
    if (result == 1) {
        if (!requiredFingerprint_.isEmpty() &&
            peerCertificate().fingerprint != requiredFingerprint_) {
            error_ = QString::fromUtf8("数据连接的证书与控制连接的不同");
            return Step::Failed;
        }
        done_ = true;
        return Step::Done;
    }
    const int reason = SSL_get_error(ssl_, result);
    if (reason == SSL_ERROR_WANT_READ || reason == SSL_ERROR_WANT_WRITE)
        return Step::Pending;
    noteFailure(BIO_eof(in_) && BIO_ctrl_pending(in_) == 0 ? "服务器在加密握手中途断开了连接"
                                                           : "加密握手失败");
    return Step::Failed;
}

TlsSession::Input TlsSession::peek() {
    char probe;
    ERR_clear_error();
    const int n = SSL_peek(ssl_, &probe, 1);
    if (n > 0)
        return Input::Data;
    switch (SSL_get_error(ssl_, n)) {
    case SSL_ERROR_WANT_READ:
    case SSL_ERROR_WANT_WRITE:
        return Input::Nothing;
    case SSL_ERROR_ZERO_RETURN:
        return Input::Ended;
    default:
        noteFailure("加密数据无法读取");
        return Input::Failed;
    }
}

qint64 TlsSession::read(char* buffer, qint64 maxSize) {
    ERR_clear_error();
    const int n = SSL_read(ssl_, buffer, int(qMin<qint64>(maxSize, INT_MAX)));
    if (n > 0)
        return n;
    switch (SSL_get_error(ssl_, n)) {
    case SSL_ERROR_WANT_READ:
    case SSL_ERROR_WANT_WRITE:
        return -1;
    case SSL_ERROR_ZERO_RETURN:
        return 0;
    default:
        noteFailure("加密数据无法读取");
        return -2;
    }
}

bool TlsSession::write(const char* data, qint64 size) {
    while (size > 0) {
        ERR_clear_error();
        const int n = SSL_write(ssl_, data, int(qMin<qint64>(size, INT_MAX)));
        if (n <= 0) {
            noteFailure("加密数据无法发送");
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

void TlsSession::closeNotify() {
    ERR_clear_error();
    if (done_)
        SSL_shutdown(ssl_);
    ERR_clear_error();
}

bool TlsSession::hasBufferedInput() const {
    return SSL_pending(ssl_) > 0 || BIO_ctrl_pending(in_) > 0;
}

TlsCertificate TlsSession::peerCertificate() const {
    TlsCertificate info;
    X509* certificate = SSL_get1_peer_certificate(ssl_);
    if (!certificate)
        return info;
    info.subject = nameText(X509_get_subject_name(certificate));
    info.issuer = nameText(X509_get_issuer_name(certificate));
    info.validFrom = timeText(X509_get0_notBefore(certificate));
    info.validUntil = timeText(X509_get0_notAfter(certificate));
    info.fingerprint = fingerprintOf(certificate);
    X509_free(certificate);
    const long result = SSL_get_verify_result(ssl_);
    info.verified = result == X509_V_OK;
    info.problem = verifyProblem(result);
    return info;
}

QString TlsSession::protocol() const {
    return QString::fromLatin1(SSL_get_version(ssl_));
}

QString TlsSession::cipher() const {
    return QString::fromLatin1(SSL_get_cipher_name(ssl_));
}

bool TlsSession::resumed() const {
    return SSL_session_reused(ssl_) == 1;
}
