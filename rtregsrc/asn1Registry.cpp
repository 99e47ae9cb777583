#include "asn1Registry.h"

#include <string.h>

#include <new>

#include "asn1CppExcept.h"
#include "asn1ErrCodes.h"
#include "rtXmlExpatIF.h"
#include "saxParser.h"

namespace {

// The registered modules in registration order. A plain pointer, zero before
// any static initialiser runs, so modules may join from any initialiser.
Asn1RegModule* gFirstModule = nullptr;

bool isRegistered(const Asn1RegModule* module)
{
   for (const Asn1RegModule* m = gFirstModule; m != nullptr; m = m->next) {
      if (m == module) return true;
   }
   return false;
}

// '-' and '_' compare equal: ASN.1 names use hyphens where C names use
// underscores.
inline char foldDash(char c)
{
   return c == '-' ? '_' : c;
}

inline char foldCase(char c)
{
   c = foldDash(c);
   return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

// Exact comparison of [name, name + len) with the NUL-terminated text, under
// foldDash.
bool sameName(const char* name, size_t len, const char* text)
{
   for (size_t i = 0; i < len; i++) {
      if (text[i] == '\0' || foldDash(name[i]) != foldDash(text[i])) return false;
   }
   return text[len] == '\0';
}

// Glob match ('*', '?') of the text against the pattern, under foldCase.
// Iterative with one backtrack point: linear in practice, never recursive.
bool globMatch(const char* pat, const char* text)
{
   const char* starPat = nullptr;
   const char* starText = nullptr;
   while (*text != '\0') {
      if (*pat == '*') {
         starPat = ++pat;
         starText = text;
      }
      else if (*pat == '?' || (*pat != '\0' && foldCase(*pat) == foldCase(*text))) {
         pat++;
         text++;
      }
      else if (starPat != nullptr) {
         pat = starPat;
         text = ++starText;
      }
      else {
         return false;
      }
   }
   while (*pat == '*') pat++;
   return *pat == '\0';
}

bool containsFolded(const char* text, const char* part)
{
   size_t n = strlen(part);
   for (; *text != '\0'; text++) {
      size_t i = 0;
      while (i < n && text[i] != '\0' && foldCase(text[i]) == foldCase(part[i])) i++;
      if (i == n) return true;
   }
   return n == 0;
}

bool matchText(const char* pattern, const char* text)
{
   if (strpbrk(pattern, "*?") != nullptr) return globMatch(pattern, text);
   return containsFolded(text, pattern);
}

}  // namespace

int asn1RegAddModule(Asn1RegModule* module)
{
   if (module == nullptr || module->name == nullptr) return ASN1ERR_INVALID_PARAM;
   if (module->entries == nullptr && module->count != 0) return ASN1ERR_INVALID_PARAM;
   if (module->components == nullptr && module->componentCount != 0) return ASN1ERR_INVALID_PARAM;
   if (module->values == nullptr && module->valueCount != 0) return ASN1ERR_INVALID_PARAM;
   if (isRegistered(module)) return ASN1ERR_INVALID_PARAM;
   module->next = nullptr;
   Asn1RegModule** link = &gFirstModule;
   while (*link != nullptr) link = &(*link)->next;
   *link = module;
   return 0;
}

int asn1RegRemoveModule(Asn1RegModule* module)
{
   for (Asn1RegModule** link = &gFirstModule; *link != nullptr; link = &(*link)->next) {
      if (*link == module) {
         *link = module->next;
         module->next = nullptr;
         return 0;
      }
   }
   return ASN1ERR_INVALID_PARAM;
}

const Asn1RegEntry* asn1RegFind(const char* name)
{
   if (name == nullptr || *name == '\0') return nullptr;
   // "Module.Type": the module part selects the table. Module names may hold
   // hyphens but no dots, so the last dot separates.
   const char* dot = strrchr(name, '.');
   const char* typeName = dot != nullptr ? dot + 1 : name;
   for (const Asn1RegModule* m = gFirstModule; m != nullptr; m = m->next) {
      if (dot != nullptr && !sameName(name, (size_t)(dot - name), m->name)) continue;
      for (size_t i = 0; i < m->count; i++) {
         const Asn1RegEntry* e = &m->entries[i];
         if (e->name != nullptr && sameName(typeName, strlen(typeName), e->name)) return e;
      }
   }
   return nullptr;
}

size_t asn1RegCount(void)
{
   size_t n = 0;
   for (const Asn1RegModule* m = gFirstModule; m != nullptr; m = m->next) n += m->count;
   return n;
}

int asn1RegMatch(const char* pattern, const Asn1RegEntry* entry)
{
   if (entry == nullptr || entry->name == nullptr) return 0;
   if (pattern == nullptr || *pattern == '\0') return 1;
   if (strchr(pattern, '.') == nullptr) return matchText(pattern, entry->name) ? 1 : 0;
   // Qualified pattern: match against "Module.Type", built in a bounded
   // buffer (names longer than it cannot match a qualified pattern).
   char full[512];
   const char* module = entry->module != nullptr ? entry->module : "";
   size_t lm = strlen(module), ln = strlen(entry->name);
   if (lm + 1 + ln + 1 > sizeof full) return 0;
   memcpy(full, module, lm);
   full[lm] = '.';
   memcpy(full + lm + 1, entry->name, ln + 1);
   return matchText(pattern, full) ? 1 : 0;
}

size_t asn1RegForEach(const char* pattern, Asn1RegVisitFunc fn, void* arg)
{
   size_t n = 0;
   for (const Asn1RegModule* m = gFirstModule; m != nullptr; m = m->next) {
      for (size_t i = 0; i < m->count; i++) {
         const Asn1RegEntry* e = &m->entries[i];
         if (!asn1RegMatch(pattern, e)) continue;
         n++;
         if (fn != nullptr && fn(e, arg) != 0) return n;
      }
   }
   return n;
}

size_t asn1RegForEachModule(Asn1RegModuleVisitFunc fn, void* arg)
{
   size_t n = 0;
   for (const Asn1RegModule* m = gFirstModule; m != nullptr; m = m->next) {
      n++;
      if (fn != nullptr && fn(m, arg) != 0) return n;
   }
   return n;
}

int asn1RegXerFailure(void)
{
   int stat = ASN1ERR_XML_STATE;
   try {
      throw;
   }
   catch (const OSRTSAXException& e) {
      stat = e.getStatus();
      if (e.getMessage() != nullptr) OSExpatXMLReader::noteFailureMessage(e.getMessage());
   }
   catch (const ASN1RTLException& e) {
      stat = e.status;
   }
   catch (const std::bad_alloc&) {
      stat = ASN1ERR_NO_MEMORY;
   }
   catch (...) {
   }
   return stat < 0 ? stat : ASN1ERR_XML_STATE;
}
