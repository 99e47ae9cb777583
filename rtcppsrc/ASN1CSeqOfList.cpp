#include "ASN1CSeqOfList.h"

#include <new>

#include "rtMemHeap.h"

namespace {

// The element of a decoded list lies in its node's block, right behind it.
bool sharesBlock(const Asn1RTDListNode* node)
{
   return node->data == static_cast<const void*>(node + 1);
}

} // namespace

// ---------------------------------------------------------------------------
// Construction

void ASN1CSeqOfList::initOwnList()
{
   modCount = 0;
   wasAssigned = false;
   mpList = nullptr;
   ASN1CTXT* pctxt = ctxtOrNull();
   if (pctxt != nullptr) {
      mpList = static_cast<_Asn1RTDList*>(rtMemHeapAlloc(&pctxt->memHeap, sizeof(_Asn1RTDList)));
   }
   if (mpList == nullptr) throw ASN1MessageBuffer::RTLError(ASN1ERR_NO_MEMORY);
   rtDListInit(mpList);
}

ASN1CSeqOfList::ASN1CSeqOfList(ASN1MessageBufferIF& msgBuf) : ASN1CType(msgBuf)
{
   initOwnList();
}

ASN1CSeqOfList::ASN1CSeqOfList(ASN1Context& ctxt) : ASN1CType(ctxt)
{
   initOwnList();
}

ASN1CSeqOfList::ASN1CSeqOfList(ASN1MessageBufferIF& msgBuf, _Asn1RTDList& lst, OSBOOL initBeforeUse)
   : ASN1CType(msgBuf), mpList(&lst), modCount(0), wasAssigned(true)
{
   if (initBeforeUse) rtDListInit(mpList);
}

ASN1CSeqOfList::ASN1CSeqOfList(ASN1Context& ctxt, _Asn1RTDList& lst, OSBOOL initBeforeUse)
   : ASN1CType(ctxt), mpList(&lst), modCount(0), wasAssigned(true)
{
   if (initBeforeUse) rtDListInit(mpList);
}

ASN1CSeqOfList::ASN1CSeqOfList(ASN1MessageBufferIF& msgBuf, ASN1TSeqOfList& lst)
   : ASN1CType(msgBuf), mpList(&lst), modCount(0), wasAssigned(true) {}

ASN1CSeqOfList::ASN1CSeqOfList(ASN1Context& ctxt, ASN1TSeqOfList& lst)
   : ASN1CType(ctxt), mpList(&lst), modCount(0), wasAssigned(true) {}

ASN1CSeqOfList::ASN1CSeqOfList(ASN1MessageBufferIF& msgBuf, ASN1TPDUSeqOfList& lst)
   : ASN1CType(msgBuf), mpList(&lst), modCount(0), wasAssigned(true) {}

ASN1CSeqOfList::ASN1CSeqOfList(ASN1Context& ctxt, ASN1TPDUSeqOfList& lst)
   : ASN1CType(ctxt), mpList(&lst), modCount(0), wasAssigned(true) {}

ASN1CSeqOfList::ASN1CSeqOfList(_Asn1RTDList& lst)
   : ASN1CType(), mpList(&lst), modCount(0), wasAssigned(true) {}

ASN1CSeqOfList::ASN1CSeqOfList(ASN1TSeqOfList& lst)
   : ASN1CType(), mpList(&lst), modCount(0), wasAssigned(true) {}

ASN1CSeqOfList::ASN1CSeqOfList(ASN1TPDUSeqOfList& lst)
   : ASN1CType(), mpList(&lst), modCount(0), wasAssigned(true) {}

ASN1CSeqOfList::~ASN1CSeqOfList()
{
   if (!wasAssigned && mpList != nullptr) {
      clear();
      ASN1CTXT* pctxt = ctxtOrNull();
      if (pctxt != nullptr) rtMemHeapFreePtr(&pctxt->memHeap, mpList);
      mpList = nullptr;
   }
}

// ---------------------------------------------------------------------------
// Helpers

ASN1CTXT* ASN1CSeqOfList::ctxtOrNull()
{
   return getCtxtPtr();
}

bool ASN1CSeqOfList::contains(const Asn1RTDListNode* node) const
{
   for (const Asn1RTDListNode* n = mpList->head; n != nullptr; n = n->next) {
      if (n == node) return true;
   }
   return false;
}

Asn1RTDListNode* ASN1CSeqOfList::replaceData(Asn1RTDListNode* node, void* data)
{
   ASN1CTXT* pctxt = ctxtOrNull();
   if (sharesBlock(node) && pctxt != nullptr) {
      // The old element lives in the node's block: leave that block to the
      // heap so the element stays valid, and link a new node in its place.
      Asn1RTDListNode* fresh = rtDListInsertBefore(pctxt, mpList, node, data);
      if (fresh != nullptr) {
         rtDListRemove(mpList, node);
         return fresh;
      }
   }
   node->data = data;
   return node;
}

// ---------------------------------------------------------------------------
// Adding

void ASN1CSeqOfList::append(void* data)
{
   ASN1CTXT* pctxt = ctxtOrNull();
   if (pctxt == nullptr) return;
   if (rtDListAppend(pctxt, mpList, data) != nullptr) modCount++;
}

void ASN1CSeqOfList::appendArray(const void* data, int numElems, int elemSize)
{
   ASN1CTXT* pctxt = ctxtOrNull();
   if (pctxt == nullptr || numElems < 0 || elemSize < 0) return;
   rtDListAppendArray(pctxt, mpList, data, (OSUINT32)numElems, (OSUINT32)elemSize);
   modCount++;
}

void ASN1CSeqOfList::appendArrayCopy(const void* data, int numElems, int elemSize)
{
   ASN1CTXT* pctxt = ctxtOrNull();
   if (pctxt == nullptr || numElems < 0 || elemSize < 0) return;
   rtDListAppendArrayCopy(pctxt, mpList, data, (OSUINT32)numElems, (OSUINT32)elemSize);
   modCount++;
}

Asn1RTDListNode* ASN1CSeqOfList::insert(int index, void* data)
{
   ASN1CTXT* pctxt = ctxtOrNull();
   if (pctxt == nullptr) return nullptr;
   Asn1RTDListNode* node = rtDListInsert(pctxt, mpList, index, data);
   if (node != nullptr) modCount++;
   return node;
}

void ASN1CSeqOfList::insertBefore(void* data, Asn1RTDListNode* node)
{
   ASN1CTXT* pctxt = ctxtOrNull();
   if (pctxt == nullptr) return;
   if (node != nullptr && !contains(node)) return;
   if (rtDListInsertBefore(pctxt, mpList, node, data) != nullptr) modCount++;
}

Asn1RTDListNode* ASN1CSeqOfList::insertAfter(void* data, Asn1RTDListNode* node)
{
   ASN1CTXT* pctxt = ctxtOrNull();
   if (pctxt == nullptr) return nullptr;
   if (node != nullptr && !contains(node)) return nullptr;
   Asn1RTDListNode* fresh = rtDListInsertAfter(pctxt, mpList, node, data);
   if (fresh != nullptr) modCount++;
   return fresh;
}

// ---------------------------------------------------------------------------
// Removing and replacing

void ASN1CSeqOfList::remove(int index)
{
   if (index < 0) return;
   Asn1RTDListNode* node = rtDListFindByIndex(mpList, index);
   if (node == nullptr) return;
   rtDListRemove(mpList, node);
   modCount++;
}

void ASN1CSeqOfList::remove(void* data)
{
   Asn1RTDListNode* node = rtDListFindByData(mpList, data);
   if (node == nullptr) return;
   rtDListRemove(mpList, node);
   modCount++;
}

void ASN1CSeqOfList::remove(Asn1RTDListNode* node)
{
   // Unlinking a foreign node would corrupt both lists.
   if (node == nullptr || !contains(node)) return;
   rtDListRemove(mpList, node);
   modCount++;
}

void* ASN1CSeqOfList::set(int index, void* data)
{
   if (index < 0) return nullptr;
   Asn1RTDListNode* node = rtDListFindByIndex(mpList, index);
   if (node == nullptr) return nullptr;
   void* old = node->data;
   replaceData(node, data);
   modCount++;
   return old;
}

// ---------------------------------------------------------------------------
// Reading

void* ASN1CSeqOfList::get(int index) const
{
   if (index < 0) return nullptr;
   Asn1RTDListNode* node = rtDListFindByIndex(mpList, index);
   return node != nullptr ? node->data : nullptr;
}

void* ASN1CSeqOfList::getFirst()
{
   return mpList->head != nullptr ? mpList->head->data : nullptr;
}

void* ASN1CSeqOfList::getLast()
{
   return mpList->tail != nullptr ? mpList->tail->data : nullptr;
}

int ASN1CSeqOfList::indexOf(void* data) const
{
   return rtDListFindIndexByData(mpList, data);
}

void ASN1CSeqOfList::clear()
{
   ASN1CTXT* pctxt = ctxtOrNull();
   if (pctxt == nullptr) return;
   Asn1RTDListNode* node = mpList->head;
   while (node != nullptr) {
      Asn1RTDListNode* next = node->next;
      // A node whose block also holds the element goes with the heap.
      if (!sharesBlock(node)) rtMemHeapFreePtr(&pctxt->memHeap, node);
      node = next;
   }
   rtDListInit(mpList);
   modCount++;
}

void ASN1CSeqOfList::freeAll()
{
   ASN1CTXT* pctxt = ctxtOrNull();
   if (pctxt == nullptr) return;
   rtDListFreeAll(pctxt, mpList);
   modCount++;
}

void* ASN1CSeqOfList::toArray(int elemSize)
{
   ASN1CTXT* pctxt = ctxtOrNull();
   if (pctxt == nullptr || elemSize <= 0 || mpList->count == 0) return nullptr;
   void* array = nullptr;
   OSUINT32 capacity = 0;
   if (rtDListToArray(pctxt, mpList, &array, &capacity, (OSUINT32)elemSize) < 0) return nullptr;
   return array;
}

void* ASN1CSeqOfList::toArray(void* array, int elemSize, int capacity)
{
   ASN1CTXT* pctxt = ctxtOrNull();
   if (pctxt == nullptr || elemSize <= 0 || mpList->count == 0) return nullptr;
   OSUINT32 cap = (array != nullptr && capacity > 0) ? (OSUINT32)capacity : 0;
   if (rtDListToArray(pctxt, mpList, &array, &cap, (OSUINT32)elemSize) < 0) return nullptr;
   return array;
}

// ---------------------------------------------------------------------------
// Iterators

ASN1CSeqOfListIterator* ASN1CSeqOfList::newIterator(Asn1RTDListNode* position)
{
   ASN1CTXT* pctxt = ctxtOrNull();
   if (pctxt == nullptr) return nullptr;
   void* mem = rtMemHeapAlloc(&pctxt->memHeap, sizeof(ASN1CSeqOfListIterator));
   if (mem == nullptr) return nullptr;
   return new (mem) ASN1CSeqOfListIterator(this, position);
}

ASN1CSeqOfListIterator* ASN1CSeqOfList::iterator()
{
   return newIterator(mpList->head);
}

ASN1CSeqOfListIterator* ASN1CSeqOfList::iteratorFromLast()
{
   return newIterator(mpList->tail);
}

ASN1CSeqOfListIterator* ASN1CSeqOfList::iteratorFrom(void* data)
{
   return newIterator(rtDListFindByData(mpList, data));
}

ASN1CSeqOfListIterator::ASN1CSeqOfListIterator(ASN1CSeqOfList* list, Asn1RTDListNode* position)
   : mSeqOfList(list), mNextNode(position), mLastNode(nullptr),
     mExpectedModCount(list->modCount), mState(0) {}

bool ASN1CSeqOfListIterator::checkModCount()
{
   if (mSeqOfList->modCount != mExpectedModCount) {
      mState = ASN1ERR_CONCURRENT_MODIFICATION;
      return false;
   }
   return true;
}

OSBOOL ASN1CSeqOfListIterator::hasNext()
{
   return checkModCount() && mNextNode != nullptr;
}

OSBOOL ASN1CSeqOfListIterator::hasPrev()
{
   if (!checkModCount() || mNextNode == nullptr) return FALSE;
   return (mLastNode == nullptr || mNextNode->prev != nullptr) ? TRUE : FALSE;
}

void* ASN1CSeqOfListIterator::next()
{
   if (!checkModCount()) return nullptr;
   if (mNextNode == nullptr) {
      mState = ASN1ERR_MISSING_ELEMENT;
      return nullptr;
   }
   mLastNode = mNextNode;
   mNextNode = mNextNode->next;
   return mLastNode->data;
}

void* ASN1CSeqOfListIterator::prev()
{
   if (!checkModCount()) return nullptr;
   if (mNextNode == nullptr) {
      mState = ASN1ERR_MISSING_ELEMENT;
      return nullptr;
   }
   if (mLastNode != nullptr) {
      mNextNode = mNextNode->prev;
      if (mNextNode == nullptr) {
         mState = ASN1ERR_MISSING_ELEMENT;
         return nullptr;
      }
   }
   mLastNode = mNextNode;
   return mLastNode->data;
}

int ASN1CSeqOfListIterator::set(void* data)
{
   if (!checkModCount()) return mState;
   if (mLastNode == nullptr) return mState = ASN1ERR_ILLEGAL_STATE;
   Asn1RTDListNode* node = mSeqOfList->replaceData(mLastNode, data);
   if (mNextNode == mLastNode) mNextNode = node;
   mLastNode = node;
   return 0;
}

int ASN1CSeqOfListIterator::insert(void* data)
{
   if (!checkModCount()) return mState;
   ASN1CTXT* pctxt = mSeqOfList->ctxtOrNull();
   if (pctxt == nullptr) return mState = ASN1ERR_NOT_INITIALIZED;
   if (rtDListInsertBefore(pctxt, mSeqOfList->mpList, mNextNode, data) == nullptr) {
      return mState = ASN1ERR_NO_MEMORY;
   }
   mSeqOfList->modCount++;
   mLastNode = nullptr;
   mExpectedModCount = mSeqOfList->modCount;
   return 0;
}

int ASN1CSeqOfListIterator::remove()
{
   if (!checkModCount()) return mState;
   if (mLastNode == nullptr) return mState = ASN1ERR_ILLEGAL_STATE;
   if (mLastNode == mNextNode) mNextNode = mNextNode->next;
   rtDListRemove(mSeqOfList->mpList, mLastNode);
   mSeqOfList->modCount++;
   mLastNode = nullptr;
   mExpectedModCount = mSeqOfList->modCount;
   return 0;
}
