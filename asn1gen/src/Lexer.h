// Lexer of the ASN.1 notation (X.680 clause 12). Produces the whole token
// vector of a file at once; comments ("--" to the next "--" or the end of the
// line, and nested "/* */") are dropped.
#ifndef ASN1GEN_LEXER_H
#define ASN1GEN_LEXER_H

#include <string>
#include <vector>

#include "Diag.h"

namespace asn1gen {

enum class Tok {
   Ident,        // type or value reference, keyword (text tells them apart)
   Field,        // &name of an information object class field
   Number,       // non-negative decimal number
   CString,      // "..." with "" unescaped
   BString,      // '0101'B, text holds the binary digits
   HString,      // '0F'H, text holds the hex digits
   Assign,       // ::=
   Ellipsis,     // ...
   Range,        // ..
   LBrace, RBrace, LParen, RParen, LBracket, RBracket,
   Comma, Semicolon, Bar, Caret, At, Dot, Excl, Less, Minus, Colon,
   End
};

struct Token {
   Tok kind = Tok::End;
   std::string text;
   Loc loc;
};

// Splits `text` (the contents of `file`) into tokens ending with Tok::End.
// Throws AsnError for a character or literal that is not ASN.1.
std::vector<Token> tokenize(const std::string& file, const std::string& text);

const char* tokName(Tok kind);

}

#endif
