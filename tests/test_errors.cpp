// Status codes, error recording and the exceptions.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <set>
#include <string>
#include <thread>

#include "ASN1Context.h"
#include "WinCompat.h"
#include "asn1MessageBuffer.h"
#include "rtAtl.h"
#include "rtErrPath.h"
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

// The error path: items only while a record is attached to the context (and
// only for that context), the first status recorded, offsets carried out of
// open types' own buffers, failures taken back, a long path cut in its middle.
TEST(ErrPath, RecordsTheWayOutOfAFailure)
{
   ASN1Context ctxt, other;
   ASN1CTXT* p = ctxt.getPtr();
   EXPECT_EQ(rtErrPathAdd(p, -23, ASN1EP_COMPONENT, "lost", -1, nullptr, 0), -23) << "nothing attached";
   rtErrReset(&p->errInfo);

   ASN1ErrPath path;
   ASN1ErrPath* previous = rtErrPathAttach(p, &path);
   EXPECT_EQ(previous, nullptr);
   EXPECT_EQ(path.count, 0u);
   // Innermost first: a value (at 0 of its octets), the switch to them (at
   // 100 of the certificate), the component holding them, list element 2,
   // the list, and a CHOICE alternative without a position of its own.
   rtErrPathAdd(p, -23, ASN1EP_VALUE, "issuerAltName", -1, "GeneralNames", 0);
   rtErrPathAdd(p, -5, ASN1EP_BUFFER, nullptr, -1, nullptr, 100);
   rtErrPathAdd(p, -23, ASN1EP_COMPONENT, "extnValue", -1, "OCTET STRING", 100);
   rtErrPathAdd(p, -23, ASN1EP_COMPONENT, nullptr, 2, "Extension", 90);
   rtErrPathAdd(p, -23, ASN1EP_COMPONENT, "extensions", -1, "Extensions", 80);
   rtErrPathAdd(other.getPtr(), -3, ASN1EP_COMPONENT, "elsewhere", -1, nullptr, 1);
   EXPECT_EQ(p->errInfo.status, -23);
   EXPECT_EQ(path.count, 5u);
   char text[64];
   EXPECT_EQ(rtErrPathToString(&path, text, sizeof text), strlen("extensions[2].extnValue"));
   EXPECT_STREQ(text, "extensions[2].extnValue");
   EXPECT_EQ(rtErrPathToString(&path, text, 8), strlen("extensions[2].extnValue"));
   EXPECT_STREQ(text, "extensi");
   EXPECT_EQ(rtErrPathInnermost(&path), 0);
   EXPECT_EQ(rtErrPathOffset(&path, 0), 100) << "the value's octets start at 100";
   EXPECT_EQ(rtErrPathOffset(&path, 3), 90);

   // A failure taken back leaves the path as it was.
   const OSUINT32 mark = rtErrPathMark(p);
   rtErrPathAdd(p, -3, ASN1EP_COMPONENT, "more", -1, nullptr, 0);
   EXPECT_EQ(path.count, 6u);
   rtErrPathRewind(p, mark);
   EXPECT_EQ(path.count, 5u);

   // A CHOICE alternative has no position of its own: its element's.
   ASN1ErrPath choice;
   rtErrPathAttach(p, &choice);
   rtErrPathAdd(p, -11, ASN1EP_COMPONENT, "dNSName", -1, "IA5String", -1);
   rtErrPathAdd(p, -11, ASN1EP_COMPONENT, nullptr, 0, "GeneralName", 42);
   EXPECT_EQ(rtErrPathOffset(&choice, 0), 42);
   rtErrPathToString(&choice, text, sizeof text);
   EXPECT_STREQ(text, "[0].dNSName");

   // A path longer than the record: the innermost items and the outermost
   // ones stay, "..." stands for the others.
   rtErrPathAttach(p, &path);
   for (int i = 0; i < ASN1_ERRPATH_MAX + 10; i++) rtErrPathAdd(p, -3, ASN1EP_COMPONENT, nullptr, i, "X", i);
   EXPECT_EQ(path.count, (OSUINT32)ASN1_ERRPATH_MAX);
   EXPECT_EQ(path.dropped, 10u);
   char longText[1024];
   rtErrPathToString(&path, longText, sizeof longText);
   const std::string t = longText;
   EXPECT_EQ(t.compare(0, 5, "[73][") , 0) << t;
   EXPECT_NE(t.find("[26]...[15]"), std::string::npos) << t;
   EXPECT_EQ(t.substr(t.size() - 3), "[0]") << t;
   EXPECT_EQ(rtErrPathOffset(&path, 0), -1) << "buffer switches may have been dropped";

   rtErrPathDetach(p, previous);
   rtErrPathAdd(p, -3, ASN1EP_COMPONENT, "after", -1, nullptr, 0);
   EXPECT_EQ(path.count, (OSUINT32)ASN1_ERRPATH_MAX) << "detached";
}

// Each context keeps its own record: a decode on another context nested in
// the first (with a record of its own) neither takes nor loses the outer
// record, and a context handed to another thread keeps recording.
TEST(ErrPath, EachContextKeepsItsOwnRecord)
{
   ASN1Context outer, inner;
   ASN1ErrPath outerPath, innerPath;
   ASN1ErrPath* prevOuter = rtErrPathAttach(outer.getPtr(), &outerPath);
   ASN1ErrPath* prevInner = rtErrPathAttach(inner.getPtr(), &innerPath);
   EXPECT_EQ(prevInner, nullptr);
   rtErrPathAdd(inner.getPtr(), -3, ASN1EP_COMPONENT, "innerValue", -1, nullptr, 0);
   rtErrPathAdd(outer.getPtr(), -3, ASN1EP_COMPONENT, "value", -1, nullptr, 0);
   rtErrPathDetach(inner.getPtr(), prevInner);
   rtErrPathAdd(inner.getPtr(), -3, ASN1EP_COMPONENT, "notRecorded", -1, nullptr, 0);
   std::thread([&] { rtErrPathAdd(outer.getPtr(), -3, ASN1EP_COMPONENT, "outer", -1, nullptr, 0); }).join();
   rtErrPathDetach(outer.getPtr(), prevOuter);
   rtErrPathAdd(outer.getPtr(), -3, ASN1EP_COMPONENT, "notRecorded", -1, nullptr, 0);
   char text[64];
   rtErrPathToString(&innerPath, text, sizeof text);
   EXPECT_STREQ(text, "innerValue");
   rtErrPathToString(&outerPath, text, sizeof text);
   EXPECT_STREQ(text, "outer.value");
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
