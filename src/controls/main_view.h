#pragma once
// What the commands of the main window work on: its controls, its flags and the services. The
// window implements it, so no command knows the window's class and each can run in a test.
#include "controls/common_dialog.h"
#include "core/error_trap.h"
#include "core/list_box.h"
#include "core/sample_settings.h"
#include "fontfile/font_facts.h"
#include "fontfile/font_formats.h"
#include "fontfile/preview_pins.h"
#include "platform/services_bundle.h"

#include <QString>
#include <memory>

class FlexGrid;
class ProgressBar;
class PushButton;

// Mouse-pointer values of the windows.
namespace pointer {
constexpr int Default = 0;
constexpr int Hourglass = 11;
constexpr int Custom = 99;
}  // namespace pointer

// A catalogue collected before the main window was made (while Qt built its font database on
// another thread), for the window's first fill.
struct EarlyCatalogue {
  FontFormats formats = FontFormats::TrueType;
  ListBox list;
  FactsByFace facts;
  std::unique_ptr<PreviewPins> pins;
};

// One long command runs at a time; an export stops when asked to.
struct CommandFlags {
  bool StartupLoading = false;  // the first fill, which shows the please-wait window
  bool Busy = false;
  bool CancelRequested = false;
};

// The full-window list: a grid that shows a catalogue of its own.
class ListWindowView {
 public:
  virtual ~ListWindowView() = default;
  virtual FlexGrid& grid() = 0;
  virtual const ListBox& list() const = 0;
  // Takes the entries to show and the faces they keep loaded.
  virtual void takeCatalogue(ListBox entries, std::unique_ptr<PreviewPins> pins) = 0;
  virtual void showWindow() = 0;
};

class MainView {
 public:
  virtual ~MainView() = default;
  virtual AppServices& services() = 0;
  virtual CommandFlags& flags() = 0;
  virtual FlexGrid& grid() = 0;             // the catalogue grid
  virtual ListBox& list() = 0;              // its entries, in grid order
  virtual ProgressBar& progressBar() = 0;
  virtual CommonDialog& commonDialog() = 0;
  virtual PushButton& button(int number) = 0;  // PushButton1 .. PushButton8
  virtual QString filterText() = 0;
  virtual void setCountText(const QString& text) = 0;
  virtual void setMousePointer(int value) = 0;
  // The style facts and family name of each face of the list, from the same fill.
  virtual FactsByFace& catalogueFacts() = 0;
  // The font files the catalogue takes: ".ttf" only, or, as the user chose, every format.
  virtual FontFormats fontFormats() = 0;
  // Faces loaded so that the grid can draw fonts the system does not know.
  virtual PreviewPins& previewPins() = 0;
  // The please-wait window of the first fill.
  virtual void showPleaseWait(const QString& text) = 0;
  virtual void setPleaseWaitText(const QString& text) = 0;
  virtual void closePleaseWait() = 0;
  // The full-window list, created and loaded on first use; null once the main window has closed.
  virtual ListWindowView* openListWindow() = 0;
  // The full-window list if it exists and the main window is open; never creates or loads it.
  virtual ListWindowView* currentListWindow() = 0;
  // True once the main window has closed (a command that let clicks run must then stop).
  virtual bool closed() const = 0;
  virtual void hideWindow() = 0;
  // The catalogue collected before the window was made, once; null when there is none.
  virtual std::unique_ptr<EarlyCatalogue> takeEarlyCatalogue() { return nullptr; }
  // The conditions on what a face is that the catalogue's faces must hold besides the Filter
  // text, as --where takes them ("mono,lang=el"); empty: none, the catalogue as without them.
  virtual QString propertySearch() { return {}; }
  // The sample the grids show.
  virtual SampleSettings sample() { return {}; }
};
