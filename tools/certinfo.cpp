// certinfo: prints the decoded record of certificates as JSON, one object per line.
//
//   certinfo [FILE...]
//
// Each FILE is a DER certificate or a PEM text with one or more certificates. Without files, the
// certificates of the embedded catalogue are printed, each with its group flags and entry number.
// Exit status: 0 when every certificate decoded, 1 when any input failed, 2 on bad usage.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/cert_groups.h"
#include "catalogue/embedded_certificates.h"
#include "crypto/base64.h"
#include "crypto/conversions.h"
#include "crypto/cryptoapi.h"
#include "platform/command_line.h"
#include "platform/error_codes.h"
#include "platform/file_system.h"
#include "platform/last_error.h"
#include "tools/standard_output.h"
#include "tools/terminal_text.h"

namespace {

using Json = nlohmann::ordered_json;

// No certificate file comes near this; an endless input (a device, a FIFO) stops here.
constexpr std::size_t kMaxFileBytes = 64 * 1024 * 1024;

constexpr std::string_view kUsage =
    "Usage: certinfo [FILE...]\n"
    "Prints the decoded record of each certificate as one JSON object per line.\n"
    "A FILE holds one DER certificate or PEM text with one or more certificates;\n"
    "at most 64 MiB of each FILE is read, a larger one fails.\n"
    "Without FILE, prints every certificate of the embedded catalogue.\n"
    "Exit status: 0 all decoded, 1 an input failed or the standard output could not\n"
    "be written, 2 bad usage.\n";

// A text of the record as printed: an unpaired surrogate shows as U+FFFD instead of blanking the
// whole value, as the program's own conversion would.
std::string Utf8(const std::u16string& text) {
  return tools::ShownUtf8(text);
}

std::string UpperHex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

Json AttrList(const std::vector<TRDNAttr>& attrs) {
  Json list = Json::array();
  for (const TRDNAttr& attr : attrs) {
    list.push_back({{"oid", Utf8(attr.oid)},
                    {"valueType", attr.valueType},
                    {"value", Utf8(attr.value)},
                    {"isOtherName", attr.isOtherName}});
  }
  return list;
}

// The record's fields under their own names, in the record's order.
void AddRecord(Json& out, const TCertDetails& record) {
  out["subjectName"] = Utf8(record.subjectName);
  out["subjectDN"] = Utf8(record.subjectDN);
  out["issuerName"] = Utf8(record.issuerName);
  out["issuerDN"] = Utf8(record.issuerDN);
  out["subjectEncoded"] = UpperHex(record.subjectEncoded);
  out["serialNumber"] = Utf8(record.serialNumber);
  out["thumbprint"] = Utf8(record.thumbprint);
  out["keyUsage"] = UpperHex(record.keyUsage);
  out["version"] = record.version;
  out["notBefore"] = record.notBefore.Value();
  out["notAfter"] = record.notAfter.Value();
  out["pemText"] = Utf8(record.pemText);
  out["base64Text"] = Utf8(record.base64Text);
  out["certEncoded"] = UpperHex(record.certEncoded);
  out["privateExtText"] = Utf8(record.privateExtText);
  out["hasQcStatements"] = record.hasQcStatements;
  out["signatureAlgOid"] = Utf8(record.signatureAlgOid);
  out["hashAlgOid"] = Utf8(record.hashAlgOid);
  out["hasKeyProvInfo"] = record.hasKeyProvInfo;
  out["keyProvName"] = Utf8(record.keyProvName);
  out["keyProvType"] = record.keyProvType;
  out["publicKeyBits"] = record.publicKeyBits;
  out["keyContainerName"] = Utf8(record.keyContainerName);
  out["keySpec"] = record.keySpec;
  out["authorityKeyId"] = UpperHex(record.authorityKeyId);
  out["subjectKeyId"] = UpperHex(record.subjectKeyId);
  out["subjectAttrs"] = AttrList(record.subjectAttrs);
  out["issuerAttrs"] = AttrList(record.issuerAttrs);
  out["altNames"] = AttrList(record.altNames);
  out["extKeyUsages"] = AttrList(record.extKeyUsages);
  out["ekuPropMissing"] = record.ekuPropMissing;
  Json oids = Json::array();
  for (const std::u16string& oid : record.ekuPropOids) {
    oids.push_back(Utf8(oid));
  }
  out["ekuPropOids"] = std::move(oids);
}

void Print(const Json& object) {
  std::cout << tools::JsonForTerminal(object.dump(-1, ' ', false, Json::error_handler_t::replace))
            << '\n';
}

std::optional<TCertDetails> DecodeDer(const platform::Bytes& der) {
  const auto context = platform::CertCreateCertificateContext(platform::kCertEncoding, der);
  if (!context) {
    return std::nullopt;
  }
  TCertDetails record;
  if (TCryptoapi::DecodeCertificate(*context, record) != 1) {
    return std::nullopt;
  }
  return record;
}

// The catalogue's way from PEM text to record.
std::optional<TCertDetails> DecodePem(const std::u16string& text) {
  platform::Bytes der;
  if (!DecodeBase64Bytes(ToNarrow(ExtractPemBlock(text)), der)) {
    return std::nullopt;
  }
  return DecodeDer(der);
}

bool IsCertificateLabel(std::string_view label) {
  return label == "CERTIFICATE" || label == "X509 CERTIFICATE";
}

// Prints every certificate of one file; false when the file or any certificate in it failed.
bool PrintFile(const std::string& path) {
  // The name is UTF-8 text (on Linux its bytes are used as they are).
  const auto content = platform::ReadFileBounded(
      std::filesystem::path(std::u8string(path.begin(), path.end())), kMaxFileBytes);
  if (!content) {
    const std::uint32_t error = platform::GetLastError();
    if (error == platform::ErrorFromErrno(EFBIG)) {
      std::cerr << "certinfo: " << tools::TerminalText(path) << ": larger than 64 MiB, not read\n";
    } else {
      std::cerr << "certinfo: " << tools::TerminalText(path) << ": cannot be read";
      if (platform::IsErrnoCode(error)) {
        std::cerr << " (" << std::strerror(static_cast<int>(error & 0xFFFF)) << ")";
      }
      std::cerr << "\n";
    }
    return false;
  }
  const std::string text(content->begin(), content->end());

  constexpr std::string_view kBegin = "-----BEGIN ";
  constexpr std::string_view kEnd = "-----END";
  constexpr std::string_view kDashes = "-----";
  bool ok = true;
  std::size_t index = 0;
  const auto print = [&](const std::optional<TCertDetails>& record) {
    if (!record) {
      std::cerr << "certinfo: " << tools::TerminalText(path) << ": certificate " << index
                << " does not decode\n";
      ok = false;
    } else {
      Json object;
      object["file"] = path;
      object["index"] = index;
      AddRecord(object, *record);
      Print(object);
    }
    ++index;
  };

  if (text.find(kBegin) == std::string::npos) {
    print(DecodeDer(platform::Bytes(text.begin(), text.end())));
    return ok;
  }
  for (std::size_t begin = text.find(kBegin); begin != std::string::npos;
       begin = text.find(kBegin, begin + kBegin.size())) {
    const std::size_t labelStart = begin + kBegin.size();
    const std::size_t labelEnd = text.find(kDashes, labelStart);
    if (labelEnd == std::string::npos) {
      break;
    }
    if (!IsCertificateLabel(std::string_view(text).substr(labelStart, labelEnd - labelStart))) {
      continue;  // keys, requests and other blocks are not certificates
    }
    const std::size_t end = text.find(kEnd, labelEnd);
    const std::size_t close =
        end == std::string::npos ? std::string::npos : text.find(kDashes, end + kEnd.size());
    const std::size_t stop = close == std::string::npos ? text.size() : close + kDashes.size();
    print(DecodePem(ToWide(text.substr(begin, stop - begin))));
    begin = stop - kBegin.size();
  }
  if (index == 0) {
    std::cerr << "certinfo: " << tools::TerminalText(path) << ": holds no certificate\n";
    return false;
  }
  return ok;
}

bool PrintCatalogue() {
  const std::pair<std::int32_t, const char16_t* const*> groups[] = {
      {CERTGROUP_ROOT_TEST, CERTS_ROOT_TEST},
      {CERTGROUP_INTERMEDIATE_TEST, CERTS_INTERMEDIATE_TEST},
      {CERTGROUP_TSA_TEST, CERTS_TSA_TEST},
      {CERTGROUP_TSA_WEB_TEST, CERTS_TSA_WEB_TEST},
  };
  bool ok = true;
  for (const auto& [flags, texts] : groups) {
    // Entry numbers count only the certificates that decode, as the catalogue does.
    std::size_t position = 0;
    for (std::size_t index = 0; texts[index] != nullptr; ++index) {
      const auto record = DecodePem(texts[index]);
      if (!record) {
        std::cerr << "certinfo: catalogue group " << flags << ": certificate " << index
                  << " does not decode\n";
        ok = false;
        continue;
      }
      Json object;
      object["groupFlags"] = flags;
      object["entry"] = std::to_string(flags) + "_" + std::to_string(position++);
      AddRecord(object, *record);
      Print(object);
    }
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (const std::string& argument : platform::CommandLineArguments(argc, argv)) {
    if (!optionsEnded && (argument == "--help" || argument == "-h")) {
      std::cout << kUsage;
      return tools::FinishStandardOutput("certinfo", 0);
    }
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && argument.size() > 1 && argument.front() == '-') {
      std::cerr << "certinfo: unknown option " << tools::TerminalText(argument) << "\n" << kUsage;
      return 2;
    } else {
      files.push_back(argument);
    }
  }
  bool ok = true;
  try {
    if (files.empty()) {
      ok = PrintCatalogue();
    }
    for (const std::string& file : files) {
      ok = PrintFile(file) && ok;
    }
  } catch (const std::exception& error) {
    std::cerr << "certinfo: " << tools::TerminalText(error.what()) << "\n";
    ok = false;
  }
  return tools::FinishStandardOutput("certinfo", ok ? 0 : 1);
}
