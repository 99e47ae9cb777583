#include "Writer.h"

namespace asn1gen {

Writer& Writer::line(const std::string& text)
{
   if (!text.empty()) out_.append(static_cast<size_t>(level_) * 3, ' ').append(text);
   out_ += '\n';
   return *this;
}

Writer& Writer::lines(const std::string& text)
{
   size_t pos = 0;
   while (pos < text.size()) {
      size_t nl = text.find('\n', pos);
      line(text.substr(pos, nl - pos));
      pos = nl == std::string::npos ? text.size() : nl + 1;
   }
   return *this;
}

Writer& Writer::open(const std::string& text)
{
   if (!text.empty() && text.back() == '{') line(text);
   else if (text.empty()) line("{");
   else line(text + " {");
   ++level_;
   return *this;
}

Writer& Writer::close(const std::string& text)
{
   outdent();
   return line(text);
}

}
