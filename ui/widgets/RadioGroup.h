#pragma once

#include <QGroupBox>
#include <QStringList>
#include <QVector>

class QButtonGroup;
class QRadioButton;

// A group box of radio buttons, one per item, with the selected item's index (-1 for none).
// Click() is emitted when the user selects an item; selecting by program raises nothing.
class RadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QStringList items READ Items WRITE setItems)
    Q_PROPERTY(int itemIndex READ ItemIndex WRITE SetItemIndex)

public:
    explicit RadioGroup(QWidget* parent = nullptr);

    QStringList Items() const { return items; }
    void setItems(const QStringList& texts);
    int ItemIndex() const;
    void SetItemIndex(int index);
    QRadioButton* Button(int index) const { return buttons.value(index); }

signals:
    void Click();

private:
    QStringList items;
    QVector<QRadioButton*> buttons;
    QButtonGroup* group;
    int lastIndex = -1;
};
