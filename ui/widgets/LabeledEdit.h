#pragma once

#include <QLineEdit>
#include <QPointer>

#include <QLabel>

// A single-line edit box with a caption on its left. The widget's geometry is the edit box's own;
// the caption is a sibling label kept 3 pixels to its left, vertically centred, so layouts can
// place the box where the design puts it and the caption follows it (moves, shows and hides).
class LabeledEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QString labelText READ labelText WRITE setLabelText)

public:
    explicit LabeledEdit(QWidget* parent = nullptr);
    ~LabeledEdit() override;

    QString labelText() const;
    void setLabelText(const QString& text);
    QLabel* EditLabel() const { return label; }

    void setVisible(bool visible) override;

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateLabel();
    void PlaceLabel();
    void SyncLabelVisibility();

    QPointer<QLabel> label;
};
