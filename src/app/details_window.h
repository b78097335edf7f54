#pragma once
// The details of the face a catalogue grid's selected row shows: every fact its tables and
// fontconfig give, labelled, selectable and read out by screen readers; a sample drawn from the
// file at a size the user picks; the file's folder and a copy of it all as text. Non-modal, it
// follows the grid's selection while open. Opening it reads that one face only.
#include "fontfile/details_text.h"
#include "platform/services_bundle.h"

#include <QDialog>
#include <QKeySequence>
#include <QPointer>

class FlexGrid;
class ListBox;
class FaceSample;
class QFormLayout;
class QLabel;
class QPushButton;
class QScrollArea;
class QSpinBox;

inline const QKeySequence kDetailsKey(Qt::CTRL | Qt::Key_I);

class DetailsWindow : public QDialog {
  Q_OBJECT
 public:
  DetailsWindow(AppServices services, QWidget* parent);

  // The window of `owner` (made on first use), showing the selected row of `grid`, whose entries
  // are `list`, and following it; shown and raised.
  static DetailsWindow* openFor(QWidget* owner, AppServices services, FlexGrid& grid, const ListBox& list);
  // Shows face `face` of the file.
  void showFace(const QString& path, uint32_t face);
  void copyAll();
  void openContainingFolder();

  const QList<DetailField>& fields() const { return fields_; }
  QString path() const { return path_; }
  uint32_t face() const { return face_; }

  QSpinBox* sampleSize = nullptr;  // points
  FaceSample* sample = nullptr;
  QPushButton* folderButton = nullptr;
  QPushButton* copyButton = nullptr;

 private:
  void follow(FlexGrid& grid, const ListBox& list);
  void showSelectedRow();
  void showFields();
  void fitSample();

  AppServices services_;
  QPointer<FlexGrid> grid_;
  const ListBox* list_ = nullptr;
  QList<QMetaObject::Connection> following_;
  QString path_;
  uint32_t face_ = 0;
  QList<DetailField> fields_;
  QLabel* unreadable_ = nullptr;
  QScrollArea* sampleArea_ = nullptr;
  QWidget* fieldsPage_ = nullptr;
  QFormLayout* form_ = nullptr;
};

// The entry (index into `list`) of `grid`'s selected row; -1 when the grid selects no entry.
int selectedEntry(const FlexGrid& grid, const ListBox& list);

// Shows the file's folder in the file manager; says so when nothing could open it.
void openContainingFolder(AppServices& services, const QString& path);
