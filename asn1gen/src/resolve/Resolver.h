// The resolver: passes over all parsed modules that bind names, compute
// values, tags and derived names, and attach the configured representation.
// Every pass runs over all modules before the next one starts, and all
// modules are resolved before any is emitted. Each pass lives in its own
// source file:
//
//   Symbols.cpp         symbol tables, EXPORTS and IMPORTS across modules
//   Classify.cpp        values and value sets governed by a class become
//                       information objects and object sets
//   References.cpp      type references, class field types, cycles
//   Values.cpp          integer values, named numbers, tag numbers, bounds
//   Oids.cpp            OBJECT IDENTIFIER values from arcs and references
//   Objects.cpp         information objects against their class syntax,
//                       object sets
//   Tags.cpp            tag defaults, effective tags, tag clashes
//   Names.cpp           derived type names (T_c, T_element, _SeqOfX, _o_F)
//   Representation.cpp  the configuration applied to the resolved tree
#ifndef ASN1GEN_RESOLVER_H
#define ASN1GEN_RESOLVER_H

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "../Ast.h"
#include "../Config.h"

namespace asn1gen {

struct Program {
   std::vector<ModulePtr> modules;
   std::map<std::string, Module*> byName;
   Config config;
   std::string configFile;
   Module builtins;                        // TYPE-IDENTIFIER, ABSTRACT-SYNTAX
};

// Runs every pass in order. Throws AsnError at the first problem.
void resolveProgram(Program& prog);

void bindSymbols(Program& prog);
void classifyAssignments(Program& prog);
void resolveReferences(Program& prog);
void resolveValues(Program& prog);
void resolveOids(Program& prog);
void resolveObjects(Program& prog);
void resolveTags(Program& prog);
void assignNames(Program& prog);
void applyRepresentation(Program& prog);

// Finds `name` as seen from module `m` (own assignments, then imports, then
// the built-in classes); with `moduleName` set, in that module only.
// Throws "undefined reference" when nothing is found.
Assignment* lookup(Program& prog, Module& m, const std::string& name,
                   const std::string& moduleName, const Loc& loc);
Assignment* tryLookup(Program& prog, Module& m, const std::string& name,
                      const std::string& moduleName = "");

// Binds the references of one type tree (used for types met after pass 3,
// in information object settings).
void bindTypeTree(Program& prog, Module& m, const TypePtr& t);

// Resolves one OBJECT IDENTIFIER value written in module m.
void resolveOidValue(Program& prog, Module& m, Value& v);

// Follows type references (a chain of A ::= B) to the defining type.
Type* baseType(Type* t);
Type* baseType(const TypePtr& t);

// The class an assignment names, following aliases; null when it is not a class.
ObjectClass* classOf(Assignment* a);

// Visits every type node of a type tree (the node itself first).
void walkType(const TypePtr& t, const std::function<void(const TypePtr&)>& fn);
// Visits every type node of every assignment of a module, including the
// types of information object settings.
void walkModuleTypes(Module& m, const std::function<void(const TypePtr&, Assignment&)>& fn);

// Integer value of `v` as seen from module `m` (numbers and references to
// INTEGER value assignments); fails with a diagnostic otherwise.
int64_t intValue(Program& prog, Module& m, const ValuePtr& v);

const char* typeKindName(const Type& t);

// The universal tag number of an untagged base type; false for CHOICE,
// open types and other types without one.
bool universalTag(const Type& t, uint32_t& num);

// ANY, ANY DEFINED BY and class type fields (CLASS.&Type): values of any type.
bool isOpenType(const Type& t);

}

#endif
