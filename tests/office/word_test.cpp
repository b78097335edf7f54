// The word-processor stand-in: the selection model the export drives, and what readers
// find in the files it writes (python-docx for .docx, a small RTF reader of our own).
#include "office/office_factory.h"
#include "office/word.h"
#include "reader.h"

#include <QJsonArray>
#include <QJsonObject>
#include <map>

using namespace office;
using namespace office_test;

namespace {

struct Run {
  QString text, font;  // the font name, then " [b]" when bold and " [i]" when italic
  bool operator==(const Run&) const = default;
  friend void PrintTo(const Run& r, std::ostream* os) {
    *os << '"' << r.text.toStdString() << "\" in " << r.font.toStdString();
  }
};
using Paragraphs = std::vector<std::vector<Run>>;

// Reads back what our RTF holds: the font table, then paragraphs of runs. Understands
// groups, control words, \'hh, \uN with one fallback character, and the escaped \ { }.
Paragraphs readRtf(const QByteArray& rtf) {
  std::map<int, QString> fontTable;
  Paragraphs paragraphs(1);
  struct State { int font = 0; bool fontTable = false, bold = false, italic = false; };
  std::vector<State> stack{State{}};
  int tableFont = -1;
  QString tableName;
  int skip = 0;  // fallback characters still to drop after \uN
  auto put = [&](QChar c) {
    if (skip > 0) { --skip; return; }
    if (stack.back().fontTable) {
      if (c == QLatin1Char(';')) { fontTable[tableFont] = tableName; tableName.clear(); }
      else tableName += c;
      return;
    }
    auto& runs = paragraphs.back();
    const State& st = stack.back();
    const QString font = (fontTable.count(st.font) ? fontTable[st.font] : QStringLiteral("?")) +
                         (st.bold ? " [b]" : "") + (st.italic ? " [i]" : "");
    if (runs.empty() || runs.back().font != font) runs.push_back({QString(), font});
    runs.back().text += c;
  };
  for (qsizetype i = 0; i < rtf.size();) {
    const char c = rtf[i];
    if (c == '{') { stack.push_back(stack.back()); ++i; continue; }
    if (c == '}') { stack.pop_back(); ++i; continue; }
    if (c == '\r' || c == '\n') { ++i; continue; }
    if (c != '\\') { put(QChar(uchar(c))); ++i; continue; }
    const char n = rtf[i + 1];
    if (n == '\\' || n == '{' || n == '}') { put(QLatin1Char(n)); i += 2; continue; }
    if (n == '\'') { put(QChar(rtf.mid(i + 2, 2).toInt(nullptr, 16))); i += 4; continue; }
    qsizetype j = i + 1;
    while (j < rtf.size() && std::isalpha(uchar(rtf[j]))) ++j;
    const QByteArray word = rtf.mid(i + 1, j - i - 1);
    qsizetype k = j;
    if (k < rtf.size() && rtf[k] == '-') ++k;
    while (k < rtf.size() && std::isdigit(uchar(rtf[k]))) ++k;
    const int param = k > j ? rtf.mid(j, k - j).toInt() : 1;  // \b is \b1
    if (k < rtf.size() && rtf[k] == ' ') ++k;
    i = k;
    if (word == "fonttbl") stack.back().fontTable = true;
    else if (word == "f" && stack.back().fontTable) tableFont = param;
    else if (word == "f") stack.back().font = param;
    else if (word == "plain") stack.back() = State{};
    else if (word == "b") stack.back().bold = param != 0;
    else if (word == "i") stack.back().italic = param != 0;
    else if (word == "par") paragraphs.emplace_back();
    else if (word == "tab") put(QLatin1Char('\t'));
    else if (word == "u") { skip = 0; put(QChar(char16_t(param < 0 ? param + 65536 : param))); skip = 1; }
  }
  return paragraphs;
}

QString styled(const TextFont& f) { return f.name + (f.bold ? " [b]" : "") + (f.italic ? " [i]" : ""); }
// Name i is set plain, bold, italic, bold italic in turn.
bool boldAt(int i) { return i % 4 == 1 || i % 4 == 3; }
bool italicAt(int i) { return i % 4 >= 2; }

// The calls the export makes per font.
void typeLikeExport(WordApplication& word, const QStringList& names) {
  for (int i = 0; i < names.size(); ++i) {
    word.selection().TypeText(QString::number(i + 1) + QStringLiteral("    ") + names[i] +
                              QStringLiteral("     AaBbCc123"));
    word.selection().HomeKey(Selection::kLine, Selection::kExtend);
    word.selection().setFontName(names[i]);
    word.selection().setFontBold(boldAt(i));
    word.selection().setFontItalic(italicAt(i));
    word.selection().MoveRight(Selection::kCharacter, 1);
    word.selection().TypeParagraph();
  }
}

const QStringList kNames{QStringLiteral("DejaVu Sans"), QStringLiteral("Ünïcødé 字体"),
                         QStringLiteral("Curly {braces} back\\slash; semi"),
                         QStringLiteral("Tom & Jerry <b> \"quoted\""),
                         QString::fromUtf8("\xF0\x9D\x94\x89raktur")};

// One paragraph per name, all of it in that font, then the empty last paragraph.
Paragraphs expectedExport() {
  Paragraphs p;
  for (int i = 0; i < kNames.size(); ++i)
    p.push_back({{QString::number(i + 1) + QStringLiteral("    ") + kNames[i] + QStringLiteral("     AaBbCc123"),
                  styled({kNames[i], boldAt(i), italicAt(i)})}});
  p.emplace_back();
  return p;
}

Paragraphs fromModel(const Document& doc) {
  Paragraphs out;
  for (const Paragraph& p : doc.paragraphs()) {
    out.emplace_back();
    for (const TextRun& r : p.runs) out.back().push_back({r.text, styled(r.font)});
  }
  return out;
}

Paragraphs readDocx(const QString& path) {
  Paragraphs out;
  for (const auto& p : runReader(kReadDocx, {path}).array()) {
    out.emplace_back();
    for (const auto& r : p.toObject()["runs"].toArray())
      out.back().push_back({r.toObject()["text"].toString(), r.toObject()["font"].toString()});
  }
  return out;
}

int errorNumber(const std::function<void()>& f) {
  try { f(); } catch (const RuntimeError& e) { return e.number; }
  return 0;
}

}  // namespace

TEST(WordSelection, TheExportSequenceSetsEachLineInItsFont) {
  auto word = OfficeFactory().createWord();
  word->setVisible(false);
  Document& doc = word->documentsAdd();
  typeLikeExport(*word, kNames);
  EXPECT_EQ(fromModel(doc), expectedExport());
  word->quit();
  EXPECT_EQ(errorNumber([&] { word->selection(); }), 462);
}

TEST(WordSelection, MovesSelectionsAndTypingFollowTheWordProcessor) {
  WordApplication word;
  EXPECT_EQ(errorNumber([&] { word.selection().TypeText(QStringLiteral("x")); }), 4248);
  Document& doc = word.documentsAdd();
  Selection& s = word.selection();
  EXPECT_EQ(s.fontName(), Document::defaultFont());

  // A font set on an empty selection applies to what is typed next.
  s.setFontName(QStringLiteral("Mono"));
  s.TypeText(QStringLiteral("world"));
  s.HomeKey(Selection::kLine, Selection::kMove);
  s.TypeText(QStringLiteral("hello "));  // takes the font of the text it is typed before
  EXPECT_EQ(fromModel(doc), (Paragraphs{{{QStringLiteral("hello world"), QStringLiteral("Mono")}}}));

  // Typing replaces a selection; a selection of two fonts has no single font name.
  s.HomeKey(Selection::kLine, Selection::kExtend);
  s.setFontName(QStringLiteral("Serif"));
  s.MoveRight(Selection::kCharacter, 1);  // collapses to the end of the selection
  s.MoveRight(Selection::kCharacter, 99);  // stops at the end of the document
  s.HomeKey(Selection::kLine, Selection::kExtend);
  EXPECT_EQ(s.fontName(), QString());
  EXPECT_EQ(fromModel(doc), (Paragraphs{{{QStringLiteral("hello "), QStringLiteral("Serif")},
                                         {QStringLiteral("world"), QStringLiteral("Mono")}}}));
  s.TypeText(QStringLiteral("one\r\ntwo\rthree\tend"));
  EXPECT_EQ(fromModel(doc), (Paragraphs{{{QStringLiteral("one"), QStringLiteral("Serif")}},
                                        {{QStringLiteral("two"), QStringLiteral("Serif")}},
                                        {{QStringLiteral("three\tend"), QStringLiteral("Serif")}}}));
  EXPECT_EQ(errorNumber([&] { s.HomeKey(3, 1); }), 4120);
  EXPECT_EQ(errorNumber([&] { s.MoveRight(2, 1); }), 4120);
}

TEST(WordDocument, DocxReadsBackWithEveryParagraphInItsFont) {
  QTemporaryDir dir;
  WordApplication word;
  Document& doc = word.documentsAdd();
  typeLikeExport(word, kNames);
  word.selection().TypeText(QStringLiteral("tab\there, bell\a gone"));
  const QString path = dir.filePath(QStringLiteral("Fonts.DOCX"));
  doc.SaveAs(path);
  EXPECT_TRUE(readAll(path).startsWith("PK"));
  Paragraphs expected = expectedExport();
  expected.back() = {{QStringLiteral("tab\there, bell gone"), expected[kNames.size() - 1][0].font}};
  EXPECT_EQ(readDocx(path), expected);
  EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("Fonts.DOCX")});
}

TEST(WordDocument, DocRtfAndOtherNamesAreRichTextWithEveryParagraphInItsFont) {
  QTemporaryDir dir;
  WordApplication word;
  Document& doc = word.documentsAdd();
  typeLikeExport(word, kNames);
  for (const QString& name : {QStringLiteral("Fonts.doc"), QStringLiteral("Fonts.RTF"), QStringLiteral("Fonts.txt")}) {
    doc.SaveAs(dir.filePath(name));
    const QByteArray rtf = readAll(dir.filePath(name));
    EXPECT_TRUE(rtf.startsWith("{\\rtf1")) << name.toStdString();
    // Pure ASCII: everything else travels as escapes.
    EXPECT_FALSE(std::any_of(rtf.begin(), rtf.end(), [](char c) { return uchar(c) >= 0x80; }));
    // A ';' would end the name in the font table, so it is left out of the name there.
    Paragraphs expected = expectedExport();
    expected[2][0].font.remove(QLatin1Char(';'));
    EXPECT_EQ(readRtf(rtf), expected) << name.toStdString();
  }
}

TEST(WordDocument, EmptyDocumentsStillSaveValidFiles) {
  QTemporaryDir dir;
  WordApplication word;
  Document& doc = word.documentsAdd();
  doc.SaveAs(dir.filePath(QStringLiteral("empty.docx")));
  doc.SaveAs(dir.filePath(QStringLiteral("empty.doc")));
  EXPECT_EQ(readDocx(dir.filePath(QStringLiteral("empty.docx"))), Paragraphs(1));
  EXPECT_EQ(readRtf(readAll(dir.filePath(QStringLiteral("empty.doc")))), Paragraphs(1));
}

TEST(WordDocument, FailedSavesKeepTheOldFileAndLeaveNoTemporaryBehind) {
  QTemporaryDir dir;
  WordApplication word;
  Document& doc = word.documentsAdd();
  word.selection().TypeText(QStringLiteral("text"));
  for (const QString& ext : {QStringLiteral("doc"), QStringLiteral("docx")}) {
    EXPECT_EQ(errorNumber([&] { doc.SaveAs(dir.filePath(QStringLiteral("gone/Fonts.") + ext)); }), 76);
    const QString folder = dir.filePath(QStringLiteral("taken.") + ext);
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(writeAll(folder + QStringLiteral("/inside"), "kept"));
    EXPECT_EQ(errorNumber([&] { doc.SaveAs(folder); }), 75);
    EXPECT_EQ(readAll(folder + QStringLiteral("/inside")), QByteArray("kept"));
  }
  EXPECT_EQ(errorNumber([&] { doc.SaveAs(QString()); }), 76);
  EXPECT_EQ(entries(dir.path()), (QStringList{QStringLiteral("taken.doc"), QStringLiteral("taken.docx")}));
}
