// The syntax tree of ASN.1 modules. The parser fills the syntactic fields;
// the resolver fills the fields marked "resolved". Nodes are owned through
// shared_ptr so that resolved references may point anywhere in the tree.
#ifndef ASN1GEN_AST_H
#define ASN1GEN_AST_H

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Config.h"
#include "Diag.h"
#include "Lexer.h"

namespace asn1gen {

struct Type;
struct Value;
struct Constraint;
struct Module;
struct Assignment;
using TypePtr = std::shared_ptr<Type>;
using ValuePtr = std::shared_ptr<Value>;
using ConstraintPtr = std::shared_ptr<Constraint>;

enum class TagClass { Universal, Application, Context, Private };
enum class TagMode { Default, Explicit, Implicit };
enum class TagDefault { Explicit, Implicit, Automatic };

// One tag written in the source: [class number] with its mode.
struct Tag {
   TagClass cls = TagClass::Context;
   ValuePtr number;              // a number or a value reference
   TagMode mode = TagMode::Default;
   Loc loc;
   // resolved
   uint32_t num = 0;
   bool explicitTag = false;     // after the module's tag default is applied
};

// A value as written. Braced values ({ ... }) are kept as tokens and read by
// the resolver according to their governing type (object identifier
// components, named bits, an empty SEQUENCE value).
struct Value {
   enum class Kind { Number, Bool, Null, Ref, CString, BString, HString, Braced, Min, Max };
   Kind kind = Kind::Number;
   std::string text;             // number digits (with '-' when negative), ref, string
   bool boolVal = false;
   std::vector<Token> tokens;    // Braced: the tokens between the braces
   std::string refModule;        // Ref: an explicit Module.value reference
   Loc loc;
   // resolved
   std::vector<uint32_t> oid;    // OBJECT IDENTIFIER values
   bool oidResolved = false;
   std::optional<int64_t> number;
};

// A constraint element tree. Unions and intersections hold children; leaves
// are SIZE, FROM, ranges, single values, contained types and table
// constraints. WITH COMPONENTS, CONSTRAINED BY and patterns are kept as
// opaque (they do not change the generated code).
struct Constraint {
   enum class Kind { Union, Intersection, Except, Size, From, Range, Single,
                     ContainedType, Table, Containing, Opaque, Extensible };
   Kind kind = Kind::Opaque;
   std::vector<ConstraintPtr> children;  // Union, Intersection, Except, Size, From
   ValuePtr lower, upper;                // Range (Kind::Min / Kind::Max allowed)
   bool lowerOpen = false, upperOpen = false;
   ValuePtr value;                       // Single
   TypePtr type;                         // ContainedType, Containing
   std::string objectSet;                // Table: {ObjectSet}
   std::vector<std::string> atPaths;     // Table: {@a.b}
   Loc loc;
};

struct NamedNumber {
   std::string name;
   ValuePtr value;                       // null for an ENUMERATED item without number
   Loc loc;
   int64_t num = 0;                      // resolved
};

struct Component {
   std::string name;
   TypePtr type;
   bool optional = false;
   ValuePtr defaultValue;
   bool componentsOf = false;            // COMPONENTS OF Type
   bool extensionAddition = false;       // after the extension marker
   Loc loc;
};

// The field of an information object class.
struct ClassField {
   std::string name;                     // with '&'
   enum class Kind { Type, FixedValue, VariableValue, ObjectSet, Object } kind = Kind::Type;
   TypePtr type;                         // FixedValue: the value's type
   bool unique = false, optional = false;
   ValuePtr defaultValue;
   TypePtr defaultType;
   Loc loc;
};

// WITH SYNTAX: literal words, field references and optional groups.
struct SyntaxItem {
   enum class Kind { Literal, Field, Group } kind = Kind::Literal;
   std::string text;                     // Literal word or ","; Field name with '&'
   std::vector<SyntaxItem> group;
};

struct ObjectClass {
   std::vector<ClassField> fields;
   bool hasSyntax = false;
   std::vector<SyntaxItem> syntax;
   std::string refName;                  // an alias: CLASS2 ::= CLASS1
   Loc loc;
};

struct Type {
   enum class Kind {
      Boolean, Integer, Enumerated, Real, BitString, OctetString, Null, ObjectId,
      RelativeOid, CharString, UTCTime, GeneralizedTime, Sequence, Set,
      SequenceOf, SetOf, Choice, Any, OpenType, Reference, ClassField, External,
      EmbeddedPdv
   };
   Kind kind = Kind::Null;
   Loc loc;
   std::vector<Tag> tags;                // outermost first
   std::vector<ConstraintPtr> constraints;

   // Reference: [Module.]Name; ClassField: Class.&field(.&field)
   std::string refModule, refName;
   std::vector<std::string> fieldPath;
   bool hasParams = false;               // Name{...}: actual parameters
   std::vector<Token> paramTokens;
   // CharString: the built-in type name (UTF8String, ...)
   std::string stringType;
   // Integer, Enumerated, BitString
   std::vector<NamedNumber> named;
   bool enumExtensible = false;
   std::vector<NamedNumber> enumAdditions;
   // Sequence, Set, Choice
   std::vector<Component> components;
   bool extensible = false;
   // SequenceOf, SetOf
   TypePtr element;
   std::string elementName;              // the optional identifier of X.680 25.1
   ConstraintPtr sizeOfConstraint;       // SEQUENCE SIZE (...) OF
   // Any
   std::string definedBy;

   // resolved
   std::string genName;                  // the generated type name, when the
                                         // type has its own artefacts
   Assignment* target = nullptr;         // Reference: the assignment referred to
   Module* targetModule = nullptr;
   Type* sharedWith = nullptr;           // a second _SeqOfX: the first one
   Repr repr = Repr::Default;            // representation from the configuration
   bool xerUnknownAsOctets = false;      // configuration (xeroctets): XER writes the value of an
                                         // identifier outside the object set as its octets
   ConstraintPtr tableConstraint;        // ClassField: the table constraint
   Assignment* objectSet = nullptr;      // ClassField: the object set of the table constraint
   const ClassField* classField = nullptr; // ClassField: the field referred to
};

struct Import {
   std::vector<std::string> symbols;
   std::string module;
   ValuePtr moduleOid;
   Loc loc;
   std::vector<Loc> symbolLocs;
};

// A set of objects or of values: elements separated by '|' or ','.
struct SetElement {
   enum class Kind { Ref, Inline, Ellipsis } kind = Kind::Ref;
   std::string ref;
   std::vector<Token> tokens;            // Inline: the object as written
   Loc loc;
};

// A resolved information object: settings by field name.
struct ObjectSetting {
   TypePtr type;
   ValuePtr value;
};

struct Assignment {
   enum class Kind { Type, Value, ValueSet, Class, Object, ObjectSet };
   Kind kind = Kind::Type;
   std::string name;
   Loc loc;
   TypePtr type;                         // Type: the type; Value/ValueSet: the governor
   ValuePtr value;                       // Value
   std::string className;                // Object, ObjectSet; ValueSet governor name
   std::vector<Token> objectTokens;      // Object: the definition as written
   std::vector<SetElement> elements;     // ObjectSet, ValueSet
   bool setExtensible = false;
   std::shared_ptr<ObjectClass> objClass; // Class
   std::vector<std::string> params;      // parameterised assignment: dummy names
   Module* module = nullptr;

   // resolved
   std::map<std::string, ObjectSetting> settings;  // Object
   std::vector<Assignment*> objects;     // ObjectSet: the objects in order
   bool resolved = false;
};

struct Module {
   std::string name;
   std::string file;
   Loc loc;
   ValuePtr oid;
   TagDefault tagDefault = TagDefault::Explicit;
   bool extensibilityImplied = false;
   bool exportsAll = true;
   std::vector<std::string> exports;
   std::vector<Import> imports;
   std::vector<std::shared_ptr<Assignment>> assignments;

   // resolved
   std::map<std::string, Assignment*> symbols;  // own assignments by name
   std::map<std::string, Assignment*> imported; // imported symbols by name
   // inline types that got their own artefacts, in dependency order
   std::vector<TypePtr> derivedTypes;
   std::map<std::string, TypePtr> derivedByName;
   // Open-type components constrained to one type (X ::= SEQUENCE { c
   // CLASS.&Type (T) }): a decoder X_c_OpenType of T's record, for the
   // octets the open type holds.
   struct OpenTypeDecoder {
      std::string name;
      TypePtr type;       // the constraining type (a reference)
   };
   std::vector<OpenTypeDecoder> openTypeDecoders;
};

using ModulePtr = std::shared_ptr<Module>;

// C++ identifier of an ASN.1 name: hyphens become underscores.
inline std::string cName(const std::string& asn)
{
   std::string s = asn;
   for (char& c : s)
      if (c == '-') c = '_';
   return s;
}

}

#endif
