#pragma once
// Faces held side by side while choosing between them: each on its own line, drawn from its own
// file in one text and at one size that the user sets. One window per main window, shared by
// both grids and kept for the session; faces come from either grid's selected row.
#include "core/catalogue_entry.h"
#include "platform/services_bundle.h"

#include <QDialog>
#include <QKeySequence>

class ComparisonModel;
class FlexGrid;
class ListBox;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;
class QSpinBox;

inline const QKeySequence kCompareKey(Qt::CTRL | Qt::Key_D);

class ComparisonWindow : public QDialog {
  Q_OBJECT
 public:
  // More lines than anyone compares; the limit keeps a slip of the key from growing it unbounded.
  static constexpr int kMostFaces = 500;

  ComparisonWindow(AppServices services, QWidget* parent, const QString& sampleText = kSampleText);

  // The comparison of `owner` (the main window); null until a face is first added.
  static ComparisonWindow* of(QWidget* owner);
  // Adds the face of `grid`'s selected row (its entries are `list`) to `owner`'s comparison,
  // made on first use, and shows the window.
  static ComparisonWindow* addSelectedRow(QWidget* owner, AppServices services, const FlexGrid& grid,
                                          const ListBox& list);

  // Adds the face and selects its line; a face already there is selected, not added again. When
  // the comparison is full the user is told and nothing is added (false).
  bool add(const QString& name, const QString& path, uint32_t face);
  void removeSelected();
  void clearAll();
  void setSampleText(const QString& text);
  void showRaised();
  int count() const;
  ComparisonModel& faces() { return *model_; }

  QLineEdit* sampleText = nullptr;
  QSpinBox* sampleSize = nullptr;  // points
  QListView* list = nullptr;
  QPushButton* removeButton = nullptr;
  QPushButton* clearButton = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setPoints(int points);
  void showCount();

  AppServices services_;
  ComparisonModel* model_ = nullptr;
};

// The grid menus' items: Add to Comparison for the selected row, Show Comparison while it holds faces.
void addComparisonItems(QMenu& menu, QObject* context, QWidget* owner, AppServices services, const FlexGrid& grid,
                        const ListBox& list);
