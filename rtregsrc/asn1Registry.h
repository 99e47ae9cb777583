// The type registry: every generated type reachable by its ASN.1 name at run
// time, with the functions that decode, encode, copy and free a record of
// it through an untyped pointer. It is the one door through which the
// converter (qvasn1), the corpus tests and the fuzzers reach every type.
//
// Layout. The registry is a list of modules; each module is one table of
// entries that the generator emits beside the module's code. A module joins
// the list when its shared library (or program) is loaded and leaves it when
// it is unloaded:
//
//    // PKIX1Explicit88Reg.cpp (generated)
//    #include "asn1RegThunks.h"
//    #include "PKIX1Explicit88.h"
//    namespace asn1data {
//    namespace {
//    const Asn1RegEntry kTypes[] = {
//       ASN1REG_ENTRY("PKIX1Explicit88", "Certificate", Certificate),
//       ASN1REG_ENTRY_NOFREE("PKIX1Explicit88", "Version", Version),
//       ...
//    };
//    const Asn1RegEntry kComponents[] = { ... };   // T_<component>, _SeqOf<Elem>, ...
//    const Asn1RegValue kValues[] = {
//       { "id_pkix", &id_pkix },
//       ...
//    };
//    Asn1RegModule kModule = ASN1REG_MODULE_ALL("PKIX1Explicit88", kTypes, n, kComponents, m, kValues, k);
//    const Asn1RegAutoAdd kAdd(&kModule);
//    }
//    }
//
// There is no static-initialisation-order trap: the list head is a plain
// pointer (zero before any initialiser runs), the tables are constant data,
// and joining the list only links the module's own record. The one rule:
// look types up from main() or later, never from another static initialiser,
// which may run before some modules have joined.
//
// Threads: modules join and leave while their library loads and unloads;
// lookups take no lock and must not run concurrently with dlopen/dlclose of
// a library that carries modules.
#ifndef ASN1REGISTRY_H
#define ASN1REGISTRY_H

#include <stddef.h>

#include "asn1type.h"

class ASN1MessageBufferIF;

// --------------------------------------------------------------------------
// What a generated entry provides. `pvalue` always points to a record of the
// entry's type (ASN1T_<Type>), `recordSize` octets long. A record that is
// all zero octets is an empty record of every type: the functions below may
// be given zero-filled storage (from the context heap, say) without running
// a constructor, as the decoders do for the elements of lists.
//
// None of the functions throws.
// --------------------------------------------------------------------------

// Decodes one complete value, tag and length included (explicit tagging), at
// the decode position of pctxt, which the caller has set up with xd_setp.
// Everything allocated goes to pctxt's heap. Returns 0 or a negative status
// (recorded in pctxt); the position is left after the value.
// Generated: asn1D_<Type>(pctxt, (ASN1T_<Type>*)pvalue, ASN1TAG_EXPLICIT, 0).
typedef int (*Asn1RegBerDecodeFunc)(ASN1CTXT* pctxt, void* pvalue);

// Encodes the value with its tag and length in DER (explicit tagging) in
// front of what pctxt's encode buffer holds (set up with xe_setp or by an
// ASN1BEREncodeBuffer). Returns the encoded length (>= 0) or a negative
// status. Generated: asn1E_<Type>(pctxt, (ASN1T_<Type>*)pvalue, ASN1TAG_EXPLICIT).
typedef int (*Asn1RegDerEncodeFunc)(ASN1CTXT* pctxt, void* pvalue);

// Writes the value as one XER element named after the type, without the XML
// declaration (the caller writes xerEncStartDocument / xerEncEndDocument
// around it). Returns 0 or a negative status.
// Generated: asn1XE_<Type>(pctxt, (ASN1T_<Type>*)pvalue, 0, 0), or with the
// value itself for the types whose XER encoder takes it by value
// (32-bit INTEGER, ENUMERATED, big-integer text).
typedef int (*Asn1RegXerEncodeFunc)(ASN1CTXT* pctxt, void* pvalue);

// Decodes the XER document held by xmlBuf (an ASN1XERDecodeBuffer) into the
// record; the record's parts are allocated from xmlBuf's context heap.
// Returns 0 or a negative status. Failures of the XML reader and of the SAX
// handlers, raised inside as exceptions (OSRTSAXException, ASN1RTLException,
// std::bad_alloc), come back as their status; the reader's message and
// position stay with OSExpatXMLReader::lastFailure / lastFailureMessage.
// Generated: ASN1C_<Type> c(*xmlBuf, *(ASN1T_<Type>*)pvalue);
// return c.DecodeFrom(*xmlBuf);
// Null for the types whose control class decodes no XER document of its own
// (types of primitive construct, decoded only as components of others).
typedef int (*Asn1RegXerDecodeFunc)(ASN1MessageBufferIF* xmlBuf, void* pvalue);

// Deep-copies src into dst, allocating from pctxt's heap. Returns 0 or a
// negative status. Generated: asn1Copy_<Type>(pctxt, src, dst).
typedef int (*Asn1RegCopyFunc)(ASN1CTXT* pctxt, void* src, void* dst);

// Releases the parts of the record that lie in pctxt's heap (the record
// itself is the caller's). Generated: asn1Free_<Type>(pctxt, pvalue).
// Null for the types whose record reaches no heap memory.
typedef void (*Asn1RegFreeFunc)(ASN1CTXT* pctxt, void* pvalue);

// One registered type.
struct Asn1RegEntry {
   const char* name;            // ASN.1 type name as the module writes it ("Certificate")
   const char* module;          // ASN.1 module name ("PKIX1Explicit88")
   size_t recordSize;           // sizeof(ASN1T_<Type>); 0 for a type without value (NULL)
   Asn1RegBerDecodeFunc berDecode;   // required
   Asn1RegDerEncodeFunc derEncode;   // required
   Asn1RegXerEncodeFunc xerEncode;   // required
   Asn1RegXerDecodeFunc xerDecode;   // may be null (see above)
   Asn1RegCopyFunc copy;             // may be null (the one type without a copy function)
   Asn1RegFreeFunc free;             // may be null (no heap parts)
};

// One object identifier value of a module: the name of its constant (the
// value reference with hyphens turned into underscores) and the constant.
struct Asn1RegValue {
   const char* name;        // "id_ce_basicConstraints"
   const ASN1OBJID* value;  // &asn1data::id_ce_basicConstraints
};

// One module's table. `next` belongs to the registry: leave it null.
//
// Beside the named types (`entries`, found by asn1RegFind and visited by
// asn1RegForEach), a generated module lists what else it defines, for
// whoever needs the whole module (a catalogue check, a listing):
// - `components`: the types derived from components and list elements
//   (T_<component>, _SeqOf<Elem>, _<object>_Type), named by their C names.
//   Lookup and iteration never see them. A decoder-only type (the decoder
//   of an open type constrained to one type) has only `berDecode`.
// - `values`: its object identifier constants.
// Both may be null with a zero count.
struct Asn1RegModule {
   const char* name;
   const Asn1RegEntry* entries;
   size_t count;
   Asn1RegModule* next;
   const Asn1RegEntry* components;
   size_t componentCount;
   const Asn1RegValue* values;
   size_t valueCount;
};

// --------------------------------------------------------------------------
// Registration
// --------------------------------------------------------------------------

extern "C" {

// Links the module into the registry (after the modules already there).
// Returns 0; -30 (ASN1ERR_INVALID_PARAM) for a null module, a null name, a
// null table with a non-zero count, or a module that is registered already.
EXTERNRT int asn1RegAddModule(Asn1RegModule* module);

// Unlinks the module. Returns 0, or -30 when it is not registered.
EXTERNRT int asn1RegRemoveModule(Asn1RegModule* module);

// --------------------------------------------------------------------------
// Lookup and iteration
// --------------------------------------------------------------------------

// The entry of the type called `name`, or null. `name` is either a type name
// ("Certificate") or a module-qualified one ("PKIX1Explicit88.Certificate");
// '-' and '_' are taken as the same character, so that the C name of a type
// (hyphens turned into underscores) finds it as well. The first registered
// match wins; type names are unique across the generated modules.
EXTERNRT const Asn1RegEntry* asn1RegFind(const char* name);

// The number of registered types.
EXTERNRT size_t asn1RegCount(void);

// Calls fn for every registered type whose name matches `pattern` (all types
// for a null or empty pattern), in registration order (module by module,
// each in table order), until fn returns non-zero. Returns the number of
// types passed to fn.
typedef int (*Asn1RegVisitFunc)(const Asn1RegEntry* entry, void* arg);
EXTERNRT size_t asn1RegForEach(const char* pattern, Asn1RegVisitFunc fn, void* arg);

// The status of the exception being handled (called from a catch block):
// an OSRTSAXException's or ASN1RTLException's status, ASN1ERR_NO_MEMORY for
// std::bad_alloc, ASN1ERR_XML_STATE for anything else or a status that is
// not negative. An OSRTSAXException's message is noted for
// OSExpatXMLReader::lastFailureMessage.
EXTERNRT int asn1RegXerFailure(void);

// Whether `name` matches `pattern`: '*' stands for any run of characters,
// '?' for one; a pattern without either matches every name that contains it.
// Letters are compared without regard to case, '-' and '_' as equal. A
// pattern with a '.' is matched against "Module.Type".
EXTERNRT int asn1RegMatch(const char* pattern, const Asn1RegEntry* entry);

// Calls fn for every registered module, in registration order, until fn
// returns non-zero. Returns the number of modules passed to fn.
typedef int (*Asn1RegModuleVisitFunc)(const Asn1RegModule* module, void* arg);
EXTERNRT size_t asn1RegForEachModule(Asn1RegModuleVisitFunc fn, void* arg);

}

// Joins a module for the lifetime of a static object: construct one per
// generated module, at namespace scope, in the module's source.
class EXTERNRT Asn1RegAutoAdd {
public:
   explicit Asn1RegAutoAdd(Asn1RegModule* module) : mpModule(module) { asn1RegAddModule(module); }
   ~Asn1RegAutoAdd() { asn1RegRemoveModule(mpModule); }
   Asn1RegAutoAdd(const Asn1RegAutoAdd&) = delete;
   Asn1RegAutoAdd& operator=(const Asn1RegAutoAdd&) = delete;

private:
   Asn1RegModule* mpModule;
};

// A module record over a table (an array of Asn1RegEntry).
#define ASN1REG_MODULE(moduleName, table) \
   { (moduleName), (table), sizeof(table) / sizeof((table)[0]), nullptr, nullptr, 0, nullptr, 0 }

// A module record with its component types and values as well (either
// table pointer may be null with a zero count).
#define ASN1REG_MODULE_ALL(moduleName, table, tableCount, componentTable, componentCount, valueTable, valueCount) \
   { (moduleName), (table), (tableCount), nullptr, (componentTable), (componentCount), (valueTable), (valueCount) }

#endif
