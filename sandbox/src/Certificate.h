#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>

namespace sandbox {

// A self-signed certificate for 127.0.0.1 and localhost with its key, made in
// memory for the https endpoints; nothing is written to disk.
class Certificate {
public:
    Certificate();

    X509* certificate() const { return certificate_.get(); }
    EVP_PKEY* key() const { return key_.get(); }

private:
    struct FreeKey {
        void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
    };
    struct FreeCertificate {
        void operator()(X509* certificate) const { X509_free(certificate); }
    };
    std::unique_ptr<EVP_PKEY, FreeKey> key_;
    std::unique_ptr<X509, FreeCertificate> certificate_;
};

}  // namespace sandbox
