#!/usr/bin/env bash
# Generates the fifteen certificates of Oberit's test environment that Corvane carries:
# 4 self-signed root CAs, 6 intermediate CAs issued by them (one of them already expired),
# 3 time-stamping unit certificates and 2 TLS server certificates of the time-stamp service.
#
# Writes, relative to the repository root:
#   catalogue/embedded_certificates.cpp      the four null-terminated lists of UTF-16 PEM texts
#   tests/fixtures/catalogue_expectations.json  what a decoder must read from each certificate
#
# The private keys exist only in a temporary folder that is removed when the script ends.
# Keys and serial numbers are random, so every run gives new certificates of the same shape.
# Needs only openssl (3.0 or newer), coreutils and python3.
set -euo pipefail
cd "$(dirname "$0")/.."

umask 077
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/issued"
: >"$work/index.txt"

# Every certificate must verify at this moment; the expired intermediate must be expired by then.
readonly reference_time=2026-12-09T12:00:00Z

cat >"$work/openssl.cnf" <<'CNF'
[ req ]
distinguished_name = req_dn
string_mask = $ENV::STRING_MASK
[ req_dn ]

[ ca ]
default_ca = ca_test
[ ca_test ]
dir = $ENV::WORK
database = $dir/index.txt
new_certs_dir = $dir/issued
serial = $dir/serial
default_md = sha256
policy = policy_any
unique_subject = no
copy_extensions = none
email_in_dn = yes
[ policy_any ]
commonName = supplied

# ---- policies ------------------------------------------------------------------------------
[ pol_any ]
policyIdentifier = anyPolicy
CPS.1 = "https://www.oberit.example/cps/"
[ pol_ca ]
policyIdentifier = 1.3.6.1.4.1.58127.1.1
CPS.1 = "https://www.oberit.example/cps/test-ca/"
[ pol_tsa ]
policyIdentifier = 1.3.6.1.4.1.58127.2.1
CPS.1 = "https://www.oberit.example/cps/test-tsa/"
userNotice.1 = @notice_test
[ pol_tsa_qualified ]
policyIdentifier = 1.3.6.1.4.1.58127.2.2
CPS.1 = "https://www.oberit.example/cps/test-tsa/"
[ pol_web ]
policyIdentifier = 1.3.6.1.4.1.58127.3.1
CPS.1 = "https://www.oberit.example/cps/test-web/"
[ notice_test ]
explicitText = "Test environment only. Not for production use."

# ---- qualified-certificate statements: QcCompliance and QcType electronic signature ---------
[ qc_statements ]
compliance = SEQUENCE:qc_compliance
type = SEQUENCE:qc_type
[ qc_compliance ]
statementId = OID:0.4.0.1862.1.1
[ qc_type ]
statementId = OID:0.4.0.1862.1.6
statementInfo = SEQUENCE:qc_type_list
[ qc_type_list ]
esign = OID:0.4.0.1862.1.6.1

# ---- roots -----------------------------------------------------------------------------------
[ ext_root_r1 ]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
[ ext_root_r2 ]
basicConstraints = critical, CA:TRUE, pathlen:1
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
1.3.6.1.5.5.7.1.3 = ASN1:SEQUENCE:qc_statements
[ ext_root_r3 ]
basicConstraints = critical, CA:TRUE
keyUsage = critical, digitalSignature, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
certificatePolicies = @pol_any
[ ext_root_r4 ]
basicConstraints = critical, CA:TRUE, pathlen:2
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash

# ---- intermediates ---------------------------------------------------------------------------
[ ext_int_private ]
basicConstraints = critical, CA:TRUE, pathlen:0
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
certificatePolicies = @pol_ca
crlDistributionPoints = URI:https://crl.oberit.example/test-root-r1.crl
authorityInfoAccess = caIssuers;URI:https://www.oberit.example/certs/test-root-r1.cer
1.3.6.1.4.1.58127.4.3 = ASN1:FORMAT:UTF8,UTF8String:Testovací prostředí
[ ext_int_tls ]
basicConstraints = critical, CA:TRUE, pathlen:0
keyUsage = critical, digitalSignature, keyCertSign, cRLSign
extendedKeyUsage = serverAuth, clientAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
certificatePolicies = @pol_ca, @pol_web
crlDistributionPoints = URI:https://crl.oberit.example/test-root-r1.crl
authorityInfoAccess = caIssuers;URI:https://www.oberit.example/certs/test-root-r1.cer, OCSP;URI:https://ocsp.oberit.example/test-root-r1
[ ext_int_tsa ]
basicConstraints = critical, CA:TRUE, pathlen:0
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
certificatePolicies = @pol_ca, @pol_tsa_qualified
crlDistributionPoints = URI:https://crl.oberit.example/test-root-r2.crl
[ ext_int_plain ]
basicConstraints = critical, CA:TRUE, pathlen:0
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
certificatePolicies = @pol_ca
crlDistributionPoints = URI:https://crl.oberit.example/test-root-r3.crl
[ ext_int_r4 ]
basicConstraints = critical, CA:TRUE, pathlen:0
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
certificatePolicies = @pol_ca
authorityInfoAccess = OCSP;URI:https://ocsp.oberit.example/test-root-r4

# ---- time-stamping units ---------------------------------------------------------------------
[ ext_tsa ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, nonRepudiation
extendedKeyUsage = critical, timeStamping
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
certificatePolicies = @pol_tsa
crlDistributionPoints = URI:https://crl.oberit.example/test-ca.crl
authorityInfoAccess = caIssuers;URI:https://www.oberit.example/certs/test-ca.cer, OCSP;URI:https://ocsp.oberit.example/test-ca
[ ext_tsa_qualified ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
certificatePolicies = @pol_tsa_qualified

# ---- web servers of the time-stamp service ---------------------------------------------------
[ ext_web_1 ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
certificatePolicies = @pol_web
subjectAltName = @san_web_1
crlDistributionPoints = URI:https://crl.oberit.example/test-tls-ca-2.crl
[ san_web_1 ]
DNS.1 = tsa.oberit.example
DNS.2 = www.tsa.oberit.example
email.1 = tsa@oberit.example
URI.1 = https://tsa.oberit.example/
IP.1 = 192.0.2.10
[ ext_web_2 ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth, clientAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
certificatePolicies = @pol_web
subjectAltName = @san_web_2
[ san_web_2 ]
DNS.1 = tsa2.oberit.example
DNS.2 = timestamp.oberit.example
DNS.3 = ts.test.oberit.example
email.1 = tsa-admin@oberit.example
URI.1 = https://tsa2.oberit.example/tsp
IP.1 = 192.0.2.20
IP.2 = 192.0.2.21
otherName.1 = 1.3.6.1.4.1.58127.4.5;UTF8:Oberit TSA 2
CNF

export WORK="$work"

# make_key NAME TYPE: TYPE is rsa2048, rsa3072, rsa4096, p256 or p384.
make_key() {
  case $2 in
    rsa*) openssl genpkey -quiet -algorithm RSA -pkeyopt "rsa_keygen_bits:${2#rsa}" \
      -out "$work/$1.key" ;;
    p256 | p384) openssl genpkey -quiet -algorithm EC -pkeyopt "ec_paramgen_curve:P-${2#p}" \
      -pkeyopt ec_param_enc:named_curve -out "$work/$1.key" ;;
  esac
}

# random_serial FIRST_BYTE_HEX LENGTH: a serial of LENGTH bytes whose first byte is given, so
# that whether its DER integer needs a leading 00 octet is fixed from run to run.
random_serial() {
  printf '%s%s\n' "$1" "$(openssl rand -hex $(($2 - 1)) | tr a-f A-F)"
}

# issue NAME KEYTYPE SUBJECT ISSUER|self DIGEST NOT_BEFORE NOT_AFTER EXTENSIONS SERIAL [MASK]
# Dates are YYYYMMDDHHMMSSZ. MASK is the string type choice for the subject (utf8only: every
# value but C a UTF8String; pkix: PrintableString where the characters allow).
issue() {
  local name=$1 keytype=$2 subject=$3 issuer=$4 digest=$5 from=$6 to=$7 ext=$8 serial=$9
  local mask=${10:-utf8only}
  make_key "$name" "$keytype"
  STRING_MASK=$mask openssl req -new -config "$work/openssl.cnf" -utf8 -key "$work/$name.key" \
    -subj "$subject" -out "$work/$name.csr"
  echo "$serial" >"$work/serial"
  local signer=(-cert "$work/$issuer.pem" -keyfile "$work/$issuer.key")
  if [[ $issuer == self ]]; then
    signer=(-selfsign -keyfile "$work/$name.key")
  fi
  STRING_MASK=$mask openssl ca -batch -config "$work/openssl.cnf" -notext -utf8 \
    -preserveDN "${signer[@]}" -md "$digest" -startdate "$from" -enddate "$to" \
    -extensions "$ext" -in "$work/$name.csr" -out "$work/$name.issued" 2>"$work/ca.log" ||
    { cat "$work/ca.log" >&2; exit 1; }
  openssl x509 -in "$work/$name.issued" -out "$work/$name.pem"  # the PEM block alone
}

org='O=Oberit, a.s.'
issue root_r1 rsa4096 "/C=CZ/L=Praha/$org/OU=Test Environment/CN=Oberit Test Root CA R1" self \
  sha512 20240101000000Z 20440101000000Z ext_root_r1 "$(random_serial A1 16)"
issue root_r2 p384 "/C=CZ/$org/OU=Certifikační autorita/CN=Oberit Test Root CA R2" self \
  sha384 20240601000000Z 20440601000000Z ext_root_r2 "$(random_serial 52 16)"
issue root_r3 rsa3072 "/C=CZ/$org/CN=Oberit Test Root CA R3" self \
  sha256 20200601000000Z 20400601000000Z ext_root_r3 "$(random_serial 31 20)"
issue root_r4 p256 "/C=CZ/O=Oberit a.s./OU=Test Environment/CN=Oberit Test Root CA R4" self \
  sha256 20250301000000Z 20450301000000Z ext_root_r4 1A pkix

issue int_1 rsa2048 "/C=CZ/L=Praha/$org/OU=Test Environment/CN=Oberit Test Issuing CA 1" \
  root_r1 sha256 20240201000000Z 20340201000000Z ext_int_private "$(random_serial 4C 16)"
issue int_2 rsa3072 "/C=CZ/$org/OU=Test Environment/CN=Oberit Test TLS CA 2" \
  root_r1 sha384 20240201000000Z 20320201000000Z ext_int_tls "$(random_serial 27 16)"
issue int_3 p384 "/C=CZ/$org/OU=Časová razítka/CN=Oberit Test TSA CA 3" \
  root_r2 sha384 20240701000000Z 20340701000000Z ext_int_tsa "$(random_serial 63 16)"
issue int_4 rsa2048 "/C=CZ/$org/CN=Oberit Test Issuing CA 4 (2021)" \
  root_r3 sha256 20210101000000Z 20241231235959Z ext_int_plain "$(random_serial 15 16)"
issue int_5 rsa4096 "/C=CZ/L=Praha/$org/CN=Oberit Test Issuing CA 5" \
  root_r3 sha512 20250115000000Z 20350115000000Z ext_int_plain "$(random_serial 3E 16)"
issue int_6 p384 "/C=CZ/O=Oberit a.s./OU=Test Environment/CN=Oberit Test Issuing CA 6" \
  root_r4 sha256 20250401000000Z 20330401000000Z ext_int_r4 "$(random_serial 72 16)" pkix

issue tsa_1 rsa2048 \
  "/C=CZ/$org/OU=Test Environment/CN=Oberit TEST TSA 1/emailAddress=tsa@oberit.example" \
  int_1 sha256 20250601000000Z 20300601000000Z ext_tsa "$(random_serial 5D 20)"
issue tsa_2 p384 "/C=CZ/$org/CN=Oberit TEST TSA 2" \
  int_3 sha384 20250601000000Z 20310601000000Z ext_tsa_qualified "$(random_serial 44 20)"
issue tsa_3 p256 "/C=CZ/L=Praha/$org/CN=Oberit TEST TSA 3" \
  int_6 sha512 20260101000000Z 20310101000000Z ext_tsa "$(random_serial 19 20)"

issue web_1 rsa2048 "/C=CZ/L=Praha/$org/CN=tsa.oberit.example" \
  int_2 sha384 20260301000000Z 20270401000000Z ext_web_1 "$(random_serial C3 16)"
issue web_2 p256 "/C=CZ/$org/CN=tsa2.oberit.example" \
  int_5 sha256 20260901000000Z 20271001000000Z ext_web_2 "$(random_serial 6B 16)"

# Every chain must hold at the reference time with strict checks and the group's purpose; the
# expired intermediate only within its own validity, and it issues nothing.
at=$(date -u -d "$reference_time" +%s)
check() {
  openssl verify -x509_strict -attime "$1" "${@:2}" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log" >&2; exit 1; }
}
for root in root_r1 root_r2 root_r3 root_r4; do
  check "$at" -CAfile "$work/$root.pem" "$work/$root.pem"
done
check "$at" -CAfile "$work/root_r1.pem" "$work/int_1.pem" "$work/int_2.pem"
check "$at" -CAfile "$work/root_r2.pem" "$work/int_3.pem"
check "$(date -u -d 2023-06-01T00:00:00Z +%s)" -CAfile "$work/root_r3.pem" "$work/int_4.pem"
if openssl verify -attime "$at" -CAfile "$work/root_r3.pem" "$work/int_4.pem" >/dev/null 2>&1; then
  echo "int_4 should be expired at $reference_time" >&2
  exit 1
fi
check "$at" -CAfile "$work/root_r3.pem" "$work/int_5.pem"
check "$at" -CAfile "$work/root_r4.pem" "$work/int_6.pem"
check "$at" -purpose timestampsign -CAfile "$work/root_r1.pem" -untrusted "$work/int_1.pem" \
  "$work/tsa_1.pem"
check "$at" -purpose timestampsign -CAfile "$work/root_r2.pem" -untrusted "$work/int_3.pem" \
  "$work/tsa_2.pem"
check "$at" -purpose timestampsign -CAfile "$work/root_r4.pem" -untrusted "$work/int_6.pem" \
  "$work/tsa_3.pem"
check "$at" -purpose sslserver -CAfile "$work/root_r1.pem" -untrusted "$work/int_2.pem" \
  "$work/web_1.pem"
check "$at" -purpose sslserver -CAfile "$work/root_r3.pem" -untrusted "$work/int_5.pem" \
  "$work/web_2.pem"

python3 - "$work" "$reference_time" <<'PY'
"""Writes the C++ lists and the expectations file from the issued PEM files."""
import base64
import hashlib
import ipaddress
import json
import sys

work, reference_time = sys.argv[1], sys.argv[2]

LISTS = [
    ("CERTS_ROOT_TEST", ["root_r1", "root_r2", "root_r3", "root_r4"]),
    ("CERTS_INTERMEDIATE_TEST", ["int_1", "int_2", "int_3", "int_4", "int_5", "int_6"]),
    ("CERTS_TSA_TEST", ["tsa_1", "tsa_2", "tsa_3"]),
    ("CERTS_TSA_WEB_TEST", ["web_1", "web_2"]),
]
FOOTER = "-----END CERTIFICATE-----"


# ---- a small DER reader, enough for the certificates made above -------------------------------
def tlv(data, pos=0):
    """(tag, content, position after the element) of the element at pos."""
    tag, length = data[pos], data[pos + 1]
    pos += 2
    if length & 0x80:
        count = length & 0x7F
        length = int.from_bytes(data[pos:pos + count], "big")
        pos += count
    return tag, data[pos:pos + length], pos + length


def children(content):
    pos, items = 0, []
    while pos < len(content):
        tag, value, pos = tlv(content, pos)
        items.append((tag, value))
    return items


def oid_text(content):
    first = content[0]
    arcs = [min(first // 40, 2), first - 40 * min(first // 40, 2)]
    value = 0
    for byte in content[1:]:
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            arcs.append(value)
            value = 0
    return ".".join(map(str, arcs))


def hexu(data):
    return data.hex().upper()


def iso_time(tag, content):
    text = content.decode("ascii")
    if tag == 0x17:  # UTCTime: two-digit year, 1950-2049
        year = int(text[:2])
        text = str(1900 + year if year >= 50 else 2000 + year) + text[2:]
    return f"{text[0:4]}-{text[4:6]}-{text[6:8]}T{text[8:10]}:{text[10:12]}:{text[12:14]}Z"


# Value type numbers of the decoded record, keyed by the DER string tag.
VALUE_TYPES = {0x13: 4, 0x16: 7, 0x1E: 12, 0x0C: 13}
NAME_KEYS = {"2.5.4.3": "CN", "2.5.4.6": "C", "2.5.4.7": "L", "2.5.4.10": "O", "2.5.4.11": "OU",
             "1.2.840.113549.1.9.1": "E"}


def string_value(tag, content):
    return content.decode("utf-16-be" if tag == 0x1E else "utf-8")


def read_name(content):
    attrs = []
    for _, rdn in children(content):
        for _, attr in children(rdn):
            (_, oid), (tag, value) = children(attr)
            attrs.append({"oid": oid_text(oid), "valueType": VALUE_TYPES[tag],
                          "value": string_value(tag, value)})
    return attrs


def x500_text(attrs):
    """Key=value pairs in encoded order; values with special characters are double-quoted."""
    parts = []
    for attr in attrs:
        value = attr["value"]
        if any(c in value for c in ',+="\n<>#;') or value != value.strip() or not value:
            value = '"' + value.replace('"', '""') + '"'
        parts.append(f'{NAME_KEYS.get(attr["oid"], "OID." + attr["oid"])}={value}')
    return ", ".join(parts)


def common_name(attrs):
    return next(a["value"] for a in attrs if a["oid"] == "2.5.4.3")


HASH_OF_SIGNATURE = {
    "1.2.840.113549.1.1.11": "2.16.840.1.101.3.4.2.1",
    "1.2.840.113549.1.1.12": "2.16.840.1.101.3.4.2.2",
    "1.2.840.113549.1.1.13": "2.16.840.1.101.3.4.2.3",
    "1.2.840.10045.4.3.2": "2.16.840.1.101.3.4.2.1",
    "1.2.840.10045.4.3.3": "2.16.840.1.101.3.4.2.2",
    "1.2.840.10045.4.3.4": "2.16.840.1.101.3.4.2.3",
}
CURVES = {"1.2.840.10045.3.1.7": ("P-256", 256), "1.3.132.0.34": ("P-384", 384)}


def read_key(spki):
    (_, algorithm), (_, bits) = children(spki)
    parts = children(algorithm)
    if oid_text(parts[0][1]) == "1.2.840.113549.1.1.1":
        (_, modulus), _ = children(tlv(bits[1:])[1])
        return {"keyAlgorithm": "RSA", "keyBits": int.from_bytes(modulus, "big").bit_length()}
    curve, size = CURVES[oid_text(parts[1][1])]
    return {"keyAlgorithm": "EC " + curve, "keyBits": size}


def read_alt_names(content):
    names = []
    for tag, value in children(content):
        if tag == 0x81:
            names.append({"kind": 2, "value": value.decode("ascii")})
        elif tag == 0x82:
            names.append({"kind": 3, "value": value.decode("ascii")})
        elif tag == 0x86:
            names.append({"kind": 7, "value": value.decode("ascii")})
        elif tag == 0x87:
            names.append({"kind": 8, "value": str(ipaddress.ip_address(value))})
        elif tag == 0xA0:
            (_, oid), (_, wrapped) = children(value)
            inner_tag, inner, _ = tlv(wrapped)
            names.append({"kind": 1, "oid": oid_text(oid), "valueType": VALUE_TYPES[inner_tag],
                          "value": string_value(inner_tag, inner)})
    return names


def read_extensions(content, record):
    record.update({"subjectKeyId": "", "authorityKeyId": "", "keyUsage": "0000",
                   "extKeyUsages": [], "extKeyUsageCritical": False, "altNames": [],
                   "dnsNames": [], "policies": [], "privateExtText": "",
                   "hasQcStatements": 0, "basicConstraints": None})
    record["extensions"] = []
    for _, ext in children(tlv(content)[1]):
        parts = children(ext)
        oid = oid_text(parts[0][1])
        critical = len(parts) == 3 and parts[1][1] == b"\xff"
        value = tlv(parts[-1][1])
        record["extensions"].append({"oid": oid, "critical": critical})
        if oid == "2.5.29.14":
            record["subjectKeyId"] = hexu(value[1])
        elif oid == "2.5.29.35":
            record["authorityKeyId"] = next((hexu(v) for t, v in children(value[1]) if t == 0x80), "")
        elif oid == "2.5.29.15":
            usage = value[1][1:] + b"\x00\x00"
            record["keyUsage"] = hexu(usage[:2])
        elif oid == "2.5.29.37":
            record["extKeyUsages"] = [oid_text(v) for _, v in children(value[1])]
            record["extKeyUsageCritical"] = critical
        elif oid == "2.5.29.17":
            record["altNames"] = read_alt_names(value[1])
            record["dnsNames"] = [n["value"] for n in record["altNames"] if n["kind"] == 3]
        elif oid == "2.5.29.32":
            record["policies"] = [oid_text(children(p)[0][1]) for _, p in children(value[1])]
        elif oid == "2.5.29.19":
            items = children(value[1])
            record["basicConstraints"] = {
                "critical": critical,
                "ca": any(t == 0x01 and v == b"\xff" for t, v in items),
                "pathLength": next((int.from_bytes(v, "big") for t, v in items if t == 0x02), None)}
        elif oid == "1.3.6.1.4.1.58127.4.3":
            record["privateExtText"] = string_value(value[0], value[1])
        elif oid == "1.3.6.1.5.5.7.1.3":
            record["hasQcStatements"] = 1


def describe(der):
    cert = children(tlv(der)[1])
    tbs = children(cert[0][1])
    if tbs[0][0] == 0xA0:
        version = tlv(tbs[0][1])[1][0]
        tbs = tbs[1:]
    else:
        version = 0
    serial, signature, issuer, validity, subject, spki = (v for _, v in tbs[:6])
    (nb_tag, not_before), (na_tag, not_after) = children(validity)
    subject_attrs, issuer_attrs = read_name(subject), read_name(issuer)
    signature_oid = oid_text(children(signature)[0][1])
    record = {
        "subjectCN": common_name(subject_attrs),
        "issuerCN": common_name(issuer_attrs),
        "subjectDN": x500_text(subject_attrs),
        "issuerDN": x500_text(issuer_attrs),
        "subjectAttrs": subject_attrs,
        "issuerAttrs": issuer_attrs,
        "version": version,
        "serial": hexu(serial),
        "sha1": hashlib.sha1(der).hexdigest().upper(),
        "notBefore": iso_time(nb_tag, not_before),
        "notAfter": iso_time(na_tag, not_after),
        "signatureAlgOid": signature_oid,
        "hashAlgOid": HASH_OF_SIGNATURE[signature_oid],
        "derLength": len(der),
    }
    record.update(read_key(spki))
    for tag, value in tbs[6:]:
        if tag == 0xA3:
            read_extensions(value, record)
    return record


def pem_lines(der):
    body = base64.b64encode(der).decode("ascii")
    return (["-----BEGIN CERTIFICATE-----"] + [body[i:i + 64] for i in range(0, len(body), 64)]
            + [FOOTER])


def der_of(name):
    with open(f"{work}/{name}.pem", encoding="ascii") as pem:
        lines = pem.read().split("\n")
    return base64.b64decode("".join(lines[1:lines.index(FOOTER)]))


cpp = [
    "// Generated by tools/make-test-catalogue.sh; do not edit by hand, run the script again.",
    "// The certificates of Oberit's test environment, one PEM text per certificate.",
    '#include "catalogue/embedded_certificates.h"',
    "",
]
expectations = {"generatedBy": "tools/make-test-catalogue.sh", "referenceTime": reference_time,
                "lists": {}}
for list_name, names in LISTS:
    cpp.append(f"const char16_t* const {list_name}[] = {{")
    records = []
    for index, name in enumerate(names):
        der = der_of(name)
        record = {"index": index}
        record.update(describe(der))
        # The second root keeps one blank after its footer, as the catalogue has always had.
        trailing_blank = list_name == "CERTS_ROOT_TEST" and index == 1
        record["footerTrailingBlank"] = trailing_blank
        records.append(record)
        lines = pem_lines(der)
        if trailing_blank:
            lines[-1] += " "
        cpp.append(f"    // {record['subjectCN']}")
        cpp.extend(f'    u"{line}\\n"' for line in lines[:-1])
        cpp.append(f'    u"{lines[-1]}\\n",')
    cpp.append("    nullptr};")
    cpp.append("")
    expectations["lists"][list_name] = records

with open("catalogue/embedded_certificates.cpp", "w", encoding="ascii", newline="\n") as out:
    out.write("\n".join(cpp))
with open("tests/fixtures/catalogue_expectations.json", "w", encoding="utf-8",
          newline="\n") as out:
    json.dump(expectations, out, ensure_ascii=False, indent=2)
    out.write("\n")

for list_name, records in expectations["lists"].items():
    for r in records:
        print(f'{list_name}[{r["index"]}]  {r["subjectCN"]}  <- {r["issuerCN"]}  '
              f'{r["keyAlgorithm"]} {r["keyBits"]}  {r["signatureAlgOid"]}  {r["serial"]}  '
              f'{r["notBefore"]} .. {r["notAfter"]}')
PY
