// The extra roots' record under Wine: a run killed while its certificates
// are in the user's root store leaves them recorded, and the next start
// takes out those and nothing else; a certificate the store already held is
// never recorded, and a garbled record does no harm.
#if defined(_WIN32)

// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/system/extra_roots.h"

namespace tickwell::platform {
namespace {

// Two self-signed certificates made for this test, so that it shares no
// certificate with the other tests of the user's store.
constexpr const char* kFirst = R"(-----BEGIN CERTIFICATE-----
MIIBpTCCAUugAwIBAgIUWTIdRKDAHmPlcdR1Ckf3tJVlSbQwCgYIKoZIzj0EAwIw
KDEmMCQGA1UEAwwdVGlja3dlbGwgbGVmdG92ZXIgdGVzdCByb290IDEwHhcNMjYx
MjA4MDA0MjU4WhcNMzYxMjA1MDA0MjU4WjAoMSYwJAYDVQQDDB1UaWNrd2VsbCBs
ZWZ0b3ZlciB0ZXN0IHJvb3QgMTBZMBMGByqGSM49AgEGCCqGSM49AwEHA0IABF+/
gltHcVDChFq2PIbHuw3n9WCEyjwoOVVCpFShjym7mmVe8kB1EN6jC/muG+8OJGaY
49ZCtKwHv96Frdmv2tejUzBRMB0GA1UdDgQWBBSMM9LZoyt6Kxhcpd0tl4d+RIjL
jDAfBgNVHSMEGDAWgBSMM9LZoyt6Kxhcpd0tl4d+RIjLjDAPBgNVHRMBAf8EBTAD
AQH/MAoGCCqGSM49BAMCA0gAMEUCIQClQw/dDWHtRTCbzSYDTfE1GeExKcSw6tnH
TlTQg91iBQIgVSnDdqEx86+vHdGaPfKBzQ5NZOes6rPlAV31LOQsC5U=
-----END CERTIFICATE-----
)";
constexpr const char* kSecond = R"(-----BEGIN CERTIFICATE-----
MIIBpTCCAUugAwIBAgIUWlE6M8h2N9Im7MF78gQyWNZd/ggwCgYIKoZIzj0EAwIw
KDEmMCQGA1UEAwwdVGlja3dlbGwgbGVmdG92ZXIgdGVzdCByb290IDIwHhcNMjYx
MjA4MDA0MjU4WhcNMzYxMjA1MDA0MjU4WjAoMSYwJAYDVQQDDB1UaWNrd2VsbCBs
ZWZ0b3ZlciB0ZXN0IHJvb3QgMjBZMBMGByqGSM49AgEGCCqGSM49AwEHA0IABGUy
+q+SbtigFP2bU4WRYJe8I7zRGIySk2Zhqcbn/DfTRJz0lgXhtc8KYMG/33dwOHgr
zruYQY6AQMmso0r+g+OjUzBRMB0GA1UdDgQWBBTbcwKiHx3UUxxOiP4pTCGMKTDi
gjAfBgNVHSMEGDAWgBTbcwKiHx3UUxxOiP4pTCGMKTDigjAPBgNVHRMBAf8EBTAD
AQH/MAoGCCqGSM49BAMCA0gAMEUCIQDPFTw/UFSKSRfnDbVbtTKJcSgjpGjbLksg
uo+eb4M6ugIgUphrQ5fXPUuGd3qB7DIUVmdcgOKGOy1zO/5dUzN44sQ=
-----END CERTIFICATE-----
)";

std::vector<unsigned char> Der(const char* pem) {
    std::vector<std::vector<unsigned char>> ders;
    EXPECT_TRUE(DecodePemCertificates(pem, &ders));
    return ders.empty() ? std::vector<unsigned char>() : ders[0];
}

HCERTSTORE UserRoots() {
    return ::CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
}

bool StoreHolds(const char* pem) {
    const std::vector<unsigned char> der = Der(pem);
    HCERTSTORE store = UserRoots();
    PCCERT_CONTEXT wanted = ::CertCreateCertificateContext(X509_ASN_ENCODING, der.data(),
                                                           static_cast<DWORD>(der.size()));
    PCCERT_CONTEXT found = ::CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                        CERT_FIND_EXISTING, wanted, nullptr);
    const bool held = found != nullptr;
    if (found != nullptr) ::CertFreeCertificateContext(found);
    ::CertFreeCertificateContext(wanted);
    ::CertCloseStore(store, 0);
    return held;
}

// What the user put in the store themselves, outside the program.
void AddAsTheUser(const char* pem) {
    const std::vector<unsigned char> der = Der(pem);
    HCERTSTORE store = UserRoots();
    ::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                       static_cast<DWORD>(der.size()), CERT_STORE_ADD_NEW, nullptr);
    ::CertCloseStore(store, 0);
}

void RemoveAsTheUser(const char* pem) {
    const std::vector<unsigned char> der = Der(pem);
    HCERTSTORE store = UserRoots();
    PCCERT_CONTEXT wanted = ::CertCreateCertificateContext(X509_ASN_ENCODING, der.data(),
                                                           static_cast<DWORD>(der.size()));
    PCCERT_CONTEXT found = ::CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                        CERT_FIND_EXISTING, wanted, nullptr);
    if (found != nullptr) ::CertDeleteCertificateFromStore(found);
    ::CertFreeCertificateContext(wanted);
    ::CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    ::CertCloseStore(store, 0);
}

std::string WritePem(const std::string& text) {
    char folder[MAX_PATH];
    char path[MAX_PATH];
    ::GetTempPathA(MAX_PATH, folder);
    ::GetTempFileNameA(folder, "twr", 0, path);
    FILE* file = std::fopen(path, "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return path;
}

// The record's bytes, or -1 when there is none.
long RecordSize(const char* keyPath) {
    DWORD size = 0;
    if (::RegGetValueA(HKEY_CURRENT_USER, keyPath, kAddedRootsValue, RRF_RT_REG_BINARY, nullptr,
                       nullptr, &size) != ERROR_SUCCESS) {
        return -1;
    }
    return static_cast<long>(size);
}

// A key of this test's own under the program's, removed at the end.
class RecordKey {
public:
    RecordKey()
        : path_("Software\\Quillfen\\TickwellTest\\Roots" +
                std::to_string(::GetCurrentProcessId())) {}
    ~RecordKey() { ::RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str()); }
    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
};

TEST(Win32ExtraRootsRecord, AKilledRunsCertificatesLeaveAtTheNextStartAndOnlyThose) {
    RecordKey key;
    const std::string both = WritePem(std::string(kFirst) + kSecond);
    AddAsTheUser(kSecond);
    ASSERT_TRUE(StoreHolds(kSecond));

    // A run adds both; the user's own is not recorded. The run is then
    // "killed": its object never ends, so nothing takes the first out.
    auto* killed = new ExtraRoots(key.path());
    ASSERT_TRUE(killed->AddFromPemFile(both));
    EXPECT_TRUE(StoreHolds(kFirst));
    EXPECT_EQ(RecordSize(key.path()), 20) << "one thumbprint";
    // Deliberately never deleted: a killed process leaves the store and the
    // record as they are.
    killed = nullptr;

    // The next start takes the first out, keeps the user's, clears the record.
    EXPECT_EQ(RemoveLeftoverRoots(key.path()), 1);
    EXPECT_FALSE(StoreHolds(kFirst)) << "the killed run's certificate stayed trusted";
    EXPECT_TRUE(StoreHolds(kSecond)) << "the user's own certificate was taken out";
    EXPECT_EQ(RecordSize(key.path()), -1);
    EXPECT_EQ(RemoveLeftoverRoots(key.path()), 0) << "a second start finds nothing";

    // A normal run takes its own out at the end and leaves no record.
    {
        ExtraRoots normal(key.path());
        ASSERT_TRUE(normal.AddFromPemFile(both));
        EXPECT_TRUE(StoreHolds(kFirst));
    }
    EXPECT_FALSE(StoreHolds(kFirst));
    EXPECT_TRUE(StoreHolds(kSecond));
    EXPECT_EQ(RecordSize(key.path()), -1);

    RemoveAsTheUser(kSecond);
    ::DeleteFileA(both.c_str());
}

TEST(Win32ExtraRootsRecord, AGarbledRecordRemovesNothing) {
    RecordKey key;
    AddAsTheUser(kSecond);
    HKEY handle = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, key.path(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    // Not a whole thumbprint, then text where bytes belong.
    const unsigned char cut[7] = {1, 2, 3, 4, 5, 6, 7};
    ::RegSetValueExA(handle, kAddedRootsValue, 0, REG_BINARY, cut, sizeof cut);
    EXPECT_EQ(RemoveLeftoverRoots(key.path()), 0);
    ::RegSetValueExA(handle, kAddedRootsValue, 0, REG_SZ, reinterpret_cast<const BYTE*>("73D0EE96"),
                     9);
    EXPECT_EQ(RemoveLeftoverRoots(key.path()), 0);
    ::RegCloseKey(handle);
    EXPECT_TRUE(StoreHolds(kSecond));
    RemoveAsTheUser(kSecond);
}

}  // namespace
}  // namespace tickwell::platform

#else

#include <gtest/gtest.h>

TEST(Win32ExtraRootsRecord, RunsOnlyOnWindows) {
    GTEST_SKIP() << "Windows back end";
}

#endif
