#include "app/ui/navigation_panel.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/ui/embedded_icon.h"

static void initNavigationResources() {
  Q_INIT_RESOURCE(resources);
}

namespace korvalis {

namespace {

constexpr int kLookupButtonSize = 18;
constexpr int kLookupIconSize = 10;
constexpr int kLeftButtonOffset = 23;  // left edge of the left button, left of the centre
constexpr int kRightButtonOffset = 5;  // left edge of the right button, right of the centre
const QColor kImmediateColour(252, 200, 200);

int scaled(int width, double scale) {
  return static_cast<int>(std::lround(width * scale));
}

QLineEdit* numberField(int width, int maxLength, const QString& placeholder, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setFixedWidth(width);
  field->setMaxLength(maxLength);
  field->setAlignment(Qt::AlignCenter);
  field->setPlaceholderText(placeholder);
  field->setAccessibleName(placeholder);
  field->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
  return field;
}

/// A small look-up button with the embedded icon `icon`.
QToolButton* lookupButton(const QString& icon, const QString& tip, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setFixedSize(kLookupButtonSize, kLookupButtonSize);
  button->setIcon(embeddedIcon(icon));
  button->setIconSize(QSize(kLookupIconSize, kLookupIconSize));
  button->setToolTip(tip);
  button->setAccessibleName(tip);
  return button;
}

// An image's APID is longer than its field is wide in the usual font: a smaller font lets
// the whole of it show.
void fitFontToWidth(QLineEdit& field, const QString& sample) {
  constexpr double kSmallest = 6.0;
  constexpr int kFrameAndMargins = 10;
  QFont font = field.font();
  const int room = field.width() - kFrameAndMargins;
  while (font.pointSizeF() > kSmallest && QFontMetrics(font).horizontalAdvance(sample) > room) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
  }
  field.setFont(font);
}

}  // namespace

NavigationPanel::NavigationPanel(double scaleX, QWidget* parent) : QFrame(parent) {
  initNavigationResources();
  setObjectName(QStringLiteral("navigationPanel"));
  setFrameShape(QFrame::StyledPanel);
  setFixedHeight(kHeight);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 6, 4, 6);
  layout->setSpacing(4);

  apid_ = new QLineEdit(this);
  apid_->setFixedWidth(scaled(189, scaleX));
  apid_->setAlignment(Qt::AlignCenter);
  apid_->setPlaceholderText(QStringLiteral("APID"));
  apid_->setAccessibleName(QStringLiteral("APID"));
  fitFontToWidth(*apid_, QStringLiteral("TH-0000-00000-0000-00-00000"));
  layout->addWidget(apid_, 0, Qt::AlignHCenter);

  id_ = numberField(scaled(81, scaleX), 9, QStringLiteral("ID"), this);
  layout->addWidget(stepRow(prevId_, id_, nextId_), 0, Qt::AlignHCenter);
  prevId_->setAccessibleName(QStringLiteral("vorige ID"));
  nextId_->setAccessibleName(QStringLiteral("n\u00e4chste ID"));
  page_ = numberField(scaled(45, scaleX), 5, QStringLiteral("Seite"), this);
  layout->addWidget(stepRow(prevPage_, page_, nextPage_), 0, Qt::AlignHCenter);
  prevPage_->setAccessibleName(QStringLiteral("vorige Seite"));
  nextPage_->setAccessibleName(QStringLiteral("n\u00e4chste Seite"));

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setEnabled(false);
  layout->addWidget(line);

  // The two small buttons sit at fixed offsets from the centre line (see resizeEvent).
  lookupRow_ = new QWidget(this);
  lookupRow_->setFixedHeight(kLookupButtonSize);
  idLookup_ = lookupButton(QStringLiteral("lookup_id"),
                           QStringLiteral("ID und Seite zur APID suchen"), lookupRow_);
  apidLookup_ = lookupButton(QStringLiteral("lookup_apid"),
                             QStringLiteral("APID zu ID und Seite suchen"), lookupRow_);
  lookupRow_->installEventFilter(this);
  layout->addWidget(lookupRow_);

  show_ = new QPushButton(QStringLiteral("Anzeigen"), this);
  show_->setFixedWidth(scaled(81, scaleX));
  layout->addWidget(show_, 0, Qt::AlignHCenter);

  layout->addWidget(immediateRow());
  layout->addStretch(1);

  connect(prevId_, &QPushButton::clicked, this, [this] { emit idStepRequested(false); });
  connect(nextId_, &QPushButton::clicked, this, [this] { emit idStepRequested(true); });
  connect(prevPage_, &QPushButton::clicked, this, [this] { emit pageStepRequested(false); });
  connect(nextPage_, &QPushButton::clicked, this, [this] { emit pageStepRequested(true); });
  connect(idLookup_, &QToolButton::clicked, this, &NavigationPanel::idLookupRequested);
  connect(apidLookup_, &QToolButton::clicked, this, &NavigationPanel::apidLookupRequested);
  connect(show_, &QPushButton::clicked, this, &NavigationPanel::showRequested);
  connect(immediate_, &QCheckBox::toggled, this, [this] { applyFieldColours(); });
  applyFieldColours();
}

QWidget* NavigationPanel::stepRow(QPushButton*& previous, QLineEdit* field, QPushButton*& next) {
  auto* row = new QWidget(this);
  auto* h = new QHBoxLayout(row);
  h->setContentsMargins(0, 0, 0, 0);
  h->setSpacing(4);
  previous = new QPushButton(QStringLiteral("<<"), row);
  next = new QPushButton(QStringLiteral(">>"), row);
  for (QPushButton* b : {previous, next}) {
    b->setFixedWidth(32);
    b->setAutoDefault(false);
  }
  h->addWidget(previous);
  h->addWidget(field);
  h->addWidget(next);
  // Tab goes left to right through the row.
  setTabOrder(previous, field);
  setTabOrder(field, next);
  return row;
}

// The check box's text is longer than the column is wide: it stands in a label beside the
// box that wraps it onto two lines, and clicking the text toggles the box as usual.
QWidget* NavigationPanel::immediateRow() {
  const QString text = QStringLiteral("Sofortige Anzeige bei ID- bzw. Seitenweiterschaltung");
  auto* row = new QWidget(this);
  auto* h = new QHBoxLayout(row);
  h->setContentsMargins(0, 0, 0, 0);
  h->setSpacing(4);
  immediate_ = new QCheckBox(row);
  immediate_->setAccessibleName(text);
  immediateText_ = new QLabel(text, row);
  immediateText_->setWordWrap(true);
  immediateText_->setBuddy(immediate_);
  QFont small = immediateText_->font();
  small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1.0));
  immediateText_->setFont(small);
  immediateText_->installEventFilter(this);
  h->addWidget(immediate_, 0, Qt::AlignTop);
  h->addWidget(immediateText_, 1);
  return row;
}

bool NavigationPanel::isImmediateDisplay() const {
  return immediate_->isChecked();
}

bool NavigationPanel::isTextField(const QWidget* w) const {
  return w != nullptr && (w == apid_ || w == id_ || w == page_);
}

void NavigationPanel::applyFieldColours() {
  // Red fields warn that every step loads a page at once.
  const QColor colour = isImmediateDisplay() ? kImmediateColour : QColor(Qt::white);
  for (QLineEdit* field : {id_, page_}) {
    QPalette p = field->palette();
    p.setColor(QPalette::Base, colour);
    field->setPalette(p);
  }
}

bool NavigationPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == immediateText_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && isEnabled()) {
    immediate_->toggle();
    return true;
  }
  if (watched == lookupRow_ && event->type() == QEvent::Resize) {
    const int centre = lookupRow_->width() / 2;
    idLookup_->move(centre - kLeftButtonOffset, 0);
    apidLookup_->move(centre + kRightButtonOffset, 0);
  }
  return QFrame::eventFilter(watched, event);
}

}  // namespace korvalis
