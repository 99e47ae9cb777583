// Status codes, error recording and the exceptions.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <set>
#include <string>

#include "ASN1Context.h"
#include "WinCompat.h"
#include "asn1MessageBuffer.h"
#include "rtAtl.h"
#include "rtError.h"

namespace {

TEST(StatusCodes, ValuesAreFixed)
{
   const struct { int code; int value; } table[] = {
      { ASN1ERR_OK, 0 }, { ASN1ERR_BUFFER_OVERFLOW, -1 }, { ASN1ERR_END_OF_BUFFER, -2 },
      { ASN1ERR_TAG_NOT_FOUND, -3 }, { ASN1ERR_INVALID_OBJID, -4 }, { ASN1ERR_INVALID_LENGTH, -5 },
      { ASN1ERR_INVALID_ENUM, -6 }, { ASN1ERR_SET_DUPLICATE, -7 }, { ASN1ERR_MISSING_ELEMENT, -8 },
      { ASN1ERR_NOT_IN_SET, -9 }, { ASN1ERR_SEQ_OVERFLOW, -10 }, { ASN1ERR_INVALID_CHOICE, -11 },
      { ASN1ERR_NO_MEMORY, -12 }, { ASN1ERR_INVALID_HEX, -14 }, { ASN1ERR_INVALID_BINARY, -15 },
      { ASN1ERR_STRING_OVERFLOW, -17 }, { ASN1ERR_BAD_VALUE, -18 }, { ASN1ERR_BAD_TAG, -21 },
      { ASN1ERR_CONSTRAINT, -23 }, { ASN1ERR_RANGE, -24 }, { ASN1ERR_INVALID_UTF8, -26 },
      { ASN1ERR_CONCURRENT_MODIFICATION, -27 }, { ASN1ERR_ILLEGAL_STATE, -28 },
      { ASN1ERR_OUT_OF_BOUNDS, -29 }, { ASN1ERR_INVALID_PARAM, -30 }, { ASN1ERR_INVALID_FORMAT, -31 },
      { ASN1ERR_NOT_INITIALIZED, -32 }, { ASN1ERR_TOO_BIG, -33 }, { ASN1ERR_INVALID_CHAR, -34 },
      { ASN1ERR_XML_STATE, -35 }, { ASN1ERR_OBJECT_NOT_FOUND, -38 }, { ASN1ERR_NOT_SUPPORTED, -99 },
   };
   std::set<std::string> texts;
   for (const auto& row : table) {
      SCOPED_TRACE(row.value);
      EXPECT_EQ(row.code, row.value);
      const char* text = rtErrGetStatusText(row.code);
      ASSERT_NE(text, nullptr);
      if (row.code != 0) {
         EXPECT_STRNE(text, "");
         texts.insert(text);
      }
   }
   EXPECT_EQ(texts.size(), sizeof table / sizeof table[0] - 1);  // one message per code
   EXPECT_STREQ(rtErrGetStatusText(-13), "unknown error");
}

TEST(ErrInfo, FirstStatusWins)
{
   ASN1CTXT ctxt;
   ASSERT_EQ(rtInitContext(&ctxt, nullptr), 0);
   EXPECT_STREQ(rtErrGetText(&ctxt), "");
   EXPECT_EQ(rtErrSetData(&ctxt.errInfo, ASN1ERR_INVALID_LENGTH, nullptr, 0), ASN1ERR_INVALID_LENGTH);
   EXPECT_EQ(rtErrSetData(&ctxt.errInfo, ASN1ERR_TAG_NOT_FOUND, "mod", 12), ASN1ERR_TAG_NOT_FOUND);
   EXPECT_EQ(ctxt.errInfo.status, ASN1ERR_INVALID_LENGTH);
   EXPECT_EQ(rtErrSetData(&ctxt.errInfo, 0, nullptr, 0), 0);
   EXPECT_EQ(ctxt.errInfo.status, ASN1ERR_INVALID_LENGTH);
   EXPECT_EQ(xu_error(&ctxt, ASN1ERR_NO_MEMORY), ASN1ERR_NO_MEMORY);
   EXPECT_EQ(LOG_ASN1ERR(&ctxt, ASN1ERR_BAD_TAG), ASN1ERR_BAD_TAG);
   EXPECT_EQ(ctxt.errInfo.status, ASN1ERR_INVALID_LENGTH);
   EXPECT_STREQ(rtErrGetText(&ctxt), "invalid length");
   EXPECT_STREQ(xu_fmtErrMsg(&ctxt, nullptr, 0), rtErrGetText(&ctxt));

   ASN1ErrInfo copy = { 0 };
   EXPECT_EQ(rtErrCopyData(&ctxt.errInfo, &copy), ASN1ERR_INVALID_LENGTH);
   EXPECT_EQ(copy.status, ASN1ERR_INVALID_LENGTH);

   EXPECT_EQ(rtErrReset(&ctxt.errInfo), 0);
   EXPECT_EQ(ctxt.errInfo.status, 0);
   EXPECT_EQ(xu_error(&ctxt, ASN1ERR_NO_MEMORY), ASN1ERR_NO_MEMORY);
   EXPECT_EQ(ctxt.errInfo.status, ASN1ERR_NO_MEMORY);
   rtFreeContext(&ctxt);
}

TEST(ErrInfo, ParameterFunctionsAcceptAndDiscard)
{
   ASN1CTXT ctxt;
   ASSERT_EQ(rtInitContext(&ctxt, nullptr), 0);
   EXPECT_EQ(rtErrAddIntParm(&ctxt.errInfo, 5), 1);
   EXPECT_EQ(rtErrAddStrParm(&ctxt.errInfo, "x"), 1);
   EXPECT_EQ(xu_addErrParm(&ctxt, "x"), 1);
   EXPECT_EQ(xu_addIntErrParm(&ctxt, -1), 1);
   EXPECT_EQ(xu_addUnsignedErrParm(&ctxt, 7u), 1);
   EXPECT_EQ(xu_addTagErrParm(&ctxt, 0x20000010u), 1);
   xu_freeErrParms(&ctxt);
   xu_log_error(&ctxt);
   EXPECT_EQ(ctxt.errInfo.status, 0);
   rtFreeContext(&ctxt);
}

TEST(ErrInfo, PrintWritesStatusLine)
{
   ASN1CTXT ctxt;
   ASSERT_EQ(rtInitContext(&ctxt, nullptr), 0);
   testing::internal::CaptureStdout();
   rtErrPrint(&ctxt.errInfo);
   LOG_ASN1ERR(&ctxt, ASN1ERR_MISSING_ELEMENT);
   xu_perror(&ctxt);
   fflush(stdout);
   EXPECT_EQ(testing::internal::GetCapturedStdout(), "ASN.1 ERROR: Status 0\nASN.1 ERROR: Status -8\n");
   rtFreeContext(&ctxt);
}

TEST(Exceptions, CarryStatus)
{
   try {
      throw ASN1MessageBuffer::RTLError(ASN1ERR_BUFFER_OVERFLOW);
   }
   catch (const ASN1RTLException& e) {  // RTLError is an ASN1RTLException
      EXPECT_EQ(e.status, ASN1ERR_BUFFER_OVERFLOW);
   }
}

TEST(AtlBridge, LastWin32ErrorBecomesHresult)
{
   const struct { DWORD lastError; int hr; } table[] = {
      { 0, 0 },
      { 1, (int)0x80070001u },
      { 87, (int)0x80070057u },
      { 0x12345, (int)0x80072345u },   // only the low 16 bits are kept
      { 0x80000000u, (int)0x80000000u }, // below 1 as a signed value: as it is
   };
   for (const auto& row : table) {
      SCOPED_TRACE(row.lastError);
      SetLastError(row.lastError);
      try {
         ATL::AtlThrowLastWin32();
      }
      catch (const ATL::CAtlException& e) {
         EXPECT_EQ(e.m_hr, row.hr);
         EXPECT_EQ((int)e, row.hr);
      }
   }
   EXPECT_THROW(ATL::AtlThrowImpl(0x80093101), ATL::CAtlException);
}

}  // namespace
