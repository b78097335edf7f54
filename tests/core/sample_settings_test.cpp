// Which texts the user may set as the sample: anything a row can show and an office file can hold.
#include "core/sample_settings.h"

#include <gtest/gtest.h>

TEST(SampleText, TakesWhatARowCanShowAndRefusesTheRestWithTheReason) {
  const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // one character, two UTF-16 units
  const struct {
    QString text;
    const char* problem;  // words the reason holds; "" for none
  } cases[] = {
      {QStringLiteral("The quick brown fox"), ""},
      {QString::fromUtf8("שלום עולם"), ""},                       // right to left
      {QString::fromUtf8("e\xCC\x81t\xC3\xA9 \xEF\xAC\x81n"), ""},  // a combining mark, a ligature
      {QString::fromUtf8("\xE0\xA4\x95\xE0\xA5\x8D\xE2\x80\x8D\xE0\xA4\xB7"), ""},  // a joiner
      {QString(200, QLatin1Char('x')), ""},
      {emoji.repeated(200), ""},  // 200 characters in 400 units
      {QString(201, QLatin1Char('x')), "longer than 200"},
      {emoji.repeated(201), "longer than 200"},
      {QString(), "empty"},
      {QStringLiteral("   "), "empty"},
      {QStringLiteral("a\tb"), "U+0009"},
      {QStringLiteral("a\nb"), "U+000A"},
      {QStringLiteral("a\rb"), "U+000D"},
      {QStringLiteral("a") + QChar(0x7F), "U+007F"},
      {QStringLiteral("a") + QChar(0x85), "U+0085"},
      {QStringLiteral("a") + QChar(0x2028) + QStringLiteral("b"), "U+2028"},
      {QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b"), "broken"},
      {QStringLiteral("a") + QChar(0xDC00), "broken"},
  };
  for (const auto& c : cases) {
    const QString problem = sampleTextProblem(c.text);
    if (*c.problem == 0) EXPECT_TRUE(problem.isEmpty()) << qPrintable(problem);
    else EXPECT_TRUE(problem.contains(QLatin1String(c.problem))) << c.problem << ": " << qPrintable(problem);
  }
}
