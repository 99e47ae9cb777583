#include "Pem.h"

#include <string.h>

namespace qvasn1tool {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of a base64 character, -1 for any other.
int b64Value(unsigned char c)
{
   if (c >= 'A' && c <= 'Z') return c - 'A';
   if (c >= 'a' && c <= 'z') return c - 'a' + 26;
   if (c >= '0' && c <= '9') return c - '0' + 52;
   if (c == '+') return 62;
   if (c == '/') return 63;
   return -1;
}

bool isWhite(unsigned char c)
{
   return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Printable ASCII, tab, CR, LF, and the octets of UTF-8 text (>= 0x80).
bool isText(unsigned char c)
{
   return c == '\t' || c == '\r' || c == '\n' || c >= 0x20;
}

const char kBegin[] = "-----BEGIN ";
const char kEnd[] = "-----END ";
const char kDashes[] = "-----";

bool startsWith(const uint8_t* p, const uint8_t* end, const char* text)
{
   size_t n = strlen(text);
   return (size_t)(end - p) >= n && memcmp(p, text, n) == 0;
}

// [p, end of line) and the start of the next line (after LF).
const uint8_t* lineEnd(const uint8_t* p, const uint8_t* end)
{
   const void* nl = memchr(p, '\n', (size_t)(end - p));
   return nl != nullptr ? static_cast<const uint8_t*>(nl) : end;
}

// Parses "<prefix>label-----" followed only by white space up to the end of
// the line [p, eol). Returns false when the line has another shape.
bool parseBoundary(const uint8_t* p, const uint8_t* eol, const char* prefix, std::string& label)
{
   const uint8_t* q = p + strlen(prefix);
   while (eol > q && isWhite(eol[-1])) eol--;
   size_t dashes = strlen(kDashes);
   if ((size_t)(eol - q) < dashes || memcmp(eol - dashes, kDashes, dashes) != 0) return false;
   label.assign(reinterpret_cast<const char*>(q), (size_t)(eol - dashes - q));
   return true;
}

}  // namespace

std::string base64Encode(const uint8_t* data, size_t len, size_t lineLength)
{
   std::string out;
   out.reserve((len + 2) / 3 * 4 + (lineLength ? len / lineLength + 2 : 1));
   size_t column = 0;
   auto put = [&](char c) {
      out.push_back(c);
      if (lineLength != 0 && ++column == lineLength) {
         out.push_back('\n');
         column = 0;
      }
   };
   for (size_t i = 0; i < len; i += 3) {
      uint32_t v = (uint32_t)data[i] << 16;
      if (i + 1 < len) v |= (uint32_t)data[i + 1] << 8;
      if (i + 2 < len) v |= data[i + 2];
      put(kAlphabet[(v >> 18) & 63]);
      put(kAlphabet[(v >> 12) & 63]);
      put(i + 1 < len ? kAlphabet[(v >> 6) & 63] : '=');
      put(i + 2 < len ? kAlphabet[v & 63] : '=');
   }
   if (len != 0 && (lineLength == 0 || column != 0)) out.push_back('\n');
   return out;
}

bool base64Decode(const char* text, size_t len, std::vector<uint8_t>& out, std::string& error)
{
   out.clear();
   out.reserve(len / 4 * 3);
   uint32_t quantum = 0;
   int have = 0;       // characters in the current quantum
   int padding = 0;    // '=' seen
   for (size_t i = 0; i < len; i++) {
      unsigned char c = (unsigned char)text[i];
      if (isWhite(c)) continue;
      if (c == '=') {
         // RFC 4648 3.2: padding completes the last quantum (2 or 3 data
         // characters before it).
         if (have + padding < 2) {
            error = "misplaced '=' in base64 text";
            return false;
         }
         padding++;
         if (have + padding > 4) {
            error = "too much base64 padding";
            return false;
         }
         continue;
      }
      int v = b64Value(c);
      if (v < 0) {
         error = "invalid base64 character at offset " + std::to_string(i);
         return false;
      }
      if (padding != 0) {
         error = "base64 data after the padding";
         return false;
      }
      quantum = (quantum << 6) | (uint32_t)v;
      if (++have == 4) {
         out.push_back((uint8_t)(quantum >> 16));
         out.push_back((uint8_t)(quantum >> 8));
         out.push_back((uint8_t)quantum);
         quantum = 0;
         have = 0;
      }
   }
   if (have == 0 && padding == 0) return true;
   if (have + padding != 4) {
      error = padding == 0 ? "base64 text ends inside a quantum (padding missing)"
                           : "incomplete base64 padding";
      return false;
   }
   // RFC 4648 3.5: the bits below the last octet must be zero.
   if (have == 2) {
      if ((quantum & 0x0F) != 0) {
         error = "non-zero pad bits in the last base64 quantum";
         return false;
      }
      out.push_back((uint8_t)(quantum >> 4));
   }
   else {
      if ((quantum & 0x03) != 0) {
         error = "non-zero pad bits in the last base64 quantum";
         return false;
      }
      out.push_back((uint8_t)(quantum >> 10));
      out.push_back((uint8_t)(quantum >> 2));
   }
   return true;
}

bool pemLabelValid(const std::string& label)
{
   // RFC 7468 3: label = [ labelchar *( ["-" / SP] labelchar ) ], labelchar
   // any printable character except '-'.
   bool afterSeparator = true;   // at the start, or after '-' / space
   for (size_t i = 0; i < label.size(); i++) {
      unsigned char c = (unsigned char)label[i];
      if (c == '-' || c == ' ') {
         if (afterSeparator) return false;
         afterSeparator = true;
      }
      else if (c >= 0x21 && c <= 0x7E) {
         afterSeparator = false;
      }
      else {
         return false;
      }
   }
   return label.empty() || !afterSeparator;
}

std::string pemEncode(const std::string& label, const uint8_t* data, size_t len)
{
   std::string out = kBegin + label + kDashes + "\n";
   out += base64Encode(data, len, 64);
   out += kEnd + label + kDashes + "\n";
   return out;
}

namespace {

// The next BEGIN line at or after p: at the start of a line, with text only
// before it. Null when there is none (or octets that are no text come first).
const uint8_t* findBegin(const uint8_t* p, const uint8_t* end)
{
   while (p < end) {
      if (startsWith(p, end, kBegin)) return p;
      const uint8_t* eol = lineEnd(p, end);
      for (const uint8_t* q = p; q < eol; q++) {
         if (!isText(*q)) return nullptr;
      }
      p = eol < end ? eol + 1 : end;
   }
   return nullptr;
}

// The block whose BEGIN line starts at `begin`: its label and octets, and in
// *next where the text after its END line starts. Error with a reason for a
// malformed block.
PemStatus parseBlock(const uint8_t* begin, const uint8_t* end, std::string& label, std::vector<uint8_t>& out,
                     std::string& error, const uint8_t** next)
{
   const uint8_t* eol = lineEnd(begin, end);
   if (!parseBoundary(begin, eol, kBegin, label) || !pemLabelValid(label)) {
      error = "malformed PEM BEGIN line";
      return PemStatus::Error;
   }
   const uint8_t* body = eol < end ? eol + 1 : end;
   for (const uint8_t* p = body; p < end;) {
      eol = lineEnd(p, end);
      if (startsWith(p, eol, kEnd)) {
         std::string endLabel;
         if (!parseBoundary(p, eol, kEnd, endLabel)) {
            error = "malformed PEM END line";
            return PemStatus::Error;
         }
         if (endLabel != label) {
            error = "PEM END line names \"" + endLabel + "\", BEGIN line \"" + label + "\"";
            return PemStatus::Error;
         }
         if (!base64Decode(reinterpret_cast<const char*>(body), (size_t)(p - body), out, error)) {
            error = "PEM body: " + error;
            return PemStatus::Error;
         }
         if (out.empty()) {
            error = "empty PEM body";
            return PemStatus::Error;
         }
         *next = eol < end ? eol + 1 : end;
         return PemStatus::Ok;
      }
      if (memchr(p, ':', (size_t)(eol - p)) != nullptr) {
         error = "PEM headers (such as an encrypted key's) are not supported";
         return PemStatus::Error;
      }
      p = eol < end ? eol + 1 : end;
   }
   error = "PEM block \"" + label + "\" has no END line";
   return PemStatus::Error;
}

}  // namespace

PemStatus pemDecode(const uint8_t* in, size_t len, std::string& label, std::vector<uint8_t>& out,
                    std::string& error)
{
   const uint8_t* end = in + len;
   const uint8_t* begin = findBegin(in, end);
   if (begin == nullptr) return PemStatus::NotPem;
   const uint8_t* next = nullptr;
   return parseBlock(begin, end, label, out, error, &next);
}

PemStatus pemDecodeAll(const uint8_t* in, size_t len, std::vector<PemBlock>& blocks)
{
   blocks.clear();
   const uint8_t* end = in + len;
   const uint8_t* p = in;
   while (const uint8_t* begin = findBegin(p, end)) {
      PemBlock block;
      if (parseBlock(begin, end, block.label, block.der, block.error, &p) != PemStatus::Ok) {
         block.der.clear();
         // Go on after the block's END line, if it has one.
         p = end;
         for (const uint8_t* q = lineEnd(begin, end); q < end;) {
            const uint8_t* line = q + 1;
            const uint8_t* eol = lineEnd(line, end);
            if (startsWith(line, eol, kEnd)) {
               p = eol < end ? eol + 1 : end;
               break;
            }
            q = eol;
         }
      }
      blocks.push_back(std::move(block));
   }
   return blocks.empty() ? PemStatus::NotPem : PemStatus::Ok;
}

std::vector<std::string> pemLabelsOf(const std::string& typeName)
{
   static const struct {
      const char* type;
      std::vector<std::string> labels;
   } kLabels[] = {
      {"Certificate", {"CERTIFICATE", "X509 CERTIFICATE"}},
      {"CertificateList", {"X509 CRL", "CRL"}},
      {"CertificationRequest", {"CERTIFICATE REQUEST", "NEW CERTIFICATE REQUEST"}},
      {"ContentInfo", {"CMS", "PKCS7", "PKCS #7 SIGNED DATA"}},
      {"AttributeCertificate", {"ATTRIBUTE CERTIFICATE"}},
      {"SubjectPublicKeyInfo", {"PUBLIC KEY"}},
      {"OCSPRequest", {"OCSP REQUEST"}},
      {"OCSPResponse", {"OCSP RESPONSE"}},
      {"TimeStampReq", {"TIME STAMP REQUEST", "TS REQUEST"}},
      {"TimeStampResp", {"TIME STAMP RESPONSE", "TS RESPONSE"}},
      {"PKIMessage", {"CMP MESSAGE", "PKIMESSAGE"}},
   };
   for (const auto& entry : kLabels)
      if (typeName == entry.type) return entry.labels;
   return {};
}

}  // namespace qvasn1tool
