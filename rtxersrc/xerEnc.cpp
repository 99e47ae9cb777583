// XER writer primitives.
#include <stdio.h>
#include <string.h>

#include <stdint.h>

#include <algorithm>

#include "asn1xer.h"
#include "rtError.h"
#include "rtMemHeap.h"

namespace {

// Where n more octets go at the end of the context's buffer when they fit
// in it as it is, else null (a stream, or the buffer must grow first: the
// caller then writes through writeBytes).
inline OSOCTET* roomFor(ASN1CTXT* pctxt, size_t n)
{
   ASN1BUFFER& b = pctxt->buffer;
   if (pctxt->stream != nullptr || b.data == nullptr || (OSUINT64)b.byteIndex + n > b.size) return nullptr;
   return b.data + b.byteIndex;
}

// Writes n octets; records and returns a failure.
inline int writeBytes(ASN1CTXT* pctxt, const void* data, size_t n)
{
   if (n == 0) return 0;
   if (OSOCTET* room = roomFor(pctxt, n)) {
      memcpy(room, data, n);
      pctxt->buffer.byteIndex += (OSUINT32)n;
      return 0;
   }
   int stat = rtWriteBytes(pctxt, static_cast<const OSOCTET*>(data), (OSUINT32)n);
   return stat != 0 ? LOG_ASN1ERR(pctxt, stat) : 0;
}

// A tag short enough is put together here and written in one piece.
const size_t kTagRoom = 512;

// Puts the line break and indentation of the current level at out (room
// for 1 + 3 * 255 octets); returns the count (0 when canonical).
size_t putIndent(ASN1CTXT* pctxt, char* out)
{
   if (pctxt->flags & ASN1XERCANONICAL) return 0;
   size_t n = 1 + 3 * (size_t)pctxt->level;
   out[0] = '\n';
   memset(out + 1, ' ', n - 1);
   return n;
}

int writeText(ASN1CTXT* pctxt, const char* text)
{
   return writeBytes(pctxt, text, strlen(text));
}

// The decimal digits of v at out (room for 10); returns their count.
size_t formatUInt(char* out, OSUINT32 v)
{
   char tmp[10];
   size_t n = 0;
   do {
      tmp[n++] = (char)('0' + v % 10);
      v /= 10;
   } while (v != 0);
   for (size_t i = 0; i < n; i++) out[i] = tmp[n - 1 - i];
   return n;
}

// A character written as it is in character data: not markup, not a
// control (TAB and LF are written as they are too).
inline bool isPlainChar(unsigned char c)
{
   if (c >= 0x20) return c != '"' && c != '&' && c != '\'' && c != '<' && c != '>';
   return c == 0x09 || c == 0x0A;
}

bool isEmptyName(const char* name)
{
   return name == nullptr || name[0] == 0;
}

// Collects output in pieces of at most kChunk octets and writes each piece
// when the next one would not fit, so that long values reach a stream in
// bounded writes.
template <size_t kChunk>
class ChunkWriter {
public:
   explicit ChunkWriter(ASN1CTXT* pctxt) : mCtxt(pctxt), mUsed(0) {}

   int put(const char* piece, size_t n)
   {
      if (mUsed + n > kChunk) {
         int stat = flush();
         if (stat != 0) return stat;
      }
      memcpy(mBuf + mUsed, piece, n);
      mUsed += n;
      return 0;
   }

   // Octets that may be split anywhere: each piece is filled to kChunk
   // before it is written.
   int putRun(const char* run, size_t n)
   {
      while (n > 0) {
         if (mUsed == kChunk) {
            int stat = flush();
            if (stat != 0) return stat;
         }
         size_t take = kChunk - mUsed < n ? kChunk - mUsed : n;
         memcpy(mBuf + mUsed, run, take);
         mUsed += take;
         run += take;
         n -= take;
      }
      return 0;
   }

   int flush()
   {
      int stat = writeBytes(mCtxt, mBuf, mUsed);
      mUsed = 0;
      return stat;
   }

private:
   ASN1CTXT* mCtxt;
   size_t mUsed;
   char mBuf[kChunk];
};

// Start tag of a simple value followed by its character data.
int startValue(ASN1CTXT* pctxt, const char* elemName, const char* attributes)
{
   int stat = xerEncStartElement(pctxt, elemName, attributes);
   if (stat != 0) return stat;
   pctxt->state = XER_STATE_CHARDATA;
   return 0;
}

// An empty element on a line of its own: indentation, <name attrs/>.
int emptyValue(ASN1CTXT* pctxt, const char* elemName, const char* attributes)
{
   int stat = xerEncIndent(pctxt);
   if (stat == 0) stat = xerEncEmptyElement(pctxt, elemName, attributes);
   if (stat == 0) pctxt->state = XER_STATE_ENDTAG;
   return stat;
}

const char kHexDigits[] = "0123456789ABCDEF";

// The binary digits of every octet value.
struct BitDigits {
   char of[256][8];
   BitDigits()
   {
      for (int o = 0; o < 256; o++)
         for (int b = 0; b < 8; b++) of[o][b] = (char)('0' + ((o >> (7 - b)) & 1));
   }
};

}  // namespace

extern "C" {

int xerSetEncBufPtr(ASN1CTXT* pctxt, OSOCTET* buf, int size, OSBOOL canonical)
{
   if (pctxt == nullptr) return ASN1ERR_INVALID_PARAM;
   if (size < 0) size = 0;
   int stat = rtInitContextBuffer(pctxt, buf, (OSUINT32)size);
   if (stat != 0) return LOG_ASN1ERR(pctxt, stat);
   if (pctxt->buffer.data != nullptr && pctxt->buffer.size > 0) pctxt->buffer.data[0] = 0;
   pctxt->state = XER_STATE_START;
   if (canonical) rtCtxtSetFlag(pctxt, ASN1XERCANONICAL);
   return 0;
}

int xerEncStartDocument(ASN1CTXT* pctxt)
{
   pctxt->state = XER_STATE_START;
   pctxt->level = 0;
   return writeText(pctxt, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
}

int xerEncEndDocument(ASN1CTXT* pctxt)
{
   if (pctxt->stream != nullptr) {
      int stat = rtStreamBufFlush(pctxt);
      return stat != 0 ? LOG_ASN1ERR(pctxt, stat) : 0;
   }
   if (pctxt->level != 0 || pctxt->state != XER_STATE_ENDTAG)
      return LOG_ASN1ERR(pctxt, ASN1ERR_XML_STATE);
   // Terminate the text without counting the terminator.
   static const OSOCTET zero = 0;
   int stat = writeBytes(pctxt, &zero, 1);
   if (stat != 0) return stat;
   pctxt->buffer.byteIndex--;
   return 0;
}

int xerEncIndent(ASN1CTXT* pctxt)
{
   if (pctxt->flags & ASN1XERCANONICAL) return 0;
   // A line feed and up to 255 levels of three spaces.
   char text[1 + 3 * 255];
   size_t n = 1 + 3 * (size_t)pctxt->level;
   text[0] = '\n';
   memset(text + 1, ' ', n - 1);
   return writeBytes(pctxt, text, n);
}

int xerEncNewLine(ASN1CTXT* pctxt)
{
   return writeBytes(pctxt, "\n", 1);
}

int xerEncStartElement(ASN1CTXT* pctxt, const char* elemName, const char* attributes)
{
   if (isEmptyName(elemName)) return 0;
   const size_t nameLen = strlen(elemName);
   const size_t attrLen = attributes != nullptr ? strlen(attributes) : 0;
   if (nameLen + attrLen + 3 <= kTagRoom) {
      char text[1 + 3 * 255 + kTagRoom];
      size_t n = putIndent(pctxt, text);
      text[n++] = '<';
      memcpy(text + n, elemName, nameLen);
      n += nameLen;
      if (attributes != nullptr) {
         text[n++] = ' ';
         memcpy(text + n, attributes, attrLen);
         n += attrLen;
      }
      text[n++] = '>';
      pctxt->state = XER_STATE_STARTTAG;
      return writeBytes(pctxt, text, n);
   }
   int stat = xerEncIndent(pctxt);
   if (stat != 0) return stat;
   pctxt->state = XER_STATE_STARTTAG;
   if ((stat = writeBytes(pctxt, "<", 1)) != 0) return stat;
   if ((stat = writeText(pctxt, elemName)) != 0) return stat;
   if (attributes != nullptr) {
      if ((stat = writeBytes(pctxt, " ", 1)) != 0) return stat;
      if ((stat = writeText(pctxt, attributes)) != 0) return stat;
   }
   return writeBytes(pctxt, ">", 1);
}

int xerEncEndElement(ASN1CTXT* pctxt, const char* elemName)
{
   if (isEmptyName(elemName)) return 0;
   const size_t nameLen = strlen(elemName);
   if (nameLen + 3 <= kTagRoom) {
      char text[1 + 3 * 255 + kTagRoom];
      size_t n = pctxt->state == XER_STATE_ENDTAG ? putIndent(pctxt, text) : 0;
      text[n++] = '<';
      text[n++] = '/';
      memcpy(text + n, elemName, nameLen);
      n += nameLen;
      text[n++] = '>';
      pctxt->state = XER_STATE_ENDTAG;
      return writeBytes(pctxt, text, n);
   }
   int stat;
   if (pctxt->state == XER_STATE_ENDTAG) {
      if ((stat = xerEncIndent(pctxt)) != 0) return stat;
   }
   pctxt->state = XER_STATE_ENDTAG;
   if ((stat = writeBytes(pctxt, "</", 2)) != 0) return stat;
   if ((stat = writeText(pctxt, elemName)) != 0) return stat;
   return writeBytes(pctxt, ">", 1);
}

int xerEncEmptyElement(ASN1CTXT* pctxt, const char* elemName, const char* attributes)
{
   if (isEmptyName(elemName)) return 0;
   pctxt->state = XER_STATE_STARTTAG;
   int stat;
   if ((stat = writeBytes(pctxt, "<", 1)) != 0) return stat;
   if ((stat = writeText(pctxt, elemName)) != 0) return stat;
   if (attributes != nullptr) {
      if ((stat = writeBytes(pctxt, " ", 1)) != 0) return stat;
      if ((stat = writeText(pctxt, attributes)) != 0) return stat;
   }
   return writeBytes(pctxt, "/>", 2);
}

int xerEncBool(ASN1CTXT* pctxt, OSBOOL value, const char* elemName)
{
   if (elemName == nullptr) elemName = "BOOLEAN";
   int stat = startValue(pctxt, elemName, nullptr);
   if (stat == 0) stat = writeText(pctxt, value ? "<true/>" : "<false/>");
   if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
   return stat;
}

int xerEncInt(ASN1CTXT* pctxt, int value, const char* elemName)
{
   if (elemName == nullptr) elemName = "INTEGER";
   char text[16];
   snprintf(text, sizeof text, "%d", value);
   int stat = startValue(pctxt, elemName, nullptr);
   if (stat == 0) stat = writeText(pctxt, text);
   if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
   return stat;
}

int xerEncUInt(ASN1CTXT* pctxt, unsigned int value, const char* elemName)
{
   if (elemName == nullptr) elemName = "INTEGER";
   char text[16];
   snprintf(text, sizeof text, "%u", value);
   int stat = startValue(pctxt, elemName, nullptr);
   if (stat == 0) stat = writeText(pctxt, text);
   if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
   return stat;
}

// Writes the decimal text of a big integer: an optional '-', leading zeros
// dropped, "0" for zero (never "-0"); -18 unless at least one digit and only
// digits follow the sign.
static int writeDecimalBigInt(ASN1CTXT* pctxt, const char* text)
{
   bool negative = false;
   if (*text == '-') {
      negative = true;
      text++;
   }
   if (*text == 0) return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);
   for (const char* p = text; *p != 0; p++) {
      if (*p < '0' || *p > '9') return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);
   }
   while (*text == '0') text++;
   if (*text == 0) return writeBytes(pctxt, "0", 1);
   // What the reader would refuse is not written.
   int stat = rtBigIntCheckDecimal(pctxt, text, strlen(text));
   if (stat != 0) return stat;
   if (negative) stat = writeBytes(pctxt, "-", 1);
   if (stat == 0) stat = writeText(pctxt, text);
   return stat;
}

int xerEncBigInt(ASN1CTXT* pctxt, const char* value, const char* elemName)
{
   if (value == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_PARAM);
   if (elemName == nullptr) elemName = "INTEGER";
   int stat = startValue(pctxt, elemName, nullptr);
   if (stat != 0) return stat;

   if (value[0] == '0' && (value[1] == 'x' || value[1] == 'b' || value[1] == 'o')) {
      // Rewrite the hexadecimal, binary or octal form in decimal, unless
      // its digits alone show it to be beyond the size limit. Two's
      // complement digits: leading sign digits ('0', or 'f' / '1' of a
      // negative value) say nothing about the size.
      if (value[1] != 'o') {
         const bool hex = value[1] == 'x';
         const char* d = value + 2;
         while (*d == '0' || (hex ? (*d == 'f' || *d == 'F') : *d == '1')) d++;
         if ((OSUINT64)strlen(d) * (hex ? 4 : 1) > (OSUINT64)ASN_K_MAXBIGINTBITS + 8)
            return LOG_ASN1ERR(pctxt, ASN1ERR_TOO_BIG);
      }
      ASN1BigInt big;
      rtBigIntInit(&big);
      stat = rtBigIntSetStr(pctxt, &big, value, 0);
      if (stat != 0) {
         rtBigIntFree(pctxt, &big);
         return LOG_ASN1ERR(pctxt, stat);
      }
      int digits = rtBigIntDigitsNum(&big, 10);
      if (digits < 0) digits = 0;
      int bufsize = digits + 2;                   // sign and terminator
      char local[1002];
      char* buf = local;
      if (bufsize > (int)sizeof local) {
         buf = static_cast<char*>(ASN1MALLOC(pctxt, bufsize));
         if (buf == nullptr) {
            rtBigIntFree(pctxt, &big);
            return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
         }
      }
      else {
         bufsize = (int)sizeof local;
      }
      stat = rtBigIntToString(pctxt, &big, 10, buf, (OSUINT32)bufsize);
      rtBigIntFree(pctxt, &big);
      if (stat == 0) stat = writeDecimalBigInt(pctxt, buf);
      else stat = LOG_ASN1ERR(pctxt, stat);
      if (buf != local) ASN1MEMFREEPTR(pctxt, buf);
   }
   else {
      stat = writeDecimalBigInt(pctxt, value);
   }
   if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
   return stat;
}

int xerEncNull(ASN1CTXT* pctxt, const char* elemName)
{
   return emptyValue(pctxt, elemName != nullptr ? elemName : "NULL", nullptr);
}

int xerEncNamedValue(ASN1CTXT* pctxt, const char* valueName, const char* elemName,
                     const char* attributes)
{
   int stat = startValue(pctxt, elemName, attributes);
   if (stat == 0) stat = xerEncEmptyElement(pctxt, valueName, nullptr);
   if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
   return stat;
}

int xerEncObjId(ASN1CTXT* pctxt, const ASN1OBJID* pvalue, const char* elemName)
{
   // X.660: at least two arcs, the first 0, 1 or 2, the second below 40
   // under the first two roots. Not recorded: the caller decides.
   if (pvalue == nullptr || pvalue->numids < 2 || pvalue->numids > ASN_K_MAXSUBIDS ||
       pvalue->subid[0] > 2 || (pvalue->subid[0] < 2 && pvalue->subid[1] > 39))
      return ASN1ERR_INVALID_OBJID;
   if (elemName == nullptr) elemName = "OBJECT_IDENTIFIER";
   int stat = startValue(pctxt, elemName, nullptr);
   if (stat == 0) {
      // Arcs are unsigned 32-bit, so that arcs above 2^31 stay positive; the
      // dotted text is put together and written in one piece.
      char text[ASN_K_MAXSUBIDS * 11];
      size_t n = 0;
      for (OSUINT32 i = 0; i < pvalue->numids; i++) {
         if (i > 0) text[n++] = '.';
         n += formatUInt(text + n, pvalue->subid[i]);
      }
      stat = writeBytes(pctxt, text, n);
   }
   if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
   return stat;
}

int xerEncHexStrValue(ASN1CTXT* pctxt, OSUINT32 numocts, const OSOCTET* data)
{
   pctxt->state = XER_STATE_CHARDATA;
   if (numocts > 0 && data == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_PARAM);
   if (OSOCTET* room = roomFor(pctxt, (size_t)numocts * 2)) {
      for (OSUINT32 i = 0; i < numocts; i++) {
         room[2 * (size_t)i] = (OSOCTET)kHexDigits[data[i] >> 4];
         room[2 * (size_t)i + 1] = (OSOCTET)kHexDigits[data[i] & 0x0F];
      }
      pctxt->buffer.byteIndex += numocts * 2;
      return 0;
   }
   ChunkWriter<80> out(pctxt);
   for (OSUINT32 i = 0; i < numocts; i++) {
      char pair[2] = { kHexDigits[data[i] >> 4], kHexDigits[data[i] & 0x0F] };
      int stat = out.put(pair, 2);
      if (stat != 0) return stat;
   }
   return out.flush();
}

int xerEncOctStr(ASN1CTXT* pctxt, OSUINT32 numocts, const OSOCTET* data, const char* elemName)
{
   if (elemName == nullptr) elemName = "OCTET_STRING";
   if (numocts == 0) return emptyValue(pctxt, elemName, nullptr);
   int stat = xerEncStartElement(pctxt, elemName, nullptr);
   if (stat == 0) stat = xerEncHexStrValue(pctxt, numocts, data);
   if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
   return stat;
}

int xerEncBinStrValue(ASN1CTXT* pctxt, OSUINT32 numbits, const OSOCTET* data)
{
   pctxt->state = XER_STATE_CHARDATA;
   if (numbits > 0 && data == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_PARAM);
   ChunkWriter<256> out(pctxt);
   OSUINT32 whole = numbits / 8;
   // The eight digits of each octet, most significant bit first, written
   // straight into the buffer when it has room for all of them.
   static const BitDigits digits;
   OSUINT32 k = 0;
   if (OSOCTET* room = roomFor(pctxt, (size_t)whole * 8)) {
      for (; k < whole; k++) memcpy(room + (size_t)k * 8, digits.of[data[k]], 8);
      pctxt->buffer.byteIndex += whole * 8;
   }
   for (; k < whole; k++) {
      int stat = out.put(digits.of[data[k]], 8);
      if (stat != 0) return stat;
   }
   for (OSUINT32 i = whole * 8; i < numbits; i++) {
      char bit = (data[i / 8] & (0x80 >> (i % 8))) ? '1' : '0';
      int stat = out.put(&bit, 1);
      if (stat != 0) return stat;
   }
   return out.flush();
}

int xerEncBitStr(ASN1CTXT* pctxt, OSUINT32 numbits, const OSOCTET* data, const char* elemName,
                 int outputType)
{
   if (outputType != XER_BITSTR_HEX && outputType != XER_BITSTR_BINARY)
      return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_PARAM);
   if (elemName == nullptr) elemName = "BIT_STRING";
   const char* attributes = (outputType == XER_BITSTR_HEX) ? "form=\"hex\"" : nullptr;
   if (numbits == 0) return emptyValue(pctxt, elemName, attributes);
   int stat = xerEncStartElement(pctxt, elemName, attributes);
   if (stat == 0) {
      if (outputType == XER_BITSTR_HEX)
         stat = xerEncHexStrValue(pctxt, (numbits + 7) / 8, data);
      else
         stat = xerEncBinStrValue(pctxt, numbits, data);
   }
   if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
   return stat;
}

const char* xerControlName(OSUINT32 c)
{
   // XML 1.0 has no character, nor character reference, for these: XER
   // writes each as an empty element of this name. TAB, LF and CR are XML
   // characters and have no name here.
   static const char* const names[32] = {
      "nul", "soh", "stx", "etx", "eot", "enq", "ack", "bel", "bs", nullptr, nullptr, "vt", "ff", nullptr,
      "so", "si", "dle", "dc1", "dc2", "dc3", "dc4", "nak", "syn", "etb", "can", "em", "sub", "esc",
      "is4", "is3", "is2", "is1",
   };
   return c < 32 ? names[c] : nullptr;
}

int xerControlChar(const char* name)
{
   if (name == nullptr) return -1;
   for (OSUINT32 c = 0; c < 32; c++) {
      const char* n = xerControlName(c);
      if (n != nullptr && strcmp(n, name) == 0) return (int)c;
   }
   return -1;
}

int xerPutCharStr(ASN1CTXT* pctxt, const char* str, int len)
{
   if (str == nullptr || len < 1) return 0;
   ChunkWriter<80> out(pctxt);
   for (int i = 0; i < len; i++) {
      // A run of characters that stand for themselves goes out in one piece.
      int run = i;
      while (run < len && isPlainChar((unsigned char)str[run])) run++;
      if (run > i) {
         int stat = out.putRun(str + i, (size_t)(run - i));
         if (stat != 0) return stat;
         i = run;
         if (i == len) break;
      }
      const unsigned char c = (unsigned char)str[i];
      const char* piece;
      char control[8];
      switch (c) {
      case 0x0D: piece = "&#13;"; break;   // a raw CR would read back as LF
      case '"':  piece = "&quot;"; break;
      case '&':  piece = "&amp;"; break;
      case '\'': piece = "&apos;"; break;
      case '<':  piece = "&lt;"; break;
      case '>':  piece = "&gt;"; break;
      default:
         piece = nullptr;
         if (const char* name = xerControlName(c)) {
            snprintf(control, sizeof control, "<%s/>", name);
            piece = control;
         }
         break;
      }
      int stat = piece != nullptr ? out.put(piece, strlen(piece)) : out.put(str + i, 1);
      if (stat != 0) return stat;
   }
   return out.flush();
}

int xerEncAscCharStr(ASN1CTXT* pctxt, const char* value, const char* elemName)
{
   if (elemName == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_PARAM);
   int stat = startValue(pctxt, elemName, nullptr);
   if (stat == 0 && value != nullptr) stat = xerPutCharStr(pctxt, value, (int)strlen(value));
   if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
   return stat;
}

int xerEncChar(ASN1CTXT* pctxt, OSUINT32 c)
{
   if (c < 0x80) {
      char ch = (char)c;
      return xerPutCharStr(pctxt, &ch, 1);
   }
   // XML 1.0 has no surrogates, no U+FFFE or U+FFFF and nothing above
   // U+10FFFF: a document holding one would not be well-formed.
   if ((c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF || c > 0x10FFFF)
      return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_UTF8);
   // UTF-8: a lead octet C0, E0, F0, F8 or FC with the top bits, then
   // continuation octets of 6 bits each.
   OSOCTET buf[6];
   int n = c < 0x800 ? 2 : c < 0x10000 ? 3 : c < 0x200000 ? 4 : c < 0x4000000 ? 5 : 6;
   static const OSOCTET lead[7] = { 0, 0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC };
   for (int i = n - 1; i > 0; i--) {
      buf[i] = (OSOCTET)(0x80 | (c & 0x3F));
      c >>= 6;
   }
   buf[0] = (OSOCTET)(lead[n] | c);
   return writeBytes(pctxt, buf, (size_t)n);
}

int xerEncBMPStr(ASN1CTXT* pctxt, const ASN1BMPString* pvalue, const char* elemName)
{
   if (elemName == nullptr) elemName = "BMPString";
   if (pvalue == nullptr || (pvalue->nchars > 0 && pvalue->data == nullptr))
      return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_PARAM);
   int stat = startValue(pctxt, elemName, nullptr);
   for (OSUINT32 i = 0; stat == 0 && i < pvalue->nchars; i++) stat = xerEncChar(pctxt, pvalue->data[i]);
   if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
   return stat;
}

int xerEncUnivStr(ASN1CTXT* pctxt, const ASN1UniversalString* pvalue, const char* elemName)
{
   if (elemName == nullptr) elemName = "UniversalString";
   if (pvalue == nullptr || (pvalue->nchars > 0 && pvalue->data == nullptr))
      return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_PARAM);
   int stat = startValue(pctxt, elemName, nullptr);
   for (OSUINT32 i = 0; stat == 0 && i < pvalue->nchars; i++) {
      if (pvalue->data[i] & 0x80000000U) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_UTF8);
      stat = xerEncChar(pctxt, pvalue->data[i]);
   }
   if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
   return stat;
}

int xerEncOpenType(ASN1CTXT* pctxt, OSUINT32 numocts, const OSOCTET* data, const char* elemName)
{
   if (numocts > 0 && data == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_PARAM);
   int stat;
   if (!isEmptyName(elemName)) {
      stat = xerEncStartElement(pctxt, elemName, nullptr);
      if (stat == 0) stat = writeBytes(pctxt, data, numocts);
      if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
      return stat;
   }
   stat = xerEncIndent(pctxt);
   if (stat != 0) return stat;
   pctxt->state = XER_STATE_STARTTAG;
   stat = writeBytes(pctxt, data, numocts);
   if (stat == 0) pctxt->state = XER_STATE_ENDTAG;
   return stat;
}

int xerEncXmlCharData(ASN1CTXT* pctxt, const char* data, int len)
{
   if (data == nullptr || len <= 0) return 0;
   return writeBytes(pctxt, data, (size_t)len);
}

int xerCopyText(ASN1CTXT* pctxt, const char* text)
{
   if (text == nullptr) return 0;
   return writeText(pctxt, text);
}

int xerCopyText2(ASN1CTXT* pctxt, const char* text1, const char* text2)
{
   if (text1 == nullptr) return 0;
   int stat = writeText(pctxt, text1);
   if (stat == 0 && text2 != nullptr) stat = writeText(pctxt, text2);
   return stat;
}

int xerTextLength(const char* text)
{
   return text != nullptr ? (int)strlen(text) : 0;
}

}

namespace {

// XML text standing in open types while a context writes XER documents,
// kept in the context's heap (made with the first mark, released with the
// heap). A document marks a few texts at a time, found by a scan; a list of
// many open-type values written as XML marks them all before they are
// written, so past kScanned marks they move to a hash table (linear
// probing, removal by shifting back), which keeps the writing of such a
// list linear in its length.
struct XmlTextMarks {
   static const size_t kScanned = 32;
   size_t count;                  // marks held (in `few` while slots is null)
   size_t mask;                   // slots - 1
   const OSOCTET** slots;         // the table, once the few were not enough
   const OSOCTET* few[kScanned];
};

size_t homeOf(const XmlTextMarks* m, const OSOCTET* data)
{
   return static_cast<size_t>((reinterpret_cast<uintptr_t>(data) >> 3) * 0x9E3779B97F4A7C15ULL) & m->mask;
}

size_t slotOf(const XmlTextMarks* m, const OSOCTET* data)
{
   size_t i = homeOf(m, data);
   while (m->slots[i] != nullptr && m->slots[i] != data) i = (i + 1) & m->mask;
   return i;
}

// A table of at least twice the marks: the few, or the old table, moved in.
bool growMarks(ASN1CTXT* pctxt, XmlTextMarks* m)
{
   const size_t size = m->slots == nullptr ? 4 * XmlTextMarks::kScanned : 2 * (m->mask + 1);
   if (size > (SIZE_MAX / 2) / sizeof(const OSOCTET*)) return false;
   const OSOCTET** slots = static_cast<const OSOCTET**>(rtMemHeapAllocZ(&pctxt->memHeap, size * sizeof(const OSOCTET*)));
   if (slots == nullptr) return false;
   const OSOCTET** old = m->slots;
   const size_t oldSize = old != nullptr ? m->mask + 1 : 0;
   m->slots = slots;
   m->mask = size - 1;
   if (old == nullptr) {
      for (size_t i = 0; i < m->count; ++i) slots[slotOf(m, m->few[i])] = m->few[i];
      return true;
   }
   for (size_t i = 0; i < oldSize; ++i)
      if (old[i] != nullptr) slots[slotOf(m, old[i])] = old[i];
   rtMemHeapFreePtr(&pctxt->memHeap, old);
   return true;
}

void eraseSlot(XmlTextMarks* m, size_t i)
{
   // Later entries of the same run move back into the gap when their home
   // is not between the gap and them.
   m->slots[i] = nullptr;
   for (size_t j = (i + 1) & m->mask; m->slots[j] != nullptr; j = (j + 1) & m->mask) {
      const size_t k = homeOf(m, m->slots[j]);
      const bool stays = i <= j ? (i < k && k <= j) : (i < k || k <= j);
      if (stays) continue;
      m->slots[i] = m->slots[j];
      m->slots[j] = nullptr;
      i = j;
   }
}

}

int xerMarkXmlText(ASN1CTXT* pctxt, const OSOCTET* data, OSBOOL on)
{
   if (pctxt == nullptr || data == nullptr) return 0;
   XmlTextMarks* m = static_cast<XmlTextMarks*>(pctxt->xer.xmlTexts);
   if (!on) {
      if (m == nullptr) return 0;
      if (m->slots == nullptr) {
         for (size_t i = 0; i < m->count; ++i) {
            if (m->few[i] != data) continue;
            m->few[i] = m->few[--m->count];
            break;
         }
         return 0;
      }
      const size_t i = slotOf(m, data);
      if (m->slots[i] == nullptr) return 0;
      eraseSlot(m, i);
      --m->count;
      return 0;
   }
   if (m == nullptr) {
      m = static_cast<XmlTextMarks*>(rtMemHeapAllocZ(&pctxt->memHeap, sizeof(XmlTextMarks)));
      if (m == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
      pctxt->xer.xmlTexts = m;
   }
   if (m->slots == nullptr && m->count < XmlTextMarks::kScanned) {
      m->few[m->count++] = data;
      return 0;
   }
   if ((m->slots == nullptr || 2 * (m->count + 1) > m->mask + 1) && !growMarks(pctxt, m))
      return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
   const size_t i = slotOf(m, data);
   if (m->slots[i] == nullptr) {
      m->slots[i] = data;
      ++m->count;
   }
   return 0;
}

OSBOOL xerIsMarkedXmlText(const ASN1CTXT* pctxt, const OSOCTET* data)
{
   if (pctxt == nullptr || data == nullptr || pctxt->xer.xmlTexts == nullptr) return FALSE;
   const XmlTextMarks* m = static_cast<const XmlTextMarks*>(pctxt->xer.xmlTexts);
   if (m->slots != nullptr) return m->slots[slotOf(m, data)] != nullptr ? TRUE : FALSE;
   for (size_t i = 0; i < m->count; ++i)
      if (m->few[i] == data) return TRUE;
   return FALSE;
}

int xerEncOpenTypeValue(ASN1CTXT* pctxt, OSUINT32 numocts, const OSOCTET* data, const char* elemName)
{
   if (numocts > 0 && data == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);
   if (numocts == 0 || xerIsMarkedXmlText(pctxt, data))
      return xerEncOpenType(pctxt, numocts, data, elemName);
   int stat = xerEncStartElement(pctxt, elemName, "form=\"ber\"");
   if (stat == 0) stat = xerEncHexStrValue(pctxt, numocts, data);
   if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
   return stat == 0 ? 0 : LOG_ASN1ERR(pctxt, stat);
}

int xerEnc8BitCharStr(ASN1CTXT* pctxt, const char* value, const char* elemName)
{
   if (elemName == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_PARAM);
   int stat = xerEncStartElement(pctxt, elemName, nullptr);
   pctxt->state = XER_STATE_CHARDATA;
   const char* p = value != nullptr ? value : "";
   while (stat == 0 && *p != 0) {
      const char* run = p;
      while (*p != 0 && static_cast<unsigned char>(*p) < 0x80) ++p;
      if (p > run) stat = xerPutCharStr(pctxt, run, static_cast<int>(p - run));
      if (stat == 0 && *p != 0) {
         stat = xerEncChar(pctxt, static_cast<unsigned char>(*p));
         ++p;
      }
   }
   if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
   return stat == 0 ? 0 : LOG_ASN1ERR(pctxt, stat);
}

int xerUTF8CharLen(const OSOCTET* p, size_t n)
{
   if (n == 0) return 0;
   const OSOCTET c = p[0];
   if (c < 0x80) return 1;
   int len;
   OSUINT32 cp, min;
   if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; min = 0x80; }
   else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; min = 0x800; }
   else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; min = 0x10000; }
   else return 0;   // a continuation octet, C0, C1 or F5..FF
   if (n < static_cast<size_t>(len)) return 0;
   for (int i = 1; i < len; i++) {
      if ((p[i] & 0xC0) != 0x80) return 0;
      cp = (cp << 6) | (p[i] & 0x3F);
   }
   if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) return 0;
   return len;
}

int xerEncUTF8Str(ASN1CTXT* pctxt, const char* value, const char* elemName)
{
   if (elemName == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_PARAM);
   const OSOCTET* text = reinterpret_cast<const OSOCTET*>(value != nullptr ? value : "");
   const size_t n = strlen(reinterpret_cast<const char*>(text));
   for (size_t i = 0; i < n;) {
      // Runs of ASCII (most text) eight octets at a time.
      OSUINT64 word;
      if (i + 8 <= n && (memcpy(&word, text + i, 8), (word & 0x8080808080808080ULL) == 0)) {
         i += 8;
         continue;
      }
      if (text[i] < 0x80) {
         ++i;
         continue;
      }
      const int len = xerUTF8CharLen(text + i, n - i);
      if (len == 0) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_UTF8);
      i += static_cast<size_t>(len);
   }
   return xerEncAscCharStr(pctxt, reinterpret_cast<const char*>(text), elemName);
}
