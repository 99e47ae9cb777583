#include "Driver.h"

#include <chrono>
#include <fstream>
#include <set>
#include <sstream>

#include "Parser.h"
#include "Printer.h"
#include "emit/Emitter.h"

namespace asn1gen {

namespace {

bool readFile(const std::string& path, std::string& text)
{
   std::ifstream in(path, std::ios::binary);
   if (!in) return false;
   std::ostringstream s;
   s << in.rdbuf();
   text = s.str();
   return true;
}

const char* usage =
   "usage: asn1gen [--print] [--config FILE] [--out DIR] FILE.asn...\n"
   "  --print        write the resolved tree to standard output\n"
   "  --catalogue    list the generated types and identifier constants\n"
   "  --config FILE  representation choices (asn1gen.conf)\n"
   "  --out DIR      write <Module>.h and <Module>.cpp for every module into DIR\n"
   "  --tables LIST  the modules (comma-separated) expected to get <Module>Table\n"
   "                 sources; a run where other modules get them fails\n";

}

Program loadProgram(const std::vector<SourceText>& sources,
                    const std::string& configFile, const std::string& configText)
{
   Program prog;
   prog.configFile = configFile;
   prog.config = parseConfig(configFile, configText);
   for (const auto& s : sources) {
      auto mods = parseText(s.file, s.text);
      prog.modules.insert(prog.modules.end(), mods.begin(), mods.end());
   }
   resolveProgram(prog);
   return prog;
}

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
   bool print = false, catalogue = false;
   std::string configFile, outDir, tables;
   bool tablesGiven = false;
   std::vector<std::string> inputs;
   for (size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      if (a == "--print") print = true;
      else if (a == "--catalogue") catalogue = true;
      else if (a == "--config" || a == "--out" || a == "--tables") {
         if (i + 1 >= args.size()) { err << "asn1gen: " << a << " needs an argument\n" << usage; return 2; }
         if (a == "--tables") tablesGiven = true;
         (a == "--config" ? configFile : a == "--out" ? outDir : tables) = args[++i];
      }
      else if (a == "--help" || a == "-h") { out << usage; return 0; }
      else if (!a.empty() && a[0] == '-') { err << "asn1gen: unknown option " << a << "\n" << usage; return 2; }
      else inputs.push_back(a);
   }
   if (inputs.empty()) { err << usage; return 2; }
   try {
      std::vector<SourceText> sources;
      for (const auto& f : inputs) {
         SourceText s{f, ""};
         if (!readFile(f, s.text)) { err << f << ": cannot read the file\n"; return 1; }
         sources.push_back(s);
      }
      std::string configText;
      if (!configFile.empty() && !readFile(configFile, configText)) {
         err << configFile << ": cannot read the file\n";
         return 1;
      }
      Program prog = loadProgram(sources, configFile, configText);
      if (print) printProgram(out, prog);
      if (catalogue) printCatalogue(out, prog);
      if (tablesGiven) {
         // The build lists the Table sources it compiles: a module that gains
         // or loses its tables must be named there too.
         std::set<std::string> expected;
         for (size_t start = 0; start <= tables.size();) {
            size_t comma = tables.find(',', start);
            if (comma == std::string::npos) comma = tables.size();
            if (comma > start) expected.insert(tables.substr(start, comma - start));
            start = comma + 1;
         }
         std::set<std::string> actual = tableModules(prog);
         for (const auto& n : actual)
            if (!expected.count(n)) { err << "asn1gen: module " << n << " has object tables but is not in --tables\n"; return 1; }
         for (const auto& n : expected)
            if (!actual.count(n)) { err << "asn1gen: module " << n << " is in --tables but has no object tables\n"; return 1; }
      }
      if (!outDir.empty()) emitProgram(prog, outDir);
   }
   catch (const AsnError& e) {
      err << e.what() << "\n";
      return 1;
   }
   catch (const std::exception& e) {
      err << "asn1gen: " << e.what() << "\n";
      return 1;
   }
   return 0;
}

}
