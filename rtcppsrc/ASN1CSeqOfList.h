// ASN1CSeqOfList: object access to the doubly linked list that holds the
// elements of a SEQUENCE OF / SET OF value, and its fail-fast iterator.
//
// Elements are untyped pointers owned by the caller or by the context heap.
// Nodes come from the context heap. A decoded list keeps each element in the
// same heap block as its node (rtDListAppendNode); such elements stay valid
// when their node is removed, replaced or cleared from the list, and are
// released with the heap (or by freeAll()).
//
// Every structural change increments a modification count; an iterator
// that sees the count change behind its back fails with -27.
#ifndef ASN1CSEQOFLIST_H
#define ASN1CSEQOFLIST_H

#include "ASN1CType.h"

// A list record that carries a context reference (list types of PDUs);
// embedded in another record its mpContext is null.
struct ASN1TPDUSeqOfList : public ASN1TSeqOfList {
   ASN1Context* mpContext;
   ASN1TPDUSeqOfList() : mpContext(nullptr) {}
};

class ASN1CSeqOfList;

// Taken from the context heap by the list's iterator factories and released
// with the heap. getState() holds the last failure (0 when none).
class EXTERNRT ASN1CSeqOfListIterator {
public:
   // The element after the position and advances; null with state -8 at the
   // end, -27 when the list was modified by other means.
   void* next();
   // The element before the position (the position's own element first
   // after iteratorFromLast()); null with state -8 past the head, -27 as for
   // next().
   void* prev();
   OSBOOL hasNext();
   OSBOOL hasPrev();
   // Replaces the element returned last: 0, -28 when there is none, -27.
   int set(void* data);
   // Inserts before the position (at the tail past the end): 0, -12, -27.
   int insert(void* data);
   // Removes the node returned last: 0, -28 when there is none, -27.
   int remove();
   int getState() const { return mState; }

private:
   friend class ASN1CSeqOfList;
   ASN1CSeqOfListIterator(ASN1CSeqOfList* list, Asn1RTDListNode* position);
   bool checkModCount();

   ASN1CSeqOfList* mSeqOfList;
   Asn1RTDListNode* mNextNode;
   Asn1RTDListNode* mLastNode;
   OSINT32 mExpectedModCount;
   OSINT32 mState;
};

class EXTERNRT ASN1CSeqOfList : public ASN1CType {
public:
   // A new empty list from the context heap, owned by the object.
   explicit ASN1CSeqOfList(ASN1MessageBufferIF& msgBuf);
   explicit ASN1CSeqOfList(ASN1Context& ctxt);
   // The caller's list; initialised first when initBeforeUse is non-zero.
   ASN1CSeqOfList(ASN1MessageBufferIF& msgBuf, _Asn1RTDList& lst, OSBOOL initBeforeUse);
   ASN1CSeqOfList(ASN1Context& ctxt, _Asn1RTDList& lst, OSBOOL initBeforeUse);
   // The record's list as it stands.
   ASN1CSeqOfList(ASN1MessageBufferIF& msgBuf, ASN1TSeqOfList& lst);
   ASN1CSeqOfList(ASN1Context& ctxt, ASN1TSeqOfList& lst);
   ASN1CSeqOfList(ASN1MessageBufferIF& msgBuf, ASN1TPDUSeqOfList& lst);
   ASN1CSeqOfList(ASN1Context& ctxt, ASN1TPDUSeqOfList& lst);
   // The caller's list with a new context.
   explicit ASN1CSeqOfList(_Asn1RTDList& lst);
   explicit ASN1CSeqOfList(ASN1TSeqOfList& lst);
   explicit ASN1CSeqOfList(ASN1TPDUSeqOfList& lst);

   // An own list loses its nodes and record; a caller's list is untouched.
   ~ASN1CSeqOfList() override;

   // Adding: do nothing without a context; -12 / null when out of memory.
   void append(void* data);
   void appendArray(const void* data, int numElems, int elemSize);
   void appendArrayCopy(const void* data, int numElems, int elemSize);
   // New node at index (0 = head, size() = tail); null for another index.
   Asn1RTDListNode* insert(int index, void* data);
   // Before / after node; a null node means the tail / the head.
   void insertBefore(void* data, Asn1RTDListNode* node);
   Asn1RTDListNode* insertAfter(void* data, Asn1RTDListNode* node);

   // Removing unlinks the node; the element is not freed.
   void remove(int index);
   void remove(void* data);
   // A node that is not in this list is ignored.
   void remove(Asn1RTDListNode* node);

   // Replaces the element at index; returns the old one (null: no index).
   void* set(int index, void* data);

   void* get(int index) const;
   void* getFirst();
   void* getLast();
   int indexOf(void* data) const;
   int size() const { return mpList != nullptr ? (int)mpList->count : 0; }
   OSBOOL isEmpty() const { return size() == 0; }

   // Frees the nodes; elements are kept (those in their node's block stay
   // with the heap).
   void clear();
   // Frees the nodes and the elements.
   void freeAll();

   // Copies elemSize bytes of each element into a new heap array / into
   // `array` (a new heap array when capacity < size()). Null on failure or
   // for an empty list.
   void* toArray(int elemSize);
   void* toArray(void* array, int elemSize, int capacity);

   // New iterators from the context heap (null without a context).
   ASN1CSeqOfListIterator* iterator();
   ASN1CSeqOfListIterator* iteratorFromLast();
   // Positioned at the node holding data (null position when absent).
   ASN1CSeqOfListIterator* iteratorFrom(void* data);

   int getModCount() const { return modCount; }

protected:
   ASN1CSeqOfList& operator=(const ASN1CSeqOfList&) = delete;

private:
   friend class ASN1CSeqOfListIterator;
   void initOwnList();
   ASN1CTXT* ctxtOrNull();
   bool contains(const Asn1RTDListNode* node) const;
   ASN1CSeqOfListIterator* newIterator(Asn1RTDListNode* position);
   // Replaces the element of node. An element that shares its node's block
   // keeps that block: a new node takes its place. Returns the node now in
   // the list.
   Asn1RTDListNode* replaceData(Asn1RTDListNode* node, void* data);

   _Asn1RTDList* mpList;
   OSINT32 modCount;
   bool wasAssigned;
};

#endif
