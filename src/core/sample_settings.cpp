#include "core/sample_settings.h"

QString sampleTextProblem(const QString& text) {
  if (text.trimmed().isEmpty()) return QStringLiteral("The sample text is empty.");
  int characters = 0;
  for (qsizetype i = 0; i < text.size(); ++i, ++characters) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      ++i;
      continue;
    }
    if (c.isSurrogate()) return QStringLiteral("The sample text holds a broken character.");
    // Tabs, line breaks and other controls would break a row in two or be dropped by an office
    // program; the separators of lines and paragraphs likewise.
    const QChar::Category category = c.category();
    if (category == QChar::Other_Control || category == QChar::Separator_Line ||
        category == QChar::Separator_Paragraph)
      return QStringLiteral("The sample text holds a control character (U+%1): it cannot be shown or exported.")
          .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0')));
  }
  if (characters > kMaxSampleCharacters)
    return QStringLiteral("The sample text is longer than %1 characters.").arg(kMaxSampleCharacters);
  return {};
}
