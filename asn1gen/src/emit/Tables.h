// Information object tables: the C++ classes of information-object classes,
// objects and object sets (<Module>Table.h/.cpp), and the table-constraint
// functions asn1ETC_T / asn1DTC_T of the types whose open-type component is
// chosen by an identifier component beside it (X.682 component relation).
#ifndef ASN1GEN_TABLES_H
#define ASN1GEN_TABLES_H

#include <string>
#include <vector>

#include "Model.h"
#include "Writer.h"

namespace asn1gen {

// The table-constrained component of a SEQUENCE.
struct TableUse {
   enum class Kind {
      OpenType,     // c CLASS.&Type ({Set}{@id}): the component is an Asn1TObject
      Containing,   // c OCTET STRING (CONTAINING CLASS.&Type ({Set}{@id})):
                    // the octets, followed by the Asn1TObject <c>Obj
      SetOf         // c SET OF CLASS.&Type ({Set}{@id}): each element is an Asn1TObject
   };
   Kind kind = Kind::OpenType;
   const Component* value = nullptr;   // the constrained component
   const Component* id = nullptr;      // the identifier component (@id)
   Type* field = nullptr;              // the CLASS.&Type node
   Assignment* set = nullptr;          // the object set
   Assignment* cls = nullptr;          // the class
};

// Whether the SEQUENCE unit u has a table-constrained component.
bool tableUseOf(const Unit& u, TableUse& out);

// Whether the type has the XER table functions asn1XETC_T / asn1XDTC_T:
// not when its set is empty (the policy qualifier types).
bool hasXerTable(const TableUse& t);

// A component OCTET STRING (CONTAINING CLASS.&Type ({Set}{@id})): its record
// gets the Asn1TObject named by containingObjectName after the octets.
bool isTableContaining(const Component& c);
std::string containingObjectName(const Component& c);

// Whether module m gets <Module>Table sources: it defines an information
// object class, an object or an object set, or a table-constrained type.
bool moduleHasTables(Module& m, const std::vector<Unit>& units);

void emitTableHeader(Module& m, const std::vector<Unit>& units, Writer& w);
void emitTableSource(Module& m, const std::vector<Unit>& units, Writer& w);

// Hooks of the BER codecs of a table-constrained SEQUENCE: the encoder
// pre-encodes the value first, the decoder decodes it last.
void emitTableEncodeHook(const Unit& u, Writer& w);
void emitTableDecodeHook(const Unit& u, Writer& w);
// Hooks of the XER encoder: the table-constraint pre-encoding before the
// element (true when there is one), and the write call of an OCTET STRING
// CONTAINING component, which writes the value's XML text when there is one.
bool emitXerEncodeHook(const Unit& u, Writer& w);
std::string xerContainingCall(const Unit& u, const Component& c, const std::string& octetsCall);

// Hook of the SAX handler: when the type's element closes, the value of
// the open type is decoded through the table.
void emitTableXerDecodeHook(const Unit& u, Writer& w);
// The call that makes the reader of component c's value in place when its
// element starts (null at run time when it is to be captured as text); ""
// when c is not read in place.
std::string xerValueReaderCall(const Unit& u, const Component& c);
// For a list of open types c, the function that makes the reader of one
// element in place (the list handler's element value reader); "" when none.
std::string xerElementReader(const Unit& u, const Component& c);

// Hooks of the copy and free functions: the decoded value is copied after
// the octets, and released before them.
void emitTableCopyHook(const Unit& u, Writer& w);
void emitTableFreeHook(const Unit& u, Writer& w);

}

#endif
