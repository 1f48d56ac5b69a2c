// A small test PKI made with OpenSSL inside the test: self-signed roots, intermediates and
// server certificates with EC P-256 keys.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/cert_context.h"

namespace corvane_test {

struct TestKey;  // an OpenSSL key pair

struct TestCertificate {
  platform::Bytes der;
  std::string certPem;
  std::string keyPem;  // PKCS#8, unencrypted
  std::shared_ptr<TestKey> key;
};

struct TestCertificateSpec {
  std::string commonName;
  std::string organization = "Corvane Test";
  bool isCa = true;
  // Signed by this certificate's key; self-signed when null.
  const TestCertificate* issuer = nullptr;
  // Reuse a key (for a second certificate with the same key); a new key when null.
  std::shared_ptr<TestKey> key{};
  std::vector<std::string> ipAddresses{};  // subjectAltName IP entries
  std::vector<std::string> dnsNames{};     // subjectAltName DNS entries
  int validDays = 30;
};

// Fails the current test (and gives an empty certificate) when OpenSSL refuses.
TestCertificate MakeTestCertificate(const TestCertificateSpec& wanted);

}  // namespace corvane_test
