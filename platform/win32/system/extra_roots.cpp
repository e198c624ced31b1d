#include "platform/win32/system/extra_roots.h"

// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>

#include "platform/message_log.h"

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

// A record longer than this (over 3000 thumbprints) is not one the
// program wrote; it is read no further.
constexpr DWORD kMaxRecordBytes = 64 * 1024;

using Thumbprint = std::array<unsigned char, 20>;

// The current user's "Root" store: the roots Windows trusts for this user.
HCERTSTORE OpenUserRoots() {
    return ::CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
}

bool ThumbprintOf(const std::vector<unsigned char>& der, Thumbprint* thumbprint) {
    DWORD size = static_cast<DWORD>(thumbprint->size());
    return ::CryptHashCertificate(0, CALG_SHA1, 0, der.data(), static_cast<DWORD>(der.size()),
                                  thumbprint->data(), &size) &&
           size == thumbprint->size();
}

// The store's certificate with this thumbprint, or null; free it or delete it.
PCCERT_CONTEXT FindInStore(HCERTSTORE store, const Thumbprint& thumbprint) {
    CRYPT_HASH_BLOB hash{static_cast<DWORD>(thumbprint.size()),
                         const_cast<BYTE*>(thumbprint.data())};
    return ::CertFindCertificateInStore(store, kEncoding, 0, CERT_FIND_SHA1_HASH, &hash, nullptr);
}

// Takes the certificate with this thumbprint out of the store; true when
// it is not there afterwards.
bool RemoveFromStore(HCERTSTORE store, const Thumbprint& thumbprint) {
    PCCERT_CONTEXT found = FindInStore(store, thumbprint);
    // Deleting frees the found context, whatever the result.
    return found == nullptr || ::CertDeleteCertificateFromStore(found);
}

// Wine writes a deletion to the registry only when the store is committed;
// closing it is not enough.
void CommitAndClose(HCERTSTORE store) {
    ::CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    ::CertCloseStore(store, 0);
}

// The thumbprints the record names; a cut-off last one is left out.
std::vector<Thumbprint> ReadRecord(const char* keyPath) {
    std::vector<Thumbprint> thumbprints;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return thumbprints;
    }
    DWORD type = 0;
    DWORD size = 0;
    std::vector<unsigned char> bytes;
    if (::RegQueryValueExA(key, kAddedRootsValue, nullptr, &type, nullptr, &size) ==
            ERROR_SUCCESS &&
        type == REG_BINARY && size <= kMaxRecordBytes) {
        bytes.resize(size);
        if (size == 0 || ::RegQueryValueExA(key, kAddedRootsValue, nullptr, &type, bytes.data(),
                                            &size) != ERROR_SUCCESS) {
            bytes.clear();
        }
        bytes.resize(std::min<std::size_t>(bytes.size(), size));
    }
    ::RegCloseKey(key);
    for (std::size_t at = 0; at + sizeof(Thumbprint) <= bytes.size(); at += sizeof(Thumbprint)) {
        Thumbprint thumbprint;
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), thumbprint.size(),
                    thumbprint.begin());
        thumbprints.push_back(thumbprint);
    }
    return thumbprints;
}

// Records `thumbprints`, or clears the record when there are none. Flushed
// to disk, since the point is to survive a run that is killed.
bool WriteRecord(const char* keyPath, const std::vector<Thumbprint>& thumbprints) {
    HKEY key = nullptr;
    if (thumbprints.empty()) {
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
            return true;
        }
        const LONG result = ::RegDeleteValueA(key, kAddedRootsValue);
        ::RegCloseKey(key);
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    std::vector<unsigned char> bytes;
    for (const Thumbprint& thumbprint : thumbprints) {
        bytes.insert(bytes.end(), thumbprint.begin(), thumbprint.end());
    }
    const bool written = ::RegSetValueExA(key, kAddedRootsValue, 0, REG_BINARY, bytes.data(),
                                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS &&
                         ::RegFlushKey(key) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return written;
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
    if (!ReadSmallFile(path, &pem)) {
        LogMessage("TICKWELL_CA_FILE " + path + " cannot be read");
        return false;
    }
    if (!DecodePemCertificates(pem, &ders) || ders.empty()) {
        LogMessage("TICKWELL_CA_FILE " + path + ": no certificate could be read");
        return false;
    }
    HCERTSTORE store = OpenUserRoots();
    if (store == nullptr) return false;
    // A certificate the store holds already is trusted, and it is not ours
    // to remove: only the others are recorded and added.
    std::vector<Thumbprint> recorded;
    for (const std::vector<unsigned char>& der : added_) {
        Thumbprint thumbprint;
        if (ThumbprintOf(der, &thumbprint)) recorded.push_back(thumbprint);
    }
    std::vector<std::vector<unsigned char>> adding;
    for (std::vector<unsigned char>& der : ders) {
        Thumbprint thumbprint;
        if (!ThumbprintOf(der, &thumbprint)) {
            ::CertCloseStore(store, 0);
            return false;
        }
        PCCERT_CONTEXT held = FindInStore(store, thumbprint);
        if (held != nullptr) {
            ::CertFreeCertificateContext(held);
        } else if (std::find(recorded.begin(), recorded.end(), thumbprint) == recorded.end()) {
            recorded.push_back(thumbprint);
            adding.push_back(std::move(der));
        }
    }
    // The record comes first: a run killed right after adding is still
    // cleaned up after. Without it nothing is added.
    if (!adding.empty() && !WriteRecord(recordKeyPath_, recorded)) {
        ::CertCloseStore(store, 0);
        return false;
    }
    bool ok = true;
    for (std::vector<unsigned char>& der : adding) {
        // CERT_STORE_ADD_NEW fails with CRYPT_E_EXISTS for a certificate
        // another program put there meanwhile: not ours either.
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
    // The record now names exactly what went in.
    std::vector<Thumbprint> inStore;
    for (const std::vector<unsigned char>& der : added_) {
        Thumbprint thumbprint;
        if (ThumbprintOf(der, &thumbprint)) inStore.push_back(thumbprint);
    }
    if (!adding.empty()) WriteRecord(recordKeyPath_, inStore);
    return ok;
}

ExtraRoots::~ExtraRoots() {
    if (added_.empty()) return;
    HCERTSTORE store = OpenUserRoots();
    if (store == nullptr) return;
    std::vector<Thumbprint> left;
    for (const std::vector<unsigned char>& der : added_) {
        Thumbprint thumbprint;
        if (ThumbprintOf(der, &thumbprint) && !RemoveFromStore(store, thumbprint)) {
            left.push_back(thumbprint);
        }
    }
    CommitAndClose(store);
    // What could not be taken out stays recorded for the next start.
    WriteRecord(recordKeyPath_, left);
}

int RemoveLeftoverRoots(const char* recordKeyPath) {
    const std::vector<Thumbprint> recorded = ReadRecord(recordKeyPath);
    if (recorded.empty()) return 0;
    HCERTSTORE store = OpenUserRoots();
    if (store == nullptr) return 0;
    int removed = 0;
    std::vector<Thumbprint> left;
    for (const Thumbprint& thumbprint : recorded) {
        PCCERT_CONTEXT found = FindInStore(store, thumbprint);
        if (found == nullptr) continue;
        if (::CertDeleteCertificateFromStore(found)) {
            ++removed;
        } else {
            left.push_back(thumbprint);
        }
    }
    CommitAndClose(store);
    WriteRecord(recordKeyPath, left);
    return removed;
}

}  // namespace tickwell::platform
