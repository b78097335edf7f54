#include "catalogue/face_query.h"

#include "fontfile/face_details.h"

#include <QRegularExpression>
#include <algorithm>

using truetype::FaceDetails;

namespace {

// An OpenType tag as a term names it and as a file stores it: trailing blanks do not count.
QByteArray tagOf(QByteArray tag) {
  while (tag.endsWith(' ')) tag.chop(1);
  return tag;
}

bool hasTag(const QList<QByteArray>& tags, const QByteArray& tag) {
  return std::any_of(tags.begin(), tags.end(), [&](const QByteArray& t) { return tagOf(t) == tag; });
}

// The text keys a KEY~TEXT term may name: the names, by their JSON keys, and the other texts.
std::optional<std::function<QString(const FaceDetails&, QStringView)>> textKey(QStringView key) {
  for (const truetype::DetailName& name : truetype::kDetailNames)
    if (key == QLatin1String(name.key)) {
      const uint16_t id = name.id;
      return [id](const FaceDetails& d, QStringView) { return d.names[id]; };
    }
  if (key == u"path") return [](const FaceDetails&, QStringView path) { return path.toString(); };
  if (key == u"vendor") return [](const FaceDetails& d, QStringView) { return QString::fromLatin1(d.vendor); };
  if (key == u"format") return [](const FaceDetails& d, QStringView) { return QString::fromLatin1(truetype::outlineName(d.outline)); };
  if (key == u"embedding")
    return [](const FaceDetails& d, QStringView) { return QString::fromLatin1(truetype::embeddingName(d.fsType)); };
  if (key == u"spacing") return [](const FaceDetails& d, QStringView) { return QString::fromLatin1(truetype::spacingName(d.spacing)); };
  return std::nullopt;
}

// weight>=N, weight<=N, weight=N and the same for width.
std::optional<std::function<bool(const FaceDetails&, QStringView)>> rangeTest(QStringView term) {
  static const QRegularExpression form(QStringLiteral("^(weight|width)(>=|<=|=)([0-9]{1,5})$"));
  const auto m = form.match(term);
  if (!m.hasMatch()) return std::nullopt;
  const bool weight = m.captured(1) == u"weight";
  const QString op = m.captured(2);
  const int n = m.captured(3).toInt();
  return [=](const FaceDetails& d, QStringView) {
    if (!d.hasOs2) return false;
    const int v = weight ? d.weight : d.width;
    return op == u">=" ? v >= n : op == u"<=" ? v <= n : v == n;
  };
}

}  // namespace

std::optional<FaceQuery::Test> FaceQuery::testOf(QStringView term) {
  if (term == u"mono")
    return [](const FaceDetails& d, QStringView) {
      return d.spacing == truetype::Spacing::Mono || d.spacing == truetype::Spacing::Charcell;
    };
  if (term == u"variable") return [](const FaceDetails& d, QStringView) { return !d.axes.isEmpty(); };
  if (term == u"italic") return [](const FaceDetails& d, QStringView) { return (d.fsSelection & 0x01) != 0; };
  if (term == u"bold") return [](const FaceDetails& d, QStringView) { return (d.fsSelection & 0x20) != 0; };
  if (term == u"cff")
    return [](const FaceDetails& d, QStringView) {
      return d.outline == truetype::Outline::CFF || d.outline == truetype::Outline::CFF2;
    };
  if (auto range = rangeTest(term)) return range;
  const qsizetype eq = term.indexOf(u'='), tilde = term.indexOf(u'~');
  if (tilde > 0 && (eq < 0 || tilde < eq)) {
    const auto text = textKey(term.first(tilde));
    const QString needle = term.sliced(tilde + 1).toString();
    if (!text || needle.isEmpty()) return std::nullopt;
    return [get = *text, needle](const FaceDetails& d, QStringView path) {
      return get(d, path).contains(needle, Qt::CaseInsensitive);
    };
  }
  if (eq <= 0 || eq == term.size() - 1) return std::nullopt;
  const QStringView key = term.first(eq), value = term.sliced(eq + 1);
  if (key == u"lang") {
    const QByteArray tag = value.toLatin1().toLower();
    return [tag](const FaceDetails& d, QStringView) { return d.languages.contains(tag); };
  }
  if (key == u"script" || key == u"feature") {
    const QByteArray tag = tagOf(value.toLatin1());
    if (tag.isEmpty() || tag.size() > 4) return std::nullopt;
    const bool script = key == u"script";
    return [tag, script](const FaceDetails& d, QStringView) { return hasTag(script ? d.scripts : d.features, tag); };
  }
  if (key == u"embedding") {
    static const QStringList levels{QStringLiteral("installable"), QStringLiteral("restricted"),
                                    QStringLiteral("print"), QStringLiteral("editable")};
    if (!levels.contains(value)) return std::nullopt;
    const QString level = value.toString();
    return [level](const FaceDetails& d, QStringView) { return level == QLatin1String(truetype::embeddingName(d.fsType)); };
  }
  if (key == u"vendor") {
    const QString id = value.toString().trimmed();
    return [id](const FaceDetails& d, QStringView) {
      return QString::fromLatin1(d.vendor).trimmed().compare(id, Qt::CaseInsensitive) == 0;
    };
  }
  return std::nullopt;
}

std::optional<FaceQuery> FaceQuery::parse(const QString& expression, QString* error) {
  FaceQuery query;
  for (const QStringView part : QStringView(expression).split(u',')) {
    const QStringView text = part.trimmed();
    if (text.isEmpty() && expression.trimmed().isEmpty()) continue;  // no condition at all
    Term term;
    term.negated = text.startsWith(u'!');
    auto test = testOf(term.negated ? text.sliced(1) : text);
    if (!test) {
      if (error) *error = QStringLiteral("bad term in --where: \"%1\"").arg(text);
      return std::nullopt;
    }
    term.test = std::move(*test);
    query.terms_.push_back(std::move(term));
  }
  return query;
}

bool FaceQuery::holds(const FaceDetails& details, QStringView path) const {
  return std::all_of(terms_.begin(), terms_.end(),
                     [&](const Term& t) { return t.test(details, path) != t.negated; });
}
