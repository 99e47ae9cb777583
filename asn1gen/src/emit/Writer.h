// A small indenting text writer for generated C++: three spaces a level,
// braces placed by open()/close().
#ifndef ASN1GEN_WRITER_H
#define ASN1GEN_WRITER_H

#include <string>

namespace asn1gen {

class Writer {
public:
   // One line at the current indentation ("" gives an empty line).
   Writer& line(const std::string& text = "");
   // A line ending in " {" (or the text as given when it ends in '{'),
   // then one level deeper.
   Writer& open(const std::string& text);
   // Text written by another writer, line by line at this one's indentation.
   Writer& lines(const std::string& text);
   // One level back, then the closing text ("}" by default).
   Writer& close(const std::string& text = "}");
   void indent() { ++level_; }
   void outdent() { if (level_ > 0) --level_; }
   const std::string& str() const { return out_; }

private:
   std::string out_;
   int level_ = 0;
};

// The source text with the names of the parameters that a function body
// does not use left out (the generated functions share signatures, not every
// body needs every parameter). A function is a signature starting in the
// first column, a line "{" and a line "}".
std::string unnameUnusedParameters(const std::string& source);

}

#endif
