// Doubly linked lists (SEQUENCE OF / SET OF values, open-type extension
// lists). Nodes are allocated from the memHeap of the context passed in; the
// list never owns the data its nodes point at, except for rtDListFreeAll.
#ifndef RTLIST_H
#define RTLIST_H

#include "asn1type.h"

extern "C" {

// Empty list.
EXTERNRT void rtDListInit(Asn1RTDList* pList);

// A new node at the tail pointing at pData; null when out of memory.
EXTERNRT Asn1RTDListNode* rtDListAppend(ASN1CTXT* pctxt, Asn1RTDList* pList, void* pData);

// Links, at the tail, the node that lies immediately before pData in the same
// heap block (node and record allocated together); allocates nothing.
// Null for null arguments.
EXTERNRT Asn1RTDListNode* rtDListAppendNode(ASN1CTXT* pctxt, Asn1RTDList* pList, void* pData);
// Links node (its data already set) at the list's tail.
inline void rtDListLinkTail(Asn1RTDList* pList, Asn1RTDListNode* node)
{
   node->next = nullptr;
   node->prev = pList->tail;
   if (pList->tail != nullptr) pList->tail->next = node;
   else pList->head = node;
   pList->tail = node;
   pList->count++;
}

// A new node at position index (0 = head, count = tail); null when index is
// negative or above count, or when out of memory.
EXTERNRT Asn1RTDListNode* rtDListInsert(ASN1CTXT* pctxt, Asn1RTDList* pList, int index, void* pData);

// A new node before / after node; a null node means at the tail (before) or
// at the head (after). Null when out of memory.
EXTERNRT Asn1RTDListNode* rtDListInsertBefore(ASN1CTXT* pctxt, Asn1RTDList* pList, Asn1RTDListNode* node, const void* pData);
EXTERNRT Asn1RTDListNode* rtDListInsertAfter(ASN1CTXT* pctxt, Asn1RTDList* pList, Asn1RTDListNode* node, const void* pData);

// The node at index (0 or less: the head); null when index >= count.
EXTERNRT Asn1RTDListNode* rtDListFindByIndex(const Asn1RTDList* pList, int index);

// The first node whose data is pData; null / -1 when none.
EXTERNRT Asn1RTDListNode* rtDListFindByData(const Asn1RTDList* pList, const void* pData);
EXTERNRT int rtDListFindIndexByData(const Asn1RTDList* pList, const void* pData);

// Unlinks node (which must belong to the list); the node is not freed.
EXTERNRT void rtDListRemove(Asn1RTDList* pList, Asn1RTDListNode* node);

// Frees every node (not the data); the list becomes empty.
EXTERNRT void rtDListFreeNodes(ASN1CTXT* pctxt, Asn1RTDList* pList);

// Frees every node's data and every node; data that shares its node's block
// (rtDListAppendNode) goes with the node. The data must be memHeap blocks.
EXTERNRT void rtDListFreeAll(ASN1CTXT* pctxt, Asn1RTDList* pList);

// Copies elemSize octets of each node's data into consecutive slots of
// *ppArray. When pCapacity is given and *pCapacity < count, a new array of
// count * elemSize octets is allocated into *ppArray and *pCapacity set;
// without pCapacity *ppArray must hold count elements (a null *ppArray is
// allocated). Returns count, or -12 when out of memory, -30 for bad
// arguments.
EXTERNRT int rtDListToArray(ASN1CTXT* pctxt, const Asn1RTDList* pList, void** ppArray, OSUINT32* pCapacity, OSUINT32 elemSize);

// Appends count nodes pointing at the elements of pArray (no copy).
// Returns 0, -12 or -30.
EXTERNRT int rtDListAppendArray(ASN1CTXT* pctxt, Asn1RTDList* pList, const void* pArray, OSUINT32 count, OSUINT32 elemSize);

// Appends count nodes, each pointing at a new memHeap copy of one element.
// Returns 0, -12 or -30.
EXTERNRT int rtDListAppendArrayCopy(ASN1CTXT* pctxt, Asn1RTDList* pList, const void* pArray, OSUINT32 count, OSUINT32 elemSize);

// For a list of ASN1OpenType records: frees each encoding, then
// rtDListFreeAll.
EXTERNRT void rtMemFreeOpenSeqExt(ASN1CTXT* pctxt, Asn1RTDList* pList);

}

// A SEQUENCE OF / SET OF value held as a doubly linked list.
struct ASN1TSeqOfList : public _Asn1RTDList {
   ASN1TSeqOfList() { rtDListInit(this); }
};

#endif
