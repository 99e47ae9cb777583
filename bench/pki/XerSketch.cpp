#include "XerSketch.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace qvbench {
namespace {

struct Tlv {
   std::uint8_t tag = 0;
   const std::uint8_t* v = nullptr;
   size_t len = 0;
};

// Reads the elements of one level of DER content (low tag numbers only).
class Reader {
public:
   Reader(const std::uint8_t* p, size_t len) : p_(p), e_(p + len) {}
   explicit Reader(const Tlv& t) : Reader(t.v, t.len) {}
   bool more() const { return p_ < e_; }
   bool peek(std::uint8_t tag) const { return p_ < e_ && *p_ == tag; }
   Tlv next()
   {
      if (e_ - p_ < 2) throw std::runtime_error("truncated DER");
      Tlv t;
      t.tag = *p_++;
      size_t len = *p_++;
      if (len & 0x80) {
         int n = (int)(len & 0x7F);
         if (n == 0 || n > 4 || e_ - p_ < n) throw std::runtime_error("bad DER length");
         len = 0;
         while (n-- > 0) len = (len << 8) | *p_++;
      }
      if (len > (size_t)(e_ - p_)) throw std::runtime_error("DER length past the end");
      t.v = p_;
      t.len = len;
      p_ += len;
      return t;
   }
   Tlv next(std::uint8_t tag)
   {
      Tlv t = next();
      if (t.tag != tag) throw std::runtime_error("unexpected DER tag");
      return t;
   }

private:
   const std::uint8_t* p_;
   const std::uint8_t* e_;
};

// The document with the encoder's layout rules.
class Out {
public:
   Out() { s.reserve(8192); s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"; }

   void start(const char* name)
   {
      indent();
      s += '<';
      s += name;
      s += '>';
      level_++;
      state_ = 1;
   }
   void end(const char* name)
   {
      level_--;
      if (state_ == 3) indent();
      s += "</";
      s += name;
      s += '>';
      state_ = 3;
   }
   // <name>text</name> on one line; text is escaped.
   void prim(const char* name, const std::string& text)
   {
      indent();
      s += '<';
      s += name;
      s += '>';
      for (char c : text) {
         switch (c) {
         case '<': s += "&lt;"; break;
         case '>': s += "&gt;"; break;
         case '&': s += "&amp;"; break;
         default: s += c;
         }
      }
      s += "</";
      s += name;
      s += '>';
      state_ = 3;
   }
   // <name><value/></name>
   void named(const char* name, const char* value)
   {
      indent();
      s += '<';
      s += name;
      s += "><";
      s += value;
      s += "/></";
      s += name;
      s += '>';
      state_ = 3;
   }
   void empty(const char* name)
   {
      indent();
      s += '<';
      s += name;
      s += "/>";
      state_ = 3;
   }

   std::string s;

private:
   void indent()
   {
      s += '\n';
      s.append((size_t)level_ * 3, ' ');
   }
   int level_ = 0;
   int state_ = 0;
};

std::string oidText(const Tlv& t)
{
   std::string out;
   unsigned long long arc = 0;
   bool first = true;
   for (size_t i = 0; i < t.len; i++) {
      arc = (arc << 7) | (t.v[i] & 0x7F);
      if (t.v[i] & 0x80) continue;
      if (first) {
         unsigned long long a = arc < 40 ? 0 : arc < 80 ? 1 : 2;
         out = std::to_string(a) + "." + std::to_string(arc - a * 40);
         first = false;
      }
      else out += "." + std::to_string(arc);
      arc = 0;
   }
   return out;
}

// Two's complement octets (non-negative values only) in decimal.
std::string decimal(const Tlv& t)
{
   std::vector<std::uint8_t> n(t.v, t.v + t.len);
   std::string digits;
   bool zero = false;
   while (!zero) {
      unsigned rem = 0;
      zero = true;
      for (auto& b : n) {
         unsigned cur = (rem << 8) | b;
         b = (std::uint8_t)(cur / 10);
         rem = cur % 10;
         if (b != 0) zero = false;
      }
      digits += (char)('0' + rem);
   }
   return std::string(digits.rbegin(), digits.rend());
}

std::string hex(const Tlv& t)
{
   static const char d[] = "0123456789ABCDEF";
   std::string s;
   s.reserve(t.len * 2);
   for (size_t i = 0; i < t.len; i++) {
      s += d[t.v[i] >> 4];
      s += d[t.v[i] & 15];
   }
   return s;
}

std::string bits(const Tlv& t)
{
   if (t.len == 0) return std::string();
   size_t nbits = (t.len - 1) * 8 - t.v[0];
   std::string s;
   s.reserve(nbits);
   for (size_t i = 0; i < nbits; i++) s += (t.v[1 + i / 8] & (0x80 >> (i % 8))) ? '1' : '0';
   return s;
}

std::string text(const Tlv& t) { return std::string((const char*)t.v, t.len); }

const char* stringAlternative(std::uint8_t tag)
{
   switch (tag) {
   case 0x0C: return "utf8String";
   case 0x13: return "printableString";
   case 0x14: return "teletexString";
   case 0x16: return "ia5String";
   case 0x1E: return "bmpString";
   default: return "universalString";
   }
}

void timeChoice(Out& x, const char* name, const Tlv& t)
{
   x.start(name);
   x.prim(t.tag == 0x17 ? "utcTime" : "generalTime", text(t));
   x.end(name);
}

void algorithmIdentifier(Out& x, const char* name, const Tlv& t)
{
   Reader r(t);
   x.start(name);
   x.prim("algorithm", oidText(r.next(0x06)));
   if (r.more()) {
      Tlv p = r.next();
      x.start("parameters");
      if (p.tag == 0x05) x.empty("NULL");
      else x.prim("OCTET_STRING", hex(p));
      x.end("parameters");
   }
   x.end(name);
}

void name(Out& x, const char* elem, const Tlv& t)
{
   x.start(elem);
   x.start("rdnSequence");
   for (Reader rdns(t); rdns.more();) {
      x.start("RelativeDistinguishedName");
      for (Reader atvs(rdns.next(0x31)); atvs.more();) {
         Reader atv(atvs.next(0x30));
         x.start("AttributeTypeAndValue");
         x.prim("type", oidText(atv.next(0x06)));
         Tlv v = atv.next();
         x.start("value");
         x.start("DirectoryString");
         x.prim(stringAlternative(v.tag), text(v));
         x.end("DirectoryString");
         x.end("value");
         x.end("AttributeTypeAndValue");
      }
      x.end("RelativeDistinguishedName");
   }
   x.end("rdnSequence");
   x.end(elem);
}

// The value inside extnValue, by extension identifier.
void extensionValue(Out& x, const std::string& id, const Tlv& octets)
{
   Reader r(octets);
   if (id == "2.5.29.21") { // reasonCode
      static const char* const names[] = {
         "unspecified", "keyCompromise", "cACompromise", "affiliationChanged", "superseded",
         "cessationOfOperation", "certificateHold", "?", "removeFromCRL", "privilegeWithdrawn",
         "aACompromise"};
      Tlv e = r.next(0x0A);
      x.named("CRLReason", e.len == 1 && e.v[0] <= 10 ? names[e.v[0]] : "?");
   }
   else if (id == "2.5.29.24") { // invalidityDate
      x.prim("InvalidityDate", text(r.next(0x18)));
   }
   else if (id == "2.5.29.20") { // cRLNumber
      x.prim("CRLNumber", decimal(r.next(0x02)));
   }
   else if (id == "2.5.29.14") { // subjectKeyIdentifier
      x.prim("SubjectKeyIdentifier", hex(r.next(0x04)));
   }
   else if (id == "2.5.29.35") { // authorityKeyIdentifier
      Reader aki(r.next(0x30));
      x.start("AuthorityKeyIdentifier");
      while (aki.more()) {
         Tlv f = aki.next();
         if (f.tag == 0x80) x.prim("keyIdentifier", hex(f));
         else if (f.tag == 0x82) x.prim("authorityCertSerialNumber", decimal(f));
         else x.prim("authorityCertIssuer", hex(f));
      }
      x.end("AuthorityKeyIdentifier");
   }
   else if (id == "2.5.29.19") { // basicConstraints
      Reader bc(r.next(0x30));
      x.start("BasicConstraintsSyntax");
      while (bc.more()) {
         Tlv f = bc.next();
         if (f.tag == 0x01) x.named("cA", f.v[0] ? "true" : "false");
         else x.prim("pathLenConstraint", decimal(f));
      }
      x.end("BasicConstraintsSyntax");
   }
   else if (id == "2.5.29.15") { // keyUsage
      x.prim("KeyUsage", bits(r.next(0x03)));
   }
   else if (id == "2.5.29.37") { // extKeyUsage
      Reader eku(r.next(0x30));
      x.start("ExtKeyUsageSyntax");
      while (eku.more()) x.prim("KeyPurposeId", oidText(eku.next(0x06)));
      x.end("ExtKeyUsageSyntax");
   }
   else if (id == "2.5.29.17") { // subjectAltName
      Reader gns(r.next(0x30));
      x.start("GeneralNames");
      while (gns.more()) {
         Tlv g = gns.next();
         x.prim(g.tag == 0x82 ? "dNSName" : g.tag == 0x81 ? "rfc822Name" : "uniformResourceIdentifier",
                text(g));
      }
      x.end("GeneralNames");
   }
   else {
      x.s += hex(octets);
   }
}

void extensions(Out& x, const char* elem, const Tlv& t)
{
   x.start(elem);
   for (Reader exts(t); exts.more();) {
      Reader ext(exts.next(0x30));
      x.start("Extension");
      Tlv oid = ext.next(0x06);
      std::string id = oidText(oid);
      x.prim("extnID", id);
      if (ext.peek(0x01)) {
         Tlv c = ext.next();
         if (c.len == 1 && c.v[0]) x.named("critical", "true");
      }
      Tlv value = ext.next(0x04);
      x.start("extnValue");
      extensionValue(x, id, value);
      x.end("extnValue");
      x.end("Extension");
   }
   x.end(elem);
}

void version(Out& x, const Tlv& t)
{
   static const char* const names[] = {"v1", "v2", "v3"};
   if (t.len != 1 || t.v[0] > 2) throw std::runtime_error("bad version");
   x.named("version", names[t.v[0]]);
}

}

std::string certificateXerSketch(const Bytes& der)
{
   Out x;
   Reader top(der.data(), der.size());
   Reader cert(top.next(0x30));
   x.start("Certificate");
   {
      Reader tbs(cert.next(0x30));
      x.start("tbsCertificate");
      if (tbs.peek(0xA0)) {
         Reader v(tbs.next());
         version(x, v.next(0x02));
      }
      x.prim("serialNumber", decimal(tbs.next(0x02)));
      algorithmIdentifier(x, "signature", tbs.next(0x30));
      name(x, "issuer", tbs.next(0x30));
      {
         Reader validity(tbs.next(0x30));
         x.start("validity");
         timeChoice(x, "notBefore", validity.next());
         timeChoice(x, "notAfter", validity.next());
         x.end("validity");
      }
      name(x, "subject", tbs.next(0x30));
      {
         Reader spki(tbs.next(0x30));
         x.start("subjectPublicKeyInfo");
         algorithmIdentifier(x, "algorithm", spki.next(0x30));
         x.prim("subjectPublicKey", bits(spki.next(0x03)));
         x.end("subjectPublicKeyInfo");
      }
      while (tbs.more()) {
         Tlv t = tbs.next();
         if (t.tag == 0xA3) extensions(x, "extensions", Reader(t).next(0x30));
         else x.prim(t.tag == 0x81 ? "issuerUniqueID" : "subjectUniqueID", bits(t));
      }
      x.end("tbsCertificate");
   }
   algorithmIdentifier(x, "signatureAlgorithm", cert.next(0x30));
   x.prim("signature", bits(cert.next(0x03)));
   x.end("Certificate");
   return x.s;
}

std::string certificateListXerSketch(const Bytes& der)
{
   Out x;
   Reader top(der.data(), der.size());
   Reader crl(top.next(0x30));
   x.start("CertificateList");
   {
      Reader tbs(crl.next(0x30));
      x.start("tbsCertList");
      if (tbs.peek(0x02)) version(x, tbs.next());
      algorithmIdentifier(x, "signature", tbs.next(0x30));
      name(x, "issuer", tbs.next(0x30));
      Tlv t = tbs.next();
      timeChoice(x, "thisUpdate", t);
      if (tbs.peek(0x17) || tbs.peek(0x18)) timeChoice(x, "nextUpdate", tbs.next());
      if (tbs.peek(0x30)) {
         x.start("revokedCertificates");
         for (Reader list(tbs.next()); list.more();) {
            Reader entry(list.next(0x30));
            x.start("SEQUENCE");
            x.prim("userCertificate", decimal(entry.next(0x02)));
            timeChoice(x, "revocationDate", entry.next());
            if (entry.more()) extensions(x, "crlEntryExtensions", entry.next(0x30));
            x.end("SEQUENCE");
         }
         x.end("revokedCertificates");
      }
      if (tbs.peek(0xA0)) extensions(x, "crlExtensions", Reader(tbs.next()).next(0x30));
      x.end("tbsCertList");
   }
   algorithmIdentifier(x, "signatureAlgorithm", crl.next(0x30));
   x.prim("signature", bits(crl.next(0x03)));
   x.end("CertificateList");
   return x.s;
}

}
