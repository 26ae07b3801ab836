// The controls of the wizard window: names, places, sizes and texts. Positions are in
// pixels relative to the control's parent, as the window's designer laid them out.

#include <QFont>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStringList>
#include <QTreeWidget>

#include "app/qt/tfrm_update.h"
#include "app/window_geometry.h"
#include "app/window_texts.h"
#include "platform/qt/qt_text.h"

namespace brimsel {
namespace {

using namespace geometry;

using platform::FromGbk;

QFont WindowFont() {
  QFont font;
  // 宋体 where it exists; otherwise the one CJK font installed with the program's
  // packages, so that every Chinese text renders the same on every machine.
  font.setFamilies({FromGbk(texts::kFontFamily), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei")});
  font.setPixelSize(kFontPixels);
  return font;
}

template <typename Widget>
Widget* Make(QWidget* parent, const char* name) {
  auto* widget = new Widget(parent);  // owned by its parent
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// An auto-sized caption at (x, y), shown as plain text: a settings value that happens to
// look like markup is shown as it is.
QLabel* MakeLabel(QWidget* parent, const char* name, int x, int y, const char* text, bool bold = false) {
  auto* label = Make<QLabel>(parent, name);
  label->setTextFormat(Qt::PlainText);
  label->setText(FromGbk(text));
  if (bold) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
  }
  label->move(x, y);
  label->adjustSize();
  return label;
}

QWidget* MakePage(QStackedWidget* notebook, const char* name) {
  auto* page = Make<QWidget>(notebook, name);
  notebook->addWidget(page);
  return page;
}

}  // namespace

void TfrmUpdate::BuildControls() {
  setObjectName(QStringLiteral("frmUpdate"));
  setWindowTitle(FromGbk(texts::kOnlineUpdate));
  setWindowIcon(QIcon(QStringLiteral(":/brimsel/update_icon.png")));
  setFont(WindowFont());
  // A fixed dialog border: a title-bar close box, no minimise or maximise box, no resizing.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(kClientWidth, kClientHeight);
  setSizeGripEnabled(false);

  BuildBottomPanel();
  BuildLeftPanel();
  BuildNotebook();
}

void TfrmUpdate::BuildBottomPanel() {
  c_.Panel1 = Make<QWidget>(this, "Panel1");
  c_.Panel1->setGeometry(0, kClientHeight - kBottomPanelHeight, kClientWidth, kBottomPanelHeight);

  c_.Bevel1 = Make<QFrame>(c_.Panel1, "Bevel1");
  c_.Bevel1->setFrameShape(QFrame::HLine);
  c_.Bevel1->setFrameShadow(QFrame::Sunken);
  c_.Bevel1->setGeometry(0, 0, kClientWidth, 3);

  c_.btnNext = Make<QPushButton>(c_.Panel1, "btnNext");
  c_.btnNext->setText(FromGbk(texts::kNextCaption));
  c_.btnNext->setGeometry(352, 12, 75, 25);
  connect(c_.btnNext, &QPushButton::clicked, this, [this] { btnNextClick(); });

  c_.btnClose = Make<QPushButton>(c_.Panel1, "btnClose");
  c_.btnClose->setText(FromGbk(texts::kCloseCaption));
  c_.btnClose->setGeometry(432, 12, 75, 25);
  connect(c_.btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });

  // Next is first in the tab order and has the focus when the window opens.
  setTabOrder(c_.btnNext, c_.btnClose);
  c_.btnNext->setFocus();
}

void TfrmUpdate::BuildLeftPanel() {
  c_.Panel2 = Make<QWidget>(this, "Panel2");
  c_.Panel2->setGeometry(0, 0, kLeftPanelWidth, kClientHeight - kBottomPanelHeight);

  c_.Image1 = Make<QLabel>(c_.Panel2, "Image1");
  c_.Image1->setGeometry(16, 18, 118, 254);
  c_.Image1->setPixmap(QPixmap(QStringLiteral(":/brimsel/image1.bmp")));
}

void TfrmUpdate::BuildNotebook() {
  c_.Notebook1 = Make<QStackedWidget>(this, "Notebook1");
  c_.Notebook1->setGeometry(kLeftPanelWidth, 0, kNotebookWidth, kNotebookHeight);
  BuildWelcomePage();
  BuildServerPage();
  BuildProgressPage();
  BuildLogPage();
  BuildFinishPage();
  c_.Notebook1->setCurrentIndex(0);
}

void TfrmUpdate::BuildWelcomePage() {
  QWidget* page = MakePage(c_.Notebook1, "Default");
  c_.Label1 = MakeLabel(page, "Label1", 24, 32, texts::kWelcome, true);
  c_.lblTitle = MakeLabel(page, "lblTitle", 24, 64, texts::kTitleLine);
  c_.Label3 = MakeLabel(page, "Label3", 112, 264, texts::kClickNext);
}

void TfrmUpdate::BuildServerPage() {
  QWidget* page = MakePage(c_.Notebook1, "tesk");

  c_.lsvTest = Make<QTreeWidget>(page, "lsvTest");
  c_.lsvTest->setGeometry(0, 0, kNotebookWidth, kNotebookHeight - kServerPanelHeight);
  c_.lsvTest->setColumnCount(4);
  c_.lsvTest->setHeaderLabels({FromGbk(texts::kColumnNumber), FromGbk(texts::kColumnServerName),
                               FromGbk(texts::kColumnUrl), FromGbk(texts::kColumnTestTime)});
  c_.lsvTest->setColumnWidth(0, kDefaultColumnWidth);
  c_.lsvTest->setColumnWidth(1, 80);
  c_.lsvTest->setColumnWidth(2, 160);
  c_.lsvTest->setColumnWidth(3, 70);
  c_.lsvTest->header()->setStretchLastSection(false);
  c_.lsvTest->header()->setSectionsMovable(false);
  // A report list: flat rows, read-only, whole-row selection, one selected row at most.
  c_.lsvTest->setRootIsDecorated(false);
  c_.lsvTest->setItemsExpandable(false);
  c_.lsvTest->setUniformRowHeights(true);
  c_.lsvTest->setEditTriggers(QAbstractItemView::NoEditTriggers);
  c_.lsvTest->setSelectionBehavior(QAbstractItemView::SelectRows);
  c_.lsvTest->setSelectionMode(QAbstractItemView::SingleSelection);
  c_.lsvTest->setAllColumnsShowFocus(true);

  c_.Panel3 = Make<QWidget>(page, "Panel3");
  c_.Panel3->setGeometry(0, kNotebookHeight - kServerPanelHeight, kNotebookWidth, kServerPanelHeight);
  c_.Label2 = MakeLabel(c_.Panel3, "Label2", 0, 16, texts::kPleaseWait);
}

void TfrmUpdate::BuildProgressPage() {
  QWidget* page = MakePage(c_.Notebook1, "2");
  c_.lblFile = MakeLabel(page, "lblFile", 104, 96, texts::kUpdatingFile);
  c_.lblDown = MakeLabel(page, "lblDown", 80, 120, texts::kDone);

  c_.ProgressBar2 = Make<QProgressBar>(page, "ProgressBar2");
  c_.ProgressBar2->setGeometry(24, 144, 313, 16);
  c_.ProgressBar2->setRange(0, 100);
  c_.ProgressBar2->setValue(0);
  c_.ProgressBar2->setTextVisible(false);
}

void TfrmUpdate::BuildLogPage() {
  QWidget* page = MakePage(c_.Notebook1, "4");
  c_.Memo1 = Make<QPlainTextEdit>(page, "Memo1");
  c_.Memo1->setGeometry(16, 16, 337, 265);
}

void TfrmUpdate::BuildFinishPage() {
  QWidget* page = MakePage(c_.Notebook1, "3");
  c_.Label6 = MakeLabel(page, "Label6", 32, 32, texts::kThanks, true);

  c_.lblHit = MakeLabel(page, "lblHit", 32, 64, texts::kNewestInstalled);
  c_.lblHit->setWordWrap(true);
  c_.lblHit->setFixedSize(313, 33);
  c_.lblHit->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  c_.Label7 = MakeLabel(page, "Label7", 32, 104, texts::kComeBack);
  c_.Label8 = MakeLabel(page, "Label8", 32, 136, texts::kMoreAt);

  c_.lblUrl = MakeLabel(page, "lblUrl", 144, 136, "");
  QPalette palette = c_.lblUrl->palette();
  palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
  c_.lblUrl->setPalette(palette);
  c_.lblUrl->setCursor(Qt::PointingHandCursor);
}

}  // namespace brimsel
