#include "server/SampleBase.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include "ktf/KtfDocumentWriter.h"
#include "platform/FileApi.h"

namespace {

// A small linear congruential generator: fixed arithmetic, so every platform
// writes the same base.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(state_ >> 33);
  }
  size_t Below(size_t bound) { return Next() % bound; }
  template <typename T, size_t N>
  const T& Pick(const T (&list)[N]) {
    return list[Below(N)];
  }

 private:
  uint64_t state_;
};

const char* const kSubjects[] = {
    "solar cell",     "solar panel",    "heat pump",     "battery pack",   "gear box",
    "valve seat",     "pump housing",   "wind turbine",  "garden shears",  "roof tile",
    "facade element", "electric motor", "fuel cell",     "brake disc",     "circuit board",
    "sensor array",   "display panel",  "compressor",    "seal ring",      "gasket",
    "hinge",          "bicycle frame",  "water filter",  "coffee machine", "lawn mower",
    "drill bit",      "printing head",  "optical fibre", "antenna",        "charging station",
};
const char* const kPurposes[] = {
    "for a vehicle",   "for a building",      "with a ratchet",     "with cooling channels",
    "for outdoor use", "with a control unit", "for medical use",    "with reduced noise",
    "for the roof",    "with a safety lock",  "for mobile devices", "with a modular frame",
};
const char* const kVerbs[] = {"comprises", "includes", "holds",    "drives",   "supports",
                              "cools",     "protects", "connects", "measures", "controls"};
const char* const kObjects[] = {
    "a housing",         "a shaft",       "a spring", "a blade",          "a membrane",
    "a layer of glass",  "a copper coil", "a piston", "a heat exchanger", "a cell stack",
    "a printed circuit", "a lens",        "a rotor",  "a clamp",          "a seal",
};
const char* const kAdjectives[] = {"flexible",  "compact",    "light",       "robust",
                                   "efficient", "adjustable", "transparent", "insulated",
                                   "rotating",  "removable"};
const char* const kCompanies[] = {
    "Verdant Tools GmbH", "Holm & Sons Ltd",     "Sunward Energy AG",    "Nordic Pumps AB",
    "Arcadia Motors Inc", "Keystone Devices SA", "Larkfield Optics Ltd", "Bellmont Industries",
    "Cobalt Systems BV",  "Riverstone Labs Inc",
};
const char* const kFirstNames[] = {"Ada",   "Bruno", "Clara", "Dmitri", "Elena", "Farid",
                                   "Greta", "Hugo",  "Ines",  "Jonas",  "Karin", "Luc"};
const char* const kLastNames[] = {"Lind",  "Moreau", "Novak",  "Okafor", "Petersen", "Quist",
                                  "Rossi", "Sato",   "Tanner", "Ulrich", "Vidal",    "Weber"};
const char* const kIpc[] = {"A01G 3/02",  "H01L 31/04", "F24S 20/67", "H01M 10/42", "F16H 57/02",
                            "F16K 1/42",  "F04D 29/42", "F03D 1/06",  "E04D 1/30",  "H02K 7/14",
                            "B62K 19/02", "B01D 35/02", "G01N 21/01", "H04B 10/25", "B60L 53/10"};
const char* const kCpc[] = {"Y02E 10/50", "Y02B 10/10", "Y02T 10/70", "Y02P 70/50"};
const char* const kCountries[] = {"EP", "EP", "EP", "US", "US", "DE", "FR", "GB", "WO"};
const char* const kLanguages[] = {"EN", "EN", "DE", "FR"};

std::string Date(Random& random, int fromYear, int years) {
  int year = fromYear + static_cast<int>(random.Below(years));
  int month = 1 + static_cast<int>(random.Below(12));
  int day = 1 + static_cast<int>(random.Below(28));
  // Room for any three ints, so that no build's truncation check objects.
  char text[40];
  std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
  return text;
}

std::string Capitalised(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 32);
  return text;
}

std::string Sentence(Random& random, std::string_view subject) {
  std::string text = "The ";
  text += random.Pick(kAdjectives);
  text += ' ';
  text += subject;
  text += ' ';
  text += random.Pick(kVerbs);
  text += ' ';
  text += random.Pick(kObjects);
  text += " and ";
  text += random.Pick(kObjects);
  text += '.';
  return text;
}

KtfDocument FirstDocument() {
  KtfDocument doc;
  doc.Add("PN", "EP 1000000 A1");
  doc.Add("TI", "Garden shears with a ratchet");
  doc.Add("AB",
          "Shears whose blades close in steps driven by a ratchet.\nThe ratchet holds the blade "
          "at each step so that thick branches are cut with little force.");
  doc.Add("CL",
          "1. Garden shears comprising two blades and a ratchet that closes the blades "
          "in steps.");
  doc.Add("PA", "Verdant Tools GmbH");
  doc.Add("PA", "Holm & Sons Ltd");
  doc.Add("IN", "Ada Lind");
  doc.Add("IN", "Bruno Moreau");
  doc.Add("AN", "EP 99123456");
  doc.Add("PR", "DE 19850001");
  doc.Add("PD", "20010315");
  doc.Add("AD", "19990915");
  doc.Add("PRD", "19980920");
  doc.Add("IC", "A01G 3/02");
  doc.Add("CPC", "A01G 3/0475");
  doc.Add("LA", "EN");
  doc.Add("CC", "EP");
  doc.Add("KD", "A1");
  doc.Add("FP", "EP1000000A1-1.croft 297 210 0 0");
  doc.Add("FP", "EP1000000A1-2.croft 297 210 0 0");
  return doc;
}

KtfDocument FirstRegisterEntry() {
  KtfDocument entry;
  entry.Add("PN", "EP 1000000 A1");
  entry.Add("FM", "EP 1000000 B1");
  entry.Add("FM", "US 6543210 B2");
  entry.Add("FM", "DE 19850001 A1");
  entry.Add("FM", "JP 2001123456 A");
  entry.Add("LE", "20010315 A1 Publication of the application with the search report");
  entry.Add("LE", "20011010 17P Request for examination filed");
  entry.Add("LE", "20040602 B1 Patent granted");
  entry.Add("LE", "20050303 26N No opposition filed within time limit");
  return entry;
}

KtfDocument GeneratedDocument(Random& random, size_t index) {
  KtfDocument doc;
  std::string country = random.Pick(kCountries);
  std::string kind =
      country == "US" ? (random.Below(2) ? "B1" : "B2") : (random.Below(3) ? "A1" : "A2");
  std::string number = std::to_string(1000000 + index * 7);
  std::string subject = random.Pick(kSubjects);
  doc.Add("PN", country + " " + number + " " + kind);
  doc.Add("TI", Capitalised(subject) + " " + random.Pick(kPurposes));
  std::string abstract;
  size_t sentences = 2 + random.Below(3);
  for (size_t i = 0; i < sentences; ++i) {
    if (i > 0) abstract += ' ';
    abstract += Sentence(random, i == 0 ? subject : std::string_view(random.Pick(kSubjects)));
  }
  doc.Add("AB", abstract);
  doc.Add("CL",
          "1. A " + subject + " that " + random.Pick(kVerbs) + " " + random.Pick(kObjects) + ".");
  size_t applicants = 1 + random.Below(2);
  for (size_t i = 0; i < applicants; ++i) doc.Add("PA", random.Pick(kCompanies));
  size_t inventors = 1 + random.Below(3);
  for (size_t i = 0; i < inventors; ++i) {
    doc.Add("IN", std::string(random.Pick(kFirstNames)) + " " + random.Pick(kLastNames));
  }
  std::string priority = Date(random, 1985, 30);
  std::string filing = priority.substr(0, 4) == "2014" ? priority : Date(random, 1986, 30);
  if (filing < priority) filing = priority;
  std::string published = std::to_string(std::stoi(filing.substr(0, 4)) + 1) + filing.substr(4);
  doc.Add("AN", country + " " + std::to_string(80000000 + index * 13));
  doc.Add("PR", country + " " + std::to_string(70000000 + index * 11));
  doc.Add("PD", published);
  doc.Add("AD", filing);
  doc.Add("PRD", priority);
  doc.Add("IC", random.Pick(kIpc));
  if (random.Below(4) == 0) doc.Add("CPC", random.Pick(kCpc));
  doc.Add("LA", random.Pick(kLanguages));
  doc.Add("CC", country);
  doc.Add("KD", kind);
  return doc;
}

// Documents with the letters of German, French, Nordic and Spanish names,
// after the generated ones, in the base's windows-1252 bytes.
struct AccentedDocument {
  const char* number;
  const char* title;
  const char* applicant;
  const char* inventors[2];
  const char* published;
  const char* ipc;
  const char* language;
};
const AccentedDocument kAccented[] = {
    {"DE 2900001 A1",
     "Drehmomentschl\xfcssel mit Stra\xdf"
     "enbelag-Pr\xfc"
     "fung",
     "Gr\xf6\xdf"
     "ler Pr\xe4zisionswerkzeuge GmbH",
     {"J\xfcrgen M\xfcller",
      "Hans Sch\xe4"
      "fer"},
     "20190612",
     "B25B 23/142",
     "DE"},
    {"FR 2900002 A1",
     "Pompe \xe0 chaleur r\xe9versible pour fa\xe7"
     "ade",
     "Soci\xe9t\xe9 G\xe9n\xe9rale de Pompes",
     {"Fran\xe7oise Lef\xe8vre", "No\xebl Br\xfbl\xe9"},
     "20190904",
     "F24H 4/02",
     "FR"},
    {"EP 2900003 A1",
     "Vindm\xf8lle med \xe5pen n\xe6ring",
     "Bj\xf8rnstad Kraftv\xe6rk A/S",
     {"S\xf8ren J\xf8rgensen", "\xc5se L\xe6rum"},
     "20200115",
     "F03D 7/02",
     "EN"},
    {"EP 2900004 A1",
     "V\xe1lvula de compuerta para tuber\xed"
     "as de ca\xf1"
     "o",
     "Compa\xf1\xed"
     "a Ib\xe9rica de V\xe1lvulas SA",
     {"Jos\xe9 N\xfa\xf1"
      "ez",
      "Bego\xf1"
      "a Ib\xe1\xf1"
      "ez"},
     "20200520",
     "F16K 3/02",
     "EN"},
};

KtfDocument AccentedPatent(const AccentedDocument& entry) {
  KtfDocument doc;
  const std::string number = entry.number;
  doc.Add("PN", number);
  doc.Add("TI", entry.title);
  doc.Add("AB", std::string(entry.title) + ".");
  doc.Add("PA", entry.applicant);
  for (const char* inventor : entry.inventors) doc.Add("IN", inventor);
  doc.Add("AN", number.substr(0, 3) + "1" + number.substr(4, 6));
  doc.Add("PD", entry.published);
  doc.Add("AD", std::to_string(std::stoi(std::string(entry.published).substr(0, 4)) - 1) +
                    std::string(entry.published).substr(4));
  doc.Add("IC", entry.ipc);
  doc.Add("LA", entry.language);
  doc.Add("CC", number.substr(0, 2));
  doc.Add("KD", "A1");
  return doc;
}

// The base.ini line that tells this version's documents from an earlier
// version's (before the accented ones, none): a sample base without it is
// written again.
constexpr const char* kEdition = "Edition=2";

const char kHelpText[] =
    "SAMPLE: a generated base of patent documents for developing and testing the client.\n"
    "Fields: TI AB CL DE PA IN RE PN AN PR PD AD PRD IC CPC LA CC KD.\n"
    "Dates are written YYYYMMDD; PD>=2000 and PD=[1990,2000] compare them.\n";

// The base's files are made with 0644 and its folders with 0755, less the
// umask: others may read the base, never change it, whatever the umask.
bool WriteFile(const std::filesystem::path& path, const std::string& text, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool ok = fd >= 0 && WriteAllBytes(fd, text);
  const int why = errno;
  if (fd >= 0 && ::close(fd) != 0) ok = false;
  if (!ok) error = "cannot write " + path.string() + ": " + std::strerror(why);
  return ok;
}

bool MakeFolders(const std::string& folder, std::string& error) {
  std::filesystem::path partial;
  for (const std::filesystem::path& part : std::filesystem::path(folder)) {
    partial /= part;
    if (::mkdir(partial.c_str(), 0755) == 0 || errno == EEXIST) continue;
    error = "cannot create " + folder + ": " + std::strerror(errno);
    return false;
  }
  struct stat info {};
  if (::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return true;
  error = "cannot create " + folder + ": not a directory";
  return false;
}

}  // namespace

bool SampleBase::Write(const std::string& folder, const std::string& name, size_t count,
                       std::string& error) {
  if (!MakeFolders(folder, error)) return false;
  Random random(20010315);
  std::string documents;
  std::string registerText;
  documents.reserve(count * 900);
  for (size_t index = 0; index < count; ++index) {
    if (index > 0) documents += '\n';
    documents +=
        KtfDocumentWriter::ToText(index == 0 ? FirstDocument() : GeneratedDocument(random, index));
  }
  for (const AccentedDocument& entry : kAccented) {
    documents += '\n' + KtfDocumentWriter::ToText(AccentedPatent(entry));
  }
  registerText = KtfDocumentWriter::ToText(FirstRegisterEntry());
  std::filesystem::path root(folder);
  std::string ini = "[BASE]\nName=" + name + "\nTitle=Generated patent documents (" +
                    std::to_string(count + std::size(kAccented)) + ")\n" + kEdition + "\n";
  // base.ini last: it names the edition only once the documents are whole.
  return WriteFile(root / "documents.ktf", documents, error) &&
         WriteFile(root / "register.ktf", registerText, error) &&
         WriteFile(root / "help.txt", kHelpText, error) && WriteFile(root / "base.ini", ini, error);
}

bool SampleBase::Current(const std::string& folder) {
  std::ifstream in(std::filesystem::path(folder) / "base.ini", std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (line == kEdition) return true;
  }
  return false;
}
