#include "platform/win32/system/extra_roots.h"

// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include <fstream>
#include <iterator>

namespace tickwell::platform {

namespace {

constexpr const char* kBegin = "-----BEGIN CERTIFICATE-----";
constexpr const char* kEnd = "-----END CERTIFICATE-----";
// A certificate file of a few certificates is a few KiB; anything far
// larger is not what the option is for.
constexpr std::size_t kMaxPemBytes = 1024 * 1024;
constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

bool ReadSmallFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad() && text->size() <= kMaxPemBytes;
}

// The current user's "Root" store: the roots Windows trusts for this user.
HCERTSTORE OpenUserRoots() {
    return ::CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
}

}  // namespace

bool DecodePemCertificates(const std::string& pem, std::vector<std::vector<unsigned char>>* ders) {
    std::size_t at = 0;
    while ((at = pem.find(kBegin, at)) != std::string::npos) {
        const std::size_t end = pem.find(kEnd, at);
        if (end == std::string::npos) return false;
        const std::size_t blockEnd = end + std::char_traits<char>::length(kEnd);
        const DWORD length = static_cast<DWORD>(blockEnd - at);
        DWORD size = 0;
        if (!::CryptStringToBinaryA(pem.data() + at, length, CRYPT_STRING_BASE64HEADER, nullptr,
                                    &size, nullptr, nullptr) ||
            size == 0) {
            return false;
        }
        std::vector<unsigned char> der(size);
        if (!::CryptStringToBinaryA(pem.data() + at, length, CRYPT_STRING_BASE64HEADER, der.data(),
                                    &size, nullptr, nullptr)) {
            return false;
        }
        der.resize(size);
        ders->push_back(std::move(der));
        at = blockEnd;
    }
    return true;
}

bool ExtraRoots::AddFromPemFile(const std::string& path) {
    std::string pem;
    std::vector<std::vector<unsigned char>> ders;
    if (!ReadSmallFile(path, &pem) || !DecodePemCertificates(pem, &ders) || ders.empty()) {
        return false;
    }
    HCERTSTORE store = OpenUserRoots();
    if (store == nullptr) return false;
    bool ok = true;
    for (std::vector<unsigned char>& der : ders) {
        // CERT_STORE_ADD_NEW fails with CRYPT_E_EXISTS for a certificate the
        // store holds already: it is trusted, and it is not ours to remove.
        const BOOL added = ::CertAddEncodedCertificateToStore(store, kEncoding, der.data(),
                                                              static_cast<DWORD>(der.size()),
                                                              CERT_STORE_ADD_NEW, nullptr);
        if (added) {
            added_.push_back(std::move(der));
        } else if (::GetLastError() != static_cast<DWORD>(CRYPT_E_EXISTS)) {
            ok = false;
        }
    }
    ::CertCloseStore(store, 0);
    return ok;
}

ExtraRoots::~ExtraRoots() {
    if (added_.empty()) return;
    HCERTSTORE store = OpenUserRoots();
    if (store == nullptr) return;
    for (const std::vector<unsigned char>& der : added_) {
        PCCERT_CONTEXT wanted =
            ::CertCreateCertificateContext(kEncoding, der.data(), static_cast<DWORD>(der.size()));
        if (wanted == nullptr) continue;
        PCCERT_CONTEXT found =
            ::CertFindCertificateInStore(store, kEncoding, 0, CERT_FIND_EXISTING, wanted, nullptr);
        // Deleting frees the found context, whatever the result.
        if (found != nullptr) ::CertDeleteCertificateFromStore(found);
        ::CertFreeCertificateContext(wanted);
    }
    // Wine writes a deletion to the registry only when the store is
    // committed; closing it is not enough.
    ::CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    ::CertCloseStore(store, 0);
}

}  // namespace tickwell::platform
