// asn1gen: the ASN.1-to-C++ generator of the library's types.
#include <iostream>

#include "Driver.h"

int main(int argc, char** argv)
{
   std::vector<std::string> args(argv + 1, argv + argc);
   return asn1gen::runCommandLine(args, std::cout, std::cerr);
}
