// Certificate-management status types: failure information, status, free
// text with language prefixes, general-message items.
#include <gtest/gtest.h>

#include "CMPTraits.h"
#include "WrapperTestUtil.h"

using namespace Corvane::ASN1;
using Corvane::CBlob;

namespace {

TEST(WrapperCmp, FailureInfo)
{
   struct Case {
      unsigned int value;
      const char* der;
   };
   const Case cases[] = {
      {0, "030100"},
      {1u << 0, "03020780"},          // badAlg
      {(1u << 2) | (1u << 9), "0303062040"},
      {1u << 26, "030505" "00000020"},  // duplicateCertReq
   };
   for (const Case& c : cases) {
      CPKIFailureInfo f(c.value);
      EXPECT_EQ(hexOf(f.encode()), c.der) << c.value;
      // decode replaces whatever the object held before.
      CPKIFailureInfo back(0xFFFFFFFFu);
      back.decode(f.encode());
      EXPECT_EQ(back.get_value(), c.value) << c.der;
   }
   // The bit string of the record holds the 27 named bits: a higher one is
   // refused rather than dropped.
   EXPECT_EQ(statusOf([] { CPKIFailureInfo(1u << 31).encode(); }), E_INVALIDARG);
   EXPECT_EQ(statusOf([] { CPKIFailureInfo(1u << 27).encode(); }), E_INVALIDARG);
   CPKIFailureInfo f;
   f.put_bit(3, true);
   EXPECT_TRUE(f.get_bit(3));
   f.put_bit(3, false);
   EXPECT_EQ(f.get_value(), 0u);
   EXPECT_EQ(statusOf([&] { f.get_bit(32); }), E_INVALIDARG);
   EXPECT_EQ(statusOf([&] { f.put_bit(40, true); }), E_INVALIDARG);
}

TEST(WrapperCmp, LanguageTagPrefix)
{
   EXPECT_EQ(CLanguageTag("RU-RU"), CLanguageTagRuRu());
   EXPECT_EQ(CLanguageTag(L"En-US"), CLanguageTagEnUs());
   EXPECT_STREQ(CLanguageTagDefaultRead().tostring().c_str(), "*");

   const std::wstring ruPrefix = {0x0E01, 0x0E72, 0x0E75, 0x0E2D, 0x0E72, 0x0E75, 0x0E7E};
   EXPECT_EQ(CLanguageTag_toUnicode(CLanguageTagRuRu()), ruPrefix);
   EXPECT_EQ(CLanguageTag_toUnicode(CLanguageTagDefaultRead()), L"");
   EXPECT_EQ(CLanguageTag_fromUnicode((ruPrefix + L"Привет").c_str()), CLanguageTagRuRu());
   EXPECT_EQ(CLanguageTag_fromUnicode(L"plain"), CLanguageTagDefaultRead());
   // Upper-case bytes are lowered when read.
   const std::wstring upper = {0x0E01, 0x0E45, 0x0E4E, 0x0E7E};
   EXPECT_EQ(CLanguageTag_fromUnicode(upper.c_str()), CLanguageTag("en"));

   // Broken prefixes: another character, or the end, before U+0E7E; a tag
   // holding the end mark cannot be written.
   const std::wstring broken = {0x0E01, 0x0E72, L'x', 0x0E7E};
   const std::wstring unended = {0x0E01, 0x0E72, 0x0E75};
   EXPECT_EQ(statusOf([&] { CLanguageTag_fromUnicode(broken.c_str()); }), E_INVALIDARG);
   EXPECT_EQ(statusOf([&] { CLanguageTag_fromUnicode(unended.c_str()); }), E_INVALIDARG);
   EXPECT_EQ(statusOf([] { CLanguageTag_toUnicode(CLanguageTag("a~b")); }), E_INVALIDARG);
}

TEST(WrapperCmp, FreeTextAndStatus)
{
   CPKIFreeText text(L"Отказано", CLanguageTagRuRu());
   text.insert(CPKIFreeTextString(L"Rejected", CLanguageTagEnUs()));
   text.insert(CPKIFreeTextString(L"Denied", CLanguageTagEnUs()));  // replaces
   text.insert(CPKIFreeTextString(L"default", CLanguageTagDefaultRead()));  // appended
   ASSERT_EQ(text.size(), 3u);
   EXPECT_STREQ(text.find(CLanguageTagEnUs())->get_value(), L"Denied");
   EXPECT_STREQ(text.find(CLanguageTagDefaultRead())->get_value(), L"Отказано");
   const CPKIFreeTextString& first = text;
   EXPECT_EQ(first.get_language(), CLanguageTagRuRu());
   EXPECT_EQ(text.find(CLanguageTag("de")), text.end());

   CPKIStatusInfo info(rejection);
   info.put_failureInfo(CPKIFailureInfo(1u << 2));
   info.put_statusString(text);
   CPKIStatusInfo back;
   back.decode(info.encode());
   EXPECT_EQ(back, info);

   // The "ru-ru" string on the wire: the prefix and the text in UTF-8.
   ctxt_handle h;
   h.initOrThrow();
   asn1data::ASN1T_PKIFreeText rec;
   CPKIFreeText_Encode(h.get(), rec, CPKIFreeText(L"Да", CLanguageTagRuRu()));
   ASSERT_EQ(rec.n, 1u);
   EXPECT_STREQ(rec.elem[0], "\xe0\xb8\x81\xe0\xb9\xb2\xe0\xb9\xb5\xe0\xb8\xad\xe0\xb9\xb2\xe0\xb9\xb5\xe0\xb9\xbe"
                             "\xd0\x94\xd0\xb0");
   // A default-language text that begins with U+0E01 reads back as written.
   CPKIFreeText thai(L"\x0E01\x0E32\x0E23", CLanguageTagDefaultRead());
   CPKIStatusInfo withThai(accepted);
   withThai.put_statusString(thai);
   back.decode(withThai.encode());
   EXPECT_EQ(back.get_statusString(), thai);

   // A status outside the named ones is kept.
   back.decode(hexBlob("300302012D"));
   EXPECT_EQ((unsigned)back.get_pkiStatus(), 45u);
   EXPECT_EQ(hexOf(back.encode()), "300302012D");

   // Only the status when there is nothing else; decode starts afresh.
   EXPECT_EQ(hexOf(CPKIStatusInfo(accepted).encode()), "3003020100");
   back.decode(CPKIStatusInfo(waiting).encode());
   EXPECT_EQ(back, CPKIStatusInfo(waiting));

   // Free text that is not UTF-8, a broken prefix.
   EXPECT_EQ(statusOf([] { CPKIStatusInfo s; s.decode(hexBlob("30080201023003" "0C0180")); }), CRYPT_E_ASN1_UTF8);
   EXPECT_EQ(statusOf([] { CPKIStatusInfo s; s.decode(hexBlob("300A0201023005" "0C03E0B881")); }), E_INVALIDARG);

   text.remove(CLanguageTagEnUs());
   EXPECT_EQ(text.size(), 2u);
}

TEST(WrapperCmp, GeneralMessageItems)
{
   CInfoTypeAndValueList items;
   items.insert(CInfoTypeAndValue("1.3.6.1.5.5.7.4.14", hexBlob("0500")));
   items.insert(CInfoTypeAndValue("1.2.3.4"));
   items.insert(CInfoTypeAndValue("1.2.3.4", hexBlob("0C0161")));  // replaces
   ASSERT_EQ(items.size(), 2u);
   EXPECT_EQ(items.find("1.2.3.4")->get_infoValue(), hexBlob("0C0161"));
   items.remove("9.9");  // not there: nothing changes
   EXPECT_EQ(items.size(), 2u);

   CInfoTypeAndValueList back;
   back.decode(items.encode());
   EXPECT_EQ(back, items);

   ASN1BERDecodeBuffer buffer;
   asn1data::ASN1T_GenMsgContent records;
   ASN1TavList_Encode(items, records, buffer);
   EXPECT_EQ(records.count, 2u);
   CInfoTypeAndValueList parsed;
   parsed.push_back(CInfoTypeAndValue("7.7"));
   ASN1TavList_Parse(records, parsed);
   EXPECT_EQ(parsed, items);

   // An item without a value, and one whose value is not a value of its type.
   CInfoTypeAndValue bare("1.2.3.4");
   CInfoTypeAndValue bareBack("9.9", hexBlob("0500"));
   bareBack.decode(bare.encode());
   EXPECT_EQ(bareBack, bare);
   EXPECT_EQ(statusOf([] { CInfoTypeAndValue("1.3.6.1.5.5.7.4.6", hexBlob("0C0161")).encode(); }), CRYPT_E_ASN1_INTERNAL);
}

TEST(WrapperCmp, RevocationAnnouncement)
{
   CGeneralName issuer;
   issuer.put_directoryName(hexBlob("300F310D300B06035504030C0474657374"));
   CCertId id(issuer, CBigInteger(reinterpret_cast<const unsigned char*>("\x7F\x01"), 2));
   CCertId idBack;
   idBack.decode(id.encode());
   EXPECT_EQ(idBack, id);

   CRevAnnContent ann(revocationWarning, id, Corvane::CDateTime(2030, 1, 2, 3, 4, 5),
                      Corvane::CDateTime(2029, 12, 31, 0, 0, 0, 700));
   CRevAnnContent back;
   back.decode(ann.encode());
   EXPECT_EQ(back.get_certId(), id);
   EXPECT_EQ(back.get_willBeRevokedAt(), Corvane::CDateTime(2030, 1, 2, 3, 4, 5));
   EXPECT_EQ(back.get_badSinceDate(), Corvane::CDateTime(2029, 12, 31, 0, 0, 1));  // rounded up
   EXPECT_EQ(back.get_crlDetails(), nullptr);

   CExtensions details;
   details.insert(CExtension(CExtValue("2.5.29.21", hexBlob("0A0101")), false));
   ann.put_crlDetails(&details);
   back.decode(ann.encode());
   ASSERT_NE(back.get_crlDetails(), nullptr);
   EXPECT_EQ(*back.get_crlDetails(), details);
   ann.put_crlDetails(nullptr);
   back.decode(ann.encode());
   EXPECT_EQ(back.get_crlDetails(), nullptr);
}

}  // namespace
