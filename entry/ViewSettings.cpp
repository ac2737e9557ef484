#include "entry/ViewSettings.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <algorithm>
#include <cmath>

#include "common/FormLook.h"
#include "engine/modDB.h"
#include "entry/FieldBox.h"
#include "entry/frmEdit.h"
#include "lib/modLIB.h"


namespace ViewSettings {

namespace {

constexpr int kMinZoom = 50;
constexpr int kMaxZoom = 300;
constexpr int kZoomStep = 25;
constexpr int kFrame = 3;  // the focus frame's thickness in high contrast
constexpr int32_t kBlack = 0x000000;
constexpr int32_t kWhite = 0xFFFFFF;

QSettings Settings() { return QSettings(QSettings::UserScope, "Qf", QCoreApplication::applicationName()); }

// A thick frame drawn around the focused box, on the surface, above everything but
// the toolbar; the mouse goes through it and screen readers do not see it.
class FocusFrame : public QWidget {
 public:
  explicit FocusFrame(QWidget* parent) : QWidget(parent) {
    setObjectName("focusFrame");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setProperty("qfNoAccess", true);
    hide();
  }
  void Around(QWidget* box) {
    if (!box || box->isHidden()) return hide();
    setGeometry(box->geometry().adjusted(-kFrame, -kFrame, kFrame, kFrame));
    // With a hole where the box is, so that the box's own painting shows through.
    setMask(QRegion(rect()).subtracted(QRegion(kFrame, kFrame, box->width(), box->height())));
    show();
    raise();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
  }
};

void Refresh(frmEdit* w);

// The window's settings, kept on an object of its own under the window. It watches
// the toolbar, which the window hides while it prints the form and shows again after
// (see Printing): then the view comes back.
struct State : QObject {
  int zoom = 100;
  bool contrast = false;
  QSize sized;  // the window size zoom last set; empty: none
  FocusFrame* frame = nullptr;
  QAction* contrastAction = nullptr;
  frmEdit* window = nullptr;

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::Show && watched == window->cTBar) Refresh(window);
    return false;
  }
};

State* StateOf(const frmEdit* w) {
  return static_cast<State*>(w->findChild<QObject*>("qfViewState", Qt::FindDirectChildrenOnly));
}

QFont Scaled(QFont f, int zoom) {
  if (f.pointSizeF() > 0)
    f.setPointSizeF(f.pointSizeF() * zoom / 100.0);
  else if (f.pixelSize() > 0)
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(f.pixelSize() * zoom / 100.0))));
  return f;
}
QRect Scaled(const QRect& r, int zoom) {
  auto s = [zoom](int v) { return static_cast<int>(std::lround(v * zoom / 100.0)); };
  return QRect(s(r.x()), s(r.y()), std::max(1, s(r.width())), std::max(1, s(r.height())));
}

// The window size the form defines (as the window sets it when it opens the form).
QSize Designed(frmEdit* w) {
  const modDB::FormProps props = modDB::GetFormProps();
  const QSize frame = w->frameGeometry().size() - w->geometry().size();
  return {std::max(modLIB::TwipsToPixelsX(props.Width) - frame.width(), 100),
          std::max(modLIB::TwipsToPixelsY(props.Height) - frame.height(), 80)};
}

void SizeWindow(frmEdit* w, State* s) {
  QSize size = Designed(w) * (s->zoom / 100.0);
  if (QScreen* screen = w->screen()) size = size.boundedTo(screen->availableGeometry().size());
  w->resize(size);
  s->sized = w->size();
}

// The window prints the form by drawing its page: while it does, the page keeps the
// form's own sizes, fonts and colours.
bool Printing(const frmEdit* w) { return w->Printing; }
int ZoomShown(const frmEdit* w, const State* s) { return Printing(w) ? 100 : s->zoom; }
bool ContrastShown(const frmEdit* w, const State* s) { return !Printing(w) && s->contrast; }

// Colours: the form's own, or black on white.
void Colour(frmEdit* w, State* s) {
  if (modDB::GetFileNumber() == 0) return;
  const modDB::FormProps props = modDB::GetFormProps();
  for (int i = 1; i <= 128; ++i) {
    for (QWidget* c : {static_cast<QWidget*>(w->Field[i]), static_cast<QWidget*>(w->Dummy[i])}) {
      if (ContrastShown(w, s)) {
        FormLook::SetColours(c, kBlack, kWhite);
        QPalette p = c->palette();
        p.setColor(QPalette::Highlight, Qt::black);
        p.setColor(QPalette::HighlightedText, Qt::white);
        c->setPalette(p);
      } else {
        FormLook::SetColours(c, props.FieldFont.ForeColor, props.FieldFont.BackColor);
        QPalette p = c->palette();
        for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
          p.setColor(role, QApplication::palette().color(role));
        c->setPalette(p);
      }
    }
    QLabel* b = w->Banner[i];
    modDB::BannerDef def;
    if (b->isHidden()) continue;
    if (ContrastShown(w, s))
      FormLook::SetColours(b, kBlack, kWhite);
    else if (modDB::GetBanner(static_cast<int16_t>(b->property("tag").toInt()), def) > 0)
      FormLook::SetColours(b, def.Font.ForeColor, def.Font.BackColor);
  }
  QPalette p = w->surface->palette();
  p.setColor(QPalette::Window, ContrastShown(w, s) ? QColor(Qt::white) : FormLook::Color(props.BackColor));
  w->surface->setPalette(p);
}

void PlaceFrame(frmEdit* w, State* s) {
  auto* box = qobject_cast<FieldBox*>(QApplication::focusWidget());
  if (ContrastShown(w, s) && box && box->parentWidget() == w->surface)
    s->frame->Around(box);
  else
    s->frame->hide();
}

// Places and fonts from what the page show left (the designed ones), remembered on
// each control so that a later zoom starts from them again.
void Remember(frmEdit* w) {
  const QFont fieldFont = FormLook::Font(modDB::GetFormProps().FieldFont);
  for (int i = 1; i <= 128; ++i) {
    for (QWidget* c : {static_cast<QWidget*>(w->Field[i]), static_cast<QWidget*>(w->Dummy[i])}) {
      if (c->isHidden()) continue;
      c->setProperty("qfDesignedRect", c->geometry());
      c->setProperty("qfDesignedFont", fieldFont);
    }
    QLabel* b = w->Banner[i];
    if (b->isHidden()) continue;
    b->setProperty("qfDesignedRect", b->geometry());
    b->setProperty("qfDesignedFont", b->font());
  }
}

void Scale(frmEdit* w, State* s) {
  const int zoom = ZoomShown(w, s);
  for (int i = 1; i <= 128; ++i) {
    for (QWidget* c : {static_cast<QWidget*>(w->Field[i]), static_cast<QWidget*>(w->Dummy[i]),
                       static_cast<QWidget*>(w->Banner[i])}) {
      if (c->isHidden() || !c->property("qfDesignedRect").isValid()) continue;
      c->setFont(Scaled(c->property("qfDesignedFont").value<QFont>(), zoom));
      const QRect r = Scaled(c->property("qfDesignedRect").toRect(), zoom);
      if (c == w->Banner[i]) {
        c->move(r.topLeft());
        c->adjustSize();
      } else {
        c->setGeometry(r);
      }
    }
  }
  w->cTBar->raise();
}

// The page again as the settings say, from the designed places remembered.
void Refresh(frmEdit* w) {
  State* s = StateOf(w);
  if (!s || modDB::GetFileNumber() == 0) return;
  Scale(w, s);
  Colour(w, s);
  PlaceFrame(w, s);
}

}  // namespace

void Install(frmEdit* w) {
  auto* s = new State;
  s->setObjectName("qfViewState");
  s->setParent(w);
  QSettings settings = Settings();
  s->zoom = std::clamp(settings.value("View/Zoom", 100).toInt(), kMinZoom, kMaxZoom);
  s->contrast = settings.value("View/HighContrast", false).toBool();
  s->frame = new FocusFrame(w->surface);
  s->window = w;
  w->cTBar->installEventFilter(s);

  QMenu* view = new QMenu("&View", w);
  view->setObjectName("mnuView");
  w->menuBar()->insertMenu(w->mnuHelp->menuAction(), view);
  s->contrastAction = view->addAction("High Contrast");
  s->contrastAction->setObjectName("mnuHighContrast");
  s->contrastAction->setCheckable(true);
  s->contrastAction->setChecked(s->contrast);
  QObject::connect(s->contrastAction, &QAction::toggled, w, [w](bool on) { SetHighContrast(w, on); });
  view->addSeparator();
  auto zoom = [&](const char* caption, const char* name, QList<QKeySequence> keys, auto percent) {
    QAction* a = view->addAction(caption);
    a->setObjectName(name);
    a->setShortcuts(keys);
    QObject::connect(a, &QAction::triggered, w, [w, percent] { SetZoom(w, percent(Zoom(w))); });
  };
  zoom("Zoom In", "mnuZoomIn", {QKeySequence("Ctrl++"), QKeySequence("Ctrl+=")},
       [](int z) { return z + kZoomStep; });
  zoom("Zoom Out", "mnuZoomOut", {QKeySequence("Ctrl+-")}, [](int z) { return z - kZoomStep; });
  zoom("Actual Size", "mnuZoomReset", {QKeySequence("Ctrl+0")}, [](int) { return 100; });

  QObject::connect(qApp, &QApplication::focusChanged, s, [w, s] { PlaceFrame(w, s); });
}

void PageShown(frmEdit* w) {
  State* s = StateOf(w);
  if (!s || modDB::GetFileNumber() == 0) return;
  Remember(w);
  Scale(w, s);
  Colour(w, s);
  // The window grows with the form when it still has the size the form (or an
  // earlier zoom) gave it; a size the user chose stays.
  if (s->zoom != 100 && !Printing(w) && (w->size() == Designed(w) || w->size() == s->sized)) SizeWindow(w, s);
  PlaceFrame(w, s);
}

int Zoom(const frmEdit* w) {
  const State* s = StateOf(w);
  return s ? s->zoom : 100;
}

bool HighContrast(const frmEdit* w) {
  const State* s = StateOf(w);
  return s && s->contrast;
}

void SetZoom(frmEdit* w, int percent) {
  State* s = StateOf(w);
  if (!s) return;
  percent = std::clamp(percent, kMinZoom, kMaxZoom);
  if (percent == s->zoom) return;
  s->zoom = percent;
  Settings().setValue("View/Zoom", percent);
  if (modDB::GetFileNumber() == 0) return;
  Scale(w, s);
  SizeWindow(w, s);
  PlaceFrame(w, s);
}

void SetHighContrast(frmEdit* w, bool on) {
  State* s = StateOf(w);
  if (!s || s->contrast == on) return;
  s->contrast = on;
  s->contrastAction->setChecked(on);
  Settings().setValue("View/HighContrast", on);
  Colour(w, s);
  PlaceFrame(w, s);
}

}  // namespace ViewSettings
