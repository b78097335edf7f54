#pragma once
// The full-window list: the catalogue in a maximised window of its own, in larger type.
#include "controls/main_view.h"
#include "core/list_box.h"

#include <QCursor>
#include <QWidget>
#include <memory>
#include <optional>

class Form1;
class FlexGrid;
class PreviewPins;
class QMenu;

class Form2 : public QWidget, public ListWindowView {
  Q_OBJECT
 public:
  explicit Form2(Form1& owner);
  ~Form2() override;

  // Runs Form_Load unless the window is loaded already. The window counts as unloaded again
  // once it has been closed, so the next use loads it afresh.
  void ensureLoaded();

  // Handlers.
  void Form_Load();
  void Form_Resize();
  void Form_QueryUnload();
  void Form_Unload();
  void MSFlexGrid1_Click();
  void MSFlexGrid1_GotFocus();
  void MSFlexGrid1_LostFocus();
  // Font Details…: the details window over the selected row, following it.
  void showDetails();
  // The grid's context menu for a row (-1: below the rows); the row becomes the selected row.
  QMenu* rowMenu(int row);
  // Pointer moves over the window or its grid: the arrow, unless the hourglass shows.
  void pointerRulePlain();

  int MousePointer() const { return mousePointer_; }
  void setMousePointer(int value);
  bool hasMouseIcon() const { return mouseIcon_.has_value(); }

  FlexGrid* MSFlexGrid1 = nullptr;
  // The entries this window's grid shows. Kept apart from the main window's list, which stays
  // in step with the main grid for the commands that act on its selected row.
  ListBox List1;
  // Faces this window's grid draws that the system does not know; released on refill and close.
  PreviewPins& previewPins() { return *previewPins_; }
  // Takes a freshly collected catalogue and the faces it needs, letting go of the old ones.
  void takeCatalogue(ListBox entries, std::unique_ptr<PreviewPins> pins) override;
  FlexGrid& grid() override { return *MSFlexGrid1; }
  const ListBox& list() const override { return List1; }
  void showWindow() override { show(); }

 protected:
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // A restored window within the screen's working area, its frame included.
  void fitFrameOnScreen();

  Form1& owner_;
  std::unique_ptr<PreviewPins> previewPins_;
  int mousePointer_ = 0;
  std::optional<QCursor> mouseIcon_;
  bool loaded_ = false;
};
