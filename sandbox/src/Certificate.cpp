#include "Certificate.h"

#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <stdexcept>
#include <string>

namespace sandbox {

namespace {

void check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(std::string("cannot make the certificate: ") + what);
}

void addExtension(X509* certificate, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    check(extension != nullptr, "extension");
    const int added = X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
    check(added == 1, "adding an extension");
}

}  // namespace

Certificate::Certificate()
{
    // An EC key is made in a few milliseconds, which keeps start-up quick.
    key_.reset(EVP_EC_gen("P-256"));
    check(key_ != nullptr, "key");

    certificate_.reset(X509_new());
    X509* cert = certificate_.get();
    check(cert != nullptr, "certificate");
    check(X509_set_version(cert, 2) == 1, "version");

    unsigned char serial[16];
    check(RAND_bytes(serial, sizeof serial) == 1, "serial");
    serial[0] &= 0x7F;  // a positive serial number
    BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
    check(number != nullptr, "serial");
    const bool serialSet = BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert)) != nullptr;
    BN_free(number);
    check(serialSet, "serial");

    // A day back allows for clocks that differ a little.
    check(X509_gmtime_adj(X509_getm_notBefore(cert), -24L * 60 * 60) != nullptr, "validity");
    check(X509_gmtime_adj(X509_getm_notAfter(cert), 365L * 24 * 60 * 60) != nullptr, "validity");

    X509_NAME* name = X509_get_subject_name(cert);
    const auto addName = [&](const char* field, const char* value) {
        check(X509_NAME_add_entry_by_txt(name, field, MBSTRING_ASC,
                                         reinterpret_cast<const unsigned char*>(value), -1, -1, 0)
                  == 1,
              "name");
    };
    addName("O", "Quaylet sandbox");
    addName("CN", "127.0.0.1");
    check(X509_set_issuer_name(cert, name) == 1, "issuer");
    check(X509_set_pubkey(cert, key_.get()) == 1, "public key");

    addExtension(cert, NID_basic_constraints, "critical,CA:FALSE");
    addExtension(cert, NID_key_usage, "critical,digitalSignature");
    addExtension(cert, NID_ext_key_usage, "serverAuth");
    addExtension(cert, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");

    check(X509_sign(cert, key_.get(), EVP_sha256()) > 0, "signature");
}

}  // namespace sandbox
