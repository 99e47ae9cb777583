#include "Cli.h"

#include <errno.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "Converter.h"
#include "Pem.h"
#include "asn1CppExcept.h"
#include "asn1Registry.h"

namespace qvasn1tool {

namespace {

const char kProgram[] = "qvasn1";

const char kMainHelp[] =
   "Usage: qvasn1 COMMAND [OPTIONS] [ARGUMENTS]\n"
   "\n"
   "Converts values of the registered ASN.1 types between DER/BER (or PEM), XER\n"
   "(XML) and back.\n"
   "\n"
   "Commands:\n"
   "  decode TYPE [FILE]     DER/BER or PEM in, XER document out\n"
   "  encode TYPE [FILE]     XER document in, DER out (PEM with --pem LABEL)\n"
   "  roundtrip TYPE [FILE]  decode and re-encode; succeeds only when the octets\n"
   "                         are identical\n"
   "  identify [FILE]        names the top-level message types that decode the\n"
   "                         whole input\n"
   "  types [PATTERN]        lists the registered types\n"
   "\n"
   "FILE is read whole; without it, or as '-', standard input is read.\n"
   "'qvasn1 COMMAND --help' describes a command; 'qvasn1 --version' prints the\n"
   "version.\n"
   "\n"
   "Exit status: 0 success; 1 failure (bad input, the round trip differs, nothing\n"
   "identified); 2 usage error (bad command line, unknown type).\n";

const char kDecodeHelp[] =
   "Usage: qvasn1 decode [OPTIONS] TYPE [FILE]\n"
   "\n"
   "Decodes one value of TYPE from DER or BER and writes its XER document.\n"
   "PEM input (base64 between '-----BEGIN ...-----' and '-----END ...-----'\n"
   "lines, explanatory text before them allowed) is recognised and its first\n"
   "block is decoded. The value must take the whole input. Nothing is written\n"
   "unless the whole document could be made.\n"
   "\n"
   "A PEM file of several blocks (a key and its certificate, a chain) is read\n"
   "from the block whose label fits TYPE (CERTIFICATE for Certificate, X509 CRL,\n"
   "CERTIFICATE REQUEST, PKCS7 or CMS for ContentInfo, ...), else from its\n"
   "first block.\n"
   "\n"
   "A value that XML cannot say exactly (the value of an attribute, content\n"
   "or info type outside the library's object sets; a value received in\n"
   "another encoding than its DER) is written as its BER octets in hexadecimal\n"
   "(<value form=\"ber\">...</value>), so that every value that decodes has an\n"
   "XML form and 'encode' gives the same octets back.\n"
   "\n"
   "Options:\n"
   "  -o, --output FILE  write the document to FILE instead of standard output\n"
   "  --canonical        canonical XER: no line breaks or indentation\n"
   "  --lenient          an open type whose value does not decode as its type\n"
   "                     (a malformed extension, say) keeps its octets instead\n"
   "                     of failing the whole value\n"
   "  --strict-xer       refuse values outside the object sets (status -38)\n"
   "                     instead of writing their octets\n"
   "  -h, --help         this text\n";

const char kEncodeHelp[] =
   "Usage: qvasn1 encode [OPTIONS] TYPE [FILE]\n"
   "\n"
   "Reads an XER document of TYPE (its root element is named after the type)\n"
   "and writes the value's DER encoding. Nothing is written unless the whole\n"
   "encoding could be made.\n"
   "\n"
   "Options:\n"
   "  --pem LABEL        write PEM: '-----BEGIN LABEL-----', base64, '-----END\n"
   "                     LABEL-----' (LABEL such as CERTIFICATE, X509 CRL, CMS)\n"
   "  -o, --output FILE  write to FILE instead of standard output\n"
   "  -h, --help         this text\n";

const char kRoundtripHelp[] =
   "Usage: qvasn1 roundtrip [OPTIONS] TYPE [FILE]\n"
   "\n"
   "Decodes one value of TYPE from DER/BER or PEM, encodes it again in DER and\n"
   "compares the octets with the input; then, where the type decodes XER\n"
   "documents, takes the value through XER and back and compares again. Exits\n"
   "with 0 only when all octets are identical; otherwise says where the first\n"
   "difference lies (input that is valid BER but not DER differs there).\n"
   "\n"
   "Options:\n"
   "  --lenient          an open type whose value does not decode as its type\n"
   "                     keeps its octets (see 'qvasn1 decode --help')\n"
   "  --strict-xer       XER without values written as octets (see 'qvasn1\n"
   "                     decode --help')\n"
   "  -h, --help         this text\n";

const char kIdentifyHelp[] =
   "Usage: qvasn1 identify [OPTIONS] [FILE]\n"
   "\n"
   "Tries the top-level message types Certificate, CertificateList,\n"
   "CertificationRequest, ContentInfo, OCSPRequest, OCSPResponse, TimeStampReq,\n"
   "TimeStampResp, PKIMessage, CertReqMessages, DVCSRequest, DVCSResponse and\n"
   "AttributeCertificate (those registered) on the DER/BER or PEM input and\n"
   "prints, one per line and the best first, those that decode the whole input;\n"
   "a PEM label that belongs to a type puts it first. When none decodes as it\n"
   "is, the types that decode with --lenient are given, marked \"(lenient)\".\n"
   "A generic signed form (AttributeCertificate over a body that is no\n"
   "AttributeCertificateInfo: any signed SEQUENCE decodes so) is given only\n"
   "when no other type fits, marked as such. For a PEM file of several blocks,\n"
   "each block is identified on a line of its own. Exits with 1 when nothing\n"
   "fits, naming the type that came closest.\n"
   "\n"
   "Options:\n"
   "  --all              try every registered type instead\n"
   "  --lenient          count types that decode with --lenient as fitting\n"
   "  -h, --help         this text\n";

const char kTypesHelp[] =
   "Usage: qvasn1 types [OPTIONS] [PATTERN]\n"
   "\n"
   "Lists the registered types, sorted, each with its module. PATTERN selects\n"
   "names: '*' matches any run of characters and '?' one character; a pattern\n"
   "without them matches names that contain it; 'Module.Type' patterns match\n"
   "the qualified name. Case is ignored, '-' and '_' are the same. Exits with 1\n"
   "when a pattern matches nothing.\n"
   "\n"
   "Options:\n"
   "  -h, --help         this text\n";

// The parsed command line of one sub-command.
struct Options {
   bool help = false;
   bool canonical = false;
   bool all = false;
   bool lenient = false;
   bool strictXer = false;
   bool pem = false;
   std::string pemLabel;
   const char* output = nullptr;   // -o FILE; null for standard output
   std::vector<const char*> args;
};

// Which options a command takes.
enum OptionSet : unsigned {
   kOptOutput = 1, kOptCanonical = 2, kOptPem = 4, kOptAll = 8, kOptLenient = 16, kOptStrictXer = 32
};

CodecOptions codecOptions(const Options& o)
{
   CodecOptions c;
   c.lenient = o.lenient;
   c.lossless = !o.strictXer;
   return c;
}

struct Command {
   const char* name;
   const char* help;
   unsigned options;
   size_t minArgs;
   size_t maxArgs;
   int (*run)(const Options& opts, FILE* out, FILE* err);
};

void report(FILE* err, const char* command, const std::string& message)
{
   fprintf(err, "%s %s: %s\n", kProgram, command, message.c_str());
}

int usageError(FILE* err, const char* command, const std::string& message)
{
   if (command != nullptr)
      fprintf(err, "%s %s: %s (see '%s %s --help')\n", kProgram, command, message.c_str(), kProgram, command);
   else
      fprintf(err, "%s: %s (see '%s --help')\n", kProgram, message.c_str(), kProgram);
   return kExitUsage;
}

int failure(FILE* err, const char* command, const ConvError& e)
{
   report(err, command, e.message());
   return kExitFailure;
}

// Writes the finished output in one piece, to the file named by -o or to out.
bool writeOutput(const void* data, size_t len, const char* path, FILE* out, ConvError& e)
{
   FILE* fp = path != nullptr ? fopen(path, "wb") : out;
   if (fp == nullptr) {
      e.text = std::string("cannot create '") + path + "'";
      e.detail = strerror(errno);
      return false;
   }
   bool ok = fwrite(data, 1, len, fp) == len;
   ok = fflush(fp) == 0 && ok;
   if (path != nullptr) ok = fclose(fp) == 0 && ok;
   if (!ok) {
      e.text = path != nullptr ? std::string("cannot write '") + path + "'" : "cannot write the output";
      e.detail = strerror(errno);
   }
   return ok;
}

int registeredNames(const Asn1RegEntry* entry, void* arg)
{
   static_cast<std::vector<const Asn1RegEntry*>*>(arg)->push_back(entry);
   return 0;
}

std::vector<const Asn1RegEntry*> allTypes(const char* pattern)
{
   std::vector<const Asn1RegEntry*> v;
   asn1RegForEach(pattern, registeredNames, &v);
   return v;
}

// The registered type `name`, or null after a usage message (with the
// registered name that differs only in case, when there is one).
const Asn1RegEntry* findType(const char* command, const char* name, FILE* err)
{
   const Asn1RegEntry* entry = asn1RegFind(name);
   if (entry != nullptr) return entry;
   std::string msg = std::string("unknown type '") + name + "'";
   for (const Asn1RegEntry* e : allTypes(nullptr)) {
      if (strcasecmp(e->name, name) == 0) {
         msg += std::string(" (did you mean '") + e->name + "'?)";
         break;
      }
   }
   fprintf(err, "%s %s: %s; '%s types' lists the registered types\n", kProgram, command,
           msg.c_str(), kProgram);
   return nullptr;
}

// Reads FILE (or standard input) and removes PEM armour (taking the block
// of the type's label).
bool loadDer(const char* path, const char* typeName, std::vector<uint8_t>& der, bool& wasPem, ConvError& e)
{
   std::vector<uint8_t> raw;
   if (!readInput(path, raw, e)) return false;
   std::string label;
   return derFromInput(raw, typeName, der, wasPem, label, e);
}

std::string hexWindow(const std::vector<uint8_t>& v, size_t from)
{
   static const char digits[] = "0123456789ABCDEF";
   std::string s;
   size_t to = std::min(v.size(), from + 8);
   for (size_t i = from; i < to; i++) {
      if (!s.empty()) s += ' ';
      s += digits[v[i] >> 4];
      s += digits[v[i] & 15];
   }
   if (to < v.size()) s += " ...";
   return s.empty() ? "(end)" : s;
}

// The first offset where a and b differ (the shorter length when one is a
// prefix of the other); a.size() when they are equal.
size_t firstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
   size_t n = std::min(a.size(), b.size());
   size_t i = 0;
   while (i < n && a[i] == b[i]) i++;
   return i;
}

// -------------------------------------------------------------------------
// Commands

int runDecode(const Options& o, FILE* out, FILE* err)
{
   const Asn1RegEntry* entry = findType("decode", o.args[0], err);
   if (entry == nullptr) return kExitUsage;
   ConvError e;
   std::vector<uint8_t> der;
   bool wasPem = false;
   if (!loadDer(o.args.size() > 1 ? o.args[1] : nullptr, entry->name, der, wasPem, e)) return failure(err, "decode", e);
   TypedValue value(*entry, codecOptions(o));
   std::string xml;
   if (!decodeWhole(value, der, e) || !value.encodeXer(xml, o.canonical, e)) {
      e.offsetInPem = wasPem;
      return failure(err, "decode", e);
   }
   if (!writeOutput(xml.data(), xml.size(), o.output, out, e)) return failure(err, "decode", e);
   return kExitOk;
}

int runEncode(const Options& o, FILE* out, FILE* err)
{
   const Asn1RegEntry* entry = findType("encode", o.args[0], err);
   if (entry == nullptr) return kExitUsage;
   ConvError e;
   std::vector<uint8_t> xml;
   if (!readInput(o.args.size() > 1 ? o.args[1] : nullptr, xml, e)) return failure(err, "encode", e);
   TypedValue value(*entry);
   std::vector<uint8_t> der;
   if (!value.decodeXer(xml.data(), xml.size(), e) || !value.encodeDer(der, e)) return failure(err, "encode", e);
   bool ok;
   if (o.pem) {
      std::string text = pemEncode(o.pemLabel, der.data(), der.size());
      ok = writeOutput(text.data(), text.size(), o.output, out, e);
   }
   else {
      ok = writeOutput(der.data(), der.size(), o.output, out, e);
   }
   return ok ? kExitOk : failure(err, "encode", e);
}

int runRoundtrip(const Options& o, FILE* out, FILE* err)
{
   const Asn1RegEntry* entry = findType("roundtrip", o.args[0], err);
   if (entry == nullptr) return kExitUsage;
   ConvError e;
   std::vector<uint8_t> input;
   bool wasPem = false;
   if (!loadDer(o.args.size() > 1 ? o.args[1] : nullptr, entry->name, input, wasPem, e))
      return failure(err, "roundtrip", e);
   TypedValue value(*entry, codecOptions(o));
   std::vector<uint8_t> der;
   if (!decodeWhole(value, input, e) || !value.encodeDer(der, e)) {
      e.offsetInPem = wasPem;
      return failure(err, "roundtrip", e);
   }

   std::string verdict = std::string(entry->name) + ": ";
   if (der != input) {
      size_t at = firstDifference(input, der);
      verdict += "the input is not DER: its DER re-encoding differs at offset " + std::to_string(at) +
                 " (input " + hexWindow(input, at) + "; DER " + hexWindow(der, at) + "); input " +
                 std::to_string(input.size()) + " octets, DER " + std::to_string(der.size()) + " octets\n";
      ConvError we;
      if (!writeOutput(verdict.data(), verdict.size(), nullptr, out, we)) failure(err, "roundtrip", we);
      return kExitFailure;
   }
   verdict += "DER round trip identical (" + std::to_string(der.size()) + " octets)";

   bool xerSame = true;
   if (entry->xerDecode != nullptr) {
      std::string xml;
      if (!value.encodeXer(xml, false, e)) return failure(err, "roundtrip", e);
      TypedValue back(*entry, codecOptions(o));
      std::vector<uint8_t> der2;
      if (!back.decodeXer(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), e) ||
          !back.encodeDer(der2, e)) {
         e.text = "XER round trip: " + e.text;
         return failure(err, "roundtrip", e);
      }
      if (der2 != der) {
         size_t at = firstDifference(der, der2);
         verdict += "; XER round trip differs at offset " + std::to_string(at) + " (DER " +
                    hexWindow(der, at) + "; through XER " + hexWindow(der2, at) + ")";
         xerSame = false;
      }
      else {
         verdict += "; XER round trip identical";
      }
   }
   else {
      verdict += "; the type has no XER document decoder (XER round trip not made)";
   }
   verdict += "\n";
   if (!writeOutput(verdict.data(), verdict.size(), nullptr, out, e)) return failure(err, "roundtrip", e);
   return xerSame ? kExitOk : kExitFailure;
}

int runIdentify(const Options& o, FILE* out, FILE* err)
{
   ConvError e;
   std::vector<uint8_t> raw;
   if (!readInput(o.args.empty() ? nullptr : o.args[0], raw, e)) return failure(err, "identify", e);
   std::vector<std::pair<std::string, std::vector<uint8_t>>> inputs;
   bool wasPem = false;
   if (!derBlocksFromInput(raw, inputs, wasPem, e)) return failure(err, "identify", e);
   if (inputs.size() == 1 && inputs[0].second.empty()) {
      report(err, "identify", "the input is empty");
      return kExitFailure;
   }

   std::vector<const Asn1RegEntry*> candidates = o.all ? allTypes(nullptr) : topLevelTypes();
   if (candidates.empty()) {
      report(err, "identify", o.all ? "no type is registered" : "none of the top-level message types is registered");
      return kExitFailure;
   }
   const char* none = o.all ? "no registered type decodes the whole input"
                            : "no top-level message type decodes the whole input";
   if (inputs.size() == 1) {
      Identification found = identifyValue(candidates, inputs[0].second, inputs[0].first, o.lenient);
      if (found.lines.empty()) {
         report(err, "identify", std::string(none) + (found.closest.empty() ? "" : "; closest: " + found.closest));
         return kExitFailure;
      }
      std::string text;
      for (const std::string& line : found.lines) text += line + "\n";
      if (!writeOutput(text.data(), text.size(), nullptr, out, e)) return failure(err, "identify", e);
      // Only a generic form fits: which type the input nearly is.
      if (!found.closest.empty()) report(err, "identify", "note: no specific type fits; closest: " + found.closest);
      return kExitOk;
   }
   // Several PEM blocks: one line each.
   std::string text;
   bool any = false;
   for (size_t i = 0; i < inputs.size(); i++) {
      Identification found = identifyValue(candidates, inputs[i].second, inputs[i].first, o.lenient);
      text += "block " + std::to_string(i + 1) + " (" + inputs[i].first + "): ";
      if (found.lines.empty()) {
         text += "not identified\n";
         continue;
      }
      any = true;
      for (size_t k = 0; k < found.lines.size(); k++) text += (k ? ", " : "") + found.lines[k];
      text += "\n";
   }
   if (!writeOutput(text.data(), text.size(), nullptr, out, e)) return failure(err, "identify", e);
   return any ? kExitOk : kExitFailure;
}

int runTypes(const Options& o, FILE* out, FILE* err)
{
   const char* pattern = o.args.empty() ? nullptr : o.args[0];
   std::vector<const Asn1RegEntry*> v = allTypes(pattern);
   if (v.empty() && pattern != nullptr && *pattern != '\0') {
      report(err, "types", std::string("no registered type matches '") + pattern + "'");
      return kExitFailure;
   }
   std::sort(v.begin(), v.end(), [](const Asn1RegEntry* a, const Asn1RegEntry* b) {
      int c = strcmp(a->name, b->name);
      return c != 0 ? c < 0 : strcmp(a->module ? a->module : "", b->module ? b->module : "") < 0;
   });
   size_t width = 0;
   for (const Asn1RegEntry* e : v) width = std::max(width, strlen(e->name));
   std::string text;
   for (const Asn1RegEntry* e : v) {
      text += e->name;
      text.append(width - strlen(e->name) + 2, ' ');
      text += e->module != nullptr ? e->module : "";
      text += '\n';
   }
   ConvError e;
   if (!writeOutput(text.data(), text.size(), nullptr, out, e)) return failure(err, "types", e);
   return kExitOk;
}

const Command kCommands[] = {
   { "decode", kDecodeHelp, kOptOutput | kOptCanonical | kOptLenient | kOptStrictXer, 1, 2, runDecode },
   { "encode", kEncodeHelp, kOptOutput | kOptPem, 1, 2, runEncode },
   { "roundtrip", kRoundtripHelp, kOptLenient | kOptStrictXer, 1, 2, runRoundtrip },
   { "identify", kIdentifyHelp, kOptAll | kOptLenient, 0, 1, runIdentify },
   { "types", kTypesHelp, 0, 0, 1, runTypes },
};

// Parses the arguments after the command name. Returns kExitOk, or the exit
// status after a usage message.
int parseOptions(const Command& cmd, int argc, char** argv, Options& o, FILE* err)
{
   bool optionsEnd = false;
   for (int i = 0; i < argc; i++) {
      const char* a = argv[i];
      if (optionsEnd || a[0] != '-' || strcmp(a, "-") == 0) {
         o.args.push_back(a);
         continue;
      }
      // "--name=value" or "--name value" / "-o value".
      std::string arg = a;
      const char* value = nullptr;
      const char* eq = strchr(a, '=');
      if (arg.compare(0, 2, "--") == 0 && eq != nullptr) {
         arg.resize((size_t)(eq - a));
         value = eq + 1;
      }
      bool hasValue = value != nullptr;
      auto takeValue = [&]() -> bool {
         if (value == nullptr && i + 1 < argc) value = argv[++i];
         return value != nullptr;
      };
      if (arg == "--") {
         optionsEnd = true;
      }
      else if (arg == "-h" || arg == "--help") {
         o.help = true;
      }
      else if ((arg == "-o" || arg == "--output") && (cmd.options & kOptOutput)) {
         if (!takeValue() || *value == '\0') return usageError(err, cmd.name, "option " + arg + " needs a FILE");
         o.output = value;
      }
      else if (arg == "--canonical" && (cmd.options & kOptCanonical) && !hasValue) {
         o.canonical = true;
      }
      else if (arg == "--all" && (cmd.options & kOptAll) && !hasValue) {
         o.all = true;
      }
      else if (arg == "--lenient" && (cmd.options & kOptLenient) && !hasValue) {
         o.lenient = true;
      }
      else if (arg == "--strict-xer" && (cmd.options & kOptStrictXer) && !hasValue) {
         o.strictXer = true;
      }
      else if (arg == "--pem" && (cmd.options & kOptPem)) {
         if (!takeValue()) return usageError(err, cmd.name, "option --pem needs a LABEL");
         if (!pemLabelValid(value)) return usageError(err, cmd.name, "invalid PEM label '" + std::string(value) + "'");
         o.pem = true;
         o.pemLabel = value;
      }
      else {
         return usageError(err, cmd.name, "unknown option '" + std::string(a) + "'");
      }
   }
   if (o.help) return kExitOk;
   if (o.args.size() < cmd.minArgs) return usageError(err, cmd.name, "missing TYPE");
   if (o.args.size() > cmd.maxArgs)
      return usageError(err, cmd.name, "unexpected argument '" + std::string(o.args[cmd.maxArgs]) + "'");
   return kExitOk;
}

}  // namespace

int runCli(int argc, char** argv, FILE* out, FILE* err)
{
   if (argc < 2) return usageError(err, nullptr, "missing COMMAND");
   const char* name = argv[1];
   if (strcmp(name, "-h") == 0 || strcmp(name, "--help") == 0 || strcmp(name, "help") == 0) {
      fputs(kMainHelp, out);
      return kExitOk;
   }
   if (strcmp(name, "--version") == 0) {
      fprintf(out, "%s %s\n", kProgram, QVASN1_VERSION);
      return kExitOk;
   }
   const Command* cmd = nullptr;
   for (const Command& c : kCommands) {
      if (strcmp(c.name, name) == 0) cmd = &c;
   }
   if (cmd == nullptr) {
      return usageError(err, nullptr, name[0] == '-' ? "unknown option '" + std::string(name) + "'"
                                                     : "unknown command '" + std::string(name) + "'");
   }
   Options opts;
   int stat = parseOptions(*cmd, argc - 2, argv + 2, opts, err);
   if (stat != kExitOk) return stat;
   if (opts.help) {
      fputs(cmd->help, out);
      return kExitOk;
   }
   try {
      return cmd->run(opts, out, err);
   }
   catch (const ASN1RTLException& e) {
      report(err, cmd->name, "cannot set up a context: status " + std::to_string(e.status));
   }
   catch (const std::bad_alloc&) {
      report(err, cmd->name, "out of memory");
   }
   catch (const std::exception& e) {
      report(err, cmd->name, std::string("internal error: ") + e.what());
   }
   catch (...) {
      report(err, cmd->name, "internal error");
   }
   return kExitFailure;
}

}  // namespace qvasn1tool
