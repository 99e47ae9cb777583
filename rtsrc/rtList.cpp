#include <string.h>

#include "asn1type.h"
#include "rtMemHeap.h"

namespace {

Asn1RTDListNode* newNode(ASN1CTXT* pctxt, const void* pData)
{
   if (pctxt == nullptr) return nullptr;
   Asn1RTDListNode* node = static_cast<Asn1RTDListNode*>(
      rtMemHeapAlloc(&pctxt->memHeap, sizeof(Asn1RTDListNode)));
   if (node != nullptr) {
      node->data = const_cast<void*>(pData);
      node->next = nullptr;
      node->prev = nullptr;
   }
   return node;
}

// Links node in front of `before` (which belongs to the list).
void linkBefore(Asn1RTDList* pList, Asn1RTDListNode* before, Asn1RTDListNode* node)
{
   node->next = before;
   node->prev = before->prev;
   if (before->prev != nullptr) before->prev->next = node;
   else pList->head = node;
   before->prev = node;
   pList->count++;
}

void linkAfter(Asn1RTDList* pList, Asn1RTDListNode* after, Asn1RTDListNode* node)
{
   node->prev = after;
   node->next = after->next;
   if (after->next != nullptr) after->next->prev = node;
   else pList->tail = node;
   after->next = node;
   pList->count++;
}

// The data of a node created by rtDListAppendNode lies right behind it.
inline bool sharesBlock(const Asn1RTDListNode* node)
{
   return node->data == static_cast<const void*>(node + 1);
}

}  // namespace

extern "C" {

void rtDListInit(Asn1RTDList* pList)
{
   if (pList == nullptr) return;
   pList->count = 0;
   pList->head = nullptr;
   pList->tail = nullptr;
}

Asn1RTDListNode* rtDListAppend(ASN1CTXT* pctxt, Asn1RTDList* pList, void* pData)
{
   if (pList == nullptr) return nullptr;
   Asn1RTDListNode* node = newNode(pctxt, pData);
   if (node != nullptr) rtDListLinkTail(pList, node);
   return node;
}

Asn1RTDListNode* rtDListAppendNode(ASN1CTXT*, Asn1RTDList* pList, void* pData)
{
   if (pList == nullptr || pData == nullptr) return nullptr;
   Asn1RTDListNode* node = static_cast<Asn1RTDListNode*>(pData) - 1;
   node->data = pData;
   rtDListLinkTail(pList, node);
   return node;
}

Asn1RTDListNode* rtDListInsert(ASN1CTXT* pctxt, Asn1RTDList* pList, int index, void* pData)
{
   if (pList == nullptr || index < 0 || (OSUINT32)index > pList->count) return nullptr;
   Asn1RTDListNode* node = newNode(pctxt, pData);
   if (node == nullptr) return nullptr;
   if ((OSUINT32)index == pList->count) rtDListLinkTail(pList, node);
   else linkBefore(pList, rtDListFindByIndex(pList, index), node);
   return node;
}

Asn1RTDListNode* rtDListInsertBefore(ASN1CTXT* pctxt, Asn1RTDList* pList, Asn1RTDListNode* node, const void* pData)
{
   if (pList == nullptr) return nullptr;
   Asn1RTDListNode* n = newNode(pctxt, pData);
   if (n == nullptr) return nullptr;
   if (node == nullptr) rtDListLinkTail(pList, n);
   else linkBefore(pList, node, n);
   return n;
}

Asn1RTDListNode* rtDListInsertAfter(ASN1CTXT* pctxt, Asn1RTDList* pList, Asn1RTDListNode* node, const void* pData)
{
   if (pList == nullptr) return nullptr;
   Asn1RTDListNode* n = newNode(pctxt, pData);
   if (n == nullptr) return nullptr;
   if (node == nullptr) {
      if (pList->head == nullptr) rtDListLinkTail(pList, n);
      else linkBefore(pList, pList->head, n);
   }
   else {
      linkAfter(pList, node, n);
   }
   return n;
}

Asn1RTDListNode* rtDListFindByIndex(const Asn1RTDList* pList, int index)
{
   if (pList == nullptr) return nullptr;
   if (index < 0) index = 0;
   if ((OSUINT32)index >= pList->count) return nullptr;
   Asn1RTDListNode* node = pList->head;
   for (int i = 0; i < index && node != nullptr; i++) node = node->next;
   return node;
}

Asn1RTDListNode* rtDListFindByData(const Asn1RTDList* pList, const void* pData)
{
   if (pList == nullptr) return nullptr;
   for (Asn1RTDListNode* node = pList->head; node != nullptr; node = node->next) {
      if (node->data == pData) return node;
   }
   return nullptr;
}

int rtDListFindIndexByData(const Asn1RTDList* pList, const void* pData)
{
   if (pList == nullptr) return -1;
   int index = 0;
   for (Asn1RTDListNode* node = pList->head; node != nullptr; node = node->next, index++) {
      if (node->data == pData) return index;
   }
   return -1;
}

void rtDListRemove(Asn1RTDList* pList, Asn1RTDListNode* node)
{
   if (pList == nullptr || node == nullptr) return;
   if (node->next != nullptr) node->next->prev = node->prev;
   else pList->tail = node->prev;
   if (node->prev != nullptr) node->prev->next = node->next;
   else pList->head = node->next;
   node->next = nullptr;
   node->prev = nullptr;
   if (pList->count > 0) pList->count--;
}

void rtDListFreeNodes(ASN1CTXT* pctxt, Asn1RTDList* pList)
{
   if (pList == nullptr) return;
   if (pctxt != nullptr) {
      Asn1RTDListNode* node = pList->head;
      while (node != nullptr) {
         Asn1RTDListNode* next = node->next;
         rtMemHeapFreePtr(&pctxt->memHeap, node);
         node = next;
      }
   }
   rtDListInit(pList);
}

void rtDListFreeAll(ASN1CTXT* pctxt, Asn1RTDList* pList)
{
   if (pList == nullptr) return;
   if (pctxt != nullptr) {
      Asn1RTDListNode* node = pList->head;
      while (node != nullptr) {
         Asn1RTDListNode* next = node->next;
         if (node->data != nullptr && !sharesBlock(node)) {
            rtMemHeapFreePtr(&pctxt->memHeap, node->data);
         }
         rtMemHeapFreePtr(&pctxt->memHeap, node);
         node = next;
      }
   }
   rtDListInit(pList);
}

int rtDListToArray(ASN1CTXT* pctxt, const Asn1RTDList* pList, void** ppArray, OSUINT32* pCapacity, OSUINT32 elemSize)
{
   if (pctxt == nullptr || pList == nullptr || ppArray == nullptr) return ASN1ERR_INVALID_PARAM;
   OSUINT32 count = pList->count;
   if (count == 0) return 0;
   bool allocate = (pCapacity != nullptr) ? (*pCapacity < count) : (*ppArray == nullptr);
   if (allocate) {
      // Size checked before the allocation: the heap takes a signed 32-bit count.
      if (elemSize != 0 && count > (OSUINT32)INT32_MAX / elemSize) return ASN1ERR_NO_MEMORY;
      void* p = rtMemHeapAlloc(&pctxt->memHeap, (int)(count * elemSize));
      if (p == nullptr) return ASN1ERR_NO_MEMORY;
      *ppArray = p;
      if (pCapacity != nullptr) *pCapacity = count;
   }
   OSOCTET* dst = static_cast<OSOCTET*>(*ppArray);
   for (Asn1RTDListNode* node = pList->head; node != nullptr; node = node->next) {
      if (node->data != nullptr) memcpy(dst, node->data, elemSize);
      else memset(dst, 0, elemSize);
      dst += elemSize;
   }
   return (int)count;
}

int rtDListAppendArray(ASN1CTXT* pctxt, Asn1RTDList* pList, const void* pArray, OSUINT32 count, OSUINT32 elemSize)
{
   if (pctxt == nullptr || pList == nullptr || (pArray == nullptr && count > 0)) return ASN1ERR_INVALID_PARAM;
   const OSOCTET* elem = static_cast<const OSOCTET*>(pArray);
   for (OSUINT32 i = 0; i < count; i++, elem += elemSize) {
      if (rtDListAppend(pctxt, pList, const_cast<OSOCTET*>(elem)) == nullptr) return ASN1ERR_NO_MEMORY;
   }
   return 0;
}

int rtDListAppendArrayCopy(ASN1CTXT* pctxt, Asn1RTDList* pList, const void* pArray, OSUINT32 count, OSUINT32 elemSize)
{
   if (pctxt == nullptr || pList == nullptr || (pArray == nullptr && count > 0)) return ASN1ERR_INVALID_PARAM;
   if (elemSize > (OSUINT32)INT32_MAX) return ASN1ERR_NO_MEMORY;
   const OSOCTET* elem = static_cast<const OSOCTET*>(pArray);
   for (OSUINT32 i = 0; i < count; i++, elem += elemSize) {
      void* copy = rtMemHeapAlloc(&pctxt->memHeap, (int)elemSize);
      if (copy == nullptr) return ASN1ERR_NO_MEMORY;
      memcpy(copy, elem, elemSize);
      if (rtDListAppend(pctxt, pList, copy) == nullptr) {
         rtMemHeapFreePtr(&pctxt->memHeap, copy);
         return ASN1ERR_NO_MEMORY;
      }
   }
   return 0;
}

void rtMemFreeOpenSeqExt(ASN1CTXT* pctxt, Asn1RTDList* pList)
{
   if (pctxt == nullptr || pList == nullptr) return;
   for (Asn1RTDListNode* node = pList->head; node != nullptr; node = node->next) {
      ASN1OpenType* ot = static_cast<ASN1OpenType*>(node->data);
      // An encoding decoded in no-copy mode points into the message buffer:
      // only blocks of this heap are released.
      if (ot != nullptr && ot->data != nullptr &&
          rtMemHeapCheckPtr(&pctxt->memHeap, const_cast<OSOCTET*>(ot->data))) {
         rtMemHeapFreePtr(&pctxt->memHeap, const_cast<OSOCTET*>(ot->data));
         ot->data = nullptr;
         ot->numocts = 0;
      }
   }
   rtDListFreeAll(pctxt, pList);
}

}
