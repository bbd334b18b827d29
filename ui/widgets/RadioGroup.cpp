#include "ui/widgets/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

RadioGroup::RadioGroup(QWidget* parent) : QGroupBox(parent), group(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    group->setExclusive(true);
    // idClicked comes from the user only (SetItemIndex goes through setChecked, which does not raise
    // it); pressing the item already selected changes nothing and raises nothing.
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        if (id != lastIndex) {
            lastIndex = id;
            emit Click();
        }
    });
}

void RadioGroup::setItems(const QStringList& texts) {
    for (QRadioButton* button : buttons) {
        group->removeButton(button);
        delete button;
    }
    buttons.clear();
    lastIndex = -1;
    items = texts;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        buttons.append(button);
        group->addButton(button, i);
        layout()->addWidget(button);
    }
}

int RadioGroup::ItemIndex() const {
    return group->checkedId();
}

void RadioGroup::SetItemIndex(int index) {
    if (index >= 0 && index < buttons.size()) {
        buttons[index]->setChecked(true);
        lastIndex = index;
        return;
    }
    lastIndex = -1;
    // An exclusive group refuses to uncheck its last checked button.
    group->setExclusive(false);
    for (QRadioButton* button : buttons)
        button->setChecked(false);
    group->setExclusive(true);
}
