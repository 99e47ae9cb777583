#include "OSCStream.h"

#include "rtStream.h"

OSCStreamException::~OSCStreamException() = default;

OSCStream::OSCStream() : mpContext(nullptr), mbBuffered(true)
{
   open();
}

OSCStream::OSCStream(OSBOOL buffered) : mpContext(nullptr), mbBuffered(buffered != 0)
{
   open();
}

void OSCStream::open()
{
   mpContext = new ASN1Context();
   mpContext->_ref();
   ASN1CTXT* pctxt = mpContext->getPtr();
   int stat = mbBuffered ? rtStreamBufInit(pctxt) : rtStreamInit(pctxt);
   if (stat != 0) {
      // The destructor does not run for a throwing constructor.
      mpContext->_unref();
      mpContext = nullptr;
      throw OSCStreamException(stat);
   }
}

OSCStream::~OSCStream()
{
   if (mpContext != nullptr) {
      closeStream();
      mpContext->_unref();
   }
}

int OSCStream::closeStream()
{
   ASN1CTXT* pctxt = mpContext->getPtr();
   return mbBuffered ? rtStreamBufClose(pctxt) : rtStreamClose(pctxt);
}

int OSCStream::close()
{
   int stat = closeStream();
   if (stat != 0) throw OSCStreamException(stat);
   return 0;
}

int OSCStream::flush()
{
   ASN1CTXT* pctxt = mpContext->getPtr();
   int stat = mbBuffered ? rtStreamBufFlush(pctxt) : rtStreamFlush(pctxt);
   if (stat != 0) throw OSCStreamException(stat);
   return 0;
}

OSCInputStream::OSCInputStream() : OSCStream(FALSE) {}

OSCInputStream::~OSCInputStream() = default;

int OSCInputStream::currentPos()
{
   return rtStreamGetIOBytes(getCtxtPtr());
}

int OSCInputStream::read(OSOCTET* pbuf, OSUINT32 bufSize)
{
   int len = rtStreamRead(getCtxtPtr(), pbuf, bufSize);
   if (len < 0) throw OSCStreamException(len);
   return len;
}
