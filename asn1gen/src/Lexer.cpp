#include "Lexer.h"

#include <cctype>

namespace asn1gen {

namespace {

class Lexer {
public:
   Lexer(const std::string& file, const std::string& text) : text_(text)
   {
      loc_.file = file;
      loc_.line = 1;
      loc_.col = 1;
   }

   std::vector<Token> run()
   {
      std::vector<Token> out;
      for (;;) {
         skipSpaceAndComments();
         Token t;
         t.loc = loc_;
         if (pos_ >= text_.size()) {
            t.kind = Tok::End;
            out.push_back(t);
            return out;
         }
         char c = text_[pos_];
         if (std::isalpha(static_cast<unsigned char>(c))) {
            t.kind = Tok::Ident;
            t.text = word();
         }
         else if (c == '&') {
            advance(1);
            if (pos_ >= text_.size() || !std::isalpha(static_cast<unsigned char>(text_[pos_])))
               fail(t.loc, "'&' must be followed by a field name");
            t.kind = Tok::Field;
            t.text = "&" + word();
         }
         else if (std::isdigit(static_cast<unsigned char>(c))) {
            t.kind = Tok::Number;
            while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_])))
               t.text += take();
         }
         else if (c == '"') {
            t.kind = Tok::CString;
            t.text = cstring(t.loc);
         }
         else if (c == '\'') {
            quoted(t);
         }
         else if (startsWith("::=")) { t.kind = Tok::Assign; advance(3); }
         else if (startsWith("...")) { t.kind = Tok::Ellipsis; advance(3); }
         else if (startsWith("..")) { t.kind = Tok::Range; advance(2); }
         else {
            switch (c) {
            case '{': t.kind = Tok::LBrace; break;
            case '}': t.kind = Tok::RBrace; break;
            case '(': t.kind = Tok::LParen; break;
            case ')': t.kind = Tok::RParen; break;
            case '[': t.kind = Tok::LBracket; break;
            case ']': t.kind = Tok::RBracket; break;
            case ',': t.kind = Tok::Comma; break;
            case ';': t.kind = Tok::Semicolon; break;
            case '|': t.kind = Tok::Bar; break;
            case '^': t.kind = Tok::Caret; break;
            case '@': t.kind = Tok::At; break;
            case '.': t.kind = Tok::Dot; break;
            case '!': t.kind = Tok::Excl; break;
            case '<': t.kind = Tok::Less; break;
            case '-': t.kind = Tok::Minus; break;
            case ':': t.kind = Tok::Colon; break;
            default: {
               std::string shown = std::isprint(static_cast<unsigned char>(c))
                  ? std::string(1, c) : "\\x" + hex(static_cast<unsigned char>(c));
               fail(t.loc, "unexpected character '" + shown + "'");
            }
            }
            t.text = std::string(1, c);
            advance(1);
         }
         out.push_back(t);
      }
   }

private:
   static std::string hex(unsigned v)
   {
      const char* d = "0123456789ABCDEF";
      return std::string{d[v >> 4], d[v & 15]};
   }

   bool startsWith(const char* s) const { return text_.compare(pos_, std::char_traits<char>::length(s), s) == 0; }

   char take()
   {
      char c = text_[pos_];
      advance(1);
      return c;
   }

   void advance(size_t n)
   {
      for (size_t i = 0; i < n && pos_ < text_.size(); ++i, ++pos_) {
         if (text_[pos_] == '\n') { ++loc_.line; loc_.col = 1; }
         else ++loc_.col;
      }
   }

   // An identifier: letters, digits and single hyphens, not ending in a
   // hyphen (X.680 12.2); "--" starts a comment and ends the word.
   std::string word()
   {
      std::string w;
      while (pos_ < text_.size()) {
         char c = text_[pos_];
         if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') w += take();
         else if (c == '-' && pos_ + 1 < text_.size() &&
                  std::isalnum(static_cast<unsigned char>(text_[pos_ + 1])))
            w += take();
         else break;
      }
      return w;
   }

   std::string cstring(const Loc& start)
   {
      std::string s;
      advance(1);
      for (;;) {
         if (pos_ >= text_.size()) fail(start, "unterminated character string");
         char c = take();
         if (c == '"') {
            if (pos_ < text_.size() && text_[pos_] == '"') { s += take(); continue; }
            return s;
         }
         s += c;
      }
   }

   void quoted(Token& t)
   {
      advance(1);
      std::string s;
      for (;;) {
         if (pos_ >= text_.size() || text_[pos_] == '\n')
            fail(t.loc, "unterminated bit or hex string");
         char c = take();
         if (c == '\'') break;
         if (!std::isspace(static_cast<unsigned char>(c))) s += c;
      }
      char kind = pos_ < text_.size() ? text_[pos_] : 0;
      if (kind == 'B') {
         for (char c : s)
            if (c != '0' && c != '1') fail(t.loc, "bit string literal holds '" + std::string(1, c) + "'");
         t.kind = Tok::BString;
      }
      else if (kind == 'H') {
         for (char c : s)
            if (!std::isxdigit(static_cast<unsigned char>(c)) || std::islower(static_cast<unsigned char>(c)))
               fail(t.loc, "hex string literal holds '" + std::string(1, c) + "'");
         t.kind = Tok::HString;
      }
      else fail(t.loc, "a quoted string must end in 'B or 'H");
      advance(1);
      t.text = s;
   }

   void skipSpaceAndComments()
   {
      for (;;) {
         while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) advance(1);
         if (startsWith("--")) {
            // Ends at the next "--" or at the end of the line (X.680 12.6.3).
            advance(2);
            while (pos_ < text_.size() && text_[pos_] != '\n' && !startsWith("--")) advance(1);
            if (startsWith("--")) advance(2);
            continue;
         }
         if (startsWith("/*")) {
            Loc start = loc_;
            int depth = 0;
            do {
               if (pos_ >= text_.size()) fail(start, "unterminated comment");
               if (startsWith("/*")) { ++depth; advance(2); }
               else if (startsWith("*/")) { --depth; advance(2); }
               else advance(1);
            } while (depth > 0);
            continue;
         }
         return;
      }
   }

   const std::string& text_;
   size_t pos_ = 0;
   Loc loc_;
};

}

std::vector<Token> tokenize(const std::string& file, const std::string& text)
{
   return Lexer(file, text).run();
}

const char* tokName(Tok kind)
{
   switch (kind) {
   case Tok::Ident: return "identifier";
   case Tok::Field: return "field reference";
   case Tok::Number: return "number";
   case Tok::CString: return "character string";
   case Tok::BString: return "bit string";
   case Tok::HString: return "hex string";
   case Tok::Assign: return "'::='";
   case Tok::Ellipsis: return "'...'";
   case Tok::Range: return "'..'";
   case Tok::LBrace: return "'{'";
   case Tok::RBrace: return "'}'";
   case Tok::LParen: return "'('";
   case Tok::RParen: return "')'";
   case Tok::LBracket: return "'['";
   case Tok::RBracket: return "']'";
   case Tok::Comma: return "','";
   case Tok::Semicolon: return "';'";
   case Tok::Bar: return "'|'";
   case Tok::Caret: return "'^'";
   case Tok::At: return "'@'";
   case Tok::Dot: return "'.'";
   case Tok::Excl: return "'!'";
   case Tok::Less: return "'<'";
   case Tok::Minus: return "'-'";
   case Tok::Colon: return "':'";
   case Tok::End: return "end of file";
   }
   return "token";
}

}
