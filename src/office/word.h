#pragma once
// Our own stand-in for the word processor: the members the Word export calls, writing real
// files. A document is a list of paragraphs, each one line of runs that carry a font name.
// Failures are thrown as RuntimeError.
#include "core/runtime_error.h"
#include "office/text_font.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace office {

struct TextRun {
  QString text;
  TextFont font;
};

struct Paragraph {
  std::vector<TextRun> runs;  // adjacent runs never share a font
  TextFont markFont;           // font of the paragraph mark: what text typed into an empty paragraph gets
  QString text() const;
  int length() const;
};

class Document {
 public:
  Document();
  virtual ~Document() = default;
  // Saves in the format the extension asks for (case-insensitive): ".docx" Office Open
  // XML, anything else Rich Text Format. The file is replaced only once completely written.
  virtual void SaveAs(const QString& path);

  const std::vector<Paragraph>& paragraphs() const { return paragraphs_; }
  static QString defaultFont() { return QStringLiteral("Times New Roman"); }

 private:
  friend class Selection;
  std::vector<Paragraph> paragraphs_;  // never empty: a document ends with a paragraph mark
};

// The insertion point and selection of the active document. Positions are within one
// paragraph: a line in this model.
class Selection {
 public:
  virtual ~Selection() = default;
  // Types at the insertion point, replacing the selection; a CR or LF starts a new paragraph.
  virtual void TypeText(const QString& text);
  // HomeKey(unit 5 = line, extend): to the start of the line; with extend 1 the selection
  // then runs from there to where the insertion point was.
  virtual void HomeKey(int unit = kLine, int extend = kMove);
  // Font.Name, Font.Bold, Font.Italic: of the selected text, or of the text typed next when
  // the selection is empty.
  virtual void setFontName(const QString& name);
  virtual void setFontBold(bool bold);
  virtual void setFontItalic(bool italic);
  QString fontName() const;  // "" when the selection holds more than one font name
  // MoveRight(unit 1 = character, count): a selection collapses to its end, which counts as
  // the first step; the insertion point stops at the end of the document.
  virtual void MoveRight(int unit = kCharacter, int count = 1);
  // Ends the paragraph at the insertion point.
  virtual void TypeParagraph();

  static constexpr int kCharacter = 1;
  static constexpr int kLine = 5;
  static constexpr int kMove = 0;
  static constexpr int kExtend = 1;

 private:
  friend class WordApplication;
  void attach(Document* document);
  Document& document() const;
  Paragraph& paragraph() const;
  TextFont fontAtInsertionPoint() const;
  void changeFont(const std::function<void(TextFont&)>& change);
  void collapseSelection();

  Document* document_ = nullptr;
  int paragraph_ = 0;
  int anchor_ = 0;     // the selection runs between anchor_ and active_ in the current paragraph
  int active_ = 0;
  std::optional<TextFont> pendingFont_;  // set on an empty selection: applies to what is typed next
};

class WordApplication {
 public:
  WordApplication();
  virtual ~WordApplication() = default;
  virtual void setVisible(bool) {}  // the stand-in has no window
  // Documents.add: the new document becomes the active one, with the insertion point at
  // its start. Documents live as long as the application object.
  virtual Document& documentsAdd();
  virtual Selection& selection();
  virtual void quit();

 private:
  bool quit_ = false;
  std::vector<std::unique_ptr<Document>> documents_;
  Selection selection_;
};

}  // namespace office
