#include "ktf/KtfDocumentWriter.h"

#include <gtest/gtest.h>

#include <string>

#include "ktf/KtfDocumentReader.h"

namespace {

TEST(KtfDocumentWriter, WritesWhatTheReaderReadsBackByteForByte) {
  const KtfDocument document{{"PN", "EP 1000000 A1"},
                             {"AB", "line one\nline two\r\\ end = \xe9t\xe9\\n"},
                             {"PA", ""},
                             {"PA", "Holm & Sons"}};
  const std::string text = KtfDocumentWriter::ToText(document);
  EXPECT_EQ(text,
            "PN=EP 1000000 A1\nAB=line one\\nline two\\r\\\\ end = \xe9t\xe9\\\\n\nPA=\nPA=Holm & "
            "Sons\n");
  // Documents joined as files join them: comments, extra and CR LF empty lines.
  KtfDocumentReader reader;
  ASSERT_TRUE(reader.Parse("# comment\n\n" + text + "\n\n\r\n" + text)) << reader.error();
  ASSERT_EQ(reader.documents().size(), 2u);
  EXPECT_EQ(reader.documents()[0], document);
  EXPECT_EQ(reader.documents()[1], document);
}

}  // namespace
