#!/bin/sh
# Makes the PKI files of this folder with the openssl command line (3.0 or
# later), as a user of the converter would have them: certificate requests,
# CMP requests with the responses of openssl's own mock server, CMS messages
# of every content type, OCSP and time-stamp requests and responses.
#
# Usage: sh make-files.sh [OUTPUT_DIR]   (default: the folder of the script)
#
# The keys and certificates are made afresh on every run, so the files differ
# from run to run; the tests only ask that each one converts.
# files.txt lists every file with the type it holds.
set -eu

out=$(cd "${1:-$(dirname "$0")}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

ossl() { openssl "$@" 2>/dev/null; }
ec_key() { ossl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1"; }

# --------------------------------------------------------------- keys, CA
ec_key ca.key
ec_key ee.key
ossl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out rsa.key
cat > ca.cnf <<'EOF'
[ca_ext]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[ee_ext]
basicConstraints = CA:false
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = clientAuth, emailProtection, timeStamping
subjectAltName = email:client@qvasn1.example, DNS:client.qvasn1.example
authorityKeyIdentifier = keyid
crlDistributionPoints = URI:http://qvasn1.example/ca.crl
authorityInfoAccess = OCSP;URI:http://qvasn1.example/ocsp
[tsa_ext]
basicConstraints = CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping
EOF
ossl req -x509 -new -key ca.key -subj "/C=DE/O=qvasn1 test/CN=qvasn1 test CA" -days 3650 \
   -config /dev/null -extfile ca.cnf -extensions ca_ext -out ca.crt ||
   ossl req -x509 -new -key ca.key -subj "/C=DE/O=qvasn1 test/CN=qvasn1 test CA" -days 3650 \
      -addext "basicConstraints=critical,CA:true" -addext "keyUsage=critical,keyCertSign,cRLSign" -out ca.crt
issue() {   # issue KEY SUBJECT EXTENSIONS OUT
   ossl req -new -key "$1" -subj "$2" -out "$4.csr"
   ossl x509 -req -in "$4.csr" -CA ca.crt -CAkey ca.key -set_serial "0x$(openssl rand -hex 8)" -days 365 \
      -extfile ca.cnf -extensions "$3" -out "$4"
}
issue ee.key "/C=DE/O=qvasn1 test/CN=client" ee_ext ee.crt
issue rsa.key "/C=DE/O=qvasn1 test/CN=recipient" ee_ext rsa.crt
issue ee.key "/C=DE/O=qvasn1 test/CN=qvasn1 test TSA" tsa_ext tsa.crt

: > "$out/files.txt"
keep() {   # keep FILE TYPE: DER into the output folder
   cp "$1" "$out/$1"
   printf '%s\t%s\n' "$1" "$2" >> "$out/files.txt"
}
ossl x509 -in ee.crt -outform DER -out certificate.der
keep certificate.der Certificate

# ------------------------------------------------------- certificate requests
cat > req.cnf <<'EOF'
[req]
distinguished_name = dn
attributes = attrs
req_extensions = ext
prompt = no
[dn]
C = DE
O = qvasn1 test
CN = request with attributes
[attrs]
challengePassword = a challenge password
unstructuredName = qvasn1 test request
[ext]
subjectAltName = DNS:request.qvasn1.example, IP:192.0.2.1
keyUsage = digitalSignature
basicConstraints = CA:false
EOF
ossl req -new -key ee.key -config req.cnf -outform DER -out req-extensions-challenge.der
keep req-extensions-challenge.der CertificationRequest
ossl req -new -key rsa.key -subj "/C=DE/CN=plain request" -outform DER -out req-plain.der
keep req-plain.der CertificationRequest

# ------------------------------------------------------------------------ CMP
# Each command talks to openssl's mock server; the first request and the
# first response are kept (certConf and pkiConf are bodies of later CMP
# editions).
mock="-use_mock_srv -srv_ref mock -srv_secret pass:secret -ref mock -secret pass:secret -rsp_cert ee.crt -rsp_capubs ca.crt -recipient /CN=qvasn1test"
cmp() {   # cmp NAME ARGS...
   name=$1
   shift
   # shellcheck disable=SC2086
   ossl cmp $mock "$@" -reqout "cmp-$name-req.der" -rspout "cmp-$name-rsp.der" -unprotected_errors >/dev/null || true
   keep "cmp-$name-req.der" PKIMessage
   keep "cmp-$name-rsp.der" PKIMessage
}
ossl req -new -key ee.key -subj "/C=DE/CN=client" -outform DER -out p10.der
cmp ir -cmd ir -newkey ee.key -subject "/C=DE/CN=client" -certout new.crt
cmp cr -cmd cr -newkey ee.key -subject "/C=DE/CN=client" -certout new.crt
cmp kur -cmd kur -newkey ee.key -oldcert ee.crt -certout new.crt
cmp p10cr -cmd p10cr -csr p10.der -certout new.crt
cmp rr -cmd rr -oldcert ee.crt -revreason 1
cmp genm -cmd genm -infotype signKeyPairTypes

# ------------------------------------------------------------------------ CMS
printf 'qvasn1 test message\n' > msg.txt
ossl cms -digest_create -in msg.txt -md sha256 -outform DER -out cms-digested.der
keep cms-digested.der ContentInfo
ossl cms -sign -in msg.txt -signer ee.crt -inkey ee.key -md sha256 -nodetach -outform DER -out cms-signed.der
keep cms-signed.der ContentInfo
ossl cms -sign -in msg.txt -signer ee.crt -inkey ee.key -md sha256 -certfile ca.crt -outform DER -out cms-signed-detached.der
keep cms-signed-detached.der ContentInfo
ossl cms -sign -in msg.txt -signer rsa.crt -inkey rsa.key -noattr -nodetach -outform DER -out cms-signed-noattr.der
keep cms-signed-noattr.der ContentInfo
ossl cms -encrypt -in msg.txt -aes-128-cbc -recip rsa.crt -outform DER -out cms-enveloped.der
keep cms-enveloped.der ContentInfo
ossl cms -EncryptedData_encrypt -in msg.txt -aes-128-cbc -secretkey 000102030405060708090A0B0C0D0E0F \
   -outform DER -out cms-encrypted.der
keep cms-encrypted.der ContentInfo
ossl crl2pkcs7 -nocrl -certfile ee.crt -certfile ca.crt -outform DER -out cms-certs-only.der
keep cms-certs-only.der ContentInfo
# CompressedData (RFC 3274): openssl builds without zlib cannot write one, so
# it is put together with asn1parse around a zlib stream of the message.
if ossl cms -compress -in msg.txt -outform DER -out cms-compressed.der; then :; else
   zlib=$(python3 -c 'import sys, zlib; sys.stdout.write(zlib.compress(open("msg.txt", "rb").read()).hex())')
   cat > compressed.cnf <<EOF
asn1 = SEQUENCE:ci
[ci]
type = OID:1.2.840.113549.1.9.16.1.9
content = EXPLICIT:0,SEQUENCE:cd
[cd]
version = INTEGER:0
alg = SEQUENCE:zlib
eci = SEQUENCE:eci
[zlib]
oid = OID:1.2.840.113549.1.9.16.3.8
[eci]
type = OID:1.2.840.113549.1.7.1
content = EXPLICIT:0,FORMAT:HEX,OCTETSTRING:$zlib
EOF
   ossl asn1parse -genconf compressed.cnf -noout -out cms-compressed.der
fi
keep cms-compressed.der ContentInfo

# ----------------------------------------------------------------------- OCSP
ossl ocsp -issuer ca.crt -cert ee.crt -reqout ocsp-request.der
keep ocsp-request.der OCSPRequest
ossl ocsp -issuer ca.crt -cert ee.crt -no_nonce -reqout ocsp-request-nononce.der
keep ocsp-request-nononce.der OCSPRequest
printf 'V\t%s\t\t%s\tunknown\t%s\n' "$(date -u -d '+1 year' +%y%m%d%H%M%SZ)" \
   "$(openssl x509 -in ee.crt -noout -serial | cut -d= -f2)" "/C=DE/O=qvasn1 test/CN=client" > index.txt
ossl ocsp -index index.txt -rsigner ca.crt -rkey ca.key -CA ca.crt -reqin ocsp-request.der \
   -respout ocsp-response.der
keep ocsp-response.der OCSPResponse

# ------------------------------------------------------------------------ TSP
cat > tsa.cnf <<'EOF'
[tsa]
default_tsa = tsa_config
[tsa_config]
serial = tsaserial
signer_cert = tsa.crt
signer_key = ee.key
signer_digest = sha256
default_policy = 1.2.3.4.1
other_policies = 1.2.3.4.5
digests = sha256, sha384
accuracy = secs:1, millisecs:500
ordering = yes
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha256
EOF
echo 01 > tsaserial
ossl ts -query -data msg.txt -sha256 -cert -out ts-request.der
keep ts-request.der TimeStampReq
ossl ts -reply -config tsa.cnf -queryfile ts-request.der -out ts-response.der
keep ts-response.der TimeStampResp
