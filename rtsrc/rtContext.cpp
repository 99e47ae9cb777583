#include <string.h>

#include "asn1type.h"
#include "rtMemHeap.h"
#include "rtStream.h"

extern "C" {

int rtInitContext(ASN1CTXT* pctxt, void* memCtx)
{
   if (pctxt == nullptr) return ASN1ERR_INVALID_PARAM;
   memset(pctxt, 0, sizeof(*pctxt));
   pctxt->key = ASN1CTXT_KEY;
   int stat = rtMemHeapCreate(&pctxt->memHeap, memCtx);
   if (stat != 0) {
      pctxt->key = 0;
      return stat;
   }
   pctxt->memCtx = memCtx;
   pctxt->msgMemHeap = pctxt->memHeap;
   rtMemHeapAddRef(&pctxt->msgMemHeap);
   // Both lists are empty after the memset above; they are bound to this
   // context (one store each: contexts are made for every open type that a
   // table encodes).
   pctxt->listA.ctxt = pctxt;
   pctxt->listB.ctxt = pctxt;
   return 0;
}

int rtInitContextBuffer(ASN1CTXT* pctxt, OSOCTET* data, OSUINT32 size)
{
   if (pctxt == nullptr || pctxt->key != ASN1CTXT_KEY) return ASN1ERR_NOT_INITIALIZED;
   if (data == nullptr) {
      if (size == 0) size = ASN1_DEF_DYNBUF_SIZE;
      if (size > (OSUINT32)INT32_MAX) return ASN1ERR_NO_MEMORY;
      data = static_cast<OSOCTET*>(rtMemHeapAlloc(&pctxt->msgMemHeap, (int)size));
      if (data == nullptr) return ASN1ERR_NO_MEMORY;
      pctxt->buffer.dynamic = 1;
   }
   else {
      pctxt->buffer.dynamic = 0;
   }
   pctxt->buffer.data = data;
   pctxt->buffer.size = size;
   pctxt->buffer.byteIndex = 0;
   pctxt->buffer.bitOffset = 8;
   return 0;
}

void rtFreeContext(ASN1CTXT* pctxt)
{
   if (pctxt == nullptr || pctxt->key != ASN1CTXT_KEY) return;
   if (pctxt->buffer.dynamic && pctxt->buffer.data != nullptr) {
      if (!(pctxt->flags & ASN1SAVEBUF)) {
         rtMemHeapFreePtr(&pctxt->msgMemHeap, pctxt->buffer.data);
      }
      pctxt->buffer.data = nullptr;
   }
   rtStreamRelease(pctxt);
   rtSListFree(&pctxt->listA);
   rtSListFree(&pctxt->listB);
   rtMemHeapRelease(&pctxt->memHeap);
   pctxt->memHeap = nullptr;      // the other reference may still keep it alive
   rtMemHeapRelease(&pctxt->msgMemHeap);
   pctxt->msgMemHeap = nullptr;
   pctxt->key = 0;
}

void rtCopyContext(ASN1CTXT* pdest, ASN1CTXT* psrc)
{
   if (pdest == nullptr || psrc == nullptr) return;
   pdest->buffer = psrc->buffer;
   pdest->flags = psrc->flags;
}

void rtCtxtSetFlag(ASN1CTXT* pctxt, OSUINT32 mask)
{
   if (pctxt != nullptr) pctxt->flags = (OSUINT16)(pctxt->flags | mask);
}

void rtCtxtSetMemHeap(ASN1CTXT* pctxt, ASN1CTXT* psrc)
{
   if (pctxt == nullptr || psrc == nullptr || pctxt->memHeap == psrc->memHeap) return;
   rtMemHeapRelease(&pctxt->memHeap);
   pctxt->memHeap = psrc->memHeap;
   rtMemHeapAddRef(&pctxt->memHeap);
   // The XER encoder keeps its marks in the heap that is gone.
   pctxt->xer.xmlTexts = nullptr;
}

void rtCtxtSetMsgMemHeap(ASN1CTXT* pctxt, ASN1CTXT* psrc)
{
   if (pctxt == nullptr || psrc == nullptr || pctxt->msgMemHeap == psrc->msgMemHeap) return;
   rtMemHeapRelease(&pctxt->msgMemHeap);
   pctxt->msgMemHeap = psrc->msgMemHeap;
   rtMemHeapAddRef(&pctxt->msgMemHeap);
}

/* Singly linked lists */

void rtSListInitEx(ASN1CTXT* pctxt, Asn1RTSList* pList)
{
   if (pList == nullptr) return;
   pList->count = 0;
   pList->head = nullptr;
   pList->tail = nullptr;
   pList->ctxt = pctxt;
}

Asn1RTSListNode* rtSListAppend(Asn1RTSList* pList, void* pData)
{
   if (pList == nullptr || pList->ctxt == nullptr) return nullptr;
   Asn1RTSListNode* node = static_cast<Asn1RTSListNode*>(
      rtMemHeapAlloc(&pList->ctxt->memHeap, sizeof(Asn1RTSListNode)));
   if (node == nullptr) return nullptr;
   node->data = pData;
   node->next = nullptr;
   if (pList->tail != nullptr) pList->tail->next = node;
   else pList->head = node;
   pList->tail = node;
   pList->count++;
   return node;
}

void rtSListFree(Asn1RTSList* pList)
{
   if (pList == nullptr) return;
   if (pList->ctxt != nullptr) {
      Asn1RTSListNode* node = pList->head;
      while (node != nullptr) {
         Asn1RTSListNode* next = node->next;
         rtMemHeapFreePtr(&pList->ctxt->memHeap, node);
         node = next;
      }
   }
   pList->count = 0;
   pList->head = nullptr;
   pList->tail = nullptr;
   pList->ctxt = nullptr;
}

}
