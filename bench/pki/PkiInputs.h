// The inputs of the PKI benchmarks, made in memory on first use and kept
// for the life of the process. They are generated, never downloaded, and
// are the same octets on every run (fixed keys, fixed dates, a fixed
// pseudo-random sequence):
//  - an RSA-2048 end-entity certificate of about 1.4 KB with the usual
//    extensions, issued by an RSA-2048 CA certificate;
//  - CRLs of the CA with N revoked entries, each with a reason code and
//    every eighth with an invalidity date (about 48 octets an entry);
//  - a CMS ContentInfo holding a SignedData: 2 KB of encapsulated content,
//    signed attributes (content type, signing time, message digest, S/MIME
//    capabilities) and both certificates.
// The certificates and the CMS message are made with OpenSSL; the CRL body
// is written directly in DER (1M entries take well under a second), then
// signed with OpenSSL.
#ifndef QVBENCH_PKIINPUTS_H
#define QVBENCH_PKIINPUTS_H

#include <cstdint>
#include <string>
#include <vector>

namespace qvbench {

using Bytes = std::vector<std::uint8_t>;

// The end-entity certificate (DER).
const Bytes& certificateDer();
// The issuing CA certificate (DER).
const Bytes& caCertificateDer();
// A CRL with `entries` revoked certificates (DER); each count is made once.
const Bytes& crlDer(long entries);
// The CMS ContentInfo with a SignedData (DER).
const Bytes& cmsSignedDataDer();

// Writes b to path; false when the file cannot be written.
bool writeFile(const std::string& path, const Bytes& b);

}

#endif
