#include "saxParser.h"

#include <string.h>

#include "rtUTF8.h"

OSXMLBase::~OSXMLBase() = default;
OSXMLContentHandler::~OSXMLContentHandler() = default;
OSXMLErrorInfo::~OSXMLErrorInfo() = default;
OSXMLReader::~OSXMLReader() = default;
OSRTSAXException::~OSRTSAXException() = default;

// ---------------------------------------------------------------------------
// OSRTSAXExceptionImpl

OSRTSAXExceptionImpl::OSRTSAXExceptionImpl()
   : mMessage(OSXMLString::transcode("")), mStatus(0), mSrcFileName(nullptr), mSrcLineNum(0)
{
}

OSRTSAXExceptionImpl::OSRTSAXExceptionImpl(const char* message)
   : mMessage(OSXMLString::transcode(message)), mStatus(0), mSrcFileName(nullptr), mSrcLineNum(0)
{
}

OSRTSAXExceptionImpl::OSRTSAXExceptionImpl(const char* message, int status, const char* file,
                                           int line)
   : mMessage(OSXMLString::transcode(message)), mStatus(status),
     mSrcFileName(OSXMLString::transcode(file)), mSrcLineNum(line)
{
}

OSRTSAXExceptionImpl::OSRTSAXExceptionImpl(int status, const char* file, int line)
   : mMessage(nullptr), mStatus(status), mSrcFileName(OSXMLString::transcode(file)),
     mSrcLineNum(line)
{
}

OSRTSAXExceptionImpl::OSRTSAXExceptionImpl(const OSRTSAXExceptionImpl& other)
   : OSRTSAXException(), mMessage(OSXMLString::transcode(other.mMessage)), mStatus(other.mStatus),
     mSrcFileName(OSXMLString::transcode(other.mSrcFileName)), mSrcLineNum(other.mSrcLineNum)
{
}

OSRTSAXExceptionImpl& OSRTSAXExceptionImpl::operator=(const OSRTSAXExceptionImpl& other)
{
   if (this != &other) {
      char* message = OSXMLString::transcode(other.mMessage);
      char* file = OSXMLString::transcode(other.mSrcFileName);
      delete[] mMessage;
      delete[] mSrcFileName;
      mMessage = message;
      mSrcFileName = file;
      mStatus = other.mStatus;
      mSrcLineNum = other.mSrcLineNum;
   }
   return *this;
}

OSRTSAXExceptionImpl::~OSRTSAXExceptionImpl()
{
   delete[] mMessage;
   delete[] mSrcFileName;
}

OSRTSAXExceptionImpl* OSRTSAXExceptionImpl::createSAXException()
{
   return new OSRTSAXExceptionImpl();
}

OSRTSAXExceptionImpl* OSRTSAXExceptionImpl::createSAXException(const char* message, int status,
                                                               const char* file, int line)
{
   return new OSRTSAXExceptionImpl(message, status, file, line);
}

// ---------------------------------------------------------------------------
// StrX

StrX::~StrX()
{
   delete[] mLocalForm;
}

// ---------------------------------------------------------------------------
// OSXMLString

const char* OSXMLString::zeroLenString()
{
   static const char empty[1] = { 0 };
   return empty;
}

int OSXMLString::stringLen(const char* s)
{
   return s != nullptr ? (int)strlen(s) : 0;
}

int OSXMLString::stringLen(const unsigned short* s)
{
   int n = 0;
   if (s != nullptr) {
      while (s[n] != 0) n++;
   }
   return n;
}

char* OSXMLString::replicate(const char* s)
{
   if (s == nullptr) return nullptr;
   size_t n = strlen(s);
   char* copy = new char[n + 1];
   memcpy(copy, s, n + 1);
   return copy;
}

char* OSXMLString::transcode(const char* s)
{
   return replicate(s);
}

char* OSXMLString::transcode(const unsigned short* s)
{
   if (s == nullptr) return nullptr;
   int n = stringLen(s);
   char* copy = new char[n + 1];
   for (int i = 0; i < n; i++) copy[i] = (char)(s[i] & 0xFF);
   copy[n] = 0;
   return copy;
}

int OSXMLString::compareString(const char* a, const char* b)
{
   if (a == nullptr && b == nullptr) return 0;
   if (a == nullptr) return -stringLen(b);
   if (b == nullptr) return stringLen(a);
   const unsigned char* pa = reinterpret_cast<const unsigned char*>(a);
   const unsigned char* pb = reinterpret_cast<const unsigned char*>(b);
   while (*pa != 0 && *pa == *pb) {
      pa++;
      pb++;
   }
   return (int)*pa - (int)*pb;
}

char* OSXMLString::catString(char* dst, int size, const char* src)
{
   if (dst == nullptr || src == nullptr || size <= 0) return nullptr;
   int used = (int)strnlen(dst, (size_t)size);
   if (used >= size) return nullptr;          // dst is not terminated within size
   int room = size - used - 1;
   if (room <= 0) return nullptr;
   int n = 0;
   while (n < room && src[n] != 0) {
      dst[used + n] = src[n];
      n++;
   }
   dst[used + n] = 0;
   return dst;
}

char* OSXMLString::catString(char* dst, int size, const unsigned short* src)
{
   if (dst == nullptr || src == nullptr || size <= 0) return nullptr;
   int used = (int)strnlen(dst, (size_t)size);
   if (used >= size) return nullptr;
   int room = size - used - 1;
   if (room <= 0) return nullptr;
   int n = 0;
   while (n < room && src[n] != 0) {
      dst[used + n] = (char)(src[n] & 0xFF);
      n++;
   }
   dst[used + n] = 0;
   return dst;
}

// Decodes one character of the UTF-8 text [p, p + avail); returns it and the
// octets used in *used, or a negative status.
static int decodeOneUTF8(const unsigned char* p, int avail, int* used)
{
   int size = avail;
   int c = rtUTF8DecodeChar(nullptr, p, &size);
   if (c < 0) return c;
   *used = size;
   return c;
}

int OSXMLString::stringUTF8Len(const unsigned char* utf8, int len)
{
   if (utf8 == nullptr || len <= 0) return 0;
   int units = 0;
   int pos = 0;
   while (pos < len) {
      int used = 0;
      int c = decodeOneUTF8(utf8 + pos, len - pos, &used);
      if (c < 0) return ASN1ERR_INVALID_UTF8;
      units += (c >= 0x10000) ? 2 : 1;
      pos += used;
   }
   return units;
}

int OSXMLString::transUTF8(const unsigned char* utf8, int* len, unsigned short* dst, int size)
{
   if (utf8 == nullptr || len == nullptr || dst == nullptr || size < 0)
      return ASN1ERR_INVALID_PARAM;
   int total = *len;
   int pos = 0;
   int n = 0;
   while (pos < total) {
      int used = 0;
      int c = decodeOneUTF8(utf8 + pos, total - pos, &used);
      if (c < 0) return ASN1ERR_INVALID_UTF8;
      if (c >= 0x10000 && c <= 0x10FFFF) {
         if (n + 2 > size) return ASN1ERR_STRING_OVERFLOW;
         unsigned v = (unsigned)c - 0x10000;
         dst[n++] = (unsigned short)(0xD800 | (v >> 10));
         dst[n++] = (unsigned short)(0xDC00 | (v & 0x3FF));
      }
      else {
         if (n + 1 > size) return ASN1ERR_STRING_OVERFLOW;
         dst[n++] = (unsigned short)c;
      }
      pos += used;
   }
   *len = pos;
   return n;
}

// The character at s[i] (a surrogate pair is joined); *units receives the
// 16-bit units it takes.
static OS32BITCHAR unitsToChar(const unsigned short* s, int i, int n, int* units)
{
   unsigned c = s[i];
   if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      *units = 2;
      return 0x10000 + (((c - 0xD800) << 10) | (unsigned)(s[i + 1] - 0xDC00));
   }
   *units = 1;
   return c;
}

char* OSXMLString::safeTranscode(const unsigned short* s, int* len, char* buf, int size)
{
   if (s == nullptr) return nullptr;
   int nunits = stringLen(s);
   int needed = 0;
   for (int i = 0, units = 0; i < nunits; i += units)
      needed += rtUTF8CharSize(unitsToChar(s, i, nunits, &units));
   char* out = buf;
   if (out == nullptr || needed + 1 > size) out = new char[needed + 1];
   int pos = 0;
   for (int i = 0, units = 0; i < nunits; i += units) {
      int n = rtUTF8EncodeChar(unitsToChar(s, i, nunits, &units),
                               reinterpret_cast<OSOCTET*>(out) + pos, needed - pos);
      if (n < 0) break;                    // cannot happen: the size was counted above
      pos += n;
   }
   out[pos] = 0;
   if (len != nullptr) *len = pos;
   return out;
}

unsigned short* OSXMLString::safeTranscode(const char* s, int* len, unsigned short* buf, int size)
{
   if (s == nullptr) return nullptr;
   int nbytes = stringLen(s);
   int units = stringUTF8Len(reinterpret_cast<const unsigned char*>(s), nbytes);
   if (units < 0) return nullptr;
   unsigned short* out = buf;
   bool owned = false;
   if (out == nullptr || units + 1 > size) {
      out = new unsigned short[units + 1];
      owned = true;
   }
   int consumed = nbytes;
   int n = transUTF8(reinterpret_cast<const unsigned char*>(s), &consumed, out, units);
   if (n < 0) {
      if (owned) delete[] out;
      return nullptr;
   }
   out[n] = 0;
   if (len != nullptr) *len = n;
   return out;
}
