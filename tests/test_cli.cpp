// The qvasn1 command line, run as a separate program: the installed-to-be
// binary (whose registry holds the library's types) and qvasn1_testcli, the
// same command line over the hand-written test types (regtypes/).
// Every failure must be one line on standard error with a non-zero exit and
// nothing on standard output; a crash fails the test whatever the case.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Result {
   int exitCode = -1;
   int signal = 0;
   std::string out;
   std::string err;
};

std::string readFile(const std::string& path)
{
   std::ifstream f(path, std::ios::binary);
   return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& data)
{
   std::ofstream f(path, std::ios::binary | std::ios::trunc);
   f.write(data.data(), (std::streamsize)data.size());
}

std::string tempPath(const std::string& name)
{
   return ::testing::TempDir() + "qvasn1_cli_" + std::to_string(getpid()) + "_" + name;
}

// Runs exe with args, input on standard input; collects both outputs.
Result run(const char* exe, const std::vector<std::string>& args, const std::string& input = "")
{
   static int serial = 0;
   std::string base = tempPath(std::to_string(serial++));
   std::string inPath = base + ".in", outPath = base + ".out", errPath = base + ".err";
   writeFile(inPath, input);
   std::vector<char*> argv;
   argv.push_back(const_cast<char*>(exe));
   for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
   argv.push_back(nullptr);
   pid_t pid = fork();
   if (pid == 0) {
      int in = open(inPath.c_str(), O_RDONLY);
      int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (in < 0 || out < 0 || err < 0) _exit(126);
      dup2(in, 0);
      dup2(out, 1);
      dup2(err, 2);
      execv(exe, argv.data());
      _exit(127);
   }
   Result r;
   int status = 0;
   if (pid < 0 || waitpid(pid, &status, 0) != pid) return r;
   if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
   if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
   r.out = readFile(outPath);
   r.err = readFile(errPath);
   unlink(inPath.c_str());
   unlink(outPath.c_str());
   unlink(errPath.c_str());
   return r;
}

const char* const kCli = QVASN1_CLI_PATH;
const char* const kTestCli = QVASN1_TESTCLI_PATH;

const std::string kPairDer("\x30\x07\x02\x02\x01\x2C\x04\x01\xAB", 9);
const std::string kPairXml =
   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Pair>\n   <num>300</num>\n   <data>AB</data>\n</Pair>\n";

// A failure: exit status, one line on standard error, nothing on standard
// output, and the expected words in the line.
void expectOneLineFailure(const Result& r, int exitCode, const std::string& words)
{
   EXPECT_EQ(r.signal, 0) << r.err;
   EXPECT_EQ(r.exitCode, exitCode) << r.err;
   EXPECT_EQ(r.out, "");
   ASSERT_FALSE(r.err.empty());
   EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
   EXPECT_EQ(r.err.compare(0, 6, "qvasn1"), 0) << r.err;
   EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
}

TEST(Cli, HelpForEveryCommand)
{
   const std::vector<std::vector<std::string>> cases = {
      { "--help" }, { "-h" }, { "decode", "--help" }, { "encode", "-h" }, { "roundtrip", "--help" },
      { "identify", "--help" }, { "types", "--help" }, { "decode", "Whatever", "--help" },
   };
   for (const auto& args : cases) {
      SCOPED_TRACE(args.size() > 1 ? args[0] + " " + args[1] : args[0]);
      Result r = run(kCli, args);
      EXPECT_EQ(r.signal, 0);
      EXPECT_EQ(r.exitCode, 0);
      EXPECT_EQ(r.err, "");
      std::string usage = "Usage: qvasn1 " + (args[0][0] == '-' ? std::string("COMMAND") : args[0]);
      EXPECT_EQ(r.out.compare(0, usage.size(), usage), 0) << r.out;
   }
   Result v = run(kCli, { "--version" });
   EXPECT_EQ(v.exitCode, 0);
   EXPECT_EQ(v.out.compare(0, 9, "qvasn1 4."), 0) << v.out;
}

TEST(Cli, UsageErrors)
{
   struct Case { std::vector<std::string> args; const char* words; };
   const Case cases[] = {
      { {}, "missing COMMAND" },
      { { "frobnicate" }, "unknown command 'frobnicate'" },
      { { "--frobnicate" }, "unknown option" },
      { { "decode" }, "missing TYPE" },
      { { "decode", "--pem", "X", "Pair" }, "unknown option '--pem'" },
      { { "decode", "--canonical=yes", "Pair" }, "unknown option" },
      { { "decode", "-o" }, "needs a FILE" },
      { { "encode", "Pair", "--pem" }, "needs a LABEL" },
      { { "encode", "--pem", "-BAD", "Pair" }, "invalid PEM label" },
      { { "encode", "--pem=A--B", "Pair" }, "invalid PEM label" },
      { { "types", "a", "b" }, "unexpected argument 'b'" },
      { { "decode", "Pair", "x", "y" }, "unexpected argument 'y'" },
      { { "decode", "NoSuchType", "/nonexistent" }, "unknown type 'NoSuchType'" },
      { { "decode", "pair" }, "did you mean 'Pair'" },
   };
   for (const Case& c : cases) {
      std::string trace;
      for (const std::string& a : c.args) trace += a + " ";
      SCOPED_TRACE(trace);
      expectOneLineFailure(run(kTestCli, c.args), 2, c.words);
   }
   // The shipped program knows no test type.
   expectOneLineFailure(run(kCli, { "decode", "Pair" }, kPairDer), 2, "unknown type 'Pair'");
}

TEST(Cli, BadInputIsOneLineAndNonZero)
{
   std::string garbage;
   for (int i = 0; i < 200; i++) garbage.push_back((char)(i * 73 + 11));
   std::string deepBer;
   for (int i = 0; i < 100000; i++) deepBer += std::string("\x30\x80", 2);
   std::string deepXml = "<Pair>";
   for (int i = 0; i < 100000; i++) deepXml += "<a>";
   const std::string missing = tempPath("does-not-exist.der");

   struct Case { const char* what; std::vector<std::string> args; std::string input; const char* words; };
   const Case cases[] = {
      { "truncated DER", { "decode", "Pair" }, kPairDer.substr(0, 5), "cannot decode Pair: status" },
      { "cut inside a component", { "decode", "Pair" }, std::string("\x30\x07\x02\x02\x01", 5), "status" },
      { "garbage", { "decode", "Pair" }, garbage, "cannot decode Pair" },
      { "deep indefinite nesting", { "decode", "Pair" }, deepBer, "cannot decode Pair" },
      { "empty input", { "decode", "Pair" }, "", "the input is empty" },
      { "trailing octets", { "decode", "Pair" }, kPairDer + std::string(1, '\0'), "1 octet follows the value" },
      { "another type's value", { "decode", "Num" }, kPairDer, "status -3" },
      { "missing file", { "decode", "Pair", missing }, "", "cannot open" },
      { "bad PEM", { "decode", "Pair" }, "-----BEGIN A-----\nMAcCAgEsBAG\n-----END A-----\n", "malformed PEM input" },
      { "truncated PEM content", { "decode", "Pair" }, "-----BEGIN A-----\nMAcCAgEs\n-----END A-----\n", "at offset 0 of the PEM content" },
      { "PEM without END", { "decode", "Pair" }, "-----BEGIN A-----\nMAcCAgEsBAGr\n", "no END line" },
      { "malformed XML", { "encode", "Pair" }, "<Pair><num>1</num", "line = 1" },
      { "not XML", { "encode", "Pair" }, kPairDer, "status -35" },
      { "empty XML", { "encode", "Pair" }, "", "status -35" },
      { "another root element", { "encode", "Pair" }, "<Other><num>1</num></Other>", "status -35" },
      { "missing component", { "encode", "Pair" }, "<Pair><num>1</num></Pair>", "status -8" },
      { "unknown component", { "encode", "Pair" }, "<Pair><num>1</num><dat>AB</dat></Pair>", "status -3" },
      { "bad number", { "encode", "Pair" }, "<Pair><num>x1</num><data>AB</data></Pair>", "status" },
      { "bad hex", { "encode", "Pair" }, "<Pair><num>1</num><data>ABX</data></Pair>", "status" },
      { "deep XML", { "encode", "Pair" }, deepXml, "cannot decode the XER document" },
      { "type without XER documents", { "encode", "Num" }, "<Num>1</Num>", "status -99" },
      { "roundtrip of garbage", { "roundtrip", "Pair" }, garbage, "cannot decode Pair" },
      { "identify garbage", { "identify", "--all" }, garbage, "no registered type decodes" },
      { "identify nothing", { "identify", "--all" }, "", "the input is empty" },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      expectOneLineFailure(run(kTestCli, c.args, c.input), 1, c.words);
   }
}

TEST(Cli, DecodeEncodeAndRoundTrip)
{
   Result d = run(kTestCli, { "decode", "Pair" }, kPairDer);
   ASSERT_EQ(d.exitCode, 0) << d.err;
   EXPECT_EQ(d.out, kPairXml);
   EXPECT_EQ(d.err, "");

   Result e = run(kTestCli, { "encode", "Pair" }, d.out);
   ASSERT_EQ(e.exitCode, 0) << e.err;
   EXPECT_EQ(e.out, kPairDer);

   Result c = run(kTestCli, { "decode", "--canonical", "Pair", "-" }, kPairDer);
   EXPECT_EQ(c.out, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Pair><num>300</num><data>AB</data></Pair>\n");

   Result rt = run(kTestCli, { "roundtrip", "Pair" }, kPairDer);
   EXPECT_EQ(rt.exitCode, 0) << rt.err;
   EXPECT_EQ(rt.out, "Pair: DER round trip identical (9 octets); XER round trip identical\n");

   // Valid BER, not DER: the long length form. The verdict names the offset.
   const std::string ber("\x30\x81\x07\x02\x02\x01\x2C\x04\x01\xAB", 10);
   Result decodedBer = run(kTestCli, { "decode", "Pair" }, ber);
   EXPECT_EQ(decodedBer.out, kPairXml);
   Result notDer = run(kTestCli, { "roundtrip", "Pair" }, ber);
   EXPECT_EQ(notDer.signal, 0);
   EXPECT_EQ(notDer.exitCode, 1);
   EXPECT_NE(notDer.out.find("the input is not DER"), std::string::npos) << notDer.out;
   EXPECT_NE(notDer.out.find("differs at offset 1 (input 81 07"), std::string::npos) << notDer.out;
}

TEST(Cli, PemInAndOut)
{
   Result pem = run(kTestCli, { "encode", "--pem", "TEST PAIR", "Pair" }, kPairXml);
   ASSERT_EQ(pem.exitCode, 0) << pem.err;
   EXPECT_EQ(pem.out, "-----BEGIN TEST PAIR-----\nMAcCAgEsBAGr\n-----END TEST PAIR-----\n");

   // Armoured input, with explanatory text and CRLF line ends, decodes as the
   // DER does.
   const std::string armoured = "A test pair\r\n-----BEGIN TEST PAIR-----\r\nMAcCAgEs\r\nBAGr\r\n-----END TEST PAIR-----\r\n";
   for (const std::string& input : { pem.out, armoured }) {
      Result d = run(kTestCli, { "decode", "Pair" }, input);
      EXPECT_EQ(d.exitCode, 0) << d.err;
      EXPECT_EQ(d.out, kPairXml);
      Result rt = run(kTestCli, { "roundtrip", "Pair" }, input);
      EXPECT_EQ(rt.exitCode, 0) << rt.err;
   }
   // Generated types of the same shape may decode it as well.
   Result id = run(kTestCli, { "identify", "--all" }, armoured);
   EXPECT_NE(("\n" + id.out).find("\nPair\n"), std::string::npos) << id.out;
}

TEST(Cli, OutputFileOnlyOnSuccess)
{
   const std::string path = tempPath("out.xml");
   unlink(path.c_str());
   Result bad = run(kTestCli, { "decode", "-o", path, "Pair" }, kPairDer.substr(0, 4));
   EXPECT_EQ(bad.exitCode, 1);
   EXPECT_NE(access(path.c_str(), F_OK), 0) << "a failed decode created its output file";
   Result good = run(kTestCli, { "decode", "--output=" + path, "Pair" }, kPairDer);
   EXPECT_EQ(good.exitCode, 0) << good.err;
   EXPECT_EQ(good.out, "");
   EXPECT_EQ(readFile(path), kPairXml);
   unlink(path.c_str());
}

TEST(Cli, TypesAndIdentify)
{
   // The library's generated types are listed beside the test types.
   Result all = run(kTestCli, { "types", "QvTestTypes.*" });
   EXPECT_EQ(all.exitCode, 0);
   EXPECT_EQ(all.out, "Num   QvTestTypes\nPair  QvTestTypes\n");
   Result some = run(kTestCli, { "types", "QvTestTypes.p*" });
   EXPECT_EQ(some.out, "Pair  QvTestTypes\n");
   Result qualified = run(kTestCli, { "types", "QvTestTypes.N*" });
   EXPECT_EQ(qualified.out, "Num  QvTestTypes\n");
   expectOneLineFailure(run(kTestCli, { "types", "zzz" }), 1, "no registered type matches 'zzz'");
   // The shipped program lists whatever the library registers.
   Result shipped = run(kCli, { "types" });
   EXPECT_EQ(shipped.exitCode, 0) << shipped.err;
   EXPECT_EQ(shipped.out.find("QvTestTypes"), std::string::npos);

   Result pair = run(kTestCli, { "identify", "--all" }, kPairDer);
   EXPECT_EQ(pair.exitCode, 0);
   EXPECT_NE(("\n" + pair.out).find("\nPair\n"), std::string::npos) << pair.out;
   EXPECT_EQ(pair.out.find("Num\n"), std::string::npos) << pair.out;
   Result num = run(kTestCli, { "identify", "--all", "-" }, std::string("\x02\x01\x05", 3));
   EXPECT_NE(("\n" + num.out).find("\nNum\n"), std::string::npos) << num.out;
   EXPECT_EQ(num.out.find("Pair\n"), std::string::npos) << num.out;
   // The top-level message types are not among the test types.
   Result top = run(kTestCli, { "identify" }, kPairDer);
   EXPECT_EQ(top.exitCode, 1);
   EXPECT_EQ(top.out, "");
}

// The shipped program on files made by openssl (tests/data/openssl).
const std::string kOpenssl = std::string(QVASN1_TEST_DATA_DIR) + "/openssl/";

std::string armour(const std::string& label, const std::string& der)
{
   static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
   std::string b64;
   for (size_t i = 0; i < der.size(); i += 3) {
      unsigned v = (unsigned char)der[i] << 16;
      if (i + 1 < der.size()) v |= (unsigned char)der[i + 1] << 8;
      if (i + 2 < der.size()) v |= (unsigned char)der[i + 2];
      b64 += digits[(v >> 18) & 63];
      b64 += digits[(v >> 12) & 63];
      b64 += i + 1 < der.size() ? digits[(v >> 6) & 63] : '=';
      b64 += i + 2 < der.size() ? digits[v & 63] : '=';
      if (b64.size() % 65 == 64) b64 += '\n';
   }
   if (b64.back() != '\n') b64 += '\n';
   return "-----BEGIN " + label + "-----\n" + b64 + "-----END " + label + "-----\n";
}

// The certificate with the unused-bit count of its key usage made 8.
std::string brokenKeyUsage()
{
   std::string der = readFile(kOpenssl + "certificate.der");
   const std::string keyUsage("\x04\x04\x03\x02\x05\xA0", 6);
   size_t at = der.find(keyUsage);
   if (at == std::string::npos) return "";
   der[at + 4] = 0x08;
   return der;
}

TEST(CliOpenssl, PemBlockOfTheType)
{
   const std::string cert = readFile(kOpenssl + "certificate.der");
   const std::string csr = readFile(kOpenssl + "req-plain.der");
   ASSERT_FALSE(cert.empty());
   // A key first, then the certificate: decode takes the certificate's block.
   const std::string keyAndCert = armour("PRIVATE KEY", std::string("\x30\x03\x02\x01\x00", 5)) +
                                  "subject=CN = client\n" + armour("CERTIFICATE", cert);
   Result d = run(kCli, {"decode", "Certificate"}, keyAndCert);
   ASSERT_EQ(d.exitCode, 0) << d.err;
   Result e = run(kCli, {"encode", "Certificate"}, d.out);
   EXPECT_EQ(e.out, cert);
   Result rt = run(kCli, {"roundtrip", "Certificate"}, keyAndCert);
   EXPECT_EQ(rt.exitCode, 0) << rt.err << rt.out;
   // A request and a certificate: each type finds its own block.
   const std::string both = armour("CERTIFICATE", cert) + armour("NEW CERTIFICATE REQUEST", csr);
   EXPECT_EQ(run(kCli, {"roundtrip", "CertificationRequest"}, both).exitCode, 0);
   EXPECT_EQ(run(kCli, {"roundtrip", "Certificate"}, both).exitCode, 0);
   // identify reads every block.
   Result id = run(kCli, {"identify"}, keyAndCert);
   EXPECT_EQ(id.exitCode, 0) << id.err;
   EXPECT_EQ(id.out, "block 1 (PRIVATE KEY): not identified\nblock 2 (CERTIFICATE): Certificate\n");
}

TEST(CliOpenssl, FlagsAndFailureMessages)
{
   const std::string broken = brokenKeyUsage();
   ASSERT_FALSE(broken.empty());
   // Strict: one line naming the component, its type and --lenient.
   Result strict = run(kCli, {"decode", "Certificate"}, broken);
   expectOneLineFailure(strict, 1, "cannot decode Certificate: status -18 (invalid value) at offset ");
   EXPECT_NE(strict.err.find(" in tbsCertificate.extensions["), std::string::npos) << strict.err;
   EXPECT_NE(strict.err.find("].extnValue (keyUsage: KeyUsage); with --lenient"), std::string::npos) << strict.err;
   // Lenient: the value stays octets, and the round trip gives them back.
   Result lenient = run(kCli, {"decode", "--lenient", "Certificate"}, broken);
   ASSERT_EQ(lenient.exitCode, 0) << lenient.err;
   EXPECT_NE(lenient.out.find("<extnValue>030208A0</extnValue>"), std::string::npos) << lenient.out;
   Result rt = run(kCli, {"roundtrip", "--lenient", "Certificate"}, broken);
   EXPECT_EQ(rt.exitCode, 0) << rt.err << rt.out;
   EXPECT_EQ(run(kCli, {"identify", "--lenient"}, broken).out, "Certificate\n");
   Result id = run(kCli, {"identify"}, broken);
   EXPECT_EQ(id.out, "Certificate (lenient: a value inside does not decode as its type)\n");

   // Values outside the object sets: octets by default, -38 on request.
   const std::string digested = readFile(kOpenssl + "cms-digested.der");
   Result lossless = run(kCli, {"decode", "ContentInfo"}, digested);
   ASSERT_EQ(lossless.exitCode, 0) << lossless.err;
   EXPECT_NE(lossless.out.find("<eContent>"), std::string::npos);
   expectOneLineFailure(run(kCli, {"decode", "--strict-xer", "ContentInfo"}, digested), 1, "status -38");
   expectOneLineFailure(run(kCli, {"roundtrip", "--strict-xer", "ContentInfo"}, digested), 1, "status -38");
   EXPECT_EQ(run(kCli, {"roundtrip", "ContentInfo"}, digested).exitCode, 0);
   EXPECT_EQ(run(kCli, {"encode", "ContentInfo"}, lossless.out).out, digested);

   // XER input: the element path and the line.
   std::string xml = run(kCli, {"decode", "Certificate"}, readFile(kOpenssl + "certificate.der")).out;
   const size_t at = xml.find("<version>2</version>");
   ASSERT_NE(at, std::string::npos);
   xml.replace(at, 20, "<version>x</version>");
   expectOneLineFailure(run(kCli, {"encode", "Certificate"}, xml), 1,
                        "in Certificate/tbsCertificate/version at line 4, column ");
}

}  // namespace
