#include "Certificates.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace marrowfin::demo {

namespace {

namespace fs = std::filesystem;

// Long enough for a working session, short enough for browsers that refuse longer server certificates.
constexpr long kValidDays = 397;
// A certificate with less than this left is made anew, so a long demo run does not cross its end.
constexpr long kRenewWithinSeconds = 2 * 86400;

struct Deleters
{
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
    void operator()(X509* cert) const { X509_free(cert); }
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleters>;
using CertPtr = std::unique_ptr<X509, Deleters>;
using BioPtr = std::unique_ptr<BIO, Deleters>;

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error("certificates: " + what);
}

KeyPtr makeKey()
{
    KeyPtr key(EVP_EC_gen("P-256"));
    if (!key)
        fail("cannot make a key");
    return key;
}

void addExtension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (extension == nullptr)
        fail("bad extension");
    X509_add_ext(cert, extension, -1);
    X509_EXTENSION_free(extension);
}

CertPtr makeCertificate(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey, bool authority)
{
    CertPtr cert(X509_new());
    X509_set_version(cert.get(), 2);
    unsigned char serial[16];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7F;
    BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert.get()));
    BN_free(number);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), kValidDays * 86400);
    X509_set_pubkey(cert.get(), key);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Marrowfin Demo Index"),
                               -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509* signer = issuer != nullptr ? issuer : cert.get();
    X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
    addExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
    if (authority) {
        addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE,pathlen:0");
        addExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        addExtension(cert.get(), signer, NID_authority_key_identifier, "keyid:always");
        addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE");
        addExtension(cert.get(), signer, NID_key_usage, "critical,digitalSignature");
        addExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth");
        addExtension(cert.get(), signer, NID_subject_alt_name, "IP:127.0.0.1,IP:::1,DNS:localhost");
    }
    if (X509_sign(cert.get(), issuerKey != nullptr ? issuerKey : key, EVP_sha256()) == 0)
        fail("cannot sign");
    return cert;
}

std::string pemOf(X509* cert)
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_X509(bio.get(), cert);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, std::size_t(size));
}

std::string pemOf(EVP_PKEY* key)
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, std::size_t(size));
}

// Written beside the target and renamed over it, so a reader never sees half a file.
void writeFile(const fs::path& path, const std::string& content, mode_t mode)
{
    const fs::path temporary = path.string() + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        fail("cannot write " + temporary.string() + ": " + std::strerror(errno));
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n <= 0) {
            ::close(fd);
            fail("cannot write " + temporary.string());
        }
        written += std::size_t(n);
    }
    ::fchmod(fd, mode);
    ::close(fd);
    fs::rename(temporary, path);
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool stillGood(const fs::path& caFile, const fs::path& chainFile, const fs::path& keyFile)
{
    if (!fs::exists(caFile) || !fs::exists(chainFile) || !fs::exists(keyFile))
        return false;
    const std::string caPem = readFile(caFile);
    const std::string chainPem = readFile(chainFile);
    const std::string keyPem = readFile(keyFile);
    BioPtr caBio(BIO_new_mem_buf(caPem.data(), int(caPem.size())));
    BioPtr chainBio(BIO_new_mem_buf(chainPem.data(), int(chainPem.size())));
    BioPtr keyBio(BIO_new_mem_buf(keyPem.data(), int(keyPem.size())));
    CertPtr ca(PEM_read_bio_X509(caBio.get(), nullptr, nullptr, nullptr));
    CertPtr server(PEM_read_bio_X509(chainBio.get(), nullptr, nullptr, nullptr));
    KeyPtr key(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
    if (!ca || !server || !key)
        return false;
    if (X509_check_private_key(server.get(), key.get()) != 1)
        return false;
    KeyPtr caPublic(X509_get_pubkey(ca.get()));
    if (!caPublic || X509_verify(server.get(), caPublic.get()) != 1)
        return false;
    time_t soon = time(nullptr) + kRenewWithinSeconds;
    return X509_cmp_time(X509_get0_notAfter(server.get()), &soon) > 0 &&
           X509_cmp_time(X509_get0_notAfter(ca.get()), &soon) > 0;
}

class FolderLock
{
public:
    explicit FolderLock(const fs::path& file) : m_fd(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        if (m_fd < 0 || ::flock(m_fd, LOCK_EX) != 0)
            fail("cannot lock " + file.string());
    }
    ~FolderLock() { ::close(m_fd); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd;
};

} // namespace

Certificates::Certificates(const fs::path& folder)
    : m_caFile(folder / "ca.pem"), m_serverChain(folder / "server.pem"), m_serverKey(folder / "server-key.pem")
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder))
        fail("cannot make " + folder.string());
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);

    const FolderLock lock(folder / "certificates.lock");
    if (stillGood(m_caFile, m_serverChain, m_serverKey))
        return;
    const KeyPtr caKey = makeKey();
    const CertPtr ca = makeCertificate(caKey.get(), "Marrowfin Demo Index local CA", nullptr, nullptr, true);
    const KeyPtr serverKey = makeKey();
    const CertPtr server = makeCertificate(serverKey.get(), "127.0.0.1", ca.get(), caKey.get(), false);
    // The CA key is not kept: new server certificates come with a new CA.
    writeFile(m_serverKey, pemOf(serverKey.get()), 0600);
    writeFile(m_serverChain, pemOf(server.get()) + pemOf(ca.get()), 0644);
    writeFile(m_caFile, pemOf(ca.get()), 0644);
}

} // namespace marrowfin::demo
