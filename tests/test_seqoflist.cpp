// ASN1CSeqOfList and its fail-fast iterator.
#include <gtest/gtest.h>

#include <string.h>
#include <vector>

#include "ASN1CSeqOfList.h"
#include "CountingHooks.h"
#include "rtMemHeap.h"

namespace {

class SeqOfListTest : public ::testing::Test {
protected:
   SeqOfListTest() : mCtxt(new ASN1Context()) {}
   ASN1CTXT* ctxt() { return mCtxt->getPtr(); }
   ASN1CtxtPtr mCtxt;
   int v[5] = {10, 11, 12, 13, 14};
};

std::vector<int> values(ASN1CSeqOfList& l)
{
   std::vector<int> out;
   for (int i = 0; i < l.size(); i++) out.push_back(*static_cast<int*>(l.get(i)));
   return out;
}

// A record allocated with its node in one heap block, as the decoders do.
int* appendWithNode(ASN1CTXT* pctxt, Asn1RTDList* list, int value)
{
   void* block = rtMemHeapAllocZ(&pctxt->memHeap, sizeof(Asn1RTDListNode) + sizeof(int));
   int* rec = reinterpret_cast<int*>(static_cast<Asn1RTDListNode*>(block) + 1);
   *rec = value;
   rtDListAppendNode(pctxt, list, rec);
   return rec;
}

} // namespace

TEST_F(SeqOfListTest, ListOperationsAndModificationCount)
{
   ASN1CSeqOfList l(*mCtxt);
   EXPECT_TRUE(l.isEmpty());
   EXPECT_EQ(nullptr, l.getFirst());
   EXPECT_EQ(nullptr, l.get(0));

   l.append(&v[0]);
   l.append(&v[2]);
   EXPECT_EQ(2, l.getModCount());
   ASSERT_NE(nullptr, l.insert(1, &v[1]));
   EXPECT_EQ(nullptr, l.insert(5, &v[4]));        // beyond the tail
   EXPECT_EQ(3, l.getModCount());
   l.insertBefore(&v[3], nullptr);                 // null node: at the tail
   Asn1RTDListNode* head = l.insertAfter(&v[4], nullptr);   // null node: at the head
   ASSERT_NE(nullptr, head);
   EXPECT_EQ((std::vector<int>{14, 10, 11, 12, 13}), values(l));
   EXPECT_EQ(5, l.getModCount());

   EXPECT_EQ(&v[4], l.getFirst());
   EXPECT_EQ(&v[3], l.getLast());
   EXPECT_EQ(2, l.indexOf(&v[1]));
   EXPECT_EQ(-1, l.indexOf(&l));

   EXPECT_EQ(&v[0], l.set(1, &v[1]));
   EXPECT_EQ(nullptr, l.set(9, &v[1]));
   EXPECT_EQ(6, l.getModCount());

   l.remove(&v[4]);
   l.remove(0);
   l.remove(&l);                                   // absent: no change
   l.remove(7);
   EXPECT_EQ(8, l.getModCount());
   l.remove(head);                                 // no longer in the list: ignored
   l.remove(static_cast<Asn1RTDListNode*>(nullptr));
   EXPECT_EQ((std::vector<int>{11, 12, 13}), values(l));
   EXPECT_EQ(8, l.getModCount());

   int* arr = static_cast<int*>(l.toArray((int)sizeof(int)));
   ASSERT_NE(nullptr, arr);
   EXPECT_EQ(12, arr[1]);
   int mine[3] = {0, 0, 0};
   EXPECT_EQ(mine, l.toArray(mine, (int)sizeof(int), 3));
   EXPECT_EQ(13, mine[2]);
   int small[1] = {0};
   int* grown = static_cast<int*>(l.toArray(small, (int)sizeof(int), 1));
   EXPECT_NE(small, grown);                        // too small: a new heap array
   EXPECT_EQ(11, grown[0]);

   l.clear();
   EXPECT_TRUE(l.isEmpty());
   EXPECT_EQ(12, v[2]);                            // elements kept
}

TEST_F(SeqOfListTest, CallerListsAndRecords)
{
   ASN1TSeqOfList rec;
   {
      ASN1CSeqOfList l(*mCtxt, rec);
      l.appendArrayCopy(v, 3, (int)sizeof(int));
      l.appendArray(v + 3, 2, (int)sizeof(int));
      EXPECT_EQ(2, l.getModCount());
   }
   // The caller's list outlives the object.
   ASSERT_EQ(5u, rec.count);
   EXPECT_NE(&v[0], rec.head->data);               // copied
   EXPECT_EQ(10, *static_cast<int*>(rec.head->data));
   EXPECT_EQ(&v[4], rec.tail->data);               // pointed at

   // initBeforeUse empties the caller's list first; without it the list is
   // taken as it stands.
   ASN1CSeqOfList kept(*mCtxt, static_cast<_Asn1RTDList&>(rec), FALSE);
   EXPECT_EQ(5, kept.size());
   ASN1TPDUSeqOfList pdu;
   ASN1CSeqOfList p(pdu);
   p.append(&v[1]);
   EXPECT_EQ(1u, pdu.count);
   _Asn1RTDList raw = rec;
   ASN1CSeqOfList reset(*mCtxt, raw, TRUE);
   EXPECT_EQ(0, reset.size());
   kept.clear();
   EXPECT_EQ(0u, rec.count);
}

TEST_F(SeqOfListTest, ElementsSharingTheirNodeBlockStayValid)
{
   ASN1TSeqOfList rec;
   int* a = appendWithNode(ctxt(), &rec, 1);
   int* b = appendWithNode(ctxt(), &rec, 2);
   int* c = appendWithNode(ctxt(), &rec, 3);
   ASN1CSeqOfList l(*mCtxt, rec);

   // Replacing keeps the old element readable.
   EXPECT_EQ(b, l.set(1, &v[0]));
   EXPECT_EQ(2, *b);
   EXPECT_EQ(&v[0], l.get(1));

   ASN1CSeqOfListIterator* it = l.iterator();
   ASSERT_NE(nullptr, it);
   EXPECT_EQ(a, it->next());
   EXPECT_EQ(0, it->set(&v[1]));
   EXPECT_EQ(1, *a);
   EXPECT_EQ(&v[0], it->next());
   EXPECT_EQ(c, it->next());

   // Clearing keeps elements that live in their node's block.
   l.clear();
   EXPECT_EQ(3, *c);
   EXPECT_EQ(0u, rec.count);

   // freeAll releases node and element blocks alike.
   appendWithNode(ctxt(), &rec, 4);
   int* heapInt = static_cast<int*>(rtMemHeapAlloc(&ctxt()->memHeap, sizeof(int)));
   l.append(heapInt);
   l.freeAll();
   EXPECT_EQ(0, l.size());
}

TEST_F(SeqOfListTest, IteratorWalksAndFailsFast)
{
   ASN1CSeqOfList l(*mCtxt);
   for (int i = 0; i < 3; i++) l.append(&v[i]);

   ASN1CSeqOfListIterator* it = l.iterator();
   ASSERT_NE(nullptr, it);
   EXPECT_EQ(&v[0], it->next());
   EXPECT_EQ(&v[1], it->next());
   EXPECT_EQ(&v[2], it->next());
   EXPECT_EQ(nullptr, it->next());
   EXPECT_EQ(-8, it->getState());

   // Backwards from the tail; past the head is -8.
   ASN1CSeqOfListIterator* back = l.iteratorFromLast();
   EXPECT_EQ(&v[2], back->prev());
   EXPECT_EQ(&v[1], back->prev());
   EXPECT_EQ(&v[0], back->prev());
   EXPECT_EQ(nullptr, back->prev());
   EXPECT_EQ(-8, back->getState());

   // Nothing returned yet: set and remove are illegal.
   ASN1CSeqOfListIterator* from = l.iteratorFrom(&v[1]);
   EXPECT_EQ(-28, from->set(&v[3]));
   EXPECT_EQ(-28, from->remove());
   EXPECT_EQ(&v[1], from->next());
   EXPECT_EQ(0, from->remove());
   EXPECT_EQ(-28, from->remove());                  // cleared after remove
   EXPECT_EQ(0, from->insert(&v[4]));               // before v[2]
   EXPECT_EQ(&v[2], from->next());
   EXPECT_EQ(0, from->set(&v[3]));
   EXPECT_EQ(nullptr, from->next());
   EXPECT_EQ(0, from->insert(&v[1]));               // past the end: at the tail
   EXPECT_EQ((std::vector<int>{10, 14, 13, 11}), values(l));

   // Iterators taken before a change by other means fail with -27.
   ASN1CSeqOfListIterator* stale = l.iterator();
   l.append(&v[0]);
   EXPECT_EQ(nullptr, stale->next());
   EXPECT_EQ(-27, stale->getState());
   EXPECT_EQ(-27, stale->set(&v[0]));
   EXPECT_EQ(-27, stale->insert(&v[0]));
   EXPECT_EQ(-27, it->remove());                    // the first one too
   EXPECT_EQ(nullptr, l.iteratorFrom(&l)->next()); // absent: null position
}

TEST(SeqOfListMemory, OwnListReleasesItsNodes)
{
   CountingHooks hooks;
   int v[3] = {1, 2, 3};
   {
      ASN1CtxtPtr ctx(new ASN1Context());
      ASN1CSeqOfList l(*ctx);
      l.appendArrayCopy(v, 3, (int)sizeof(int));
      l.append(&v[0]);
      l.iterator();
      l.remove(1);
   }
   EXPECT_EQ(0, hooks.live());
}
