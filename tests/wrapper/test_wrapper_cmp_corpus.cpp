// The status information and general-message items of the corpus's
// certificate-management and time-stamp messages through the value classes:
// each decodes and re-encodes to its original octets.
#include <gtest/gtest.h>

#include <iostream>
#include <map>

#include "CMPTraits.h"
#include "CorpusDer.h"
#include "WrapperTestUtil.h"

using namespace Corvane::ASN1;
using Corvane::CBlob;
using corpus::Tlv;

namespace {

struct Found {
   std::vector<Tlv> statusInfos;
   std::vector<Tlv> itemLists;
};

bool kids(const Tlv& t, std::vector<Tlv>& out) { return corpus::children(t, out); }

// The one element inside an explicit tag.
bool inner(const Tlv& tagged, Tlv& out)
{
   std::vector<Tlv> k;
   if (!kids(tagged, k) || k.size() != 1) return false;
   out = k[0];
   return true;
}

// PKIStatusInfo and InfoTypeAndValue lists of a PKIMessage: the header's
// generalInfo and the body's status fields and general messages.
void findInPkiMessage(const Tlv& msg, Found& found)
{
   std::vector<Tlv> parts, header, body;
   if (!kids(msg, parts) || parts.size() < 2 || !kids(parts[0], header)) return;
   for (const Tlv& h : header) {
      Tlv list;
      if (h.tag == 0xA8 && inner(h, list)) found.itemLists.push_back(list);
   }
   Tlv content;
   if (!inner(parts[1], content)) return;
   switch (parts[1].tag) {
   case 0xA1:
   case 0xA3:
   case 0xA8: {  // ip, cp, kup: CertRepMessage
      std::vector<Tlv> rep, responses, response;
      if (!kids(content, rep)) return;
      for (const Tlv& r : rep) {
         if (r.tag != 0x30 || !kids(r, responses)) continue;
         for (const Tlv& resp : responses)
            if (kids(resp, response) && response.size() >= 2 && response[1].tag == 0x30) found.statusInfos.push_back(response[1]);
      }
      break;
   }
   case 0xAC: {  // rp: RevRepContent
      std::vector<Tlv> rep, statuses;
      if (kids(content, rep) && !rep.empty() && kids(rep[0], statuses))
         for (const Tlv& s : statuses) found.statusInfos.push_back(s);
      break;
   }
   case 0xB7: {  // error: ErrorMsgContent
      std::vector<Tlv> err;
      if (kids(content, err) && !err.empty()) found.statusInfos.push_back(err[0]);
      break;
   }
   case 0xB8: {  // certConf: CertStatus with an optional statusInfo
      std::vector<Tlv> statuses, fields;
      if (!kids(content, statuses)) return;
      for (const Tlv& s : statuses)
         if (kids(s, fields) && fields.size() >= 3 && fields[2].tag == 0x30) found.statusInfos.push_back(fields[2]);
      break;
   }
   case 0xB5:
   case 0xB6:  // genm, genp
      found.itemLists.push_back(content);
      break;
   default:
      break;
   }
}

template <class T>
std::string roundTrip(const Tlv& field, const std::string& file)
{
   CBlob der = field.blob();
   T value;
   CBlob again;
   int st = statusOf([&] {
      value.decode(der);
      again = value.encode();
   });
   if (st != 0) {
      ADD_FAILURE() << file << ": status " << std::hex << st;
      return "fails";
   }
   if (!(again == der)) {
      ADD_FAILURE() << file << ": re-encoded differently";
      return "differs";
   }
   return "same";
}

TEST(WrapperCmpCorpus, StatusAndGeneralMessageItemsRoundTrip)
{
   std::vector<std::string> cmp = corpus::files("PKIMessage");
   std::vector<std::string> tsp = corpus::files("TimeStampResp");
   if (cmp.empty() && tsp.empty()) GTEST_SKIP() << "no corpus at " << QVASN1_CORPUS_DIR;
   std::map<std::string, int> tally;
   for (int pass = 0; pass < 2; ++pass) {
      for (const std::string& file : pass == 0 ? cmp : tsp) {
         std::vector<unsigned char> der = corpus::read(file);
         Tlv msg;
         if (!corpus::readTlv(der.data(), der.size(), msg)) {
            tally[pass == 0 ? "PKIMessage: not DER of definite length" : "TimeStampResp: not DER of definite length"]++;
            continue;
         }
         Found found;
         if (pass == 0) {
            findInPkiMessage(msg, found);
         }
         else {
            std::vector<Tlv> parts;
            if (kids(msg, parts) && !parts.empty()) found.statusInfos.push_back(parts[0]);
         }
         for (const Tlv& s : found.statusInfos) tally["PKIStatusInfo: " + roundTrip<CPKIStatusInfo>(s, file)]++;
         for (const Tlv& l : found.itemLists) tally["InfoTypeAndValue list: " + roundTrip<CInfoTypeAndValueList>(l, file)]++;
         tally[pass == 0 ? "PKIMessage: read" : "TimeStampResp: read"]++;
      }
   }
   for (const auto& t : tally) std::cout << "[ corpus  ] " << t.first << " " << t.second << "\n";
   EXPECT_GT(tally["PKIStatusInfo: same"], 0);
}

}  // namespace
