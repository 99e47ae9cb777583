// Exceptions of the run-time's classes. Free functions never throw.
#ifndef ASN1CPPEXCEPT_H
#define ASN1CPPEXCEPT_H

#include "rtexport.h"

// Thrown by the stream-style operators of the message buffers when an encode
// or decode returns a non-zero status; carries that status.
class EXTERNRT ASN1RTLException {
public:
   explicit ASN1RTLException(int stat) : status(stat) {}
   virtual ~ASN1RTLException();
   int getStatus() const { return status; }

   int status;
};

// Thrown when a context or an encode buffer cannot be set up (callers spell
// it ASN1MessageBuffer::RTLError).
class EXTERNRT ASN1RTLError : public ASN1RTLException {
public:
   explicit ASN1RTLError(int stat) : ASN1RTLException(stat) {}
   ~ASN1RTLError() override;
};

#endif
