#include "office/word.h"

#include "office/document_writers.h"
#include "office/save_file.h"

#include <algorithm>
#include <cerrno>

namespace office {

namespace {


// Splits the run that holds position `pos` so that a run starts there; returns its index.
size_t splitAt(Paragraph& p, int pos) {
  int start = 0;
  for (size_t i = 0; i < p.runs.size(); ++i) {
    const int len = int(p.runs[i].text.size());
    if (pos == start) return i;
    if (pos < start + len) {
      TextRun tail{p.runs[i].text.mid(pos - start), p.runs[i].font};
      p.runs[i].text.truncate(pos - start);
      p.runs.insert(p.runs.begin() + qsizetype(i) + 1, std::move(tail));
      return i + 1;
    }
    start += len;
  }
  return p.runs.size();
}

void normalize(Paragraph& p) {
  std::vector<TextRun> out;
  out.reserve(p.runs.size());
  for (TextRun& r : p.runs) {
    if (r.text.isEmpty()) continue;
    if (!out.empty() && out.back().font == r.font) out.back().text += r.text;
    else out.push_back(std::move(r));
  }
  p.runs = std::move(out);
}

// Font of the character at `pos` (clamped into the text), or the paragraph mark's.
TextFont fontOfChar(const Paragraph& p, int pos) {
  int start = 0;
  for (const TextRun& r : p.runs) {
    if (pos < start + int(r.text.size())) return r.font;
    start += int(r.text.size());
  }
  return p.runs.empty() ? p.markFont : p.runs.back().font;
}

void removeRange(Paragraph& p, int from, int to) {
  if (from >= to) return;
  const size_t a = splitAt(p, from);
  const size_t b = splitAt(p, to);
  p.runs.erase(p.runs.begin() + qsizetype(a), p.runs.begin() + qsizetype(b));
  normalize(p);
}

}  // namespace

QString Paragraph::text() const {
  QString t;
  for (const TextRun& r : runs) t += r.text;
  return t;
}

int Paragraph::length() const {
  int n = 0;
  for (const TextRun& r : runs) n += int(r.text.size());
  return n;
}

Document::Document() { paragraphs_.push_back(Paragraph{{}, TextFont{defaultFont()}}); }

void Document::SaveAs(const QString& path) {
  if (path.isEmpty()) throw saveError(path, FileStatus::fromErrno(ENOENT));
  if (lowerExtension(path) == QLatin1String("docx")) writeDocxFile(paragraphs_, path);
  else saveBytes(path, buildRtf(paragraphs_));
}

void Selection::attach(Document* document) {
  document_ = document;
  paragraph_ = anchor_ = active_ = 0;
  pendingFont_.reset();
}

Document& Selection::document() const {
  if (!document_)
    throw errors::noDocumentOpen();
  return *document_;
}

Paragraph& Selection::paragraph() const { return document().paragraphs_[size_t(paragraph_)]; }

TextFont Selection::fontAtInsertionPoint() const {
  if (pendingFont_) return *pendingFont_;
  const Paragraph& p = paragraph();
  const int from = std::min(anchor_, active_);
  // Typed text takes the font of the character before it; at the start of a line, that of
  // the first character.
  return fontOfChar(p, from > 0 ? from - 1 : 0);
}

void Selection::collapseSelection() {
  anchor_ = active_ = std::max(anchor_, active_);
}

void Selection::TypeText(const QString& text) {
  qsizetype from = 0;
  while (from <= text.size()) {
    qsizetype brk = from;
    while (brk < text.size() && text.at(brk) != QLatin1Char('\r') && text.at(brk) != QLatin1Char('\n')) ++brk;
    const QString chunk = text.mid(from, brk - from);
    if (!chunk.isEmpty()) {
      Paragraph& p = paragraph();
      const TextFont font = fontAtInsertionPoint();
      const int start = std::min(anchor_, active_);
      removeRange(p, start, std::max(anchor_, active_));
      const size_t at = splitAt(p, start);
      p.runs.insert(p.runs.begin() + qsizetype(at), TextRun{chunk, font});
      normalize(p);
      anchor_ = active_ = start + int(chunk.size());
      pendingFont_.reset();
    }
    if (brk >= text.size()) break;
    TypeParagraph();
    // CR LF is one break.
    from = brk + 1;
    if (text.at(brk) == QLatin1Char('\r') && from < text.size() && text.at(from) == QLatin1Char('\n')) ++from;
  }
}

void Selection::HomeKey(int unit, int extend) {
  document();
  if (unit != kLine || (extend != kMove && extend != kExtend)) throw errors::badParameter();
  active_ = 0;
  if (extend == kMove) anchor_ = 0;
  pendingFont_.reset();
}

void Selection::setFontName(const QString& name) {
  if (name.isEmpty()) return;
  changeFont([&](TextFont& f) { f.name = name; });
}

void Selection::setFontBold(bool bold) {
  changeFont([&](TextFont& f) { f.bold = bold; });
}

void Selection::setFontItalic(bool italic) {
  changeFont([&](TextFont& f) { f.italic = italic; });
}

void Selection::changeFont(const std::function<void(TextFont&)>& change) {
  Paragraph& p = paragraph();
  const int from = std::min(anchor_, active_);
  const int to = std::max(anchor_, active_);
  if (from == to) {
    TextFont font = fontAtInsertionPoint();
    change(font);
    pendingFont_ = font;
    if (p.runs.empty()) p.markFont = font;
    return;
  }
  const size_t a = splitAt(p, from);
  const size_t b = splitAt(p, to);
  for (size_t i = a; i < b; ++i) change(p.runs[i].font);
  normalize(p);
}

QString Selection::fontName() const {
  const Paragraph& p = paragraph();
  const int from = std::min(anchor_, active_);
  const int to = std::max(anchor_, active_);
  if (from == to) return fontAtInsertionPoint().name;
  const QString first = fontOfChar(p, from).name;
  int start = 0;
  for (const TextRun& r : p.runs) {
    const int end = start + int(r.text.size());
    if (end > from && start < to && r.font.name != first) return {};
    start = end;
  }
  return first;
}

void Selection::MoveRight(int unit, int count) {
  document();
  if (unit != kCharacter) throw errors::badParameter();
  if (count <= 0) return;
  pendingFont_.reset();
  if (anchor_ != active_) {
    collapseSelection();
    --count;
  }
  const auto& paragraphs = document().paragraphs_;
  for (; count > 0; --count) {
    if (active_ < paragraph().length()) {
      ++active_;
    } else if (size_t(paragraph_) + 1 < paragraphs.size()) {
      ++paragraph_;  // over the paragraph mark
      active_ = 0;
    } else {
      break;  // the end of the document
    }
  }
  anchor_ = active_;
}

void Selection::TypeParagraph() {
  Paragraph& p = paragraph();
  const TextFont font = fontAtInsertionPoint();
  const int start = std::min(anchor_, active_);
  removeRange(p, start, std::max(anchor_, active_));
  const size_t at = splitAt(p, start);
  Paragraph next;
  next.runs.assign(std::make_move_iterator(p.runs.begin() + qsizetype(at)),
                   std::make_move_iterator(p.runs.end()));
  p.runs.erase(p.runs.begin() + qsizetype(at), p.runs.end());
  next.markFont = font;
  auto& paragraphs = document().paragraphs_;
  paragraphs.insert(paragraphs.begin() + paragraph_ + 1, std::move(next));
  ++paragraph_;
  anchor_ = active_ = 0;
  pendingFont_.reset();
}

WordApplication::WordApplication() = default;

Document& WordApplication::documentsAdd() {
  if (quit_) throw errors::remoteServerUnavailable();
  documents_.push_back(std::make_unique<Document>());
  selection_.attach(documents_.back().get());
  return *documents_.back();
}

Selection& WordApplication::selection() {
  if (quit_) throw errors::remoteServerUnavailable();
  return selection_;
}

void WordApplication::quit() {
  quit_ = true;
  selection_.attach(nullptr);
}

}  // namespace office
