#include "sgml/clKTF2SGML.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cctype>
#include <cstring>
#include <string>
#include <thread>

#include "ktf/KtfDocumentReader.h"
#include "tests/sgml/SgmlConversion.h"

namespace {

const std::string kDocTemplate = "TEMPLATE { \"<DOC>\" [(TI) \"<TI>%s</TI>\"] \"</DOC>\" }";

// Upper-cases the value and puts the field name in front of it.
class ShoutingListener : public KtfToSgmlListener {
 public:
  explicit ShoutingListener(bool* destroyed = nullptr) : destroyed_(destroyed) {}
  ~ShoutingListener() override {
    if (destroyed_ != nullptr) *destroyed_ = true;
  }
  char* TransformValue(const char* fieldName, const char* value) override {
    std::string text = std::string(fieldName) + ":" + value;
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return std::strcpy(new char[text.size() + 1], text.c_str());
  }

 private:
  bool* destroyed_;
};

// Builds while files larger than `bytes` cannot be written.
K2S_Return BuildWithFileSizeLimit(clKTF2SGML& converter, rlim_t bytes) {
  const sighandler_t previousHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit previous{};
  ::getrlimit(RLIMIT_FSIZE, &previous);
  rlimit limit = previous;
  limit.rlim_cur = bytes;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  const K2S_Return status = converter.fgKTF2SGML_BuildSGMLFile();
  ::setrlimit(RLIMIT_FSIZE, &previous);
  ::signal(SIGXFSZ, previousHandler);
  return status;
}

// The hand-derived cases in tests/data/sgml: NAME.tpl, NAME.ktf, NAME.sgml.
TEST(SgmlWriting, MatchesHandDerivedFiles) {
  for (const char* name :
       {"leader_three", "split_rules", "repeat_rule", "listener", "top_level_leader"}) {
    const std::string base = std::string(SORREL_TEST_DATA_DIR) + "/sgml/" + name;
    SgmlConversion conversion;
    if (std::strcmp(name, "listener") == 0) {
      conversion.converter.SetKtfToSgmlListener(new ShoutingListener());
    }
    conversion.templatePath = base + ".tpl";
    ASSERT_EQ(conversion.Recover(), K2S_OK)
        << name << ": " << conversion.converter.fgKTF2SGML_GetTemplateError();
    KtfDocumentReader reader;
    ASSERT_TRUE(reader.ReadFile((base + ".ktf").c_str())) << reader.error();
    ASSERT_EQ(reader.documents().size(), 1u);
    ASSERT_EQ(conversion.converter.fgKTF2SGML_InsertDocument(reader.documents()[0]), K2S_OK);
    EXPECT_EQ(conversion.Build(), ReadBytes(base + ".sgml")) << name;
  }
}

TEST(SgmlWriting, PrintsBlocksAroundFieldsLazily) {
  const std::string longText(90, 'f');
  std::string value(100000, 'v');
  value[99999] = 'w';
  const struct {
    std::string templateText;
    std::string data;  // "NAME=value|..."
    std::string expected;
  } cases[] = {
      {kDocTemplate, "AB=x", ""},  // no TI: neither begin nor end text
      {kDocTemplate, "TI=a|TI=b", "<DOC><TI>a</TI></DOC>"},
      // NOT_EMPTY skips an empty value and does not open its block.
      {"TEMPLATE { \"<A>\" [(TI) NOT_EMPTY \"[%s]\"] \"</A>\" }", "TI=", ""},
      {"TEMPLATE { \"<A>\" [(TI) \"[%s]\"] \"</A>\" }", "TI=", "<A>[]</A>"},
      // OFFSET and LENGTH at and past the value's edges (listener.tpl cuts within it).
      {"TEMPLATE [(TI) LENGTH=10 \"%s\"]", "TI=ABC", "ABC"},
      {"TEMPLATE [(TI) OFFSET=5 \"<%s>\"]", "TI=ABC", "<>"},
      {"TEMPLATE [(TI) OFFSET=2147483647 LENGTH=2147483647 \"<%s>\"]", "TI=ABC", "<>"},
      {"TEMPLATE [(TI) LENGTH=0 \"<%s>\"]", "TI=ABC", "<>"},
      {"TEMPLATE [(TI) \"100%% %s\"]", "TI=%s%d", "100% %s%d"},
      // FIELD_EXIST looks at the whole data; FIELD_NOT_EXIST from the cursor.
      {"TEMPLATE { FIELD_EXIST=(PN) [(TI) \"%s\"] }", "TI=t", ""},
      {"TEMPLATE { FIELD_EXIST=(PN) [(TI) \"%s\"] }", "TI=t|PN=p", "t"},
      {"TEMPLATE { FIELD_NOT_EXIST=(PN) [(TI) \"%s\"] }", "TI=t|PN=p", ""},
      {"TEMPLATE { FIELD_NOT_EXIST=(PN) [(TI) \"%s\"] }", "TI=t", "t"},
      // Both conditions: entered when the first holds and the second holds too.
      {"TEMPLATE { FIELD_EXIST=(TI) FIELD_NOT_EXIST=(AB) [(TI) \"%s\"] }", "TI=t", "t"},
      {"TEMPLATE { FIELD_EXIST=(TI) FIELD_NOT_EXIST=(AB) [(TI) \"%s\"] }", "TI=t|AB=a", ""},
      // A LEADER block entered again after its cursor passed the FIELD_EXIST field.
      {"TEMPLATE { \"<D>\" { LEADER=(PA) FIELD_EXIST=(TI) \"<P>\" [(PA) \"%s\"] \"</P>\" } "
       "{ [(PD) \"%s\"] } \"</D>\" }",
       "TI=t|PA=1|PA=2|PD=d", "<D><P>1</P><P>2</P>d</D>"},
      // A skipped block whose contents run to the end ends the walk.
      {"TEMPLATE [(TI) \"%s\"] { FIELD_EXIST=(ZZ) [(AB) \"%s\"] [(PD) \"%s\"] }", "TI=t|AB=a|PD=d",
       "t"},
      // Further occurrences found only in the final closing are not printed.
      {"TEMPLATE { \"<D>\" { LEADER=(PA) \"<P>\" [(PA) \"%s\"] \"</P>\" } \"</D>\" }", "PA=1|PA=2",
       "<D><P>1</P></D>"},
      // A field at a lower level closes the deeper blocks first.
      {"TEMPLATE { \"<A>\" { \"<B>\" [(X) \"x%s\"] \"</B>\" } [(Y) \"y%s\"] \"</A>\" } [(Z) "
       "\"z%s\"]",
       "X=|Y=|Z=", "<A><B>x</B>y</A>z"},
      // A repeated block of level 3: its enclosing block's entries are walked again.
      {"TEMPLATE { { \"<G>\" [(TI) \"%s\"] { LEADER=(PA) \"<P>\" [(PA) \"%s\"] \"</P>\" } "
       "{ [(PD) \"%s\"] } \"</G>\" } }",
       "TI=t1|PA=1|TI=t2|PA=2|PD=d", "<G>t1<P>1</P>t2<P>2</P>d</G>"},
      // Values and formats of any length.
      {"TEMPLATE [(TI) \"" + longText + "%s\"] [(TI) LENGTH=70000 \"%s\"]",
       "TI=" + value + "|TI=" + value, longText + value + value.substr(0, 70000)},
  };
  for (const auto& c : cases) {
    SgmlConversion conversion;
    ASSERT_EQ(conversion.Load(c.templateText), K2S_OK) << c.templateText;
    conversion.InsertAll(c.data);
    EXPECT_EQ(conversion.Build(), c.expected) << c.templateText.substr(0, 200);
  }
}

TEST(SgmlWriting, ReportsMissingDataTemplateAndPath) {
  {
    SgmlConversion conversion;
    ASSERT_EQ(conversion.Load(kDocTemplate), K2S_OK);
    EXPECT_EQ(conversion.converter.fgKTF2SGML_BuildSGMLFile(), K2S_NO_DATA);
    EXPECT_TRUE(std::filesystem::exists(conversion.sgmlPath));  // created, empty
    EXPECT_EQ(ReadBytes(conversion.sgmlPath), "");
  }
  {
    clKTF2SGML converter;  // no template read: no path either
    EXPECT_EQ(converter.fgKTF2SGML_InsertKTFData("TI", "t"), K2S_OK);
    EXPECT_EQ(converter.fgKTF2SGML_BuildSGMLFile(), K2S_OPEN_ERROR);
    EXPECT_EQ(converter.fgKTF2SGML_CreateSGMLDocument(), K2S_NO_TEMPLATE);
  }
  {
    SgmlConversion conversion;  // its template is not written yet
    EXPECT_EQ(conversion.Recover(), K2S_OPEN_ERROR);
    EXPECT_EQ(conversion.converter.fgKTF2SGML_GetBlocks(), nullptr);
    conversion.sgmlPath = conversion.dir.File("none") + "/x";  // in a missing folder
    ASSERT_EQ(conversion.Load(kDocTemplate), K2S_OK);
    conversion.Insert("TI", "t");
    EXPECT_EQ(conversion.converter.fgKTF2SGML_BuildSGMLFile(), K2S_OPEN_ERROR);
  }
}

// The output is written when the file is closed, or early once 64 KiB have
// gathered; a write cut short by the file size limit fails the build and
// leaves the bytes that fitted.
TEST(SgmlWriting, AFailedWriteEndsWithWriteError) {
  const std::string big(100000, 'v');
  const struct {
    size_t limit;       // bytes the file may hold
    std::string value;  // the TI value
  } cases[] = {
      {3, "Title"},
      {20, "Title"},
      {1000, big},  // the early write, in the middle of the walk, fails
  };
  for (const auto& c : cases) {
    SgmlConversion conversion;
    ASSERT_EQ(conversion.Load(kDocTemplate), K2S_OK);
    conversion.Insert("TI", c.value.c_str());
    EXPECT_EQ(BuildWithFileSizeLimit(conversion.converter, c.limit), K2S_WRITE_ERROR) << c.limit;
    const std::string full = "<DOC><TI>" + c.value + "</TI></DOC>";
    EXPECT_EQ(ReadBytes(conversion.sgmlPath), full.substr(0, c.limit)) << c.limit;
  }
}

TEST(KtfInsertion, AppliesRulesAsFieldsAreInserted) {
  const std::string rules =
      "TEMPLATE [(TI) \"%s\"] REPLACE (TI) \"&\" \"&amp;\" \"<\" \"&lt;\" "
      "(AU) \";\" NEW_FIELD (PN) CUT \" \" (CC) (NR) (KD) END_CUT (AN) CUT \" \" (AC) (AR) END_CUT "
      "(ZZ) \"x\" \"1\" (ZZ) \"x\" \"2\" (YY) \"ab\" \"X\" (YY) \"b\" \"Y\" (KD) \"B\" \"b\"";
  const struct {
    const char* name;
    const char* value;
    const char* data;
  } cases[] = {
      {"TI", "a&b<c", "TI=a&amp;b&lt;c"},
      {"AB", "a&b<c", "AB=a&b&lt;c"},  // only the rule without a field name applies
      {"TI", "", "TI="},
      {"AU", "A;B;", "AU=A|AU=B|AU="},
      {"AU", "A", "AU=A"},
      {"PN", "US 1234567 B2", "CC=US|NR=1234567|KD=B2|PN=US 1234567 B2|CC=US|NR=1234567|KD=b2"},
      {"PN", "US", "PN=US"},
      {"AN", "US 1234567 B2", "AC=US|AR=1234567 B2|AN=US 1234567 B2|AC=US|AR=1234567 B2"},
      {"ZZ", "axb", "ZZ=a12b"},  // two rules on one character both emit
      {"YY", "abc", "YY=XYc"},   // later rules are tried at the last matched character
  };
  for (const auto& c : cases) {
    SgmlConversion conversion;
    ASSERT_EQ(conversion.Load(rules), K2S_OK);
    EXPECT_EQ(conversion.converter.fgKTF2SGML_InsertKTFData(c.name, c.value), K2S_OK);
    EXPECT_EQ(conversion.Data(), c.data) << c.name << "=" << c.value;
  }
}

TEST(KtfInsertion, InsertsADocumentWithItsPagesAsImageParameters) {
  SgmlConversion conversion;
  // A page field that is not five words (built by hand: the reader refuses
  // it) goes in as data.
  const KtfDocument document{
      {"PN", "EP 1"}, {"FP", "p1.croft 297 210 0 5"}, {"TI", "t"}, {"FP", "p2.croft 297"}};
  ASSERT_EQ(conversion.converter.fgKTF2SGML_InsertDocument(document), K2S_OK);
  EXPECT_EQ(conversion.Data(),
            "PN=EP 1|IMGID=p1.croft|IMGHE=297|IMGWI=210|IMGLX=0|IMGLY=5|TI=t|FP=p2.croft 297");
}

TEST(KtfInsertion, StoresValuesUnchangedWithoutTemplateUntilTheNextDocument) {
  SgmlConversion conversion;
  conversion.Insert("AU", "A;B;");
  conversion.Insert("TI", "a&b");
  conversion.Insert(nullptr, "x");
  conversion.Insert("TI", nullptr);
  EXPECT_EQ(conversion.Data(), "AU=A;B;|TI=a&b");
  EXPECT_EQ(conversion.converter.fgKTF2SGML_NewDocument(), K2S_OK);
  EXPECT_EQ(conversion.Data(), "");
}

TEST(Converter, ConvertersKeepTheirOwnStateAcrossThreads) {
  const std::string templates[] = {
      kDocTemplate, "TEMPLATE { \"<X>\" [(TI) \"%s\"] \"</X>\" } REPLACE \"a\" \"b\""};
  const char* values[] = {"alpha", "gamma"};
  const std::string expected[] = {"<DOC><TI>alpha</TI></DOC>", "<X>gbmmb</X>"};
  std::string results[2];
  auto convert = [&](int which) {
    SgmlConversion conversion;
    for (int round = 0; round < 50; ++round) {
      (void)conversion.converter.fgKTF2SGML_NewDocument();
      (void)conversion.Load(templates[which]);
      conversion.Insert("TI", values[which]);
      if ((results[which] = conversion.Build()) != expected[which]) return;
    }
  };
  std::thread first(convert, 0);
  std::thread second(convert, 1);
  first.join();
  second.join();
  EXPECT_EQ(results[0], expected[0]);
  EXPECT_EQ(results[1], expected[1]);
}

TEST(Converter, CopiesAreIndependentAndTheListenerIsDeletedWhole) {
  bool destroyed = false;
  bool replacedDestroyed = false;
  auto* replaced = new ShoutingListener(&replacedDestroyed);
  {
    SgmlConversion conversion;
    conversion.converter.SetKtfToSgmlListener(replaced);
    conversion.converter.SetKtfToSgmlListener(new ShoutingListener(&destroyed));
    ASSERT_EQ(conversion.Load(kDocTemplate), K2S_OK);
    conversion.Insert("TI", "a");
    clKTF2SGML copy(conversion.converter);
    (void)conversion.converter.fgKTF2SGML_NewDocument();
    conversion.Insert("TI", "b");
    EXPECT_EQ(conversion.Build(), "<DOC><TI>TI:B</TI></DOC>");
    EXPECT_EQ(copy.fgKTF2SGML_BuildSGMLFile(), K2S_OK);  // same path, its own data, no listener
    EXPECT_EQ(ReadBytes(conversion.sgmlPath), "<DOC><TI>a</TI></DOC>");
    clKTF2SGML assigned;
    assigned = copy;
    clKTF2SGML& self = assigned;
    assigned = self;
    EXPECT_EQ(assigned.fgKTF2SGML_GetData()->GetCount(), 1u);
    EXPECT_FALSE(destroyed);
  }
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(replacedDestroyed);  // given back to the caller
  delete replaced;
}

}  // namespace
