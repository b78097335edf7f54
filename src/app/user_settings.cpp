#include "app/user_settings.h"

#include <QSettings>

namespace {
const QString kAllFormatsKey = QStringLiteral("catalogue/allFormats");

QSettings userSettings() { return QSettings(QStringLiteral("typorama"), QStringLiteral("typorama")); }
}  // namespace

FontFormats savedFontFormats() {
  return userSettings().value(kAllFormatsKey, false).toBool() ? FontFormats::All : FontFormats::TrueType;
}

void saveFontFormats(FontFormats formats) { userSettings().setValue(kAllFormatsKey, formats == FontFormats::All); }

namespace {
const QString kSampleTextKey = QStringLiteral("sample/text");
const QString kSamplePointsKey = QStringLiteral("sample/points");
const QString kOwnScriptKey = QStringLiteral("sample/ownScript");
}  // namespace

SampleSettings savedSample() {
  QSettings settings = userSettings();
  SampleSettings sample;
  const QString text = settings.value(kSampleTextKey, kSampleText).toString();
  if (sampleTextProblem(text).isEmpty()) sample.text = text;  // a file edited by hand may hold anything
  const double points = settings.value(kSamplePointsKey, 0.0).toDouble();
  if (points >= kMinSamplePoints && points <= kMaxSamplePoints) sample.points = points;
  sample.ownScript = settings.value(kOwnScriptKey, false).toBool();
  return sample;
}

void saveSample(const SampleSettings& sample) {
  QSettings settings = userSettings();
  settings.setValue(kSampleTextKey, sample.text);
  settings.setValue(kSamplePointsKey, sample.points);
  settings.setValue(kOwnScriptKey, sample.ownScript);
}
