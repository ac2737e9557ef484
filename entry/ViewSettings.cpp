#include "entry/ViewSettings.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QScreen>
#include <QSettings>
#include <algorithm>
#include <cmath>

#include "common/FormLook.h"
#include "common/Platform.h"
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
constexpr int kMargin = 8;  // kept round a box scrolled into view, and below the form

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
  ~State() override;
  int zoom = 100;
  bool contrast = false;
  QSize sized;  // the window size zoom last set; empty: none
  int page = 0;  // the page shown last: another starts at the form's top left
  FocusFrame* frame = nullptr;
  QAction* contrastAction = nullptr;
  frmEdit* window = nullptr;

  bool eventFilter(QObject* watched, QEvent* e) override;
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

// The look the whole program shows: the zoom and contrast on show, and the
// application's own font and palette, which the zoom scales and which come back.
struct Look {
  int zoom = 100;
  bool contrast = false;
  QFont font = QApplication::font();
  QPalette palette = QApplication::palette();
};
Look& Shown() {
  static Look look;
  return look;
}

QPalette ContrastPalette() {
  QPalette p;
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    const QColor ink = group == QPalette::Disabled ? QColor(0x60, 0x60, 0x60) : QColor(Qt::black);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
      p.setColor(group, role, ink);
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button,
                      QPalette::ToolTipBase, QPalette::Light, QPalette::Midlight, QPalette::BrightText,
                      QPalette::HighlightedText})
      p.setColor(group, role, Qt::white);
    for (auto role : {QPalette::Mid, QPalette::Dark, QPalette::Shadow, QPalette::Highlight, QPalette::Link})
      p.setColor(group, role, Qt::black);
    p.setColor(group, QPalette::PlaceholderText, QColor(0x60, 0x60, 0x60));
  }
  return p;
}

// The application's font and palette: every window and dialog takes them (the
// form's controls keep the fonts and colours set on them). True when the font
// changed, so that what is laid out by it is laid out again.
bool ApplyLook(int zoom, bool contrast) {
  Look& look = Shown();
  if (contrast != look.contrast) QApplication::setPalette(contrast ? ContrastPalette() : look.palette);
  const bool resized = zoom != look.zoom;
  if (resized) {
    QApplication::setFont(Scaled(look.font, zoom));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::ApplicationFontChange);  // the widgets take it now
    Platform::SetZoom(zoom / 100.0);
  }
  look.zoom = zoom;
  look.contrast = contrast;
  return resized;
}

State::~State() { ApplyLook(100, false); }

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

// The surface as large as the controls on show (and a margin) or the part in view,
// whichever is larger: beyond the part in view, the scroll bars reach the rest.
void Fit(frmEdit* w, int zoom) {
  QRect used;
  for (int i = 1; i <= 128; ++i)
    for (QWidget* c : {static_cast<QWidget*>(w->Field[i]), static_cast<QWidget*>(w->Dummy[i]),
                       static_cast<QWidget*>(w->Banner[i])})
      if (!c->isHidden()) used |= c->geometry();
  const int margin = kMargin * zoom / 100;
  const QSize form = used.isNull() ? QSize() : QSize(used.right() + 1 + margin, used.bottom() + 1 + margin);
  const QSize size = w->scroller->viewport()->size().expandedTo(form);
  if (w->surface->size() != size) w->surface->resize(size);
}

// The toolbar grows with the zoom as far as the part in view is wide, so that all its
// buttons and the record counter stay in reach.
void PlaceToolbar(frmEdit* w, int zoom) {
  w->PlaceToolbar(100);
  const int designed = std::max(w->lblRecNo->geometry().right() + 1, 1);
  const int fit = std::max(std::min(zoom, w->scroller->viewport()->width() * 100 / designed), std::min(zoom, 100));
  w->PlaceToolbar(fit);
  w->lblRecNo->setFont(Scaled(Shown().font, fit));
}

// The window and the program again as the settings say, the page from the designed
// places remembered.
void Refresh(frmEdit* w) {
  State* s = StateOf(w);
  if (!s) return;
  const int zoom = ZoomShown(w, s);
  if (ApplyLook(zoom, ContrastShown(w, s))) {
    w->layout()->invalidate();  // the menu bar as high as its font, now
    w->layout()->activate();
  }
  PlaceToolbar(w, zoom);
  Scale(w, s);
  Colour(w, s);
  Fit(w, zoom);
  PlaceFrame(w, s);
}

// The toolbar coming back after printing brings the view back; the part in view
// resized (the window, the scroll bars) refits the surface under the strip.
bool State::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::Show && watched == window->cTBar) Refresh(window);
  if (e->type() == QEvent::Resize && watched == window->scroller->viewport()) {
    Fit(window, ZoomShown(window, this));
    PlaceToolbar(window, ZoomShown(window, this));
  }
  return false;
}

// Moves a scroll bar the least that brings from .. to, and a margin round it where
// there is room, into the part in view, which starts at `hidden` past the bar's value
// (under the toolbar strip); a span longer than the view shows its start.
void ScrollTo(QScrollBar* bar, int from, int to, int view, int hidden) {
  const int margin = std::clamp((view - hidden - (to - from)) / 2, 0, kMargin);
  from -= margin;
  to += margin;
  int value = bar->value();
  if (to > value + view) value = to - view;
  if (from < value + hidden) value = from - hidden;
  bar->setValue(value);
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
  w->scroller->viewport()->installEventFilter(s);

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

  QObject::connect(qApp, &QApplication::focusChanged, s, [w, s](QWidget*, QWidget* now) {
    PlaceFrame(w, s);
    Reveal(now);
  });
  Refresh(w);
}

void PageShown(frmEdit* w) {
  State* s = StateOf(w);
  if (!s) return;
  const bool open = modDB::GetFileNumber() != 0;
  if (open) Remember(w);
  Refresh(w);
  // The window grows with the form when it still has the size the form (or an
  // earlier zoom) gave it; a size the user chose stays.
  if (open && s->zoom != 100 && !Printing(w) && (w->size() == Designed(w) || w->size() == s->sized))
    SizeWindow(w, s);
  if (s->page != w->CurPage && !Printing(w)) {
    s->page = w->CurPage;
    w->scroller->horizontalScrollBar()->setValue(0);
    w->scroller->verticalScrollBar()->setValue(0);
  }
  Reveal(w->focusWidget());
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
  Refresh(w);
  if (modDB::GetFileNumber() != 0) SizeWindow(w, s);
  Reveal(w->focusWidget());
}

void SetHighContrast(frmEdit* w, bool on) {
  State* s = StateOf(w);
  if (!s || s->contrast == on) return;
  s->contrast = on;
  s->contrastAction->setChecked(on);
  Settings().setValue("View/HighContrast", on);
  Refresh(w);
}

void Reveal(QWidget* control) {
  auto* w = control ? qobject_cast<frmEdit*>(control->window()) : nullptr;
  if (!w || control->parentWidget() != w->surface || control->isHidden()) return;
  const QRect box = control->geometry();
  const QSize view = w->scroller->viewport()->size();
  const int strip = w->cTBar->isHidden() ? 0 : w->cTBar->height();
  // Across, from the start of the row (where its caption is) when that fits.
  const int from = box.right() + 1 + kMargin <= view.width() ? 0 : box.left();
  ScrollTo(w->scroller->horizontalScrollBar(), from, box.right() + 1, view.width(), 0);
  ScrollTo(w->scroller->verticalScrollBar(), box.top(), box.bottom() + 1, view.height(), strip);
}

QFont Zoomed(QFont f) { return Scaled(std::move(f), Shown().zoom); }

void SetColours(QWidget* w, int32_t fore, int32_t back) {
  if (Shown().contrast)
    FormLook::SetColours(w, kBlack, kWhite);
  else
    FormLook::SetColours(w, fore, back);
}

}  // namespace ViewSettings
