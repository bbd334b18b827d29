#include "ui/widgets/LabeledEdit.h"

#include <QEvent>
#include <QLabel>

namespace {
constexpr int LabelSpacing = 3;
}

LabeledEdit::LabeledEdit(QWidget* parent) : QLineEdit(parent) {
    CreateLabel();
}

LabeledEdit::~LabeledEdit() {
    delete label.data();
}

void LabeledEdit::CreateLabel() {
    if (parentWidget() == nullptr || label != nullptr)
        return;
    label = new QLabel(parentWidget());
    label->setBuddy(this);
    SyncLabelVisibility();
    PlaceLabel();
}

QString LabeledEdit::labelText() const {
    return label != nullptr ? label->text() : QString();
}

void LabeledEdit::setLabelText(const QString& text) {
    CreateLabel();
    if (label == nullptr)
        return;
    label->setText(text);
    label->adjustSize();
    PlaceLabel();
}

void LabeledEdit::setVisible(bool visible) {
    QLineEdit::setVisible(visible);
    if (label != nullptr)
        label->setVisible(visible);
}

// A box hidden on purpose hides its caption; otherwise the caption shows whenever its parent does.
void LabeledEdit::SyncLabelVisibility() {
    if (testAttribute(Qt::WA_WState_ExplicitShowHide) && testAttribute(Qt::WA_WState_Hidden))
        label->hide();
    else if (parentWidget() != nullptr && parentWidget()->isVisible())
        label->show();
}

void LabeledEdit::PlaceLabel() {
    if (label == nullptr)
        return;
    const QSize size = label->sizeHint();
    label->setGeometry(x() - LabelSpacing - size.width(), y() + (height() - size.height()) / 2, size.width(),
                       size.height());
}

void LabeledEdit::moveEvent(QMoveEvent* event) {
    QLineEdit::moveEvent(event);
    PlaceLabel();
}

void LabeledEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    PlaceLabel();
}

void LabeledEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::ParentChange) {
        if (label != nullptr && label->parentWidget() != parentWidget()) {
            label->setParent(parentWidget());
            SyncLabelVisibility();
        }
        CreateLabel();
        PlaceLabel();
    } else if (event->type() == QEvent::EnabledChange && label != nullptr) {
        label->setEnabled(isEnabled());
    } else if (event->type() == QEvent::FontChange && label != nullptr) {
        label->setFont(font());
        label->adjustSize();
        PlaceLabel();
    }
}
