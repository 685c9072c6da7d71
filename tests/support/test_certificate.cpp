#include "test_certificate.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

namespace {

QByteArray pemOf(int (*write)(BIO*, void*), void* object) {
    BIO* bio = BIO_new(BIO_s_mem());
    write(bio, object);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    QByteArray bytes(data, int(size));
    BIO_free(bio);
    return bytes;
}

int writeCertificate(BIO* bio, void* certificate) {
    return PEM_write_bio_X509(bio, static_cast<X509*>(certificate));
}

int writeKey(BIO* bio, void* key) {
    return PEM_write_bio_PrivateKey(bio, static_cast<EVP_PKEY*>(key), nullptr, nullptr, 0, nullptr,
                                    nullptr);
}

void addExtension(X509* certificate, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

} // namespace

TestCertificate TestCertificate::make(const QString& commonName, const char* altNames) {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), long(QDateTime::currentSecsSinceEpoch()));
    X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 86400);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    const QByteArray cn = commonName.toUtf8();
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>("corvane tests"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(cn.constData()), -1, -1, 0);
    X509_set_issuer_name(certificate, name);
    addExtension(certificate, NID_subject_alt_name, altNames);
    X509_sign(certificate, key, EVP_sha256());

    TestCertificate made;
    made.certificatePem = pemOf(writeCertificate, certificate);
    made.keyPem = pemOf(writeKey, key);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    X509_digest(certificate, EVP_sha256(), digest, &length);
    made.fingerprint = QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex(':').toUpper());
    X509_free(certificate);
    EVP_PKEY_free(key);
    return made;
}

QStringList TestCertificate::writeServerFiles(const QString& folder) const {
    QDir().mkpath(folder);
    const QString certificatePath = folder + QStringLiteral("/cert.pem");
    const QString keyPath = folder + QStringLiteral("/key.pem");
    QFile certificate(certificatePath);
    QFile key(keyPath);
    if (certificate.open(QIODevice::WriteOnly))
        certificate.write(certificatePem);
    if (key.open(QIODevice::WriteOnly))
        key.write(keyPem);
    return {QStringLiteral("--tls-cert"), certificatePath, QStringLiteral("--tls-key"), keyPath};
}
