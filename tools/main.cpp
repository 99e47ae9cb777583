// qvasn1: converts PKI messages between DER/BER (or PEM), XER and back.
#include "Cli.h"

int main(int argc, char** argv)
{
   return qvasn1tool::runCli(argc, argv, stdout, stderr);
}
