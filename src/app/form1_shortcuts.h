#pragma once
// What people expect of a file-handling desktop window, added to the main window's commands:
// Enter in the filter box filters; on a grid row Ctrl+C copies the font file, Delete asks to
// remove it, Ctrl+I shows its details, Ctrl+D adds it to the comparison, a context menu offers
// these and the file's folder; a row dragged out of the grid is a file drag; font files dropped
// on the window are installed. The grid's context menu also switches OpenType and collection
// files on and off and searches by properties, wherever it is opened.
#include <QObject>
#include <QPoint>
#include <QStringList>
#include <functional>

class Form1;
class QDrag;
class QDropEvent;
class QMenu;

class Form1Conveniences : public QObject {
  Q_OBJECT
 public:
  explicit Form1Conveniences(Form1& form);

  // Runs a row's file drag; tests swap it to look at the drag without a drag loop.
  std::function<void(QDrag&)> runDrag;
  // The grid's context menu: the row's commands (the row becomes the selected row first) when
  // there is a row, and the choice of file formats.
  QMenu* rowMenu(int row);
  // Shows the row's folder in the file manager.
  void openContainingFolder(int row);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool gridEvent(QEvent* event);
  bool viewportEvent(QEvent* event);
  bool dropEvent(QObject* watched, QEvent* event);
  bool hasRow(int row) const;
  void selectRow(int row);

  Form1& form_;
  int pressRow_ = -1;
  QPoint pressPos_;
};

// The local files a drop carries; empty when it carries anything else.
QStringList droppedFiles(const QDropEvent& event);
