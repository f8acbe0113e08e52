#pragma once
// OpenSSL's libssl, and the libcrypto under it, opened the first time a mail
// goes out over TLS, a password is hashed or checked, or a download is
// verified: not at every start, which would pay for loading and relocating
// them (OptionalLibrary).

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <string>

// The functions the program calls, by their own names.
#define ANNIVO_OPENSSL_FUNCTIONS(X)                                                                \
    X(CRYPTO_memcmp)                                                                               \
    X(ERR_clear_error)                                                                             \
    X(ERR_peek_error)                                                                              \
    X(EVP_DecodeBlock)                                                                             \
    X(EVP_DigestFinal_ex)                                                                          \
    X(EVP_DigestInit_ex)                                                                           \
    X(EVP_DigestUpdate)                                                                            \
    X(EVP_EncodeBlock)                                                                             \
    X(EVP_MD_CTX_free)                                                                             \
    X(EVP_MD_CTX_new)                                                                              \
    X(EVP_sha256)                                                                                  \
    X(PKCS5_PBKDF2_HMAC)                                                                           \
    X(RAND_bytes)                                                                                  \
    X(SHA256)                                                                                      \
    X(SSL_CTX_ctrl)                                                                                \
    X(SSL_CTX_free)                                                                                \
    X(SSL_CTX_load_verify_locations)                                                               \
    X(SSL_CTX_new)                                                                                 \
    X(SSL_CTX_set_default_verify_paths)                                                            \
    X(SSL_CTX_set_options)                                                                         \
    X(SSL_CTX_set_verify)                                                                          \
    X(SSL_connect)                                                                                 \
    X(SSL_ctrl)                                                                                    \
    X(SSL_free)                                                                                    \
    X(SSL_get0_param)                                                                              \
    X(SSL_get_error)                                                                               \
    X(SSL_get_verify_result)                                                                       \
    X(SSL_new)                                                                                     \
    X(SSL_read)                                                                                    \
    X(SSL_set1_host)                                                                               \
    X(SSL_set_fd)                                                                                  \
    X(SSL_shutdown)                                                                                \
    X(SSL_write)                                                                                   \
    X(TLS_client_method)                                                                           \
    X(X509_VERIFY_PARAM_set1_ip_asc)

struct OpenSslFunctions {
#define ANNIVO_OPENSSL_SLOT(name) decltype(&::name) name = nullptr;
    ANNIVO_OPENSSL_FUNCTIONS(ANNIVO_OPENSSL_SLOT)
#undef ANNIVO_OPENSSL_SLOT
    bool loaded = false;
    std::string error; // for the user, when not loaded
};

// Opens the libraries on the first call (from any thread); `loaded` is false,
// with the reason in `error`, when they cannot be.
const OpenSslFunctions& OpenSsl();
