#include "Config.h"

#include <sstream>

namespace asn1gen {

const char* reprName(Repr r)
{
   switch (r) {
   case Repr::Default: return "default";
   case Repr::BigInt: return "bigint";
   case Repr::UInt16: return "uint16";
   case Repr::UInt32: return "uint32";
   case Repr::Pointer: return "pointer";
   case Repr::Array: return "array";
   case Repr::Fixed: return "fixed";
   }
   return "?";
}

Repr Config::lookup(const std::string& module, const std::string& type,
                    const std::string& component) const
{
   for (const auto& e : entries)
      if (e.module == module && e.type == type && e.component == component) {
         const_cast<ConfigEntry&>(e).used = true;
         return e.repr;
      }
   return Repr::Default;
}

Config parseConfig(const std::string& file, const std::string& text)
{
   Config cfg;
   std::istringstream in(text);
   std::string line;
   int lineNo = 0;
   while (std::getline(in, line)) {
      ++lineNo;
      size_t hash = line.find('#');
      if (hash != std::string::npos) line.erase(hash);
      std::istringstream words(line);
      std::string kind, path, extra;
      if (!(words >> kind)) continue;
      Loc loc{file, lineNo, static_cast<int>(line.find(kind)) + 1};
      ConfigEntry e;
      e.loc = loc;
      static const Repr all[] = {Repr::BigInt, Repr::UInt16, Repr::UInt32,
                                 Repr::Pointer, Repr::Array, Repr::Fixed};
      for (Repr r : all)
         if (kind == reprName(r)) e.repr = r;
      e.xerOctets = kind == "xeroctets";
      if (e.repr == Repr::Default && !e.xerOctets) fail(loc, "unknown representation '" + kind + "'");
      if (!(words >> path)) fail(loc, "'" + kind + "' needs <Module>.<Type>");
      if (words >> extra) fail(loc, "unexpected '" + extra + "' after " + path);
      // Module names may hold hyphens and dots never; types never hold dots.
      size_t d1 = path.find('.');
      if (d1 == std::string::npos || d1 == 0 || d1 + 1 == path.size())
         fail(loc, "'" + path + "' is not <Module>.<Type>");
      e.module = path.substr(0, d1);
      std::string rest = path.substr(d1 + 1);
      size_t d2 = rest.find('.');
      if (d2 != std::string::npos) {
         e.type = rest.substr(0, d2);
         e.component = rest.substr(d2 + 1);
         if (e.type.empty() || e.component.empty())
            fail(loc, "'" + path + "' is not <Module>.<Type>.<component>");
      }
      else e.type = rest;
      cfg.entries.push_back(e);
   }
   return cfg;
}

}
