// Recursive-descent parser of the ASN.1 notation used by the library's
// modules (X.680, X.681 classes and objects, X.682 table constraints).
// The parser is purely syntactic: whether `a B ::= {...}` is a value or an
// information object is decided by the resolver once B is known.
#ifndef ASN1GEN_PARSER_H
#define ASN1GEN_PARSER_H

#include <string>
#include <vector>

#include "Ast.h"

namespace asn1gen {

class Parser {
public:
   explicit Parser(std::vector<Token> tokens);

   // One or more modules up to the end of the file.
   std::vector<ModulePtr> parseFile(const std::string& file);

   // Pieces used by the resolver to read an object's settings.
   TypePtr parseType();
   ValuePtr parseValue();
   bool atEnd() const;
   const Token& peek(size_t ahead = 0) const;
   const Token& next();
   bool accept(Tok kind);
   bool acceptWord(const char* word);
   const Token& expect(Tok kind, const char* what);
   void expectWord(const char* word);

private:
   ModulePtr parseModule(const std::string& file);
   void parseExports(Module& m);
   void parseImports(Module& m);
   std::shared_ptr<Assignment> parseAssignment();
   std::shared_ptr<ObjectClass> parseClass();
   void parseSyntaxItems(std::vector<SyntaxItem>& items, Tok close);
   void parseSetElements(Assignment& a);

   void parseTag(Type& t);
   TypePtr parseUntaggedType();
   void parseComponents(Type& t, bool isChoice);
   Component parseComponent(bool isChoice);
   void parseNamedNumbers(std::vector<NamedNumber>& out, bool isEnum, Type* enumType);
   ConstraintPtr parseConstraint();
   ConstraintPtr parseElementSetSpec();
   ConstraintPtr parseIntersections();
   ConstraintPtr parseElements();
   ConstraintPtr parseElement();
   std::vector<Token> balanced(Tok open, Tok close);

   bool isWord(size_t ahead, const char* word) const;

   // Nesting of types and constraints: the parser recurses once per level,
   // so the depth is bounded to keep hostile input from exhausting the stack.
   struct DepthGuard {
      DepthGuard(Parser& p);
      ~DepthGuard() { --p_.depth_; }
      Parser& p_;
   };
   static constexpr int kMaxNesting = 200;
   int depth_ = 0;

   std::vector<Token> toks_;
   size_t pos_ = 0;
};

// Convenience: tokenizes and parses a whole file.
std::vector<ModulePtr> parseText(const std::string& file, const std::string& text);

// Words reserved by X.680 12.38 that cannot be references.
bool isReservedWord(const std::string& word);

}

#endif
