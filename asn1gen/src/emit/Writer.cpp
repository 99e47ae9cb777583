#include "Writer.h"

#include <cctype>
#include <set>
#include <vector>

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

namespace asn1gen {

namespace {

bool identChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The identifiers of code text, comments and literals left out.
std::set<std::string> identifiersOf(const std::string& code)
{
   std::set<std::string> out;
   for (size_t i = 0; i < code.size();) {
      const char c = code[i];
      if (c == '/' && i + 1 < code.size() && code[i + 1] == '/') {
         i = code.find('\n', i);
         if (i == std::string::npos) break;
      }
      else if (c == '"' || c == '\'') {
         for (++i; i < code.size() && code[i] != c; ++i)
            if (code[i] == '\\') ++i;
         ++i;
      }
      else if (identChar(c)) {
         size_t j = i;
         while (j < code.size() && identChar(code[j])) ++j;
         if (!std::isdigit(static_cast<unsigned char>(c))) out.insert(code.substr(i, j - i));
         i = j;
      }
      else ++i;
   }
   return out;
}

// The parameter list of a signature with the names that `used` lacks left
// out; `close` is where the list ends.
std::string unnameParameters(const std::string& params, const std::set<std::string>& used)
{
   std::vector<std::string> pieces;
   int depth = 0;
   size_t from = 0;
   for (size_t i = 0; i <= params.size(); ++i) {
      const char c = i < params.size() ? params[i] : ',';
      if (c == '(' || c == '<' || c == '[') ++depth;
      else if (c == ')' || c == '>' || c == ']') --depth;
      else if (c == ',' && depth == 0) {
         pieces.push_back(params.substr(from, i - from));
         from = i + 1;
      }
   }
   std::string out;
   for (size_t k = 0; k < pieces.size(); ++k) {
      std::string p = pieces[k];
      size_t end = p.size();
      while (end > 0 && std::isspace(static_cast<unsigned char>(p[end - 1]))) --end;
      size_t start = end;
      while (start > 0 && identChar(p[start - 1])) --start;
      // A named parameter: a type before the name, which ends in a blank, * or &.
      bool named = start < end && start > 0 && !std::isdigit(static_cast<unsigned char>(p[start])) &&
         (p[start - 1] == ' ' || p[start - 1] == '*' || p[start - 1] == '&');
      if (named) {
         size_t typeEnd = start;
         while (typeEnd > 0 && p[typeEnd - 1] == ' ') --typeEnd;
         bool typed = false;
         for (size_t i = 0; i < typeEnd; ++i) typed = typed || !std::isspace(static_cast<unsigned char>(p[i]));
         if (typed && !used.count(p.substr(start, end - start))) p = p.substr(0, typeEnd) + p.substr(end);
      }
      out += (k ? "," : "") + p;
   }
   return out;
}

}  // namespace

std::string unnameUnusedParameters(const std::string& source)
{
   std::vector<std::string> lines;
   for (size_t pos = 0; pos < source.size();) {
      size_t nl = source.find('\n', pos);
      if (nl == std::string::npos) nl = source.size();
      lines.push_back(source.substr(pos, nl - pos));
      pos = nl + 1;
   }
   for (size_t i = 1; i < lines.size(); ++i) {
      if (lines[i] != "{") continue;
      size_t j = i + 1;
      while (j < lines.size() && lines[j] != "}") ++j;
      if (j == lines.size()) break;
      size_t s = i - 1;
      while (s > 0 && !lines[s].empty() && lines[s][0] == ' ') --s;
      if (lines[s].empty() || lines[s][0] == ' ' || lines[s].compare(0, 2, "//") == 0 ||
          lines[s].find("operator()") != std::string::npos)
         continue;
      std::string sig;
      for (size_t k = s; k < i; ++k) sig += (k > s ? "\n" : "") + lines[k];
      const size_t open = sig.find('(');
      if (open == std::string::npos) continue;
      size_t close = open;
      for (int depth = 0; close < sig.size(); ++close) {
         if (sig[close] == '(') ++depth;
         else if (sig[close] == ')' && --depth == 0) break;
      }
      if (close == sig.size()) continue;
      std::string rest = sig.substr(close + 1);
      for (size_t k = i + 1; k < j; ++k) rest += "\n" + lines[k];
      sig = sig.substr(0, open + 1) + unnameParameters(sig.substr(open + 1, close - open - 1), identifiersOf(rest)) +
         sig.substr(close);
      for (size_t k = s, pos = 0; k < i; ++k) {
         size_t nl = sig.find('\n', pos);
         if (nl == std::string::npos) nl = sig.size();
         lines[k] = sig.substr(pos, nl - pos);
         pos = nl + 1;
      }
      i = j;
   }
   std::string out;
   for (const auto& l : lines) out += l + "\n";
   if (!source.empty() && source.back() != '\n') out.pop_back();
   return out;
}

}
