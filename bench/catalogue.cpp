// The cost of loading the catalogue against the bare work underneath it (parsing the DER bytes
// and looking each certificate up in its store in every database of the user's set), and how the
// load grows with the catalogue. The catalogue benchmarks run twice: with the shared database
// alone (argument 0) and with three browser profiles beside it (argument 3).
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bench/profile_databases.h"
#include "catalogue/cert_manager.h"
#include "catalogue/embedded_certificates.h"
#include "crypto/cryptoapi.h"
#include "platform/cert_context.h"
#include "platform/cert_databases.h"
#include "platform/cert_store.h"

namespace {

struct Embedded {
  std::int32_t flags;
  const char16_t* const* texts;
};
constexpr Embedded kEmbedded[] = {
    {CERTGROUP_ROOT_TEST, CERTS_ROOT_TEST},
    {CERTGROUP_INTERMEDIATE_TEST, CERTS_INTERMEDIATE_TEST},
    {CERTGROUP_TSA_TEST, CERTS_TSA_TEST},
    {CERTGROUP_TSA_WEB_TEST, CERTS_TSA_WEB_TEST},
};

// One embedded certificate as the bare work sees it: its DER bytes, its context for the
// look-up, and the name of its store.
struct BareCertificate {
  platform::Bytes der;
  platform::CertContextPtr context;
  std::u16string storeName;
};

std::vector<BareCertificate>& BareCertificates() {
  static std::vector<BareCertificate> certificates = [] {
    std::vector<BareCertificate> list;
    for (const Embedded& group : kEmbedded) {
      for (const char16_t* const* text = group.texts; *text != nullptr; ++text) {
        TCertDetails record;
        if (DecodePemCertificate(*text, record) == 0) {
          std::abort();
        }
        list.push_back(
            {record.certEncoded, record.CreateContext(), StoreNameForGroup(group.flags)});
      }
    }
    return list;
  }();
  return certificates;
}

std::filesystem::path g_home;

// Lists as many profiles as the benchmark's argument says.
bool UseProfiles(benchmark::State& state) {
  if (!corvane_bench::UseProfileDatabases(g_home, static_cast<int>(state.range(0)))) {
    state.SkipWithError("cannot make the profile databases (is certutil installed?)");
    return false;
  }
  return true;
}

// The look-ups of every certificate in its store, database after database, as bare as the
// platform allows: each store of each database is opened once per pass.
int LookUpEverywhere(const std::vector<BareCertificate>& certificates) {
  int found = 0;
  for (const platform::CertDatabase& database : platform::FindUserCertDatabases().databases) {
    for (const char16_t* storeName : {u"Root", u"CA"}) {
      const auto store = platform::CertStore::OpenStoreIn(storeName, database);
      for (const BareCertificate& certificate : certificates) {
        if (store && certificate.storeName == storeName) {
          found += store->FindExisting(*certificate.context) ? 1 : 0;
        }
      }
    }
  }
  return found;
}

void BM_LoadCatalogue(benchmark::State& state) {
  if (!UseProfiles(state)) {
    return;
  }
  for (auto _ : state) {
    TCertManager catalogue;
    catalogue.LoadCatalogue();
    benchmark::DoNotOptimize(catalogue.groups);
  }
}
BENCHMARK(BM_LoadCatalogue)->Arg(0)->Arg(3)->Unit(benchmark::kMicrosecond);

// The same 15 OpenSSL parses and the same store look-ups, without anything of the catalogue.
void BM_BareParseAndLookup(benchmark::State& state) {
  if (!UseProfiles(state)) {
    return;
  }
  std::vector<BareCertificate>& certificates = BareCertificates();
  for (auto _ : state) {
    for (const BareCertificate& certificate : certificates) {
      const unsigned char* cursor = certificate.der.data();
      std::unique_ptr<X509, decltype(&X509_free)> parsed(
          d2i_X509(nullptr, &cursor, static_cast<long>(certificate.der.size())), &X509_free);
      benchmark::DoNotOptimize(parsed.get());
    }
    benchmark::DoNotOptimize(LookUpEverywhere(certificates));
  }
}
BENCHMARK(BM_BareParseAndLookup)->Arg(0)->Arg(3)->Unit(benchmark::kMicrosecond);

// The store look-ups alone. OpenSSL's d2i_X509 decodes the public key through its provider
// machinery and so costs more than the certificate services' own parse; this is the stricter
// floor.
void BM_StoreLookupsOnly(benchmark::State& state) {
  if (!UseProfiles(state)) {
    return;
  }
  std::vector<BareCertificate>& certificates = BareCertificates();
  for (auto _ : state) {
    benchmark::DoNotOptimize(LookUpEverywhere(certificates));
  }
}
BENCHMARK(BM_StoreLookupsOnly)->Arg(0)->Arg(3)->Unit(benchmark::kMicrosecond);

// count PEM texts of distinct certificates signed by one key (generated once per size).
std::vector<std::u16string> SyntheticTexts(int count) {
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_EC_gen("P-256"), &EVP_PKEY_free);
  std::vector<std::u16string> texts;
  for (int index = 0; index < count; ++index) {
    std::unique_ptr<X509, decltype(&X509_free)> certificate(X509_new(), &X509_free);
    X509_set_version(certificate.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), index + 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), 0);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 365L * 24 * 3600);
    X509_NAME* name = X509_get_subject_name(certificate.get());
    const std::string commonName = "Synthetic Root " + std::to_string(index);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>("Oberit, a.s."), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                               0);
    X509_set_issuer_name(certificate.get(), name);
    X509_set_pubkey(certificate.get(), key.get());
    X509_sign(certificate.get(), key.get(), EVP_sha256());

    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
    PEM_write_bio_X509(bio.get(), certificate.get());
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    texts.emplace_back(data, data + length);  // PEM is ASCII
  }
  return texts;
}

void BM_LoadSyntheticGroup(benchmark::State& state) {
  static std::map<int, std::vector<std::u16string>> cache;
  const int count = static_cast<int>(state.range(0));
  auto& texts = cache[count];
  if (texts.empty()) {
    texts = SyntheticTexts(count);
  }
  std::vector<const char16_t*> list;
  for (const std::u16string& text : texts) {
    list.push_back(text.c_str());
  }
  list.push_back(nullptr);
  corvane_bench::UseProfileDatabases(g_home, 0);
  for (auto _ : state) {
    TCertManager catalogue;
    catalogue.AddGroup(CERTGROUP_ROOT_TEST, list.data());
    benchmark::DoNotOptimize(catalogue.groups);
  }
  state.SetComplexityN(count);
}
BENCHMARK(BM_LoadSyntheticGroup)
    ->RangeMultiplier(10)
    ->Range(10, 1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// Remembers the time per iteration of every run, to print the ratio at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      // With repetitions the median stands for the benchmark; without, the one run does.
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const std::string name = run.run_name.str();
      if (median || (run.run_type == Run::RT_Iteration && !medians.contains(name))) {
        realTimes[name] = run.GetAdjustedRealTime();
        cpuTimes[name] = run.GetAdjustedCPUTime();
        if (median) {
          medians.insert(name);
        }
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> realTimes;
  std::map<std::string, double> cpuTimes;
  std::set<std::string> medians;
};

}  // namespace

int main(int argc, char** argv) {
  // A throw-away home, set before anything opens the certificate database.
  std::string home = (std::filesystem::temp_directory_path() / "corvane-bench-XXXXXX").string();
  if (mkdtemp(home.data()) == nullptr) {
    return 1;
  }
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
  g_home = home;
  {
    // Two installed certificates in the shared database and three profiles' databases, so that
    // the look-ups search real databases.
    if (!corvane_bench::UseProfileDatabases(g_home, 3)) {
      return 1;
    }
    TCertManager catalogue;
    catalogue.LoadCatalogue();
    TCryptoapi cryptoapi;
    cryptoapi.Install(catalogue.FindEntry(CERTGROUP_ROOT_TEST, 0)->record, u"Root");
    cryptoapi.Install(catalogue.FindEntry(CERTGROUP_INTERMEDIATE_TEST, 0)->record, u"CA");
  }

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const auto* times : {&reporter.realTimes, &reporter.cpuTimes}) {
    const char* kind = times == &reporter.realTimes ? "real" : "CPU";
    for (const char* databases : {"/0", "/3"}) {
      const auto load = times->find(std::string("BM_LoadCatalogue") + databases);
      if (load == times->end()) {
        continue;
      }
      for (const char* baseline : {"BM_BareParseAndLookup", "BM_StoreLookupsOnly"}) {
        const auto bare = times->find(baseline + std::string(databases));
        if (bare != times->end() && bare->second > 0) {
          std::printf(
              "LoadCatalogue%s / %s%s (%s time): %.2fx (goal: at most 2x against the bare "
              "work)\n",
              databases, baseline, databases, kind, load->second / bare->second);
        }
      }
    }
  }
  benchmark::Shutdown();
  std::filesystem::remove_all(home);
  return 0;
}
