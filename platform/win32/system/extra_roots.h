// Extra certificates to trust, taken from a PEM file and added to the
// current user's root store for as long as the object lives. Windows then
// verifies servers against them as against its own roots; verification is
// never switched off.
//
// A run that is killed can't take its certificates back out, and the store
// would keep trusting them for every program of the user. So the SHA-1
// thumbprints of the certificates a run adds are recorded in the program's
// registry key before they go in, and the next start takes out whatever
// the record still names (RemoveLeftoverRoots).
#pragma once

#include <string>
#include <vector>

#include "platform/win32/system/registry_store.h"

namespace tickwell::platform {

// The REG_BINARY value of the record: 20 bytes of thumbprint per
// certificate still in the store.
constexpr const char* kAddedRootsValue = "AddedRoots";

class ExtraRoots {
public:
    // `recordKeyPath`, a key under HKEY_CURRENT_USER, holds the record; it
    // must outlive the object.
    explicit ExtraRoots(const char* recordKeyPath = kSettingsKeyPath)
        : recordKeyPath_(recordKeyPath) {}
    // Takes the certificates back out of the store, those this object put
    // there only: one the store already held stays. Then clears the record.
    ~ExtraRoots();
    ExtraRoots(const ExtraRoots&) = delete;
    ExtraRoots& operator=(const ExtraRoots&) = delete;

    // Adds every certificate of the PEM file at `path`. False when the file
    // can't be read, holds no certificate, holds one that does not decode,
    // the record can't be written or the store refuses one.
    bool AddFromPemFile(const std::string& path);

private:
    const char* recordKeyPath_;
    // The DER bytes of each certificate this object added.
    std::vector<std::vector<unsigned char>> added_;
};

// Takes out of the user's root store each certificate the record at
// `recordKeyPath` names, which a killed run left there, then clears the
// record. Returns how many were taken out.
int RemoveLeftoverRoots(const char* recordKeyPath = kSettingsKeyPath);

// The DER bytes of each "BEGIN CERTIFICATE" block of a PEM text; false when
// a block is cut short or does not decode.
bool DecodePemCertificates(const std::string& pem, std::vector<std::vector<unsigned char>>* ders);

}  // namespace tickwell::platform
