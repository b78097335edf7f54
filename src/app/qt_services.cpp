#include "app/qt_services.h"

#include "controls/common_dialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTime>
#include <chrono>
#include <cstdio>

QString messageLines(const QString& text) {
  QString lines = text;
  return lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

std::unique_ptr<QMessageBox> makeMessageBox(const QString& text, const QString& title, MsgButtons buttons,
                                            MsgIcon icon, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(
      icon == MsgIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title, messageLines(text),
      buttons == MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
  // Font and file names come from files: a name with markup in it is shown as it stands.
  box->setTextFormat(Qt::PlainText);
  box->setDefaultButton(buttons == MsgButtons::YesNo ? QMessageBox::Yes : QMessageBox::Ok);
  return box;
}

MsgResult QtPrompts::messageBox(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon) {
  const int answer = makeMessageBox(text, title, buttons, icon, parent_)->exec();
  if (buttons == MsgButtons::Ok) return MsgResult::Ok;
  return answer == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
}

QString qtNameFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    if (description.isEmpty()) continue;
    // Qt's own form lists the patterns by blanks: a description that shows them already, either
    // way, gets them once.
    const QString spaced = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
    const bool shown = description.contains(QLatin1Char('(') + parts[i + 1] + QLatin1Char(')')) ||
                       description.contains(QLatin1Char('(') + spaced + QLatin1Char(')'));
    filters << (shown ? description : description + QStringLiteral(" (") + spaced + QLatin1Char(')'));
  }
  return filters.join(QStringLiteral(";;"));
}

QString QtPrompts::showOpen(const FileDialogRequest& request) {
  // One file at a time: the command installs the one path it gets back.
  return QFileDialog::getOpenFileName(parent_, request.title, request.fileName, qtNameFilters(request.filter));
}

QString QtPrompts::showSave(const FileDialogRequest& request) {
  // The program asks its own overwrite question.
  QString start = request.fileName;
  if (!start.isEmpty() && QDir::isRelativePath(start)) start = QDir::current().filePath(start);
  return QFileDialog::getSaveFileName(parent_, request.title, start, qtNameFilters(request.filter), nullptr,
                                      QFileDialog::DontConfirmOverwrite);
}

MsgResult StderrPrompts::messageBox(const QString& text, const QString& title, MsgButtons buttons, MsgIcon) {
  ++shown;
  std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(messageLines(text)));
  return buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
}

void EventLoopYielder::yield() { QCoreApplication::processEvents(); }

void ClockRandom::seedFromTime() {
  engine_.seed(static_cast<unsigned>(QTime::currentTime().msecsSinceStartOfDay()));
}

double ClockRandom::next() { return std::uniform_real_distribution<double>(0.0, 1.0)(engine_); }
