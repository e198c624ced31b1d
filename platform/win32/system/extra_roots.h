// Extra certificates to trust, taken from a PEM file and added to the
// current user's root store for as long as the object lives. Windows then
// verifies servers against them as against its own roots; verification is
// never switched off.
#pragma once

#include <string>
#include <vector>

namespace tickwell::platform {

class ExtraRoots {
public:
    ExtraRoots() = default;
    // Takes the certificates back out of the store, those this object put
    // there only: one the store already held stays.
    ~ExtraRoots();
    ExtraRoots(const ExtraRoots&) = delete;
    ExtraRoots& operator=(const ExtraRoots&) = delete;

    // Adds every certificate of the PEM file at `path`. False when the file
    // can't be read, holds no certificate, holds one that does not decode,
    // or the store refuses one.
    bool AddFromPemFile(const std::string& path);

private:
    // The DER bytes of each certificate this object added.
    std::vector<std::vector<unsigned char>> added_;
};

// The DER bytes of each "BEGIN CERTIFICATE" block of a PEM text; false when
// a block is cut short or does not decode.
bool DecodePemCertificates(const std::string& pem, std::vector<std::vector<unsigned char>>* ders);

}  // namespace tickwell::platform
