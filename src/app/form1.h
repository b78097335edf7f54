#pragma once
// The main window: the catalogue grid and the command buttons.
#include "app/property_search.h"
#include "controls/main_view.h"
#include "core/app_title.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>

class FlexGrid;
class PushButton;
class ProgressBar;
class QLabel;
class QLineEdit;
#include "app/form2.h"
class Form3;
class PreviewPins;
class FontSystem;
class SampleChoices;

class Form1 : public QWidget, public MainView {
  Q_OBJECT
 public:
  explicit Form1(AppServices services, QWidget* parent = nullptr);
  ~Form1() override;

  // Handlers: the buttons forward to their commands (app/form1_commands.cpp).
  void Form_Load();
  void Form_QueryUnload();
  void Form_Unload();
  void MSFlexGrid1_Click();
  void MSFlexGrid1_GotFocus();
  void MSFlexGrid1_LostFocus();
  void PushButton1_Click();  // Filter
  void PushButton2_Click();  // Maximize This Window
  void PushButton3_Click();  // Add Font
  void PushButton4_Click();  // Remove Selected Font
  void PushButton5_Click();  // Help
  void PushButton6_Click();  // Export Fonts To Word
  void PushButton7_Click();  // Copy Selected Font To Clipboard
  void PushButton8_Click();  // Export Fonts To Excel
  void LoadFonts();
  // Font Details…: the details window over the selected row, following it.
  void showDetails();
  // Search by Properties…: the dialog (which offers the last conditions searched), then the
  // catalogue of the faces that hold its conditions.
  void searchByProperties();
  void setPropertyConditions(const PropertyConditions& conditions);
  void clearPropertySearch();
  const PropertyConditions& propertyConditions() const { return conditions_; }
  // Sample Text…: the dialog, then the sample set there in every grid and the exports.
  void askSample();
  // Kept in the user's settings; the grids show it at once, reading no file for it.
  void setSample(const SampleSettings& sample);
  SampleSettings sample() override { return sample_; }
  // Gives a grid the sample: its words, its size (times `scale`, the window's own size over the
  // main window's) and the choice of text each face can draw.
  void showSample(FlexGrid& grid, double scale);

  // Pointer rules: "plain" for the window, label, grid and text box; "button" for buttons.
  void pointerRulePlain();
  void pointerRuleButton();
  int MousePointer() const { return mousePointer_; }
  void setMousePointer(int value) override;
  bool hasMouseIcon() const { return mouseIcon_.has_value(); }

  // Controls, by their names.
  FlexGrid* MSFlexGrid1 = nullptr;
  PushButton* PushButton1 = nullptr;
  PushButton* PushButton2 = nullptr;
  PushButton* PushButton3 = nullptr;
  PushButton* PushButton4 = nullptr;
  PushButton* PushButton5 = nullptr;
  PushButton* PushButton6 = nullptr;
  PushButton* PushButton7 = nullptr;
  PushButton* PushButton8 = nullptr;
  QLineEdit* Text1 = nullptr;
  ProgressBar* ProgressBar1 = nullptr;
  QLabel* lblFontsInstalled = nullptr;
  // Shown only while a property search is set, in a strip taken from the grid's foot; made by the
  // first search.
  QLabel* lblPropertySearch = nullptr;
  PushButton* clearSearchButton = nullptr;
  ListBox List1;
  CommonDialog CommonDialog1;

  // Window flags.
  CommandFlags flags_;
  bool& StartupLoading = flags_.StartupLoading;
  bool& Busy = flags_.Busy;
  bool& CancelRequested = flags_.CancelRequested;

  // What the commands work on.
  AppServices& services() override { return services_; }
  CommandFlags& flags() override { return flags_; }
  FlexGrid& grid() override { return *MSFlexGrid1; }
  ListBox& list() override { return List1; }
  ProgressBar& progressBar() override { return *ProgressBar1; }
  CommonDialog& commonDialog() override { return CommonDialog1; }
  PushButton& button(int number) override;
  QString filterText() override;
  void setCountText(const QString& text) override;
  FactsByFace& catalogueFacts() override { return facts_; }
  FontFormats fontFormats() override { return fontFormats_; }
  QString propertySearch() override { return propertySearch_; }
  // "Show OpenType and collection files": kept in the user's settings; the catalogue is
  // refilled as Filter fills it.
  void setFontFormats(FontFormats formats);
  void showPleaseWait(const QString& text) override;
  void setPleaseWaitText(const QString& text) override;
  void closePleaseWait() override;
  ListWindowView* openListWindow() override;
  ListWindowView* currentListWindow() override { return unloaded_ ? nullptr : form2_; }
  bool closed() const override { return unloaded_; }
  void hideWindow() override { hide(); }
  void setEarlyCatalogue(std::unique_ptr<EarlyCatalogue> early) { early_ = std::move(early); }
  std::unique_ptr<EarlyCatalogue> takeEarlyCatalogue() override { return std::move(early_); }
  // The full-window list, created on first use.
  Form2* form2();
  bool hasForm2() const { return form2_ != nullptr; }
  Form3* form3() const { return form3_.get(); }
  // The please-wait window is redrawn with the latest text at most this often.
  int pleaseWaitFrameMs = 40;
  // The application title: shown by message boxes that give none. Set at start-up.
  static QString appTitle() { return ::appTitle(); }
  // The cursor image loaded from the program's folder, if any.
  std::optional<QCursor> mouseIcon() const { return mouseIcon_; }
  // "HAND-M.CUR" of the program's folder as a pointer image, when present (each window loads
  // its own).
  std::optional<QCursor> loadMouseIcon();
  // Faces loaded so that the grid can draw fonts the system does not know; kept while the
  // grid shows them.
  PreviewPins& previewPins() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void buildSearchStrip();
  void showSearchStrip();
  void followDrawnFamily();  // the windows' family, after a font was added or removed
  void unloadForm2();

  AppServices services_;
  int mousePointer_ = pointer::Default;
  std::optional<QCursor> mouseIcon_;
  std::unique_ptr<Form3> form3_;
  QElapsedTimer pleaseWaitDrawn_;  // since the please-wait window was last drawn
  Form2* form2_ = nullptr;
  std::unique_ptr<PreviewPins> previewPins_;
  std::unique_ptr<EarlyCatalogue> early_;
  bool unloaded_ = false;
  bool shownBefore_ = false;
  FactsByFace facts_;
  FontFormats fontFormats_;
  PropertyConditions conditions_, searched_;  // in force; last searched (offered by the dialog)
  QString propertySearch_;
  SampleSettings sample_;
  std::shared_ptr<SampleChoices> sampleChoices_;  // shared with the grids, which may outlive this part
};

// The title the system shows for the program: the product name cut before its last blank,
// repeated while longer than 40 characters; a name without a blank is kept whole.
QString makeApplicationTitle(const QString& productName);
// The program's icon, drawn once.
QIcon applicationIcon();

// The windows' bold Arial at `points`, in the family it is drawn in here.
QFont arialBold(FontSystem& fonts, double points);
