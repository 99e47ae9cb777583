// A run-time context for one test step, released when the step ends.
#ifndef QVASN1_TESTS_TESTCONTEXT_H
#define QVASN1_TESTS_TESTCONTEXT_H

#include <gtest/gtest.h>

#include "asn1type.h"

class Ctxt {
public:
   Ctxt() { EXPECT_EQ(rtInitContext(&c_, nullptr), 0); }
   ~Ctxt() { rtFreeContext(&c_); }
   Ctxt(const Ctxt&) = delete;
   Ctxt& operator=(const Ctxt&) = delete;
   ASN1CTXT* operator&() { return &c_; }
   ASN1CTXT* get() { return &c_; }
private:
   ASN1CTXT c_;
};

#endif
