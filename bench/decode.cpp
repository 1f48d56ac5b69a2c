// The whole way from a catalogue PEM text to its decoded record (ExtractPemBlock, ToNarrow,
// DecodeBase64Bytes, CertCreateCertificateContext, DecodeCertificate) over the fifteen catalogue
// certificates, against OpenSSL rendering the same certificates as text with X509_print_ex into a
// memory BIO: once from parsed certificates, once including OpenSSL's own PEM parsing. Ends with
// the speed ratios, taken from the fastest of nine repetitions.
#include <benchmark/benchmark.h>
#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/fastest_run_reporter.h"
#include "catalogue/embedded_certificates.h"
#include "crypto/base64.h"
#include "crypto/conversions.h"
#include "crypto/cryptoapi.h"

namespace {

std::vector<const char16_t*> CatalogueTexts() {
  std::vector<const char16_t*> texts;
  for (const char16_t* const* list :
       {CERTS_ROOT_TEST, CERTS_INTERMEDIATE_TEST, CERTS_TSA_TEST, CERTS_TSA_WEB_TEST}) {
    for (std::size_t index = 0; list[index] != nullptr; ++index) {
      texts.push_back(list[index]);
    }
  }
  return texts;
}

struct X509Deleter {
  void operator()(X509* cert) const { X509_free(cert); }
};
struct BioDeleter {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
using X509Ptr = std::unique_ptr<X509, X509Deleter>;
using BioPtr = std::unique_ptr<BIO, BioDeleter>;

X509Ptr ParsePem(const std::string& pem) {
  const BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  return X509Ptr(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
}

void CorvaneDecode(benchmark::State& state) {
  const std::vector<const char16_t*> texts = CatalogueTexts();
  for (auto _ : state) {
    for (const char16_t* text : texts) {
      TCertDetails record;
      platform::Bytes der;
      if (!DecodeBase64Bytes(ToNarrow(ExtractPemBlock(text)), der)) {
        state.SkipWithError("a catalogue text has no DER bytes");
        return;
      }
      const auto context = platform::CertCreateCertificateContext(platform::kCertEncoding, der);
      if (!context || TCryptoapi::DecodeCertificate(*context, record) != 1) {
        state.SkipWithError("a catalogue certificate does not decode");
        return;
      }
      benchmark::DoNotOptimize(record);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * texts.size()));
}

void OpenSslPrint(benchmark::State& state, bool includeParsing) {
  std::vector<std::string> pems;
  std::vector<X509Ptr> parsed;
  for (const char16_t* text : CatalogueTexts()) {
    pems.push_back(ToNarrow(text));
    parsed.push_back(ParsePem(pems.back()));
    if (!parsed.back()) {
      state.SkipWithError("OpenSSL cannot parse a catalogue certificate");
      return;
    }
  }
  const BioPtr out(BIO_new(BIO_s_mem()));
  for (auto _ : state) {
    for (std::size_t index = 0; index < pems.size(); ++index) {
      X509Ptr fresh;
      const X509* cert = parsed[index].get();
      if (includeParsing) {
        fresh = ParsePem(pems[index]);
        cert = fresh.get();
      }
      (void)BIO_reset(out.get());
      X509_print_ex(out.get(), const_cast<X509*>(cert), XN_FLAG_COMPAT, X509_FLAG_COMPAT);
      char* data = nullptr;
      benchmark::DoNotOptimize(BIO_get_mem_data(out.get(), &data));
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * pems.size()));
}

}  // namespace

int main(int argc, char** argv) {
  for (benchmark::internal::Benchmark* bench :
       {benchmark::RegisterBenchmark("Decode/Corvane/PemToRecord", CorvaneDecode),
        benchmark::RegisterBenchmark("Render/OpenSSL/Print", OpenSslPrint, false),
        benchmark::RegisterBenchmark("Render/OpenSSL/ParseAndPrint", OpenSslPrint, true)}) {
    benchmark_support::RunFastestOfNine(bench->Unit(benchmark::kMicrosecond));
  }
  benchmark::Initialize(&argc, argv);
  benchmark_support::FastestRunReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::fflush(stdout);
  reporter.PrintRatio("Full decode vs X509_print_ex", "Decode/Corvane/PemToRecord",
                      "Render/OpenSSL/Print", 1, "us CPU per 15 certificates");
  reporter.PrintRatio("Full decode vs PEM parse + X509_print_ex", "Decode/Corvane/PemToRecord",
                      "Render/OpenSSL/ParseAndPrint", 1, "us CPU per 15 certificates");
  return 0;
}
