#include "ASN1Context.h"

#include "asn1CppExcept.h"
#include "rtError.h"

ASN1RTLException::~ASN1RTLException() = default;
ASN1RTLError::~ASN1RTLError() = default;

ASN1Context::ASN1Context() : refCount(0)
{
   int stat = rtInitContext(&mCtxt, nullptr);
   if (stat != 0) throw ASN1RTLError(stat);
}

ASN1Context::~ASN1Context()
{
   rtFreeContext(&mCtxt);
}

void ASN1Context::_unref()
{
   if (refCount > 0) refCount--;
   if (refCount == 0) delete this;
}

void ASN1Context::PrintErrorInfo()
{
   rtErrPrint(&mCtxt.errInfo);
}
