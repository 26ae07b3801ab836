// The controls of the wizard window, made from the control table (window_layout.h) as Qt
// widgets named like its controls.

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
#include <string_view>

#include "app/qt/tfrm_update.h"
#include "app/window_texts.h"
#include "platform/qt/qt_text.h"

namespace brimsel {
namespace {

using layout::Kind;
using platform::FromGbk;

QFont WindowFont() {
  QFont font;
  // 宋体 where it exists; otherwise the one CJK font installed with the program's
  // packages, so that every Chinese text renders the same on every machine.
  font.setFamilies({FromGbk(texts::kFontFamily), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei")});
  font.setPixelSize(layout::kFontPixels);
  return font;
}

}  // namespace

void TfrmUpdate::BuildControls() {
  setObjectName(QString::fromLatin1(layout::kForm));
  setWindowTitle(FromGbk(texts::kOnlineUpdate));
  setWindowIcon(QIcon(QStringLiteral(":/brimsel/update_icon.png")));
  setFont(WindowFont());
  // A fixed dialog border: a title-bar close box, no minimise or maximise box, no resizing.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(layout::kClientWidth, layout::kClientHeight);
  setSizeGripEnabled(false);

  for (const layout::Control& control : layout::kControls) {
    QWidget* parent = std::string_view(control.parent) == layout::kForm ? this : Control(control.parent);
    QWidget* widget = MakeControl(control, parent);
    widget->setObjectName(QString::fromLatin1(control.name));
    controls_.emplace(control.name, widget);
  }
  Control<QStackedWidget>("Notebook1")->setCurrentIndex(0);
  // Next is first in the tab order and has the focus when the window opens.
  Control("btnNext")->setFocus();
}

QWidget* TfrmUpdate::MakeControl(const layout::Control& control, QWidget* parent) {
  QWidget* widget = nullptr;  // owned by its parent
  switch (control.kind) {
    case Kind::kPanel:
      widget = new QWidget(parent);
      break;
    case Kind::kBevel: {
      auto* bevel = new QFrame(parent);
      bevel->setFrameShape(QFrame::HLine);
      bevel->setFrameShadow(QFrame::Sunken);
      widget = bevel;
      break;
    }
    case Kind::kButton: {
      auto* button = new QPushButton(FromGbk(control.text), parent);
      const bool next = std::string_view(control.name) == "btnNext";
      connect(button, &QPushButton::clicked, this, [this, next] { next ? btnNextClick() : btnCloseClick(); });
      widget = button;
      break;
    }
    case Kind::kPicture: {
      auto* picture = new QLabel(parent);
      picture->setPixmap(QPixmap(QStringLiteral(":/brimsel/image1.bmp")));
      widget = picture;
      break;
    }
    case Kind::kNotebook:
      widget = new QStackedWidget(parent);
      break;
    case Kind::kPage:  // the notebook places its pages itself
      widget = new QWidget(parent);
      qobject_cast<QStackedWidget*>(parent)->addWidget(widget);
      return widget;
    case Kind::kLabel:
      return MakeLabel(control, parent);
    case Kind::kServerList:
      widget = MakeServerList(parent);
      break;
    case Kind::kProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setRange(0, layout::kProgressBarMax);
      bar->setValue(0);
      bar->setTextVisible(false);
      widget = bar;
      break;
    }
    case Kind::kMemo:
      widget = new QPlainTextEdit(parent);
      break;
  }
  widget->setGeometry(control.x, control.y, control.width, control.height);
  return widget;
}

// Shown as plain text: a settings value that happens to look like markup is shown as it is.
QWidget* TfrmUpdate::MakeLabel(const layout::Control& control, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setText(FromGbk(control.text));
  if (control.style & layout::kBold) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
  }
  if (control.style & layout::kLink) {
    QPalette palette = label->palette();
    constexpr layout::Colour link = layout::kLinkColour;
    palette.setColor(QPalette::WindowText, QColor(link.red, link.green, link.blue));
    label->setPalette(palette);
    label->setCursor(Qt::PointingHandCursor);
  }
  label->move(control.x, control.y);
  if (control.AutoSized()) {
    label->adjustSize();
  } else {
    label->setWordWrap(true);
    label->setFixedSize(control.width, control.height);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  }
  return label;
}

// A report list: flat rows, read-only, whole-row selection, one selected row at most.
QWidget* TfrmUpdate::MakeServerList(QWidget* parent) {
  auto* list = new QTreeWidget(parent);
  QStringList captions;
  for (const layout::Column& column : layout::kServerColumns) captions << FromGbk(column.caption);
  list->setColumnCount(static_cast<int>(captions.size()));
  list->setHeaderLabels(captions);
  int index = 0;
  for (const layout::Column& column : layout::kServerColumns) list->setColumnWidth(index++, column.width);
  list->header()->setStretchLastSection(false);
  list->header()->setSectionsMovable(false);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setUniformRowHeights(true);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setAllColumnsShowFocus(true);
  return list;
}

}  // namespace brimsel
